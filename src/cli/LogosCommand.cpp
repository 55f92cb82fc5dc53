#include <services/AppDelegate.h>
#include <cli/Commands.h>
#include <cli/LogoStoreAccess.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace vd::cli {

namespace {

using json = nlohmann::ordered_json;

std::string plural(size_t count, const char* one, const char* many) { return std::to_string(count) + " " + (count == 1 ? one : many); }

int failWith(const std::string& command, const std::string& message, int status = kSomeInputsFailed)
{
    std::fprintf(stderr, "vardenico logos %s: %s\n", command.c_str(), message.c_str());
    return status;
}

std::string sizeText(const std::optional<std::pair<int, int>>& size)
{
    return size ? std::to_string(size->first) + "×" + std::to_string(size->second) + " pixels" : std::string("no readable picture");
}

json layerJson(const ViewModel& layer)
{
    return json {
        { "nomeImg", layer.nomeImg },
        { "alpha", layer.alpha },
        { "type", layer.type },
        { "tintColor", layer.tintColor.htmlRGBaColor() },
        { "largezza", layer.largezza },
        { "altezza", layer.altezza },
        { "centrox", layer.centrox },
        { "centroy", layer.centroy },
        { "rotazione", layer.rotazione },
        { "testo", layer.testo },
        { "fontName", layer.fontName },
        { "fontSize", layer.fontSize },
        { "textColor", layer.textColor.htmlRGBaColor() },
        { "textAllin", layer.textAllin },
    };
}

int list(bool asJson)
{
    auto& store = loadedLogoStore();
    const auto& logos = store.myArrLoghiEstratti;
    if (asJson) {
        json all = json::array();
        for (size_t i = 0; i < logos.size(); ++i) {
            const auto& logo = *logos[i];
            const auto size = logo.imagePixelSize();
            json entry { { "index", i }, { "width", size ? json(size->first) : json() }, { "height", size ? json(size->second) : json() } };
            entry["thumbnailWidth"] = logo.myImageRESIZED ? json(logo.myImageRESIZED->pixelWidth()) : json();
            entry["thumbnailHeight"] = logo.myImageRESIZED ? json(logo.myImageRESIZED->pixelHeight()) : json();
            entry["hasLayers"] = logo.myArrViewModel.has_value();
            entry["layers"] = json::array();
            if (logo.myArrViewModel)
                for (const auto& layer : *logo.myArrViewModel)
                    entry["layers"].push_back(layerJson(layer));
            entry["canvasColor"] = logo.myColoreSfongo ? json(logo.myColoreSfongo->htmlRGBColor()) : json();
            all.push_back(std::move(entry));
        }
        std::printf("%s\n", all.dump(2).c_str());
        return kSuccess;
    }
    if (logos.empty()) {
        std::printf("No logos yet in %s\nAdd one with: vardenico logos add PICTURE\n", logoStorePath().c_str());
        return kSuccess;
    }
    std::printf("%s in %s\n", plural(logos.size(), "logo", "logos").c_str(), logoStorePath().c_str());
    for (size_t i = 0; i < logos.size(); ++i) {
        const auto& logo = *logos[i];
        std::string line = "  " + std::to_string(i) + "  " + sizeText(logo.imagePixelSize());
        if (logo.myArrViewModel)
            line += ", " + plural(logo.myArrViewModel->size(), "layer", "layers");
        else
            line += ", from a picture";
        if (logo.myColoreSfongo)
            line += ", canvas " + logo.myColoreSfongo->htmlRGBColor();
        std::printf("%s\n", line.c_str());
    }
    return kSuccess;
}

int add(const std::string& picturePath)
{
    auto made = logoSquareFromFile(picturePath);
    if (!made)
        return failWith("add", made.error().message);
    const Image& square = *made;
    auto& store = loadedLogoStore(StoreUse::Writing);
    if (auto added = store.metodoAggiungiSingolaImage(square); !added)
        return failWith("add", picturePath + ": " + added.error().message);
    std::printf("Added logo %zu (%d×%d pixels, from %s) to %s\n", store.myIndexUltimoSalvato.value_or(store.myArrLoghiEstratti.size() - 1), square.pixelWidth(), square.pixelHeight(), picturePath.c_str(), logoStorePath().c_str());
    return kSuccess;
}

int exportLogo(const std::string& indexText, const std::string& target, bool force)
{
    // An index that is not a number or not in the store is a mistake in the command.
    if (auto index = logoIndexInStore(indexText, loadedLogoStore()); !index)
        return failWith("export", "INDEX " + index.error().message, kBadUsage);
    // The file's extension says what it holds: PNG keeps the transparency, a JPEG is laid over
    // white. Anything else is refused rather than given bytes its name does not promise.
    std::string extension = std::filesystem::path(target).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool jpeg = extension == ".jpg" || extension == ".jpeg";
    if (!jpeg && extension != ".png")
        return failWith("export", "FILE " + target + ": a logo is exported as .png (with its transparency) or .jpg", kBadUsage);
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error))
        return failWith("export", target + ": the folder " + folder.string() + (std::filesystem::exists(folder, error) ? " is not a folder" : " does not exist"));
    // The stored bytes must still be a picture: a damaged row is reported, not copied out.
    auto logo = storedLogoPicture(indexText);
    if (!logo)
        return failWith("export", logo.error().message);
    std::vector<std::uint8_t> bytes = logo->png;
    if (jpeg) {
        DrawingContext context(Size(logo->picture.pixelWidth(), logo->picture.pixelHeight()), DrawingContext::Opacity::Opaque, 1.0);
        context.fill(Rect(0, 0, logo->picture.pixelWidth(), logo->picture.pixelHeight()), Color::rgba(1, 1, 1));
        context.drawImage(logo->picture, Rect(0, 0, logo->picture.pixelWidth(), logo->picture.pixelHeight()), 1.0);
        auto encoded = encodeJpeg(context.takeImage());
        if (!encoded)
            return failWith("export", target + ": " + encoded.error().message);
        bytes = std::move(*encoded);
    }
    auto written = files::writeAtomically(target, bytes, force ? files::Existing::Replace : files::Existing::Keep);
    if (!written)
        return failWith("export", written.error().message + (force ? "" : " (use --force to replace it)"));
    const std::pair<int, int> size { logo->picture.pixelWidth(), logo->picture.pixelHeight() };
    std::printf("Exported logo %s (%s) to %s\n", indexText.c_str(), sizeText(size).c_str(), target.c_str());
    return kSuccess;
}

