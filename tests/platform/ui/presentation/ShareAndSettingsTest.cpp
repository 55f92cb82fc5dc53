#include <PhotoFixtures.h>
#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/LibraryLocation.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/PhotoPicker.h>
#include <platform/ui/presentation/SettingsScreen.h>
#include <platform/ui/presentation/ShareSheet.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/controls/TextView.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

std::string readText(const std::filesystem::path& path)
{
    return { std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {} };
}

// Sets an environment variable for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name(name), old(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt) { ::setenv(name, value.c_str(), 1); }
    ~ScopedEnv() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

TEST(ShareSheet, SavesEachPictureUnderANewNameAndHandsTheTextToTheClipboardProgramIfAny)
{
    test::TemporaryFolder folder;
    const std::vector<std::uint8_t> first { 1, 2, 3 }, second { 4, 5 };
    auto a = ShareSheet::savePicture(first, folder.path() / "Pictures");
    auto b = ShareSheet::savePicture(second, folder.path() / "Pictures");
    ASSERT_TRUE(a && b && *a != *b) << (a ? b.error().message : a.error().message);
    EXPECT_EQ(std::pair(readText(*a), readText(*b)), std::pair(std::string("\1\2\3"), std::string("\4\5")));
    EXPECT_TRUE(a->filename().string().starts_with("Vardenico ") && a->extension() == ".png") << *a;

    std::ofstream(folder / "file") << "x";
    auto refused = ShareSheet::savePicture(first, folder / "file" / "below");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("file"), std::string::npos) << refused.error().message;

    std::filesystem::create_directories(folder / "bin");
    const auto copied = folder / "clipboard.txt";
    std::ofstream(folder / "bin/xclip") << "#!/bin/sh\ncat > '" << copied.string() << "'\n";
    std::filesystem::permissions(folder / "bin/xclip", std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", (folder / "bin").string() + ":/usr/bin:/bin");
    ScopedEnv x("DISPLAY", ":42");
    ScopedEnv noWayland("WAYLAND_DISPLAY", "");
    ASSERT_TRUE(ShareSheet::copyToClipboard("#Vardenico"));
    EXPECT_EQ(readText(copied), "#Vardenico");

    // A program that quits before reading everything is reported, not fatal.
    std::ofstream(folder / "bin/wl-copy") << "#!/bin/sh\nexec 0<&-\nexit 3\n";
    std::filesystem::permissions(folder / "bin/wl-copy", std::filesystem::perms::owner_all);
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-9");
    auto quit = ShareSheet::copyToClipboard(std::string(4 << 20, 'x')); // more than a pipe holds
    EXPECT_TRUE(!quit && quit.error().message.contains("wl-copy"));
}

// Anchored to a view, the report hangs from it in a popover; else an alert names the saved
// picture and, with no clipboard program, shows the text to copy by hand.
TEST(ShareSheet, PresentReportsInAnAlertOrAPopover)
{
    auto window = View::make<Window>(Size { 390, 844 }), bare = View::make<Window>(Size { 390, 844 });
    auto anchor = View::make(Rect { 300, 40, 44, 44 });
    window->addSubview(anchor);
    ShareSheet::present(*window, { {}, "" }, anchor);
    ASSERT_TRUE(window->viewNamed("shareSheet") && window->viewNamed("shareResult"));
    EXPECT_EQ(std::tuple(window->viewNamed("shareSheet")->className(), window->viewNamed("shareResult")->automationText()), std::tuple(std::string("Popover"), std::string("Nothing to share.")));

    test::TemporaryFolder folder;
    ScopedEnv photos("VARDENICO_PHOTOS", folder.path().string()), noX("DISPLAY", ""), noWayland("WAYLAND_DISPLAY", "");
    ShareSheet::present(*bare, { { 1 }, "#Vardenico" });
    auto sheet = std::dynamic_pointer_cast<AlertController>(bare->viewNamed("shareSheet"));
    EXPECT_TRUE(sheet && sheet->message().contains("saved as") && sheet->message().contains("#Vardenico")) << (sheet ? sheet->message() : "no alert");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "the picture saved in the photos";
}

