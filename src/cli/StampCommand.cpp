#include <cli/Commands.h>
#include <cli/LogoStoreAccess.h>
#include <cli/ProgressReporter.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/LibraryLocation.h>
#include <watermark/BatchPlacements.h>
#include <watermark/StampBatch.h>
#include <watermark/StampProvenance.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <unistd.h>

namespace vd::cli {

namespace {

struct StampOptions {
    std::string logo;
    std::string logoIndex;
    std::string placementFile;
    std::optional<double> size;
    std::optional<double> opacity;
    std::optional<double> rotate;
    std::string position;
    std::optional<double> margin;
    std::string out;
    unsigned jobs { 0 };
    bool lossless { false };
    bool adapt { false };
    bool skipDone { false };
    std::string filesFrom;
    bool null { false };
    std::string shard;
    std::string report;
    std::optional<int> quality;
    std::string subsampling;
    std::string background;
    std::string format { "jpeg" };
    std::vector<std::string> photos;
};

// --shard K/N: this run stamps the sources whose recorded name hashes to K (0 ≤ K < N). The hash
// is FNV-1a of the name, the same on every machine and in every run.
struct Shard {
    std::uint64_t index { 0 };
    std::uint64_t count { 1 };

    bool holds(const std::filesystem::path& source) const
    {
        if (count <= 1)
            return true;
        std::uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : batchSourceName(source, {}))
            hash = (hash ^ c) * 1099511628211ull;
        return hash % count == index;
    }
};

Result<Shard> parseShard(const std::string& text)
{
    Shard shard;
    const size_t slash = text.find('/');
    char* end = nullptr;
    errno = 0;
    if (slash != std::string::npos && slash > 0 && std::isdigit(static_cast<unsigned char>(text[0])) && std::isdigit(static_cast<unsigned char>(text[slash + 1 < text.size() ? slash + 1 : 0]))) {
        shard.index = std::strtoull(text.c_str(), &end, 10);
        if (end == text.c_str() + slash) {
            shard.count = std::strtoull(text.c_str() + slash + 1, &end, 10);
            if (*end == '\0' && errno == 0 && shard.count >= 1 && shard.index < shard.count)
                return shard;
        }
    }
    return fail("--shard " + text, "must be K/N with 0 ≤ K < N, as a job runner numbers its tasks from 0 (e.g. 0/4 … 3/4)");
}

// The lines (or NUL-separated names with --null) of --files-from, read as the batch goes, so a
// list of any length is never held whole.
class PhotoList {
public:
    static Result<std::unique_ptr<PhotoList>> open(const std::string& path, bool null)
    {
        std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
        if (!file)
            return fail("--files-from " + path, std::strerror(errno));
        return std::unique_ptr<PhotoList>(new PhotoList(file, path != "-", null ? '\0' : '\n', path));
    }
    ~PhotoList()
    {
        std::free(m_line);
        if (m_owned)
            std::fclose(m_file);
    }

    std::optional<std::filesystem::path> next()
    {
        for (;;) {
            const ssize_t length = ::getdelim(&m_line, &m_capacity, m_separator, m_file);
            if (length < 0) {
                if (std::ferror(m_file))
                    m_error = "--files-from " + m_name + ": " + std::strerror(errno);
                return std::nullopt;
            }
            std::string_view name(m_line, static_cast<size_t>(length));
            if (!name.empty() && name.back() == m_separator)
                name.remove_suffix(1);
            if (m_separator == '\n' && !name.empty() && name.back() == '\r')
                name.remove_suffix(1);
            if (!name.empty())
                return std::filesystem::path(name);
        }
    }

    // The names left in a list read from a file, counted without keeping them; then back to
    // where it was. None for a pipe.
    std::optional<std::size_t> count(const Shard& shard)
    {
        if (!m_owned)
            return std::nullopt;
        const long at = std::ftell(m_file);
        std::size_t count = 0;
        while (auto name = next())
            count += shard.holds(*name);
        std::clearerr(m_file);
        std::fseek(m_file, at, SEEK_SET);
        return count;
    }

    const std::string& error() const { return m_error; }

private:
    PhotoList(std::FILE* file, bool owned, char separator, std::string name)
        : m_file(file)
        , m_owned(owned)
        , m_separator(separator)
        , m_name(std::move(name))
    {
    }

