#include <PhotoFixtures.h>

#include <TestSupport.h>
#include <Unprivileged.h>

#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/PhotoIndex.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/photos/SavedPhotosWriter.h>
#include <services/CustomPhotoAlbum.h>
#include <services/singleAutoFoto.h>

#include <fstream>

using namespace vd;

namespace {

void setModified(const std::filesystem::path& path, std::time_t seconds)
{
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(std::time(nullptr) - seconds));
}

std::vector<std::string> identifiers(const FetchResult<PhotoAsset>& result)
{
    std::vector<std::string> names;
    for (const PhotoAsset& asset : result)
        names.push_back(asset.localIdentifier);
    return names;
}

FetchOptions newestImagesFirst() { return { { { "creationDate", false } }, FetchPredicate::equal("mediaType", 1LL) }; }

// Runs a change block and answers the error it ended with, if any.
std::optional<Error> perform(PhotoLibrary& library, const std::function<void(PhotoChangeRequests&)>& changes)
{
    std::optional<Error> error = Error { "the block never completed" };
    library.performChanges(changes, [&](bool success, std::optional<Error> failure) { error = success ? std::nullopt : std::optional(failure.value_or(Error { "failed" })); });
    return error;
}

struct Observer : PhotoLibraryChangeObserver {
    void photoLibraryDidChange() override { ++changes; }
    int changes { 0 };
};

class PhotoLibraryFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = folder / "Pictures";
        for (const char* inside : { "Holidays/Day 2", "Empty", ".thumbnails" })
            std::filesystem::create_directories(root / inside);
        vd::test::writeUniformJpeg(root / "old.jpg", 40, 30, 0x101010);
        setModified(root / "old.jpg", 1'000'000'000);
        vd::test::writeUniformJpeg(root / "Holidays" / "beach.JPG", 60, 40, 0x202020);
        vd::test::editMetadata(root / "Holidays" / "beach.JPG", [](Exiv2::Image& image) {
            image.exifData()["Exif.Photo.DateTimeOriginal"] = "2021:08:01 12:00:00";
            image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6);
        });
        setModified(root / "Holidays" / "beach.JPG", 1'700'000'000); // newer file time, older capture
        vd::test::writeUniformJpeg(root / "Holidays" / "Day 2" / "sunset.jpeg", 20, 20, 0x303030);
        setModified(root / "Holidays" / "Day 2" / "sunset.jpeg", 1'650'000'000);
        files::writeAtomically(root / "logo.png", *encodePng(vd::test::opaqueLogo(8, Color::rgba(1, 0, 0))));
        setModified(root / "logo.png", 1'600'000'000);
        vd::test::writeUniformJpeg(root / ".thumbnails" / "t.jpg", 8, 8, 0);
        std::ofstream(root / "notes.txt") << "notes";
    }

    std::unique_ptr<PhotoLibrary> makeLibrary() { return std::make_unique<PhotoLibrary>(root, folder / "index.sqlite", defaults); }

    vd::test::TemporaryFolder folder;
    std::filesystem::path root;
    UserDefaults defaults { folder / "defaults.json" };
};

}

