#include <PhotoFixtures.h>
#include "CameraJpeg.h"

#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/EmbeddedPreviews.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/ThumbnailCache.h>

using namespace vd;
using namespace vd::test;

namespace {

void write(const std::filesystem::path& path, const CameraJpeg& photo)
{
    ASSERT_TRUE(files::writeAtomically(path, photo.bytes()));
}

class EmbeddedPreviews : public ::testing::Test {
protected:
    // Asks for the photo at a target size: the picture is `width` wide and `colour` at (x, y).
    void expectPicture(ImageManager& manager, const char* name, Size target, int width, int x, int y, std::uint32_t colour, int tolerance = 12)
    {
        const Image image = request(manager, assetAt(folder / name), target);
        ASSERT_EQ(image.pixelWidth(), width) << name << " at " << target.width;
        EXPECT_TRUE(near(rgbAt(image, x, y), colour, tolerance)) << name << " at " << target.width << ": " << std::hex << rgbAt(image, x, y);
    }
    TemporaryFolder folder;
};

}

TEST_F(EmbeddedPreviews, TheSmallestPreviewAtLeastTheSizeAskedIsUsedUprightWithoutItsBandsAlsoInHeifAndTiff)
{
    write(folder / "camera.jpg", cameraPhoto());
    ImageManager manager(8u << 20, 1);
    const Image small = request(manager, assetAt(folder / "camera.jpg"), { 150, 150 });
    ASSERT_EQ(std::pair(small.pixelWidth(), small.pixelHeight()), std::pair(150, 100));
    EXPECT_TRUE(near(rgbAt(small, 75, 50), kThumbnail));
    EXPECT_TRUE(near(rgbAt(small, 75, 4), kThumbnail, 40) && near(rgbAt(small, 75, 95), kThumbnail, 40)) << "the black band is cut off";

    // Larger than the thumbnail: the photo itself. The whole picture is never taken from a preview.
    expectPicture(manager, "camera.jpg", { 300, 300 }, 300, 150, 100, kPhoto);
    expectPicture(manager, "camera.jpg", kImageManagerMaximumSize, 1200, 600, 400, kPhoto);

    // With a larger preview too, the smallest that covers the target is chosen ("MM" blocks, as
    // some makers write them).
    auto photo = cameraPhoto();
    photo.preview = jpegBytes(600, 400, [](int, int) { return kPreview; });
    photo.bigEndian = true;
    write(folder / "previewed.jpg", photo);
    expectPicture(manager, "previewed.jpg", { 100, 100 }, 100, 50, 30, kThumbnail);
    expectPicture(manager, "previewed.jpg", { 400, 400 }, 400, 200, 130, kPreview);
    expectPicture(manager, "previewed.jpg", { 900, 900 }, 900, 400, 300, kPhoto);

    // A damaged thumbnail, cut short or garbled, falls back to the photo.
    auto truncated = cameraPhoto(), garbage = cameraPhoto();
    truncated.thumbnail.resize(truncated.thumbnail.size() / 2);
    write(folder / "truncated.jpg", truncated);
    for (std::size_t i = 20; i < garbage.thumbnail.size(); ++i)
        garbage.thumbnail[i] = static_cast<std::uint8_t>(i * 37);
    write(folder / "garbage.jpg", garbage);
    for (const char* name : { "truncated.jpg", "garbage.jpg" })
        expectPicture(manager, name, { 150, 150 }, 150, 75, 50, kPhoto);

    // The photo's orientation turns its thumbnail too. Stored turned: the camera's top-left
    // quadrant is white in the thumbnail and the photo.
    auto quadrant = [](int width, int height, std::uint32_t rest) {
        return [=](int x, int y) { return x < width / 2 && y < height / 2 ? 0xffffffu : rest; };
    };
    CameraJpeg turned;
    turned.main = jpegBytes(1200, 800, quadrant(1200, 800, kPhoto));
    turned.thumbnail = jpegBytes(240, 160, quadrant(240, 160, kThumbnail));
    turned.orientation = 6; // turned a quarter clockwise to be seen
    write(folder / "turned.jpg", turned);
    const Image upright = request(manager, assetAt(folder / "turned.jpg", 6), { 150, 150 });
    ASSERT_EQ(std::pair(upright.pixelWidth(), upright.pixelHeight()), std::pair(100, 150));
    EXPECT_TRUE(near(rgbAt(upright, 75, 35), 0xffffff)) << "the stored top-left is now top-right";
    EXPECT_TRUE(near(rgbAt(upright, 25, 35), kThumbnail) && near(rgbAt(upright, 75, 110), kThumbnail));

    // A HEIF's thumbnail and a TIFF's reduced image stand in for the photo as a camera's preview
    // does: when they cover the target, and never for the whole picture.
    auto uniform = [](int width, int height, std::uint32_t rgb) {
        return Image::fromBuffer({ width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0xff000000u | rgb), true });
    };
    const Image picture = uniform(640, 480, kPhoto), thumbnail = uniform(160, 120, kThumbnail);
    auto heic = encodeHeif(picture, { .thumbnail = thumbnail });
    ASSERT_TRUE(heic.has_value()) << heic.error().message;
    ASSERT_TRUE(files::writeAtomically(folder / "phone.heic", *heic));
    ASSERT_TRUE(files::writeAtomically(folder / "scan.tif", *encodeTiff(picture, { .reducedImage = thumbnail })));
    for (const char* name : { "phone.heic", "scan.tif" }) {
        SCOPED_TRACE(name);
        expectPicture(manager, name, { 100, 100 }, 100, 50, 37, kThumbnail, 20);
        expectPicture(manager, name, { 300, 300 }, 300, 150, 100, kPhoto, 20);
        expectPicture(manager, name, kImageManagerMaximumSize, 640, 320, 240, kPhoto, 20);
    }
}