int deleteLogo(const std::string& indexText)
{
    auto& store = loadedLogoStore();
    auto index = logoIndexInStore(indexText, store);
    if (!index)
        return failWith("delete", "INDEX " + index.error().message, kBadUsage);
    if (auto deleted = store.metodoEliminaLogoDalDictWithIndex(*index); !deleted)
        return failWith("delete", deleted.error().message);
    std::printf("Deleted logo %s; %s left in %s\n", indexText.c_str(), plural(store.myArrLoghiEstratti.size(), "logo", "logos").c_str(), logoStorePath().c_str());
    return kSuccess;
}

}

void addLogosCommand(CLI::App& app, int& status)
{
    auto* logos = app.add_subcommand("logos", "List, add, export and delete the logos in the store (dictModel.sqlite in the documents folder)");
    logos->require_subcommand(1);

    struct Options {
        bool json { false };
        std::string picture;
        std::string index;
        std::string file;
        bool force { false };
    };
    auto options = std::make_shared<Options>();

    auto* list = logos->add_subcommand("list", "List the stored logos");
    list->add_flag("--json", options->json, "Print every logo with its sizes, layers and canvas colour as JSON");
    list->callback([&status, options] { status = cli::list(options->json); });

    auto* add = logos->add_subcommand("add", "Add a logo made from a picture: an 800×800 square with transparent margins");
    add->add_option("PICTURE", options->picture, "A PNG or JPEG picture")->required()->check(CLI::ExistingFile);
    add->callback([&status, options] { status = cli::add(options->picture); });

    auto* exportCommand = logos->add_subcommand("export", "Write a logo's picture as a PNG file (or a JPEG over white, for FILE.jpg)");
    exportCommand->add_option("INDEX", options->index, "The logo's number, as listed")->required();
    exportCommand->add_option("FILE", options->file, "The file to write: .png, or .jpg")->required();
    exportCommand->add_flag("--force", options->force, "Replace FILE if it exists");
    exportCommand->callback([&status, options] { status = exportLogo(options->index, options->file, options->force); });

    auto* deleteCommand = logos->add_subcommand("delete", "Delete a logo from the store");
    deleteCommand->add_option("INDEX", options->index, "The logo's number, as listed")->required();
    deleteCommand->callback([&status, options] { status = deleteLogo(options->index); });
}

}
