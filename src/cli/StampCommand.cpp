#include <cli/Commands.h>
#include <cli/LogoStoreAccess.h>
#include <cli/ProgressReporter.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/LibraryLocation.h>
#include <watermark/StampBatch.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

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
    bool skipDone { false };
    std::string format { "jpeg" };
    std::vector<std::string> photos;
};

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

Result<PlacementDescription> buildPlacement(const StampOptions& options)
{
    PlacementDescription placement;
    if (!options.placementFile.empty()) {
        auto bytes = files::readAll(options.placementFile, 1 << 20);
        if (!bytes)
            return fail("--placement", bytes.error().message);
        auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
        if (json.is_discarded())
            return fail("--placement " + options.placementFile, "not valid JSON");
        auto read = PlacementDescription::fromJson(json, "--placement " + options.placementFile);
        if (!read)
            return read;
        placement = *read;
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
    return placement;
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
    decodeOptions.maxPixels = 64'000'000;
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
    auto logo = options.logoIndex.empty() ? logoFromFile(options.logo) : logoFromStore(options.logoIndex);
    if (!logo) {
        std::fprintf(stderr, "vardenico stamp: %s\n", logo.error().message.c_str());
        return kBadUsage;
    }
    std::vector<std::filesystem::path> photos(options.photos.begin(), options.photos.end());

    StampEngineOptions engineOptions;
    engineOptions.lossless = options.lossless;
    engineOptions.format = stampFormatNamed(options.format).value_or(StampFormat::Jpeg);
    auto engine = std::make_shared<StampEngine>(*logo, *placement, engineOptions);
    logo = Image(); // the engine keeps the turned logo it needs
    StampBatch batch(engine, outputFolder, options.jobs);
    batch.setSkipDone(options.skipDone);
    g_runningBatch = &batch;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    ProgressReporter reporter("Stamping");
    const StampSummary summary = batch.run(photos, [&](const StampProgress& progress) {
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
    g_runningBatch = nullptr;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    std::fprintf(stdout, "%zu of %zu photo%s stamped into %s", summary.saved, photos.size(), photos.size() == 1 ? "" : "s", outputFolder.c_str());
    if (summary.skipped)
        std::fprintf(stdout, "; %zu skipped, already stamped", summary.skipped);
    if (summary.failed)
        std::fprintf(stdout, "; %zu failed", summary.failed);
    if (summary.cancelled)
        std::fprintf(stdout, "; interrupted, %zu not started", photos.size() - summary.saved - summary.failed - summary.skipped);
    std::fprintf(stdout, ".\n");
    return summary.failed || summary.cancelled ? kSomeInputsFailed : kSuccess;
}

}

void addStampCommand(CLI::App& app, int& status)
{
    auto options = std::make_shared<StampOptions>();
    auto* command = app.add_subcommand("stamp", "Stamp a logo onto photos, writing stamped copies (the photos are never changed)");
    auto* logoOption = command->add_option("--logo", options->logo, "The logo picture (PNG with transparency, or JPEG)")->check(CLI::ExistingFile);
    command->add_option("--logo-index", options->logoIndex, "A logo of the logo store, by its number in `vardenico logos list`")->excludes(logoOption);
    command->add_option("--placement", options->placementFile, "A placement description as JSON (flags, percent, margins, sizePercent, opacity, rotationDegrees, stickerFrameWidth)")->check(CLI::ExistingFile);
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
    command->add_flag("--lossless", options->lossless, "JPEG photos keep every block the logo does not touch exactly as it was, and their orientation tag; others are stamped as usual");
    command->add_flag("--skip-done", options->skipDone, "Skip photos whose stamped copy with this logo and placement is already in the output folder (an interrupted batch run again finishes it)");
    command->add_option("--format", options->format, "What the stamped copies are written as: jpeg (default), same (each photo's own format), png, webp, avif, heic or tiff")
        ->check(CLI::IsMember({ "jpeg", "same", "png", "webp", "avif", "heic", "tiff" }));
    command->add_option("photos", options->photos, "The photos (JPEG, PNG, HEIC, AVIF, WebP or TIFF)")->required();
    command->callback([options, &status] { status = runStamp(*options); });
}

}
