#include <TestSupport.h>

#include <services/AppDelegate.h>
#include <app/ApplicationStart.h>
#include <app/ContainerViewController.h>
#include <app/HomeViewController.h>
#include <app/PrimoAvvioViewController.h>
#include <services/mySingleScritte.h>
#include <hosts/Host.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>

namespace vd {
namespace {

// One data folder and one photo library (a single photo) for the whole binary: the delegate,
// the defaults and the library are made once per process.
class AppFolders : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::filesystem::create_directories(m_folder / "home");
        std::filesystem::create_directories(m_folder / "Pictures");
        std::filesystem::copy_file(paths::resourcesDirectory() / "samples" / "sample-picture.png", m_folder / "Pictures" / "sample.png");
        ::setenv("VARDENICO_HOME", (m_folder / "home").c_str(), 1);
        ::setenv("VARDENICO_PHOTOS", (m_folder / "Pictures").c_str(), 1);
    }

private:
    test::TemporaryFolder m_folder;
};
const auto* const kFolders = ::testing::AddGlobalTestEnvironment(new AppFolders);

enum class Accesso { NonChiesto, Negato, Concesso };

struct Launch {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;

    template<typename T>
    std::shared_ptr<T> topAs() const { return std::dynamic_pointer_cast<T>(navigation->topViewController()); }
    std::shared_ptr<AlertController> alert() const { return std::dynamic_pointer_cast<AlertController>(window->viewNamed("alert")); }
    size_t alertsUp() const { return std::ranges::count_if(window->subviews(), [](const auto& view) { return view->name() == "alert"; }); }
    void tapNamed(const std::string& name) const
    {
        auto view = window->viewNamed(name);
        ASSERT_TRUE(view) << name;
        test::tap(*window, view->convertPointToView(view->bounds().center(), nullptr));
        RunLoop::main().advance(0.5);
        window->prepareFrame();
    }
};

// Sets the defaults as a launch finds them, then starts the program on a fresh window.
Launch launch(DeviceKind kind, bool tutorialDone, bool noticeSeen, Accesso accesso, double mbLiberi = 5000)
{
    test::useVirtualClock();
    registerApplication(); // registers the program's screens on first install
    auto& defaults = UserDefaults::standard();
    auto set = [&](const char* key, bool present, const char* value) {
        if (present)
            defaults.setString(key, value);
        else
            defaults.removeObjectForKey(key);
    };
    set(PrimoAvvioViewController::keyAvvioFatto, tutorialDone, "fatto");
    set(HomeViewController::keyAggiornamento, noticeSeen, "visualizzato");
    PhotoLibrary::storeAuthorizationStatus(defaults, accesso == Accesso::Concesso ? AuthorizationStatus::Authorized : accesso == Accesso::Negato ? AuthorizationStatus::Denied : AuthorizationStatus::NotDetermined);
    // The launch measures the free space once; each case then decides it.
    auto delegate = AppDelegate::shared();
    if (!delegate->hasLaunched())
        delegate->applicationDidFinishLaunchingWithOptions();
    mySingleElementiManage::sharedInstance().myNumMbLiber = mbLiberi;

    const HostDevice device = kind == DeviceKind::Tablet ? HostDevice::Tablet : HostDevice::Phone;
    Launch launched;
    launched.window = std::make_shared<Window>(hostScreenSize(device));
    auto container = installApplicationRoot(*launched.window, device);
    EXPECT_TRUE(container);
    launched.navigation = std::dynamic_pointer_cast<NavigationController>(container->ospite());
    RunLoop::main().advance(0.1);
    launched.window->prepareFrame();
    static std::vector<std::shared_ptr<Window>> windows; // consent dialogs may still point at a window
    windows.push_back(launched.window);
    return launched;
}

// The tutorial refused the photos on a tablet (the walk that allows them is the road's).
TEST(PrimoAvvio, RefusingAccessStillFinishesTheTutorial)
{
    auto app = launch(DeviceKind::Tablet, false, true, Accesso::NonChiesto);
    ASSERT_TRUE(app.topAs<PrimoAvvioViewController>());
    EXPECT_FALSE(app.alert()) << "no notices before the tutorial is done";
    app.tapNamed("myButtonOk");
    app.tapNamed("myButtonOk");
    app.tapNamed("alertAction0");
    EXPECT_EQ(PhotoLibrary::sharedPhotoLibrary().authorizationStatus(), AuthorizationStatus::Denied);
    EXPECT_FALSE(UserDefaults::standard().stringForKey("avvioFatto")) << "not before START";
    app.tapNamed("myButtonOk");
    EXPECT_EQ(UserDefaults::standard().stringForKey("avvioFatto"), "fatto");
    auto home = app.topAs<HomeViewController>();
    ASSERT_TRUE(home);
    EXPECT_EQ(std::tuple(app.navigation->viewControllers().size(), home->className()), std::tuple(1uz, "HomeViewControllerIPAD")) << "the tutorial is gone from the stack";
    ASSERT_TRUE(app.alert()) << "without access home asks for it in the settings";
    EXPECT_EQ(std::tuple(app.alert()->message(), app.alert()->actions().at(0).title), std::tuple(mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto(), "Settings"));
}