TEST_F(PhotoLibraryFolder, AssetsAreTheImagesBelowTheFolderNewestFirstByCaptureDateElseFileTime)
{
    auto library = makeLibrary();
    const auto all = library->fetchAssetsWithOptions(newestImagesFirst());
    EXPECT_EQ(identifiers(all), (std::vector<std::string> { "Holidays/Day 2/sunset.jpeg", "Holidays/beach.JPG", "logo.png", "old.jpg" }));
    const PhotoAsset& beach = all[1];
    EXPECT_EQ(std::tuple(beach.pixelWidth, beach.pixelHeight, beach.orientation, beach.path, all.indexOfObject(beach)), std::tuple(60, 40, 6, root / "Holidays" / "beach.JPG", 1uz));

    const FetchOptions oldestFirst { { { "creationDate", true } } };
    EXPECT_EQ(library->fetchAssetsWithOptions(oldestFirst).firstObject()->localIdentifier, "old.jpg");

    // A phone's HEIC, the web's AVIF and WebP, a scanner's 16-bit TIFF join them by their capture
    // dates. The HEIC is stored 40 × 30 and turned by its own transformation: it is listed upright,
    // its repeated EXIF Orientation not applied again.
    auto write = [&](const char* name, const char* taken, auto encode) {
        ImageMetadata metadata;
        metadata.setExifValue("Exif.Photo.DateTimeOriginal", taken);
        metadata.setExifValue("Exif.Image.Orientation", "6");
        auto bytes = encode(metadata);
        ASSERT_TRUE(bytes.has_value()) << name << ": " << bytes.error().message;
        ASSERT_TRUE(files::writeAtomically(root / name, *bytes).has_value());
    };
    const Image picture = Image::fromBuffer({ 40, 30, std::vector<std::uint32_t>(40 * 30, 0xff2040c0u), true });
    write("phone.HEIC", "2023:01:01 10:00:00", [&](const ImageMetadata& m) { return encodeHeif(picture, { .orientation = 6 }, m.blocks()); });
    write("web.avif", "2022:06:01 10:00:00", [&](const ImageMetadata& m) { return encodeHeif(picture, { .codec = HeifEncodeOptions::Codec::Av1 }, m.blocks()); });
    write("shared.webp", "2021:01:01 10:00:00", [&](const ImageMetadata& m) { return encodeWebp(picture, {}, m.blocks()); });
    write("copy.webp", "2021:01:01 10:00:00", [&](const ImageMetadata& m) { return encodeWebp(picture, {}, m.blocks()); }); // a tie: by name
    write("scan.tif", "2005:01:01 10:00:00", [&](const ImageMetadata& m) -> Result<std::vector<std::uint8_t>> {
        auto tiff = encodeTiff(picture, { .bitsPerSample = 16 });
        return tiff ? m.embedIn(*tiff, "scan.tif") : tiff;
    });
    library->refresh();
    const auto mixed = library->fetchAssetsWithOptions(newestImagesFirst());
    EXPECT_EQ(identifiers(mixed), (std::vector<std::string> { "phone.HEIC", "web.avif", "Holidays/Day 2/sunset.jpeg", "Holidays/beach.JPG", "copy.webp", "shared.webp", "logo.png", "scan.tif", "old.jpg" }));
    ASSERT_EQ(mixed.count(), 9u);
    EXPECT_EQ(std::tuple(mixed[0].orientation, mixed[0].pixelWidth, mixed[0].pixelHeight), std::tuple(1, 30, 40));
    EXPECT_EQ(std::pair(mixed[5].orientation, mixed[7].orientation), std::pair(6, 6));
    // Ties keep the name order whichever way the dates run.
    const auto oldest = identifiers(library->fetchAssetsWithOptions(oldestFirst));
    EXPECT_EQ(std::vector<std::string>(oldest.begin() + 3, oldest.begin() + 5), (std::vector<std::string> { "copy.webp", "shared.webp" }));
}

TEST_F(PhotoLibraryFolder, AlbumsAreFirstLevelFoldersAndTheirTitlesNeverLeaveTheLibrary)
{
    std::filesystem::create_directories(root / "Saved Photos");
    auto library = makeLibrary();
    const FetchOptions nonEmpty { {}, FetchPredicate::greater("estimatedAssetCount", 0) };
    const auto albums = library->fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::AlbumRegular, nonEmpty);
    ASSERT_EQ(albums.count(), 1u);
    EXPECT_EQ(std::tuple(albums[0].localizedTitle, albums[0].estimatedAssetCount), std::tuple(std::string("Holidays"), 2uz));
    EXPECT_EQ(identifiers(library->fetchAssetsInAssetCollection(albums[0], newestImagesFirst())), (std::vector<std::string> { "Holidays/Day 2/sunset.jpeg", "Holidays/beach.JPG" }));

    EXPECT_EQ(library->fetchTopLevelUserCollectionsWithOptions().count(), 2u); // Empty and Holidays
    AssetCollection forged;
    forged.localIdentifier = "..";
    EXPECT_EQ(library->fetchAssetsInAssetCollection(forged).count(), 0u);
    for (const char* title : { "", ".", "..", "../outside", "a/b", ".hidden", "tab\tname" })
        EXPECT_FALSE(PhotoLibrary::isSafeAlbumTitle(title)) << title;
    EXPECT_TRUE(PhotoLibrary::isSafeAlbumTitle("Estate 2024 – Sardegna"));
}

