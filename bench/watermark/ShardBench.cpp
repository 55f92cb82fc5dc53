// One batch of distinct photos split over 1, 2 and 4 `vardenico stamp --shard K/N` processes on one
// output folder, as job runners split it over machines, and what the output claims cost a photo.
//
//   watermark_shard_batch [--photos N] [--width W] [--height H]
//       --photos: how many distinct photos (default 1000), --width/--height their size (1200 × 900)
//
// Run it under the shared build lock: it times work on every core. Each round starts from an
// empty output folder; a figure only counts when every photo was stamped exactly once and no
// claim or temporary file is left (the bench fails with status 1 otherwise).

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/OutputClaim.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vd;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

pid_t start(const std::vector<std::string>& arguments)
{
    std::fflush(nullptr); // the child must not print what the bench has not printed yet
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv { const_cast<char*>(VARDENICO_BINARY) };
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(VARDENICO_BINARY, argv.data());
        ::_exit(127);
    }
    return child;
}

// Stamped copies and leftovers (hidden files) in a folder.
std::pair<std::size_t, std::size_t> countFiles(const fs::path& folder)
{
    std::size_t visible = 0, hidden = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        (entry.path().filename().string().front() == '.' ? hidden : visible) += 1;
    return { visible, hidden };
}

}

int main(int argc, char** argv)
{
    int count = 1000, width = 1200, height = 900;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--photos"))
            count = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--width"))
            width = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--height"))
            height = std::atoi(argv[i + 1]);
    }
    const fs::path root = fs::temp_directory_path() / ("vardenico-shard-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "photos");

    // Distinct photos: a gradient with a different offset each.
    std::ofstream list(root / "list");
    for (int i = 0; i < count; ++i) {
        PixelBuffer buffer;
        buffer.width = width;
        buffer.height = height;
        buffer.opaque = true;
        buffer.pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                buffer.pixels[static_cast<size_t>(y) * width + x] = 0xff000000u | static_cast<std::uint32_t>((((x + i) & 0xff) << 16) | (((y * 3 + i) & 0xff) << 8) | ((x ^ y) & 0xff));
        JpegEncodeOptions options;
        options.quality = 90;
        const fs::path photo = root / "photos" / ("IMG_" + std::to_string(i) + ".jpg");
        if (!files::writeAtomically(photo, *encodeJpeg(Image::fromBuffer(std::move(buffer)), options))) {
            std::fprintf(stderr, "cannot write %s\n", photo.c_str());
            return 1;
        }
        list << photo.string() << '\n';
    }
    list.close();
    std::vector<std::uint8_t> logo;
    {
        PixelBuffer buffer;
        buffer.width = buffer.height = 200;
        buffer.pixels.assign(200 * 200, 0xc000a040u);
        logo = *encodePng(Image::fromBuffer(std::move(buffer)));
        files::writeAtomically(root / "logo.png", logo);
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("%d photos of %d × %d, %u cores\n", count, width, height, cores);
    std::printf("%-10s %-6s %10s %14s\n", "processes", "jobs", "total s", "per photo ms");
    bool ok = true;
    for (int processes : { 1, 2, 4 }) {
        const fs::path out = root / ("out" + std::to_string(processes));
        const unsigned jobs = std::max(1u, cores / static_cast<unsigned>(processes));
        const auto started = Clock::now();
        std::vector<pid_t> children;
        for (int k = 0; k < processes; ++k)
            children.push_back(start({ "stamp", "--logo", (root / "logo.png").string(), "--position", "bottom-right", "--size", "20", "--skip-done", "--jobs", std::to_string(jobs), "--out", out.string(),
                "--files-from", (root / "list").string(), "--shard", std::to_string(k) + "/" + std::to_string(processes) }));
        for (pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        const double total = seconds(Clock::now() - started);
        const auto [visible, hidden] = countFiles(out);
        ok = ok && visible == static_cast<std::size_t>(count) && hidden == 0;
        std::printf("%-10d %-6u %10.2f %14.2f%s\n", processes, jobs, total, total * 1000 / count, visible == static_cast<std::size_t>(count) && hidden == 0 ? "" : "  (photos missing or files left)");
    }

    // The claims alone: what a photo pays to claim its output and let it go, on this folder's
    // file system, with the look at the output name the batch makes first.
    const fs::path claims = root / "claims";
    fs::create_directories(claims);
    const int rounds = 20000;
    const auto started = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        const fs::path output = claims / ("IMG_" + std::to_string(i) + "_vardenico.jpg");
        std::error_code error;
        if (fs::exists(fs::symlink_status(output, error)))
            ok = false;
        auto claim = OutputClaim::tryClaim(output, "IMG_" + std::to_string(i) + ".jpg", std::chrono::seconds(600));
        if (!claim || !*claim)
            ok = false;
    }
    std::printf("claim and release: %.1f µs a photo (%d outputs)\n", seconds(Clock::now() - started) * 1e6 / rounds, rounds);
    fs::remove_all(root);
    return ok ? 0 : 1;
}
