// Draws every picture of the image catalogue and the colour list, and a contact sheet of them.
//
//   vardenico_resources RESOURCES_FOLDER CONTACT_SHEET.png
//
// Pictures go to RESOURCES_FOLDER/images/<name>@3x.png, the colours to RESOURCES_FOLDER/Colors.json.

#include <resources/Resources.h>

#include <platform/foundation/Files.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string colourListJson(const std::vector<std::string>& codes)
{
    // One row of the grid a line, so the file reads like the palette.
    std::string json = "[\n";
    for (size_t i = 0; i < codes.size(); ++i) {
        if (i % vd::tools::kColourColumns == 0)
            json += "  ";
        json += "\"" + codes[i] + "\"";
        if (i + 1 < codes.size())
            json += (i + 1) % vd::tools::kColourColumns == 0 ? ",\n" : ", ";
    }
    json += "\n]\n";
    return json;
}

int usage(FILE* out)
{
    std::fputs("Usage: vardenico_resources RESOURCES_FOLDER CONTACT_SHEET.png\n"
               "Draws the shape, icon and interface pictures into RESOURCES_FOLDER/images, writes\n"
               "RESOURCES_FOLDER/Colors.json and a contact sheet of everything.\n",
        out);
    return out == stdout ? 0 : 2;
}

}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return usage(stdout);
    if (argc != 3)
        return usage(stderr);
    const fs::path resources = argv[1];
    const fs::path sheet = argv[2];
    std::error_code error;
    fs::create_directories(resources / "images", error);
    if (error) {
        std::fprintf(stderr, "%s: cannot create (%s)\n", (resources / "images").c_str(), error.message().c_str());
        return 1;
    }

    std::vector<vd::tools::Picture> pictures = vd::tools::makeShapes();
    for (auto&& list : { vd::tools::makeIcons(), vd::tools::makeInterfacePictures() })
        pictures.insert(pictures.end(), list.begin(), list.end());
    int failures = 0;
    for (const auto& picture : pictures) {
        const fs::path file = resources / "images" / (picture.name + "@3x.png");
        if (auto saved = vd::tools::savePicture(picture, file); !saved) {
            std::fprintf(stderr, "%s\n", saved.error().message.c_str());
            ++failures;
        }
    }
    std::printf("%zu pictures written to %s\n", pictures.size(), (resources / "images").c_str());

    const auto colours = vd::tools::makeColourCodes();
    const std::string json = colourListJson(colours);
    const fs::path colourFile = resources / "Colors.json";
    if (auto written = vd::files::writeAtomically(colourFile, std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size())); !written) {
        std::fprintf(stderr, "%s\n", written.error().message.c_str());
        ++failures;
    } else {
        std::printf("%zu colours written to %s\n", colours.size(), colourFile.c_str());
    }

    if (auto saved = vd::tools::saveOpaque(vd::tools::makeContactSheet(pictures, colours), sheet); !saved) {
        std::fprintf(stderr, "%s\n", saved.error().message.c_str());
        ++failures;
    } else {
        std::printf("contact sheet written to %s\n", sheet.c_str());
    }
    return failures == 0 ? 0 : 1;
}