TEST_F(PhotoLibraryFolder, TheIndexMakesTheSecondListingReadNothingFollowsChangesAndAnUnusableOneIsLeftAlone)
{
    {
        auto library = makeLibrary();
        EXPECT_EQ(library->fetchAssetsWithOptions().count(), 4u);
        EXPECT_EQ(library->filesReadInLastScan(), 4u);
    }
    auto library = makeLibrary();
    EXPECT_EQ(library->fetchAssetsWithOptions().count(), 4u);
    EXPECT_EQ(library->filesReadInLastScan(), 0u);
    EXPECT_EQ(library->fetchAssetsWithOptions(newestImagesFirst())[1].orientation, 6); // from the index

    std::filesystem::remove(root / "old.jpg");
    vd::test::writeUniformJpeg(root / "new.jpg", 90, 10, 0);
    library->refresh();
    const auto after = library->fetchAssetsWithOptions(newestImagesFirst());
    EXPECT_EQ(std::tuple(library->filesReadInLastScan(), after.count(), after[0].localIdentifier, after[0].pixelWidth), std::tuple(1uz, 4uz, std::string("new.jpg"), 90));

    // A tool that rewrites a photo's metadata in place, to the same size, and keeps its file time
    // (exiftool -P): the index reads it again instead of keeping its old date and orientation.
    const auto beach = root / "Holidays" / "beach.JPG", edited = folder / "edited.jpg";
    std::filesystem::copy_file(beach, edited);
    vd::test::editMetadata(edited, [](Exiv2::Image& image) {
        image.exifData()["Exif.Photo.DateTimeOriginal"] = "2031:02:03 04:05:06"; // after new.jpg's file time
        image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(3);
    });
    ASSERT_EQ(std::filesystem::file_size(edited), std::filesystem::file_size(beach));
    const auto fileTime = std::filesystem::last_write_time(beach);
    {
        std::ifstream in(edited, std::ios::binary);
        std::ofstream out(beach, std::ios::binary | std::ios::in | std::ios::out); // same inode, no truncation
        out << in.rdbuf();
    }
    std::filesystem::last_write_time(beach, fileTime);
    library->refresh();
    const auto rewritten = library->fetchAssetsWithOptions(newestImagesFirst());
    EXPECT_EQ(std::tuple(library->filesReadInLastScan(), rewritten[0].localIdentifier, rewritten[0].orientation), std::tuple(1uz, std::string("Holidays/beach.JPG"), 3)) << "its new capture date";

    // An index file that is not one is left alone, and listing still works.
    const std::string junk = "this is not an SQLite database, and it is somebody's file";
    std::ofstream(folder / "junk.sqlite") << junk;
    EXPECT_EQ(PhotoLibrary(root, folder / "junk.sqlite", defaults).fetchAssetsWithOptions().count(), 4u);
    auto kept = files::readAll(folder / "junk.sqlite");
    EXPECT_EQ(std::string(kept->begin(), kept->end()), junk);
}

TEST_F(PhotoLibraryFolder, AuthorizationIsAskedOnceAndKeptAcrossRunsWhateverTheAnswer)
{
    auto library = makeLibrary();
    EXPECT_EQ(library->authorizationStatus(), AuthorizationStatus::NotDetermined);
    AuthorizationStatus answered = AuthorizationStatus::Restricted;
    library->requestAuthorization([&](AuthorizationStatus status) { answered = status; });
    EXPECT_EQ(answered, AuthorizationStatus::NotDetermined); // nobody to ask yet

    int asked = 0;
    library->setConsentHandler([&](std::function<void(bool)> reply) {
        ++asked;
        reply(true);
    });
    library->requestAuthorization([&](AuthorizationStatus status) { answered = status; });
    library->requestAuthorization([&](AuthorizationStatus status) { answered = status; });
    EXPECT_EQ(std::tuple(asked, answered), std::tuple(1, AuthorizationStatus::Authorized));

    UserDefaults reloaded(folder / "defaults.json");
    PhotoLibrary again(root, folder / "index.sqlite", reloaded);
    EXPECT_TRUE(again.authorizationStatus() == AuthorizationStatus::Authorized && singleAutoFoto(again).requestAuthorizationHandler());

    // A refusal answers no and is kept.
    std::filesystem::remove(folder / "defaults.json");
    UserDefaults fresh(folder / "defaults.json");
    PhotoLibrary refusing(root, folder / "index.sqlite", fresh);
    refusing.setConsentHandler([](std::function<void(bool)> reply) { reply(false); });
    singleAutoFoto check(refusing);
    EXPECT_FALSE(check.requestAuthorizationHandler()); // asks, answers no
    EXPECT_TRUE(refusing.authorizationStatus() == AuthorizationStatus::Denied && !check.requestAuthorizationHandler());
}