// The alerts of a launch come one at a time: the update notice (once ever), the request to allow
// the photos in the settings, low space. Access never asked by a later launch (the library could
// not be read at the first) puts the consent dialog before them all; a yes leaves nothing to
// explain and shows the photos.
TEST(Home, AlertsComeOneAtATimeAfterTheConsentAndTheUpdateNoticeOnlyOnce)
{
    const auto& testi = mySingleScritte::sharedInstance();
    const std::string consenso = testi.stringaConsensoFoto() + "|OK", notice = "Vardenico|Start", settings = "Vardenico|Settings", space = testi.stringaPocaMemoria() + "|Ok";
    for (const auto& [accesso, concede, expected] : { std::tuple { Accesso::Negato, false, std::vector { notice, settings, space } },
             { Accesso::NonChiesto, false, std::vector { consenso, notice, settings, space } }, { Accesso::NonChiesto, true, std::vector { consenso, notice, space } } }) {
        auto app = launch(DeviceKind::Phone, true, false, accesso, 50);
        auto home = app.topAs<HomeViewController>();
        ASSERT_TRUE(home);
        std::vector<std::string> seen;
        while (auto alert = app.alert()) {
            EXPECT_EQ(app.alertsUp(), 1u) << alert->title();
            seen.push_back(alert->title() + "|" + alert->actions().back().title);
            app.tapNamed(seen.size() == 1 && concede ? "alertAction1" : "alertAction0");
            ASSERT_LT(seen.size(), 6u);
        }
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(UserDefaults::standard().stringForKey("aggiornamento1"), "visualizzato");
        EXPECT_EQ(std::tuple(PhotoLibrary::sharedPhotoLibrary().authorizationStatus(), home->assetsFetchResults.count(), bool(app.window->viewNamed("settingsScreen"))),
            std::tuple(concede ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied, concede ? 1uz : 0uz, !concede))
            << "the photos load once access is given, else the settings open";
    }
}

TEST(Home, LowSpaceAlertBelowOneHundredMebibytesOnly)
{
    for (const auto& [mb, shown] : { std::pair { 99.0, true }, { 100.0, false }, { -1.0, false } }) { // -1: not measured
        auto app = launch(DeviceKind::Phone, true, true, Accesso::Concesso, mb);
        auto alert = app.alert();
        EXPECT_EQ(bool(alert), shown) << mb;
        if (alert)
            alert->performAction(0); // its title and button are checked with the other alerts
    }
}

// The circles turn in opposite directions (stopping in the background and turning again on return
// is walked by the road); the logo button slides to reveal the create and gallery panel, and back.
TEST(Home, CirclesTurnInOppositeDirectionsAndTheLogoButtonSlidesToRevealCreateAndGallery)
{
    auto app = launch(DeviceKind::Phone, true, true, Accesso::Concesso);
    auto home = app.topAs<HomeViewController>();
    ASSERT_TRUE(home);
    const std::shared_ptr<View> cerchi[] = { home->myImageViewCerchio1, home->myImageViewCerchio2, home->myImageViewCerchio3, home->myImageViewCerchio4 };
    const double direzione[] = { 1, -1, -1, 1 };
    for (int i = 0; i < 4; ++i) {
        auto turn = cerchi[i]->layer().animationForKey("transform.rotation.z");
        ASSERT_TRUE(turn) << i;
        EXPECT_NEAR(turn->toValue, direzione[i] * 2 * M_PI, 1e-9) << i;
    }

    const Point riposo = home->myButtonLogoNew->center();
    app.tapNamed("myButtonLogoNew");
    EXPECT_NEAR(home->myButtonLogoNew->frame().maxX(), home->myViewBgButtonCreaETuoiLoghi->frame().minX(), 1e-9) << "beside the panel it reveals";
    EXPECT_EQ(std::tuple(home->myButtonLogoNew->center().y, home->myViewBgButtonCreaETuoiLoghi->alpha(), home->myLabelCreaEGestisciItuoiLoghi->alpha()), std::tuple(riposo.y, 1.0, 0.0));
    app.tapNamed("myButtonLogoNew");
    EXPECT_EQ(std::tuple(home->myButtonLogoNew->center(), home->myViewBgButtonCreaETuoiLoghi->alpha(), home->myLabelCreaEGestisciItuoiLoghi->alpha()), std::tuple(riposo, 0.0, home->myALphaSottotitliIniziale));
}

// The stack's shift on a notched phone is walked by the gallery's and the editor's scripts.
TEST(Container, NotchedPhonesAreKnownByTheirScreenHeight)
{
    for (const auto& [pixels, notch] : { std::pair { 1792, true }, { 2532, true }, { 1920, false }, { 2208, false }, { 1334, false } })
        EXPECT_EQ(ContainerViewController::metodoSchermoConNotch(pixels), notch) << pixels;
}

}
}