TEST_F(EmbeddedPreviews, AThumbnailOnDiskServesTheNextRunUntilThePhotoChanges)
{
    const auto photoPath = folder / "photo.jpg";
    // Padded after the picture (decoders ignore it), so another picture can take the same size.
    auto original = jpegBytes(800, 600, [](int, int) { return kPhoto; });
    original.resize(original.size() + 4096, 0);
    ASSERT_TRUE(files::writeAtomically(photoPath, original));
    auto disk = std::make_shared<ThumbnailCache>(folder / "cache", 10u << 20);
    // What a new run, with the same cache on disk, shows of the photo.
    auto nextRun = [&](Size target = { 200, 200 }) {
        ImageManager manager(8u << 20, 1);
        manager.setThumbnailCache(disk);
        return request(manager, assetAt(photoPath), target);
    };
    EXPECT_TRUE(near(rgbAt(nextRun(), 100, 75), kPhoto));
    EXPECT_GT(disk->storedBytes(), 0u);

    // Same bytes count and time, other pixels: only the cache can still give red.
    const auto time = std::filesystem::last_write_time(photoPath);
    auto other = jpegBytes(800, 600, [](int, int) { return kPreview; });
    ASSERT_LT(other.size(), original.size());
    other.resize(original.size(), 0);
    ASSERT_TRUE(files::writeAtomically(photoPath, other));
    std::filesystem::last_write_time(photoPath, time);
    EXPECT_TRUE(near(rgbAt(nextRun(), 100, 75), kPhoto)) << "from the disk";
    // The file changed (its time says so): the entry is stale and not used.
    std::filesystem::last_write_time(photoPath, time + std::chrono::seconds(5));
    EXPECT_TRUE(near(rgbAt(nextRun(), 100, 75), kPreview));
    EXPECT_EQ(nextRun({ 100, 100 }).pixelWidth(), 100) << "a different size is a different entry";
}

TEST_F(EmbeddedPreviews, TheDiskCacheStaysWithinItsBoundKeepingWhatWasUsedLast)
{
    std::vector<std::filesystem::path> photos;
    for (int i = 0; i < 12; ++i) {
        photos.push_back(folder / ("p" + std::to_string(i) + ".jpg"));
        ASSERT_TRUE(files::writeAtomically(photos.back(), jpegBytes(400, 300, [i](int x, int y) { return static_cast<std::uint32_t>((x * 7 + y * 13 + i * 101) & 0xffffff); })));
    }
    const auto entryBytes = [&] {
        ThumbnailCache probe(folder / "probe", 10u << 20);
        const auto key = ThumbnailCache::keyFor(photos[0], { 200, 200 }, "fit");
        probe.store(*key, *decodeImageFile(photos[0]));
        return probe.storedBytes();
    }();
    ASSERT_GT(entryBytes, 0u);
    ThumbnailCache cache(folder / "cache", entryBytes * 5);
    const auto keyOf = [](const std::filesystem::path& photo) { return *ThumbnailCache::keyFor(photo, { 200, 200 }, "fit"); };
    for (std::size_t i = 0; i < photos.size(); ++i) {
        cache.store(keyOf(photos[i]), *decodeImageFile(photos[i]));
        if (i >= 1) {
            // The first entry is used after each store, so it stays.
            std::filesystem::last_write_time(cache.folder() / keyOf(photos[0]).fileName, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
            ASSERT_TRUE(cache.find(keyOf(photos[0]))) << i;
        }
        EXPECT_LE(cache.storedBytes(), entryBytes * 5 + entryBytes / 4);
    }
    EXPECT_TRUE(cache.find(keyOf(photos.back())) && !cache.find(keyOf(photos[1]))) << "the oldest went";
    // A damaged entry is a miss, and is removed.
    const auto last = cache.folder() / keyOf(photos.back()).fileName;
    auto bytes = *files::readAll(last);
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(files::writeAtomically(last, bytes));
    EXPECT_TRUE(!cache.find(keyOf(photos.back())) && !std::filesystem::exists(last));
}