// The page as a person uses it, and the library that then reads what it kept: the folder chosen
// there comes before the XDG Pictures folder, the environment before both.
TEST(SettingsScreen, KeepsPhotoAccessAndTheLibraryFolderThatThePhotoLibraryUses)
{
    test::TemporaryFolder folder;
    std::filesystem::create_directories(folder / "Foto" / "Album");
    ScopedEnv noPhotos("VARDENICO_PHOTOS", "");
    ScopedEnv home("HOME", (folder / "home").string());
    ScopedEnv config("XDG_CONFIG_HOME", (folder / "config").string());
    UserDefaults defaults(folder / "defaults.json");
    EXPECT_EQ(photoLibraryFolder(defaults), folder / "home" / "Pictures");
    std::filesystem::create_directories(folder / "config");
    std::ofstream(folder / "config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(photoLibraryFolder(defaults), folder / "home" / "Bilder");
    ASSERT_TRUE(View::make<SettingsScreen>(defaults)->save());
    EXPECT_EQ(PhotoLibrary::storedAuthorizationStatus(defaults), AuthorizationStatus::NotDetermined) << "saved with the switch left off, an unanswered request stays unanswered";

    auto window = View::make<Window>(Size { 390, 844 });
    auto screen = View::make<SettingsScreen>(defaults);
    bool closed = false;
    screen->setOnClose([&] { closed = true; });
    screen->present(*window);
    window->layoutIfNeeded();
    screen->removeAllAnimations();
    test::tap(*window, test::centerInWindow(*screen->photoAccessSwitch()));
    test::tap(*window, test::centerInWindow(*screen->folderText()));
    EXPECT_TRUE(screen->photoAccessSwitch()->isOn());
    ASSERT_TRUE(screen->folderText()->isFirstResponder());
    window->sendText((folder / "Nowhere").string());
    window->sendKey(Key::Return);
    EXPECT_FALSE(screen->folderText()->isFirstResponder()) << "Return ends a one-line field";
    test::tap(*window, test::centerInWindow(*window->viewNamed("settingsDone")));
    auto alert = std::dynamic_pointer_cast<AlertController>(window->viewNamed("alert"));
    ASSERT_TRUE(alert && !closed) << "a folder that does not exist is refused";
    EXPECT_NE(alert->message().find("Nowhere"), std::string::npos);
    alert->performAction(0);
    EXPECT_EQ(PhotoLibrary::storedAuthorizationStatus(defaults), AuthorizationStatus::NotDetermined);

    screen->folderText()->setText((folder / "Foto").string());
    test::tap(*window, test::centerInWindow(*window->viewNamed("settingsDone")));
    EXPECT_TRUE(closed && !window->viewNamed("settingsScreen"));
    EXPECT_EQ(photoLibraryFolder(defaults), folder / "Foto");
    {
        ScopedEnv photos("VARDENICO_PHOTOS", (folder / "Env").string());
        EXPECT_EQ(photoLibraryFolder(defaults), folder / "Env");
    }
    PhotoLibrary library(photoLibraryFolder(defaults), folder / "index.sqlite", defaults);
    EXPECT_EQ(std::tuple(library.fetchTopLevelUserCollectionsWithOptions().count(), library.authorizationStatus()), std::tuple(1uz, AuthorizationStatus::Authorized)) << "the switch is the library's answer";

    // Reopened, the page shows what was kept; switched off it is a refusal, kept; an emptied
    // folder goes back to the default.
    auto again = View::make<SettingsScreen>(defaults);
    EXPECT_EQ(std::tuple(again->photoAccessSwitch()->isOn(), again->folderText()->text()), std::tuple(true, (folder / "Foto").string()));
    again->photoAccessSwitch()->setOn(false);
    again->folderText()->setText("  ");
    ASSERT_TRUE(again->save());
    UserDefaults reread(folder / "defaults.json");
    EXPECT_EQ(std::tuple(library.authorizationStatus(), PhotoLibrary::storedAuthorizationStatus(reread), photoLibraryFolder(reread)), std::tuple(AuthorizationStatus::Denied, AuthorizationStatus::Denied, folder / "home" / "Bilder"));
}

TEST(PhotoPicker, APhotoThatCannotBeReadIsReportedAndThePickerStaysOpen)
{
    test::TemporaryFolder folder;
    std::filesystem::create_directories(folder / "photos");
    test::writeUniformJpeg(folder / "photos" / "gone.jpg", 40, 30, 0x336699);
    UserDefaults defaults(folder / "defaults.json");
    PhotoLibrary library(folder / "photos", folder / "index.sqlite", defaults);
    ImageManager manager(1u << 20, 1);
    auto window = View::make<Window>(Size { 390, 844 });
    auto picker = View::make<PhotoPicker>(library, manager);
    int completions = 0;
    picker->setCompletion([&](std::optional<PickedPhoto>) { ++completions; });
    picker->present(*window);
    ASSERT_EQ(picker->photoCount(), 1u);

    std::filesystem::remove(folder / "photos" / "gone.jpg");
    EXPECT_TRUE(!picker->pickPhotoAtIndex(0) && completions == 0 && picker->superview() == window) << "the picker stays open";
    auto alert = std::dynamic_pointer_cast<AlertController>(window->viewNamed("alert"));
    ASSERT_TRUE(alert && alert->message().contains("gone.jpg"));
    alert->performAction(0);

    picker->cancel(), picker->cancel();
    EXPECT_TRUE(completions == 1 && !picker->superview()) << "the completion runs once";
}

}
}
