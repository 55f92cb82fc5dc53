#pragma once

#include <watermark/PhotoFixtures.h>

#include <platform/foundation/Files.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vd::test {

// A photo library folder with known capture dates: twelve photos at the top, three in the album
// "Mare" and two in "Montagna", newest first in the order of `newestFirst`, and one file that
// looks like a JPEG but does not decode ("rotta.jpg", the oldest by its file time).
struct BrowserLibrary {
    std::filesystem::path root;
    std::vector<std::string> newestFirst; // local identifiers, as the grid shows them
};

inline void setFileTime(const std::filesystem::path& path, std::time_t seconds)
{
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(std::time(nullptr) - seconds));
}

inline BrowserLibrary makeBrowserLibrary(const std::filesystem::path& root)
{
    BrowserLibrary library { root, {} };
    std::filesystem::create_directories(root / "Mare");
    std::filesystem::create_directories(root / "Montagna");
    // Names and dates disagree on purpose, so that only the capture dates give the order.
    struct Photo {
        std::string name;
        int day; // of March 2023
        std::uint32_t colour;
        int width, height;
    };
    std::vector<Photo> photos;
    for (int i = 0; i < 12; ++i)
        photos.push_back({ "foto" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg", (i * 7) % 12 + 1, 0x203040u + 0x0b0905u * static_cast<std::uint32_t>(i), i % 3 ? 160 : 120, i % 3 ? 120 : 160 });
    photos.push_back({ "Mare/spiaggia.jpg", 20, 0x1e90ff, 160, 120 });
    photos.push_back({ "Mare/onde.jpg", 14, 0x0077be, 160, 120 });
    photos.push_back({ "Mare/scogli.jpg", 26, 0x5f9ea0, 120, 160 });
    photos.push_back({ "Montagna/vetta.jpg", 22, 0xe0e0e0, 160, 120 });
    photos.push_back({ "Montagna/bosco.jpg", 16, 0x228b22, 160, 120 });
    for (const Photo& photo : photos) {
        const auto path = root / photo.name;
        const std::uint32_t colour = photo.colour;
        writeJpeg(path, photo.width, photo.height, [colour](int x, int y) { return ((x / 20 + y / 20) % 2) ? colour : (colour ^ 0x303030u); }, 90);
        char date[32];
        std::snprintf(date, sizeof date, "2023:03:%02d 10:00:00", photo.day);
        editMetadata(path, [&](Exiv2::Image& image) { image.exifData()["Exif.Photo.DateTimeOriginal"] = std::string(date); });
    }
    std::vector<std::pair<int, std::string>> byDay;
    for (const Photo& photo : photos)
        byDay.push_back({ photo.day, photo.name });
    std::sort(byDay.begin(), byDay.end(), [](auto& a, auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    for (auto& [day, name] : byDay)
        library.newestFirst.push_back(name);
    // A JPEG signature and then nothing a decoder can use.
    const std::vector<std::uint8_t> broken { 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x02, 0x03, 0x04, 0x05 };
    files::writeAtomically(root / "rotta.jpg", broken);
    setFileTime(root / "rotta.jpg", 1'500'000'000); // 2017: older than every capture date
    library.newestFirst.push_back("rotta.jpg");
    return library;
}

}
