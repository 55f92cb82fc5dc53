#include <watermark/StampBatch.h>

#include <platform/foundation/ContentHash.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/photos/OutputClaim.h>
#include <platform/photos/PendingFile.h>
#include <watermark/StampProvenance.h>

#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>
#include <sys/stat.h>
#include <thread>

namespace vd {

namespace {

// What tells one file from its replacement at the same path.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    off_t size;
    std::int64_t modified; // nanoseconds
    bool operator==(const FileIdentity&) const = default;
    std::string key() const { return std::to_string(device) + ':' + std::to_string(inode) + ':' + std::to_string(size) + ':' + std::to_string(modified); }
};

// Regular files only: anything else is refused by the engine, which says why.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    struct stat facts;
    if (::stat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode))
        return std::nullopt;
    return FileIdentity { facts.st_dev, facts.st_ino, facts.st_size, std::int64_t(facts.st_mtim.tv_sec) * 1'000'000'000 + facts.st_mtim.tv_nsec };
}

// The sources found done during a run, by name and file identity, so a list that names the same
// photo again and again costs one look each; the oldest are forgotten, so memory stays bounded.
class DoneCache {
public:
    std::optional<std::filesystem::path> find(const std::string& key)
    {
        std::lock_guard lock(m_mutex);
        auto found = m_entries.find(key);
        if (found == m_entries.end())
            return std::nullopt;
        m_order.splice(m_order.begin(), m_order, found->second.second);
        return found->second.first;
    }

    void insert(const std::string& key, const std::filesystem::path& stamped)
    {
        std::lock_guard lock(m_mutex);
        if (m_entries.contains(key))
            return;
        m_order.push_front(key);
        m_entries.emplace(key, std::pair { stamped, m_order.begin() });
        if (m_entries.size() > kSize) {
            m_entries.erase(m_order.back());
            m_order.pop_back();
        }
    }

private:
    static constexpr std::size_t kSize = 4096;
    std::mutex m_mutex;
    std::list<std::string> m_order; // most recent first
    std::unordered_map<std::string, std::pair<std::filesystem::path, std::list<std::string>::iterator>> m_entries;
};

}

StampBatch::StampBatch(std::shared_ptr<const StampEngine> engine, std::filesystem::path outputFolder, unsigned jobs)
    : m_engine(std::move(engine))
    , m_outputFolder(std::move(outputFolder))
    , m_jobs(jobs ? jobs : std::max(1u, std::thread::hardware_concurrency()))
{
}

StampBatch::~StampBatch()
{
    if (m_thread.joinable()) {
        cancel();
        m_thread.join();
    }
}

void StampBatch::start(std::vector<std::filesystem::path> photos, std::function<void(const StampProgress&)> onProgress, std::function<void(const StampSummary&)> onFinished)
{
    if (m_thread.joinable())
        m_thread.join();
    m_cancelled = false;
    m_thread = std::jthread([this, photos = std::move(photos), onProgress = std::move(onProgress), onFinished = std::move(onFinished)] {
        const StampSummary summary = run(photos, [&](const StampProgress& progress) {
            if (onProgress)
                RunLoop::main().post([onProgress, progress] { onProgress(progress); });
        });
        if (onFinished)
            RunLoop::main().post([onFinished, summary] { onFinished(summary); });
    });
}

StampInputs StampInputs::of(const std::vector<std::filesystem::path>& photos)
{
    auto next = std::make_shared<std::size_t>(0);
    return { [&photos, next]() -> std::optional<std::filesystem::path> {
                if (*next >= photos.size())
                    return std::nullopt;
                return photos[(*next)++];
            },
        photos.size() };
}

StampSummary StampBatch::run(const std::vector<std::filesystem::path>& photos, const std::function<void(const StampProgress&)>& onProgress)
{
    return runInputs(StampInputs::of(photos), onProgress);
}

