#include <watermark/StampBatch.h>

#include <platform/foundation/ContentHash.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/photos/PendingFile.h>
#include <watermark/StampProvenance.h>

#include <condition_variable>
#include <mutex>
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
};

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    struct stat facts;
    if (::stat(path.c_str(), &facts) != 0)
        return std::nullopt;
    return FileIdentity { facts.st_dev, facts.st_ino, facts.st_size, std::int64_t(facts.st_mtim.tv_sec) * 1'000'000'000 + facts.st_mtim.tv_nsec };
}

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

StampSummary StampBatch::run(const std::vector<std::filesystem::path>& photos, const std::function<void(const StampProgress&)>& onProgress)
{
    StampSummary summary;
    const std::size_t count = photos.size();
    if (count == 0)
        return summary;
    // What an earlier batch into this folder left when it was killed goes first.
    if (const std::size_t removed = PendingFile::removeAbandoned(m_outputFolder))
        log::debug("removed " + std::to_string(removed) + " unfinished files of an earlier batch in " + m_outputFolder.string());

    struct Outcome {
        std::optional<PendingFile> file;
        std::string error;
        std::string notice;
        std::optional<std::filesystem::path> skipped;
    };
    const StampedTwins twins = m_skipDone ? StampedTwins::inFolder(m_outputFolder) : StampedTwins();
    std::vector<std::optional<Outcome>> outcomes(count);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextToStart = 0;
    std::size_t nextToCommit = 0;
    // Workers may run ahead of the naming by this many photos; finished ones wait on disk.
    const std::size_t lookahead = m_jobs * 2;

    auto stampInto = [&](std::size_t index, const std::optional<FileIdentity>& before, Outcome& outcome) {
        auto file = PendingFile::create(m_outputFolder);
        if (!file) {
            outcome.error = file.error().message;
            return;
        }
        auto stamped = m_engine->stampPhoto(photos[index], file->stream());
        if (!stamped) {
            outcome.error = stamped.error().message; // the pending file removes itself
        } else if (before != fileIdentity(photos[index])) {
            // Replaced or removed meanwhile: what was read may mix two files.
            outcome.error = photos[index].string() + ": changed while it was being stamped; nothing was saved for it";
        } else {
            outcome.file = std::move(*file);
            if (!stamped->notice.empty())
                outcome.notice = photos[index].string() + ": " + stamped->notice;
        }
    };

    auto work = [&] {
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return nextToStart >= count || m_cancelled || nextToStart < nextToCommit + lookahead; });
                if (nextToStart >= count || m_cancelled)
                    return;
                index = nextToStart++;
            }
            log::debug("Applico logo alle Foto: " + photos[index].string());
            Outcome outcome;
            const std::optional<FileIdentity> before = fileIdentity(photos[index]);
            if (m_skipDone && before) {
                if (auto hash = ContentHash::ofFile(photos[index]))
                    outcome.skipped = twins.find(*hash, m_engine->stampHash());
            }
            if (!outcome.skipped)
                stampInto(index, before, outcome);
            std::lock_guard lock(mutex);
            outcomes[index] = std::move(outcome);
            changed.notify_all();
        }
    };

    std::vector<std::jthread> workers;
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(m_jobs, count));
    for (unsigned i = 0; i < threads; ++i)
        workers.emplace_back(work);

    for (std::size_t index = 0; index < count; ++index) {
        Outcome outcome;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return outcomes[index].has_value() || (m_cancelled && index >= nextToStart); });
            if (!outcomes[index]) {
                summary.cancelled = true;
                break;
            }
            outcome = std::move(*outcomes[index]);
            outcomes[index].reset();
        }
        StampProgress progress;
        progress.index = index;
        progress.done = index + 1;
        progress.count = count;
        progress.percent = progressPercent(index + 1, count);
        progress.source = photos[index];
        progress.notice = outcome.notice;
        if (outcome.skipped) {
            progress.skipped = outcome.skipped;
            summary.skipped += 1;
        } else if (outcome.file) {
            auto saved = outcome.file->commit(stampedFileStem(photos[index]), StampEngine::extensionOf(m_engine->outputFormat(photos[index])));
            if (saved)
                progress.saved = *saved;
            else
                progress.error = saved.error().message;
        } else {
            progress.error = outcome.error;
        }
        if (!progress.skipped)
            (progress.saved ? summary.saved : summary.failed) += 1;
        {
            std::lock_guard lock(mutex);
            nextToCommit = index + 1;
            changed.notify_all();
        }
        if (onProgress)
            onProgress(progress);
    }
    if (m_cancelled)
        summary.cancelled = summary.saved + summary.failed + summary.skipped < count;
    {
        std::lock_guard lock(mutex);
        changed.notify_all();
    }
    workers.clear(); // joins; photos in flight finish and their pending files are removed
    log::debug("STOP Applico logo alle Foto");
    return summary;
}

}