TEST_F(PhotoLibraryFolder, ChangeRequestsApplyTogetherOrNotAtAll)
{
    auto library = makeLibrary();
    auto observer = std::make_shared<Observer>();
    library->registerChangeObserver(observer);

    EXPECT_FALSE(perform(*library, [](PhotoChangeRequests& requests) {
        const auto album = requests.creationRequestForAssetCollectionWithTitle("Trips");
        requests.addAssets(album, { requests.creationRequestForAssetFromImage(vd::test::opaqueLogo(16, Color::rgba(0, 1, 0))) });
        requests.creationRequestForAssetFromImage(vd::test::opaqueLogo(4, Color::rgba(0, 0, 1)));
    }));
    auto album = library->fetchTopLevelUserCollectionsWithOptions({ {}, FetchPredicate::equal("title", std::string("Trips")) }).firstObject();
    ASSERT_TRUE(album.has_value());
    EXPECT_EQ(std::tuple(observer->changes, album->estimatedAssetCount, library->savedPhotosCollection()->estimatedAssetCount), std::tuple(1, 1uz, 1uz));

    // One bad request undoes the whole block.
    const auto error = perform(*library, [](PhotoChangeRequests& requests) {
        requests.creationRequestForAssetCollectionWithTitle("Fine");
        requests.creationRequestForAssetCollectionWithTitle("../Escaped");
    });
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->message.contains("Escaped") && observer->changes == 1);
    EXPECT_TRUE(!std::filesystem::exists(root / "Fine") && !std::filesystem::exists(folder / "Escaped"));

    EXPECT_TRUE(perform(*library, [&](PhotoChangeRequests& requests) { requests.creationRequestForAssetCollectionWithTitle("Holidays"); }));
}

TEST_F(PhotoLibraryFolder, TheApplicationAlbumIsCreatedOnceAuthorizedAndReceivesPictures)
{
    auto library = makeLibrary();
    {
        CustomPhotoAlbum refused(*library); // nobody answers: no album
        EXPECT_FALSE(refused.assetCollection().has_value());
        auto notSaved = refused.saveImage(vd::test::opaqueLogo(8, Color::rgba(1, 1, 1)));
        ASSERT_FALSE(notSaved) << "a save with no album is refused, not confirmed";
        EXPECT_NE(notSaved.error().message.find("Vardenico"), std::string::npos) << notSaved.error().message;
    }
    // An album gone before the person answers ignores the answer.
    std::function<void(bool)> pendingReply;
    library->setConsentHandler([&](std::function<void(bool)> reply) { pendingReply = std::move(reply); });
    std::make_unique<CustomPhotoAlbum>(*library).reset();
    ASSERT_TRUE(pendingReply) << "the album asked for photo access";
    pendingReply(true);
    EXPECT_FALSE(std::filesystem::exists(root / "Vardenico")) << "no album without an answer, nor for the gone one";
    CustomPhotoAlbum album(*library);
    ASSERT_TRUE(album.assetCollection().has_value());
    ASSERT_TRUE(album.saveImage(vd::test::opaqueLogo(8, Color::rgba(1, 1, 1))));
    auto photos = library->fetchAssetsInAssetCollection(*album.assetCollection());
    ASSERT_EQ(photos.count(), 1u);
    EXPECT_EQ(std::tuple(photos[0].path.extension().string(), CustomPhotoAlbum(*library).assetCollection()->localIdentifier), std::tuple(std::string(".png"), std::string("Vardenico")));

    std::optional<ContentEditingInput> input;
    library->requestContentEditingInput(photos[0], [&](std::optional<ContentEditingInput> given) { input = given; });
    EXPECT_EQ(input.value().fullSizeImageURL, photos[0].path);
    PhotoAsset forged = photos[0];
    forged.localIdentifier = "../index.sqlite";
    library->requestContentEditingInput(forged, [&](std::optional<ContentEditingInput> given) { input = given; });
    EXPECT_FALSE(input.has_value());
}

