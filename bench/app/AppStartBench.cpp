// Times `vardenico app --headless` from process start to the first frame of the home screen, on
// a data folder whose store holds 100 logos (every logo is loaded at launch). Prints the median
// and the slowest of several runs; the target is half a second.
#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A logo picture that differs from logo to logo, as a store of real logos does.
vd::Image logoPicture(int n)
{
    vd::DrawingContext context({ 400, 400 }, vd::DrawingContext::Opacity::Transparent, 1);
    context.fill({ 40.0 + n % 50, 40, 320, 320 }, vd::Color::rgba((n * 37 % 255) / 255.0, (n * 91 % 255) / 255.0, 0.6));
    return context.takeImage();
}

}

int main()
{
    const fs::path folder = fs::temp_directory_path() / ("vardenico-start-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "data");
    fs::create_directories(folder / "Pictures");
    {
        auto delegate = vd::AppDelegate::create(folder / "data");
        auto& store = delegate->logoStore();
        store.metodoCaricaDictOfData();
        for (int n = 0; n < 100; ++n) {
            if (auto added = store.metodoAggiungiSingolaImage(logoPicture(n)); !added) {
                std::fprintf(stderr, "cannot fill the store: %s\n", added.error().message.c_str());
                return 1;
            }
        }
    }
    vd::UserDefaults defaults(folder / "data" / "defaults.json");
    defaults.setString("avvioFatto", "fatto");
    defaults.setString("aggiornamento1", "visualizzato");
    defaults.setInteger("photoLibraryAuthorizationStatus", 3);
    defaults.synchronize();
    std::ofstream(folder / "first-frame.txt") << "screenshot home\n";

    const std::string command = "env VARDENICO_HOME=" + (folder / "data").string() + " VARDENICO_PHOTOS=" + (folder / "Pictures").string() + " " + VARDENICO_BINARY
        + " app --headless --scale 1 --script " + (folder / "first-frame.txt").string() + " --out " + (folder / "out").string();
    std::vector<double> seconds;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "the program failed: %s\n", command.c_str());
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("start-up to the first home frame, 100 logos in the store: median %.3f s, slowest %.3f s (%zu runs; target 0.5 s)\n",
        seconds[seconds.size() / 2], seconds.back(), seconds.size());
    fs::remove_all(folder);
    return seconds[seconds.size() / 2] < 0.5 ? 0 : 1;
}