    std::FILE* m_file;
    bool m_owned;
    char m_separator;
    std::string m_name;
    char* m_line { nullptr };
    size_t m_capacity { 0 };
    std::string m_error;
};

// --report FILE: one JSON line per source, appended with one write each, so shards may share a
// file and a killed run's lines stay whole.
class ReportFile {
public:
    static Result<std::unique_ptr<ReportFile>> open(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return fail("--report " + path, std::strerror(errno));
        return std::unique_ptr<ReportFile>(new ReportFile(fd));
    }
    ~ReportFile() { ::close(m_fd); }

    void add(const StampProgress& progress)
    {
        nlohmann::json line;
        line["source"] = progress.source.string();
        line["name"] = progress.sourceName;
        line["output"] = progress.saved ? nlohmann::json(progress.saved->string()) : progress.skipped ? nlohmann::json(progress.skipped->string()) : nlohmann::json(nullptr);
        line["status"] = progress.skipped ? "skipped" : progress.saved ? "stamped" : "failed";
        line["reason"] = progress.skipped ? "already stamped" : progress.error;
        nlohmann::json notices = nlohmann::json::array();
        // The notice names the photo, as the console line does; the report has it in "source".
        const std::string prefix = progress.source.string() + ": ";
        std::string notice = progress.notice.starts_with(prefix) ? progress.notice.substr(prefix.size()) : progress.notice;
        for (size_t at = 0; !notice.empty() && at != std::string::npos;) {
            const size_t end = notice.find("; ", at);
            notices.push_back(notice.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end == std::string::npos ? end : end + 2;
        }
        line["notices"] = notices;
        line["seconds"] = std::round(progress.seconds * 1000) / 1000;
        const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        if (::write(m_fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) && !m_failed) {
            m_failed = true;
            std::fprintf(stderr, "vardenico stamp: --report: cannot write (%s)\n", std::strerror(errno));
        }
    }

private:
    explicit ReportFile(int fd)
        : m_fd(fd)
    {
    }
    int m_fd;
    bool m_failed { false };
};

Result<std::uint32_t> parseBackground(const std::string& text)
{
    if (text == "white")
        return 0xFFFFFFu;
    if (text == "black")
        return 0u;
    std::string digits = text.starts_with("#") ? text.substr(1) : text;
    if (digits.size() == 6 && digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
        return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    return fail("--background " + text, "not a colour: give six hexadecimal digits RRGGBB (with or without #), white or black");
}

// Edge flags (left, right, top, bottom) and centre percentages of each named position.
struct NamedPosition {
    std::array<double, 4> flags;
    std::array<double, 2> percent;
};
const std::map<std::string, NamedPosition>& namedPositions()
{
    static const std::map<std::string, NamedPosition> positions {
        { "top-left", { { 1, 0, 1, 0 }, { 50, 50 } } },
        { "top", { { 0, 0, 1, 0 }, { 50, 50 } } },
        { "top-right", { { 0, 1, 1, 0 }, { 50, 50 } } },
        { "left", { { 1, 0, 0, 0 }, { 50, 50 } } },
        { "center", { { 0, 0, 0, 0 }, { 50, 50 } } },
        { "right", { { 0, 1, 0, 0 }, { 50, 50 } } },
        { "bottom-left", { { 1, 0, 0, 1 }, { 50, 50 } } },
        { "bottom", { { 0, 0, 0, 1 }, { 50, 50 } } },
        { "bottom-right", { { 0, 1, 0, 1 }, { 50, 50 } } },
    };
    return positions;
}

// The placement file's common placement and per-photo adjustments, with the options typed on the
// command line laid over the common placement.
Result<BatchPlacements> buildPlacement(const StampOptions& options)
{
    BatchPlacements placements;
    PlacementDescription& placement = placements.common;
    if (!options.placementFile.empty()) {
        auto bytes = files::readAll(options.placementFile, 1 << 20);
        if (!bytes)
            return fail("--placement", bytes.error().message);
        auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
        if (json.is_discarded())
            return fail("--placement " + options.placementFile, "not valid JSON");
        auto read = BatchPlacements::fromJson(json, "--placement " + options.placementFile);
        if (!read)
            return read;
        placements = *read;
    }
    if (!options.position.empty()) {
        const auto& position = namedPositions().at(options.position);
        placement.flags = position.flags;
        placement.percent = position.percent;
    }
    if (auto checked = placement.check(options.placementFile.empty() ? "placement" : options.placementFile); !checked)
        return std::unexpected(checked.error());
    // Values typed on the command line are refused with their reason, never clamped.
    auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return std::string(text);
    };
    if (options.size && !(*options.size > 0 && *options.size <= 100))
        return fail("--size " + number(*options.size), "out of range: the logo's side must be above 0 and at most 100 (% of the photo's short side)");
    if (options.opacity && !(*options.opacity >= 0 && *options.opacity <= 1))
        return fail("--opacity " + number(*options.opacity), "out of range: it must be from 0 to 1");
    if (options.rotate && !std::isfinite(*options.rotate))
        return fail("--rotate " + number(*options.rotate), "not a number of degrees");
    if (options.margin && !(*options.margin >= 0 && std::isfinite(*options.margin)))
        return fail("--margin " + number(*options.margin), "out of range: it must be 0 or more pixels");
    if (options.size)
        placement.sizePercent = *options.size;
    if (options.opacity)
        placement.opacity = *options.opacity;
    if (options.rotate)
        placement.rotationDegrees = *options.rotate;
    if (options.margin) {
        placement.marginPixels = *options.margin;
        if (placement.flags == std::array<double, 4> { 0, 0, 0, 0 })
            std::fprintf(stderr, "vardenico stamp: --margin has no effect on a centred logo; give --position too\n");
    }
    placements.adapt = placements.adapt || options.adapt;
    return placements;
}

std::atomic<StampBatch*> g_runningBatch { nullptr };

extern "C" void onInterrupt(int)
{
    // The batch stops taking photos; the ones in flight finish or are removed, never left half
    // written under a final name. A second interrupt ends the program at once.
    if (StampBatch* batch = g_runningBatch.load())
        batch->cancel();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

Result<Image> logoFromFile(const std::string& path)
{
    DecodeOptions decodeOptions;
    decodeOptions.name = path;
    decodeOptions.maxPixels = kMaxLogoPixels;
    auto logo = decodeImageFile(path, decodeOptions);
    if (!logo)
        return fail("--logo " + logo.error().message);
    return logo;
}

// A logo of the store, as `vardenico logos list` numbers them.
Result<Image> logoFromStore(const std::string& indexText)
{
    auto logo = storedLogoPicture(indexText);
    if (!logo)
        return fail("--logo-index: " + logo.error().message + " in " + logoStorePath());
    return std::move(logo->picture);
}

int runStamp(const StampOptions& options)
{
    if (options.logo.empty() && options.logoIndex.empty()) {
        std::fprintf(stderr, "vardenico stamp: give the logo with --logo FILE.png or --logo-index N\n");
        return kBadUsage;
    }
    auto placement = buildPlacement(options);
    if (!placement) {
        std::fprintf(stderr, "vardenico stamp: %s\n", placement.error().message.c_str());
        return kBadUsage;
    }
    const std::filesystem::path outputFolder = options.out.empty() ? photoLibraryFolder() / kSavedPhotosFolderName : std::filesystem::path(options.out);
    std::error_code error;
    if (std::filesystem::exists(outputFolder, error) && !std::filesystem::is_directory(outputFolder, error)) {
        std::fprintf(stderr, "vardenico stamp: --out %s: not a folder\n", outputFolder.c_str());
        return kBadUsage;
    }
    if (options.photos.empty() == options.filesFrom.empty()) {
        std::fprintf(stderr, "vardenico stamp: give the photos either as arguments or with --files-from FILE, not both\n");
        return kBadUsage;
    }
    if (options.null && options.filesFrom.empty()) {
        std::fprintf(stderr, "vardenico stamp: --null goes with --files-from\n");
        return kBadUsage;
    }
    Shard shard;
    StampEngineOptions engineOptions;
    engineOptions.lossless = options.lossless;
    std::unique_ptr<PhotoList> list;
    std::unique_ptr<ReportFile> report;
    {
        Result<void> checked;
        if (!options.shard.empty()) {
            auto parsed = parseShard(options.shard);
            checked = parsed ? Result<void>() : Result<void>(std::unexpected(parsed.error()));
            shard = parsed.value_or(shard);
        }
        if (checked && options.quality && !(*options.quality >= 1 && *options.quality <= 100))
            checked = fail("--quality " + std::to_string(*options.quality), "out of range: it must be from 1 to 100");
        if (checked && options.quality) {
            engineOptions.quality = *options.quality;
            engineOptions.formatQuality = *options.quality; // WebP, AVIF and HEIC copies too
        }
        if (checked && !options.subsampling.empty())
            engineOptions.subsampling = options.subsampling == "420" ? ChromaSubsampling::Quarter420 : options.subsampling == "422" ? ChromaSubsampling::Half422 : ChromaSubsampling::Full444;
        if (checked && !options.background.empty()) {
            auto colour = parseBackground(options.background);
            checked = colour ? Result<void>() : Result<void>(std::unexpected(colour.error()));
            engineOptions.background = colour.value_or(engineOptions.background);
        }
        if (checked && !options.filesFrom.empty()) {
            auto opened = PhotoList::open(options.filesFrom, options.null);
            checked = opened ? Result<void>() : Result<void>(std::unexpected(opened.error()));
            if (opened)
                list = std::move(*opened);
        }
        if (checked && !options.report.empty()) {
            auto opened = ReportFile::open(options.report);
            checked = opened ? Result<void>() : Result<void>(std::unexpected(opened.error()));
            if (opened)
                report = std::move(*opened);
        }
        if (!checked) {
            std::fprintf(stderr, "vardenico stamp: %s\n", checked.error().message.c_str());
            return kBadUsage;
        }
    }
    auto logo = options.logoIndex.empty() ? logoFromFile(options.logo) : logoFromStore(options.logoIndex);
    if (!logo) {
        std::fprintf(stderr, "vardenico stamp: %s\n", logo.error().message.c_str());
        return kBadUsage;
    }
    std::vector<std::filesystem::path> photos;
    for (const auto& photo : options.photos)
        if (shard.holds(photo))
            photos.push_back(photo);
    StampInputs inputs = StampInputs::of(photos);
    std::optional<std::size_t> listCount;
    if (list) {
        inputs.count = listCount = list->count(shard);
        inputs.next = [&list, shard]() -> std::optional<std::filesystem::path> {
            while (auto photo = list->next())
                if (shard.holds(*photo))
                    return photo;
            return std::nullopt;
        };
    }

    engineOptions.format = stampFormatNamed(options.format).value_or(StampFormat::Jpeg);
    const PlacementEngines engines(*logo, *placement, engineOptions);
    logo = Image(); // the engines keep the turned logo they need
    StampBatch batch(engines.common(), outputFolder, options.jobs);
    if (!placement->adjustments.empty())
        batch.setEngineForPhoto([&engines](const std::filesystem::path& photo) { return engines.engineFor(photo); });
    batch.setSkipDone(options.skipDone);
    g_runningBatch = &batch;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    ProgressReporter reporter("Stamping");
    const StampSummary summary = batch.runInputs(std::move(inputs), [&](const StampProgress& progress) {
        if (report)
            report->add(progress);
        const std::string name = progress.source.filename().string();
        if (!progress.notice.empty())
            std::fprintf(stderr, "vardenico stamp: %s\n", progress.notice.c_str());
        if (progress.skipped)
            reporter.itemFinished(progress.done, progress.count, progress.percent, name, "already stamped as " + progress.skipped->string(), false);
        else if (progress.saved)
            reporter.itemFinished(progress.done, progress.count, progress.percent, name, progress.saved->string(), false);
        else // the line names the photo, whatever file the reason is about
            reporter.itemFinished(progress.done, progress.count, progress.percent, name, progress.error.starts_with(progress.source.string()) ? progress.error : progress.source.string() + ": " + progress.error, true);
    });
    reporter.finish();
    if (!summary.cancelled)
        for (const std::string& name : engines.unusedAdjustments())
            std::fprintf(stderr, "vardenico stamp: --placement %s: the adjustment for %s was ignored: that photo is not in the batch\n", options.placementFile.c_str(), name.c_str());
    g_runningBatch = nullptr;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    const std::size_t finished = summary.saved + summary.failed + summary.skipped;
    // A list read from a pipe is as long as what was read of it, unless it was cut short.
    const std::size_t count = list ? listCount.value_or(list->error().empty() && !summary.cancelled ? finished : 0) : photos.size();
    if (count)
        std::fprintf(stdout, "%zu of %zu photo%s stamped into %s", summary.saved, count, count == 1 ? "" : "s", outputFolder.c_str());
    else
        std::fprintf(stdout, "%zu photo%s stamped into %s", summary.saved, summary.saved == 1 ? "" : "s", outputFolder.c_str());
    if (shard.count > 1)
        std::fprintf(stdout, " (shard %llu/%llu)", static_cast<unsigned long long>(shard.index), static_cast<unsigned long long>(shard.count));
    if (summary.skipped)
        std::fprintf(stdout, "; %zu skipped, already stamped", summary.skipped);
    if (summary.failed)
        std::fprintf(stdout, "; %zu failed", summary.failed);
    if (summary.cancelled && count)
        std::fprintf(stdout, "; interrupted, %zu not started", count - finished);
    else if (summary.cancelled)
        std::fprintf(stdout, "; interrupted");
    std::fprintf(stdout, ".\n");
    if (list && !list->error().empty()) {
        std::fprintf(stderr, "vardenico stamp: %s\n", list->error().c_str());
        return kSomeInputsFailed;
    }
    return summary.failed || summary.cancelled ? kSomeInputsFailed : kSuccess;
}

}

void addStampCommand(CLI::App& app, int& status)
{
    auto options = std::make_shared<StampOptions>();
    auto* command = app.add_subcommand("stamp", "Stamp a logo onto photos, writing stamped copies (the photos are never changed)");
    auto* logoOption = command->add_option("--logo", options->logo, "The logo picture (PNG with transparency, or JPEG)")->check(CLI::ExistingFile);
    command->add_option("--logo-index", options->logoIndex, "A logo of the logo store, by its number in `vardenico logos list`")->excludes(logoOption);
    command->add_option("--placement", options->placementFile, "A placement description as JSON (flags, percent, margins, sizePercent, opacity, rotationDegrees, stickerFrameWidth), as the apply screen saves it: with \"adapt\" and per-photo adjustments under \"photos\" (name, hash, placement)")->check(CLI::ExistingFile);
    command->add_option("--size", options->size, "Logo side as a percentage of the photo's short side, above 0 and at most 100 (default 20)");
    command->add_option("--opacity", options->opacity, "Logo opacity from 0 to 1 (default 1)");
    command->add_option("--rotate", options->rotate, "Turn the logo clockwise by this many degrees");
    std::vector<std::string> names;
    for (const auto& [name, position] : namedPositions())
        names.push_back(name);
    command->add_option("--position", options->position, "Where the logo goes (default center)")->check(CLI::IsMember(names));
    command->add_option("--margin", options->margin, "Gap in pixels between the logo and the edges it is aligned to");
    command->add_option("--out", options->out, "Folder for the stamped copies (default: the library's \"Saved Photos\")");
    command->add_option("--jobs", options->jobs, "Photos stamped at once (default: one per core)")->check(CLI::Range(1u, 64u));
    command->add_flag("--adapt", options->adapt, "Adapt to each photo: a logo that stands out less than 3:1 from the photo under it gets a soft halo of the contrasting tone");
    command->add_flag("--lossless", options->lossless, "JPEG photos keep every block the logo does not touch exactly as it was, and their orientation tag; others are stamped as usual");
    command->add_flag("--skip-done", options->skipDone, "Skip photos whose stamped copy with this logo and placement is already in the output folder (an interrupted batch run again finishes it)");
    command->add_option("--files-from", options->filesFrom, "Read the photos from this list, one a line (- for standard input), instead of the arguments");
    command->add_flag("--null", options->null, "The --files-from list is separated by NUL characters (find -print0), not lines");
    command->add_option("--shard", options->shard, "K/N: stamp only the photos whose name hashes to K of N (0 ≤ K < N), for N runs that share the work, on one machine or many");
    command->add_option("--report", options->report, "Append one JSON line per photo to this file: source, output, status (stamped, skipped, failed), reason, notices, seconds");
    command->add_option("--quality", options->quality, "JPEG quality of the stamped copies, 1 to 100 (default 100)");
    command->add_option("--subsampling", options->subsampling, "Colour resolution of the stamped copies: 444 (full, default), 422 or 420 (smaller files)")->check(CLI::IsMember({ "444", "422", "420" }));
    command->add_option("--background", options->background, "Colour that transparent parts of a photo are laid over, RRGGBB (default white)");
    command->add_option("--format", options->format, "What the stamped copies are written as: jpeg (default), same (each photo's own format), png, webp, avif, heic or tiff")
        ->check(CLI::IsMember({ "jpeg", "same", "png", "webp", "avif", "heic", "tiff" }));
    command->add_option("photos", options->photos, "The photos (JPEG, PNG, HEIC, AVIF, WebP or TIFF)");
    command->callback([options, &status] { status = runStamp(*options); });
}

}
