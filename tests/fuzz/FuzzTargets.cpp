#include "FuzzTargets.h"

#include <services/DictCoreData.h>
#include <services/ViewModel.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/ColorList.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegStreams.h>
#include <platform/graphics/TiffStreams.h>
#include <platform/photos/EmbeddedPreviews.h>
#include <platform/store/KeyedArchive.h>
#include <platform/store/ObjectStore.h>
#include <platform/ui/presentation/InterfaceDescription.h>
#include <platform/ui/presentation/ViewController.h>
#include <hosts/AutomationScript.h>
#include <watermark/PlacementDescription.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <span>
#include <unistd.h>

namespace vd::fuzz {

namespace {

namespace fs = std::filesystem;

// Pictures larger than this are refused by the readers' own limit; fuzzing keeps it small so a
// header that claims a large picture costs little.
constexpr std::int64_t kFuzzMaxPixels = 4'000'000;

std::span<const std::uint8_t> bytes(const std::uint8_t* data, std::size_t size) { return { data, size }; }

// A whole-picture decode at the fuzzing limit, asking what was left out (frames, pages) if told to.
DecodeOptions capped(const char* name, bool askNotice = false)
{
    static std::string notice;
    return { .maxPixels = kFuzzMaxPixels, .name = name, .notice = askNotice ? &notice : nullptr };
}

// A folder of this process for the readers that take a file, removed when the process ends.
const fs::path& scratchFolder()
{
    static const fs::path folder = fs::temp_directory_path() / ("vardenico-fuzz-" + std::to_string(::getpid()));
    [[maybe_unused]] static const int made = ((void)fs::create_directories(folder), std::atexit([] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }));
    return folder;
}

// Writes the bytes as the only file of a fresh folder, so what an earlier input left beside it
// (a journal, a file moved aside) cannot change how this one is read.
fs::path writeScratchFile(const char* folderName, const char* fileName, const std::uint8_t* data, std::size_t size)
{
    const fs::path folder = scratchFolder() / folderName;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    const fs::path file = folder / fileName;
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

}

int fuzzJpegStrip(const std::uint8_t* data, std::size_t size)
{
    JpegReader::Options options;
    options.maxPixels = kFuzzMaxPixels;
    // The first byte picks the DCT scaling, as the thumbnails and the preview ask for it.
    if (size > 0) {
        options.scaleDenominator = 1 << (data[0] & 3);
        options.fastDct = (data[0] & 4) != 0;
    }
    auto reader = JpegReader::fromBytes(bytes(data, size), "fuzz.jpg", options);
    if (!reader)
        return 0;
    const std::size_t stride = static_cast<std::size_t>((*reader)->width()) * 3;
    std::vector<std::uint8_t> rows(stride * 4);
    while ((*reader)->rowsRead() < (*reader)->height())
        if (auto read = (*reader)->readRows(rows.data(), stride, 4); !read || *read <= 0)
            return 0;
    (void)(*reader)->finish();
    return 0;
}

int fuzzJpegDecoder(const std::uint8_t* data, std::size_t size)
{
    if (auto image = decodeJpeg(bytes(data, size), capped("fuzz.jpg")))
        (void)uprightImage(*image, size > 0 ? data[size - 1] % 9 : 1);
    return 0;
}

int fuzzJpegCoefficients(const std::uint8_t* data, std::size_t size)
{
    auto coefficients = JpegCoefficients::open(writeScratchFile("coefficients", "photo.jpg", data, size), kFuzzMaxPixels);
    if (!coefficients)
        return 0;
    JpegCoefficients& c = **coefficients;
    // Touches the first and the last block of every component, as the stamp redraws blocks, then
    // writes the whole picture back.
    for (int i = 0; i < c.componentCount(); ++i) {
        const JpegComponentLayout& layout = c.component(i);
        if (layout.widthInBlocks > 0 && layout.heightInBlocks > 0)
            c.block(i, 0, 0)[0] += 1, c.block(i, layout.heightInBlocks - 1, layout.widthInBlocks - 1)[63] += 1;
    }
    (void)c.write({});
    return 0;
}

int fuzzPngDecoder(const std::uint8_t* data, std::size_t size) { (void)decodePng(bytes(data, size), capped("fuzz.png")); return 0; }

// The whole picture of each newer format, as the photo library and the stamp read it.
int fuzzWebpDecoder(const std::uint8_t* data, std::size_t size) { (void)decodeWebp(bytes(data, size), capped("fuzz.webp", true)); return 0; }

int fuzzTiffDecoder(const std::uint8_t* data, std::size_t size)
{
    (void)decodeTiff(bytes(data, size), capped("fuzz.tif", true));
    // The band reader stamping takes a TIFF with, over the same bytes as a file.
    auto reader = TiffReader::open(writeScratchFile("tiff", "fuzz.tif", data, size), kFuzzMaxPixels);
    if (!reader || !*reader)
        return 0;
    std::vector<std::uint8_t> row(static_cast<std::size_t>((*reader)->width()) * 3);
    for (int y = 0; y < (*reader)->height(); ++y)
        if (auto read = (*reader)->readRows(row.data(), row.size(), 1); !read || *read != 1)
            return 0;
    (void)(*reader)->finish();
    return 0;
}

int fuzzHeifDecoder(const std::uint8_t* data, std::size_t size)
{
    (void)heifShownSize(bytes(data, size));
    (void)decodeHeif(bytes(data, size), capped("fuzz.heic"));
    return 0;
}

int fuzzImageMetadata(const std::uint8_t* data, std::size_t size)
{
    // The places of a camera photo's embedded previews, from the whole file and from its first
    // half as the photo index reads a file's head: never past the file's end.
    for (const std::size_t head : { size, size / 2 })
        for (const EmbeddedPreview& preview : parseJpegLayout(bytes(data, head), size).previews)
            if (preview.offset + preview.length > size)
                std::abort();
    auto metadata = ImageMetadata::readFromBytes(bytes(data, size), "fuzz.jpg");
    if (!metadata)
        return 0;
    // What a batch does with a photo's metadata: read it, adjust it for the stamped copy and
    // write it into a JPEG.
    (void)metadata->pixelWidth(), (void)metadata->orientation(), (void)metadata->dateTimeOriginal();
    (void)metadata->iccProfile(), (void)metadata->hasExifThumbnail();
    (void)metadata->exifValue("Exif.Image.Make"), (void)metadata->xmpValue("Xmp.dc.title"), (void)metadata->iptcValue("Iptc.Application2.Caption");
    metadata->prepareForDerivedImage(16, 8, "Vardenico", metadata->orientation());
    (void)metadata->jpegSegments();
    static const std::vector<std::uint8_t> smallJpeg = [] {
        PixelBuffer buffer { 16, 8, std::vector<std::uint32_t>(16 * 8, 0xff808080u), true };
        auto encoded = encodeJpeg(Image::fromBuffer(std::move(buffer)));
        return encoded ? *encoded : std::vector<std::uint8_t> {};
    }();
    (void)metadata->embedInJpeg(smallJpeg);
    return 0;
}

int fuzzKeyedArchive(const std::uint8_t* data, std::size_t size)
{
    // The store keeps two archives a row: the layer list and the canvas colour.
    if (auto records = unarchiveViewModels(bytes(data, size), "fuzz archive"))
        (void)archivedDataWithViewModels(*records); // and back, as a save after an edit
    (void)unarchiveColor(bytes(data, size), "fuzz archive");
    return 0;
}

int fuzzObjectStore(const std::uint8_t* data, std::size_t size)
{
    const fs::path file = writeScratchFile("store", "dictModel.sqlite", data, size);
    auto opened = store::ObjectStore::open(file, DictCoreData::objectModel());
    if (!opened)
        return 0;
    auto& store = **opened;
    auto rows = store.fetchAll(DictCoreData::kEntityName);
    if (!rows)
        return 0;
    for (const auto& row : *rows) {
        DictCoreData logo(row);
        (void)logo.myNomeKeyDaDict(), (void)logo.myImagePngHeader(), (void)logo.myImagePng(), (void)logo.thumbnailCache();
    }
    // A change and a save on what was read: the store must refuse or write, never crash.
    if (!rows->empty())
        store.deleteObject(rows->front());
    if (auto inserted = store.insertNewObject(DictCoreData::kEntityName))
        inserted->setString("myNomeKeyDaDict", "fuzz");
    (void)store.save();
    return 0;
}

int fuzzUserDefaults(const std::uint8_t* data, std::size_t size)
{
    const fs::path file = writeScratchFile("defaults", "defaults.json", data, size);
    UserDefaults defaults(file);
    for (const char* key : { "primaVolta", "photosFolder", "a", "" })
        (void)defaults.stringForKey(key), (void)defaults.integerForKey(key), (void)defaults.doubleForKey(key), (void)defaults.boolForKey(key), (void)defaults.objectForKey(key);
    defaults.setBool("primaVolta", true);
    (void)defaults.synchronize();
    return 0;
}

namespace {

// A screen with a few fields of every kind the descriptions bind, and one action.
class FuzzScreen : public ViewController {
public:
    FuzzScreen() { bind("a", a), bind("b", b), bind("c", c), action("go", [] { }); }
    std::string className() const override { return "FuzzScreen"; }
    std::shared_ptr<View> a, b, c;
};

}

int fuzzInterfaceDescription(const std::uint8_t* data, std::size_t size)
{
    static const nlohmann::json theme = [] {
        auto parsed = nlohmann::json::parse(std::ifstream(paths::resourcesDirectory() / "ui" / "theme.json"), nullptr, false);
        return parsed.is_discarded() ? nlohmann::json::object() : parsed;
    }();
    if (auto description = InterfaceDescription::parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz.json", &theme))
        (void)description->instantiate(*std::make_shared<FuzzScreen>());
    return 0;
}

int fuzzAutomationScript(const std::uint8_t* data, std::size_t size) { (void)parseAutomationScript(std::string(reinterpret_cast<const char*>(data), size), "fuzz.script"); return 0; }

int fuzzPlacementFile(const std::uint8_t* data, std::size_t size)
{
    // As `vardenico stamp --placement FILE` reads it, then where the logo lands on a few photos.
    const auto json = nlohmann::json::parse(data, data + size, nullptr, false);
    if (json.is_discarded())
        return 0;
    auto placement = PlacementDescription::fromJson(json, "fuzz.json");
    if (!placement)
        return 0;
    (void)placement->toJson().dump();
    for (auto [width, height] : { std::pair { 6000.0, 4000.0 }, std::pair { 1.0, 1.0 }, std::pair { 3.0, 10000.0 } })
        (void)logoPlacement(*placement, width, height), (void)logoPlacement(*placement, width, height, 0.25);
    return 0;
}

int fuzzColorList(const std::uint8_t* data, std::size_t size)
{
    const fs::path file = writeScratchFile("colours", "Colors.json", data, size);
    for (const std::string& code : loadColorList(file))
        (void)Color::fromCode(code).htmlRGBColor();
    return 0;
}

const std::vector<Target>& targets()
{
    static const std::vector<Target> all {
        { "jpeg_strip", fuzzJpegStrip }, { "jpeg_decoder", fuzzJpegDecoder }, { "jpeg_coefficients", fuzzJpegCoefficients },
        { "png_decoder", fuzzPngDecoder }, { "webp_decoder", fuzzWebpDecoder }, { "tiff_decoder", fuzzTiffDecoder },
        { "heif_decoder", fuzzHeifDecoder }, { "image_metadata", fuzzImageMetadata }, { "keyed_archive", fuzzKeyedArchive },
        { "object_store", fuzzObjectStore }, { "user_defaults", fuzzUserDefaults }, { "interface_description", fuzzInterfaceDescription },
        { "automation_script", fuzzAutomationScript }, { "placement_file", fuzzPlacementFile }, { "color_list", fuzzColorList },
    };
    return all;
}

}