StampSummary StampBatch::runInputs(StampInputs inputs, const std::function<void(const StampProgress&)>& onProgress)
{
    StampSummary summary;
    if (inputs.count == std::size_t(0))
        return summary;
    // What an earlier batch into this folder left when it was killed goes first.
    if (const std::size_t removed = PendingFile::removeAbandoned(m_outputFolder) + OutputClaim::removeStale(m_outputFolder, m_staleClaimsAfter))
        log::debug("removed " + std::to_string(removed) + " unfinished files and claims of an earlier batch in " + m_outputFolder.string());

    struct Outcome {
        std::filesystem::path source;
        std::string sourceName;
        std::optional<std::filesystem::path> saved;
        std::string error;
        std::string notice;
        std::optional<std::filesystem::path> skipped;
        bool started { true }; // false: cancelled before it began
        double seconds { 0 };
    };
    const StampedTwins twins = m_skipDone ? StampedTwins::inFolder(m_outputFolder) : StampedTwins();
    DoneCache done;
    std::map<std::size_t, Outcome> outcomes; // finished, not yet reported
    std::mutex mutex;
    std::mutex inputMutex; // held while the list is read, which may wait on a pipe
    std::condition_variable changed;
    std::size_t nextToStart = 0;
    std::size_t nextToReport = 0;
    bool listEnded = false;
    // Workers may run ahead of the reporting by this many photos.
    const std::size_t lookahead = m_jobs * 2;

    auto stampInto = [&](const StampEngine& engine, const std::filesystem::path& photo, const std::string& sourceName, const FileIdentity& before, const std::string& stem, const std::string& extension, int attempt, Outcome& outcome) {
        auto file = PendingFile::create(m_outputFolder);
        if (!file) {
            outcome.error = file.error().message;
            return;
        }
        auto stamped = engine.stampPhoto(photo, file->stream(), sourceName);
        if (!stamped) {
            outcome.error = stamped.error().message; // the pending file removes itself
            return;
        }
        if (before != fileIdentity(photo)) {
            // Replaced or removed meanwhile: what was read may mix two files.
            outcome.error = photo.string() + ": changed while it was being stamped; nothing was saved for it";
            return;
        }
        if (!stamped->notice.empty())
            outcome.notice = photo.string() + ": " + stamped->notice;
        auto saved = file->commit(stem, extension, attempt);
        if (saved)
            outcome.saved = *saved;
        else
            outcome.error = saved.error().message;
    };

    // The stamped copy of this source with this stamp, when the file at target is one.
    // A finished file whose metadata cannot be read at the first try is looked at once more
    // before it is taken for someone else's: a second copy of the photo would follow.
    auto isDone = [&](const StampEngine& engine, const std::filesystem::path& target, const std::string& sourceName, const std::string& hash) {
        auto provenance = readStampProvenance(target);
        if (!provenance) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            provenance = readStampProvenance(target);
        }
        return provenance && isStampedCopyOf(*provenance, target.filename().string(), sourceName, hash, engine.stampHash());
    };

    // Output names are taken in selection order, whichever worker gets there first: a photo
    // looks for its name once every photo before it has claimed one or needs none.
    std::size_t namedUpTo = 0;         // photos before this one have their names
    std::set<std::size_t> namedAhead;  // photos after it that are past naming
    struct NamingTurn {
        std::function<void()> pass;
        void release()
        {
            if (pass)
                std::exchange(pass, nullptr)();
        }
        ~NamingTurn() { release(); }
    };

    auto stampOne = [&](const std::filesystem::path& photo, std::size_t index) {
        NamingTurn turn { [&, index] {
            std::lock_guard lock(mutex);
            namedAhead.insert(index);
            while (namedAhead.erase(namedUpTo))
                ++namedUpTo;
            changed.notify_all();
        } };
        Outcome outcome;
        outcome.source = photo;
        const std::shared_ptr<const StampEngine> chosen = m_engineFor ? m_engineFor(photo) : nullptr;
        const StampEngine& engine = chosen ? *chosen : *m_engine;
        outcome.sourceName = batchSourceName(photo, m_inputsFolder);
        const std::optional<FileIdentity> before = fileIdentity(photo);
        if (!before) {
            std::error_code error;
            outcome.error = Error::at(photo.string(), std::filesystem::exists(photo, error) ? "not a regular file" : "no such file").message;
            return outcome;
        }
        std::string hash;
        const std::string cacheKey = outcome.sourceName + '\n' + before->key();
        if (m_skipDone) {
            if ((outcome.skipped = done.find(cacheKey)))
                return outcome;
            auto hashed = ContentHash::ofFile(photo);
            if (!hashed) {
                outcome.error = hashed.error().message;
                return outcome;
            }
            hash = *hashed;
            if ((outcome.skipped = twins.find(outcome.sourceName, hash, engine.stampHash()))) {
                done.insert(cacheKey, *outcome.skipped);
                return outcome;
            }
        }
        std::error_code error;
        std::filesystem::create_directories(m_outputFolder, error);
        if (error) {
            outcome.error = Error::at(m_outputFolder.string(), "cannot create the folder (" + error.message() + ")").message;
            return outcome;
        }
        // Names are tried in order; each free one is claimed before its photo is started, and one
        // another run holds is waited for, as that run may be writing this very photo.
        const std::string stem = stampedFileStem(photo);
        const std::string extension = StampEngine::extensionOf(engine.outputFormat(photo));
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return namedUpTo == index; });
        }
        for (int attempt = 1;;) {
            if (m_cancelled) {
                outcome.started = false;
                return outcome;
            }
            const std::filesystem::path target = m_outputFolder / numberedFileName(stem, extension, attempt);
            if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) {
                if (m_skipDone && isDone(engine, target, outcome.sourceName, hash)) {
                    outcome.skipped = target;
                    break;
                }
                ++attempt;
                continue;
            }
            auto claim = OutputClaim::tryClaim(target, outcome.sourceName, m_staleClaimsAfter);
            if (!claim) {
                outcome.error = claim.error().message;
                return outcome;
            }
            if (!*claim) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            // Written between the look and the claim: the next name, or done.
            if (std::filesystem::exists(std::filesystem::symlink_status(target, error)))
                continue; // the claim is let go and the file looked at again
            log::debug("Applico logo alle Foto: " + photo.string());
            turn.release();
            stampInto(engine, photo, outcome.sourceName, *before, stem, extension, attempt, outcome);
            break; // the claim goes once the photo is in place
        }
        if (m_skipDone && (outcome.saved || outcome.skipped))
            done.insert(cacheKey, outcome.saved ? *outcome.saved : *outcome.skipped);
        return outcome;
    };

    auto work = [&] {
        for (;;) {
            std::size_t index;
            std::filesystem::path photo;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return listEnded || m_cancelled || nextToStart < nextToReport + lookahead; });
                if (listEnded || m_cancelled)
                    return;
            }
            {
                std::lock_guard reading(inputMutex);
                std::optional<std::filesystem::path> next = listEnded || m_cancelled ? std::nullopt : inputs.next();
                std::lock_guard lock(mutex);
                if (!next) {
                    listEnded = listEnded || !m_cancelled;
                    changed.notify_all();
                    return;
                }
                index = nextToStart++;
                photo = std::move(*next);
            }
            const auto started = std::chrono::steady_clock::now();
            Outcome outcome = stampOne(photo, index);
            outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::lock_guard lock(mutex);
            outcomes[index] = std::move(outcome);
            changed.notify_all();
        }
    };

    std::vector<std::jthread> workers;
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(m_jobs, inputs.count.value_or(m_jobs)));
    for (unsigned i = 0; i < threads; ++i)
        workers.emplace_back(work);

    const std::size_t count = inputs.count.value_or(0);
    std::size_t reported = 0;
    for (std::size_t index = 0;; ++index) {
        Outcome outcome;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return outcomes.contains(index) || (index >= nextToStart && (listEnded || m_cancelled)); });
            auto found = outcomes.find(index);
            if (found == outcomes.end() || !found->second.started)
                break;
            outcome = std::move(found->second);
            outcomes.erase(found);
        }
        StampProgress progress;
        progress.index = index;
        progress.done = index + 1;
        progress.count = count;
        progress.percent = progressPercent(index + 1, count);
        progress.source = std::move(outcome.source);
        progress.sourceName = std::move(outcome.sourceName);
        progress.seconds = outcome.seconds;
        progress.notice = outcome.notice;
        if (outcome.skipped) {
            progress.skipped = outcome.skipped;
            summary.skipped += 1;
        } else if (outcome.saved) {
            progress.saved = outcome.saved;
            summary.saved += 1;
        } else {
            progress.error = outcome.error;
            summary.failed += 1;
        }
        reported = index + 1;
        {
            std::lock_guard lock(mutex);
            nextToReport = index + 1;
            changed.notify_all();
        }
        if (onProgress)
            onProgress(progress);
    }
    {
        std::lock_guard lock(mutex);
        summary.cancelled = m_cancelled && (inputs.count ? reported < count : !listEnded);
        changed.notify_all();
    }
    workers.clear(); // joins; photos in flight finish and their pending files are removed
    log::debug("STOP Applico logo alle Foto");
    return summary;
}

}
