#pragma once

#include <watermark/StampEngine.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vd {

// What the batch tells its caller after each photo, in selection order.
struct StampProgress {
    std::size_t index { 0 }; // position of the photo in the selection
    std::size_t done { 0 };  // photos finished so far, this one included
    std::size_t count { 0 }; // 0 when a list read as it goes did not say how long it is
    int percent { 0 };       // done × 100 ÷ count, in whole percent
    std::filesystem::path source;
    std::string sourceName; // as its stamped copy records it (batchSourceName)
    double seconds { 0 };   // spent on this photo
    std::optional<std::filesystem::path> saved; // the new file, when the photo was stamped and saved
    std::string error;                          // why not, otherwise (names the file)
    std::string notice;                         // stamped, but not quite as asked (names the file)
    std::optional<std::filesystem::path> skipped; // with skipDone: its stamped twin, already in the output folder
};

// The photos of a batch, taken one at a time, so that a list of any length is never held whole.
struct StampInputs {
    std::function<std::optional<std::filesystem::path>()> next; // the next photo; none at the end
    std::optional<std::size_t> count;                           // how many, when known beforehand

    static StampInputs of(const std::vector<std::filesystem::path>& photos);
};

struct StampSummary {
    std::size_t saved { 0 };
    std::size_t failed { 0 };
    std::size_t skipped { 0 }; // already stamped with this logo and placement (skipDone)
    bool cancelled { false };
};

// Stamps a selection of photos with one engine, photos in parallel on worker threads, and saves
// each result as a new file "<stem>_vardenico.jpg" (then _2, _3…) in the output folder. Each
// output is claimed (OutputClaim) before its photo is started and names are taken in selection
// order, so several runs may share one output folder; progress is reported strictly in selection
// order, whatever order the workers finish in. A photo that fails is reported and the batch goes
// on; one that changes or disappears while it is stamped fails, saving nothing. A batch first
// removes what a killed batch left unfinished in the output folder.
class StampBatch {
public:
    StampBatch(std::shared_ptr<const StampEngine> engine, std::filesystem::path outputFolder, unsigned jobs = 0);
    ~StampBatch();
    StampBatch(const StampBatch&) = delete;
    StampBatch& operator=(const StampBatch&) = delete;

    // Runs the whole batch; onProgress is called on this thread after each photo.
    StampSummary run(const std::vector<std::filesystem::path>& photos, const std::function<void(const StampProgress&)>& onProgress);
    // The same over a list read as it goes.
    StampSummary runInputs(StampInputs inputs, const std::function<void(const StampProgress&)>& onProgress);

    // The same on a thread of its own, for the apply screen: progress and then the summary are
    // delivered on the main run loop, in selection order. At most one batch runs at a time.
    void start(std::vector<std::filesystem::path> photos, std::function<void(const StampProgress&)> onProgress, std::function<void(const StampSummary&)> onFinished);

    // Stops taking new photos (from any thread); the photos in flight are finished.
    void cancel() { m_cancelled = true; }

    // Photos whose stamped copy (same source by name and content, same logo, placement and mode)
    // is already in the output folder, or being written there by another run, are skipped, so an
    // interrupted batch run again, or several batches at once, finish without duplicates.
    void setSkipDone(bool skip) { m_skipDone = skip; }
    // The folder the sources' recorded names are relative to (see batchSourceName); the working
    // folder when not set.
    void setInputsFolder(std::filesystem::path folder) { m_inputsFolder = std::move(folder); }
    // How old another machine's claim must be before it is taken for abandoned.
    void setStaleClaimsAfter(std::chrono::seconds age) { m_staleClaimsAfter = age; }

    unsigned jobs() const { return m_jobs; }

    // Photos with a placement of their own: the engine to stamp this photo with, or null for the
    // batch's own. Called on the worker threads, so it must be safe to call from several at once.
    void setEngineForPhoto(std::function<std::shared_ptr<const StampEngine>(const std::filesystem::path&)> choose) { m_engineFor = std::move(choose); }

private:
    std::shared_ptr<const StampEngine> m_engine;
    std::filesystem::path m_outputFolder;
    unsigned m_jobs { 1 };
    std::atomic<bool> m_cancelled { false };
    bool m_skipDone { false };
    std::filesystem::path m_inputsFolder;
    std::chrono::seconds m_staleClaimsAfter { 600 };
    std::function<std::shared_ptr<const StampEngine>(const std::filesystem::path&)> m_engineFor;
    std::jthread m_thread; // declared last: joined before the rest goes
};

}