// Both run as a user the permissions hold for.
TEST_F(PhotoLibraryFolder, AFolderThatCannotBeReadIsSkippedAndNamedAndAnUnreadableLibraryIsRestricted)
{
    std::filesystem::create_directories(root / "Private");
    vd::test::writeUniformJpeg(root / "Private" / "secret.jpg", 8, 8, 0x404040);
    std::filesystem::create_directories(root / "Zoo");
    vd::test::writeUniformJpeg(root / "Zoo" / "lion.jpg", 8, 8, 0x505050);
    std::filesystem::permissions(root / "Private", std::filesystem::perms::none);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    PhotoLibrary unreadable(root / "Private", folder / "private.sqlite", defaults);
    singleAutoFoto check(unreadable);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        PhotoIndex index(folder / "nobody-index.sqlite");
        std::vector<std::string> names;
        for (const auto& asset : index.scan(root))
            names.push_back(asset.localIdentifier);
        std::ranges::sort(names);
        EXPECT_EQ(names, (std::vector<std::string> { "Holidays/Day 2/sunset.jpeg", "Holidays/beach.JPG", "Zoo/lion.jpg", "logo.png", "old.jpg" }));
        EXPECT_EQ(index.unreadableFoldersInLastScan(), std::vector<std::filesystem::path> { root / "Private" });

        std::string alert;
        check.setAlertPresenter([&](const std::string& title, const std::string& message, const std::string&) { alert = title + ": " + message; });
        EXPECT_EQ(unreadable.authorizationStatus(), AuthorizationStatus::Restricted);
        EXPECT_FALSE(check.requestAuthorizationHandler());
        EXPECT_EQ(alert, "Error: Enable photo permissions in settings");
    }));
    std::filesystem::permissions(root / "Private", std::filesystem::perms::owner_all);
}

TEST_F(PhotoLibraryFolder, SavedPhotosWriterKeepsTheExactBytesNeverReplacesAndTheLibraryHearsOfIt)
{
    auto library = makeLibrary();
    vd::test::writeUniformJpeg(folder / "source.jpg", 32, 32, 0x445566);
    const auto bytes = *files::readAll(folder / "source.jpg");
    SavedPhotosWriter writer(library->savedPhotosFolder());
    auto first = writer.writeImageDataToSavedPhotosAlbum(bytes, nullptr, "/elsewhere/IMG_7.jpg");
    auto second = writer.writeImageDataToSavedPhotosAlbum(bytes, nullptr, "/elsewhere/IMG_7.jpg");
    ASSERT_TRUE(first.has_value() && second.has_value());
    EXPECT_EQ(std::tuple(first->filename(), second->filename()), std::tuple(std::filesystem::path("IMG_7_vardenico.jpg"), std::filesystem::path("IMG_7_vardenico_2.jpg")));
    EXPECT_EQ(*files::readAll(*first), bytes);

    ImageMetadata metadata;
    metadata.setExifValue("Exif.Image.Software", "Vardenico App");
    auto third = writer.writeImageDataToSavedPhotosAlbum(bytes, &metadata, "IMG_7.jpg");
    ASSERT_TRUE(third.has_value());
    EXPECT_EQ(ImageMetadata::readFromFile(*third)->exifValue("Exif.Image.Software"), "Vardenico App");
    EXPECT_FALSE(writer.writeImageDataToSavedPhotosAlbum(std::vector<std::uint8_t> { 1, 2, 3 }, &metadata, "x.jpg").has_value());

    // Photos written beside the change blocks reach fetches and observers once the library hears.
    auto observer = std::make_shared<Observer>();
    library->registerChangeObserver(observer);
    const auto before = library->fetchAssetsWithOptions().count();
    ASSERT_TRUE(writer.writeImageDataToSavedPhotosAlbum(bytes, nullptr, "IMG_8.jpg"));
    EXPECT_EQ(library->fetchAssetsWithOptions().count(), before) << "a fetch is a snapshot until the library hears of the change";
    library->didAddPhotos();
    const auto after = identifiers(library->fetchAssetsWithOptions());
    EXPECT_TRUE(observer->changes == 1 && after.size() == before + 1 && std::ranges::find(after, "Saved Photos/IMG_8_vardenico.jpg") != after.end());
}
