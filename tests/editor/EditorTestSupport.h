#pragma once

#include <TestSupport.h>

#include <services/AppDelegate.h>
#include <app/ProgramScreens.h>
#include <services/mySingleScritte.h>
#include <editor/LogoMakerCells.h>
#include <editor/LogoMakerController.h>
#include <hosts/Host.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <gtest/gtest.h>

namespace vd::test {

// The editor on a headless window of a phone (or tablet), pushed over a plain first screen so
// that leaving it can be seen; the clock is virtual.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        binaryHome(); // the binary keeps its store and defaults in a folder of its own
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
        auto& defaults = UserDefaults::standard();
        defaults.setString("tutorialLogoa", "tutorialLogo"); // the overlay would cover the screen
        defaults.removeObjectForKey("keycoloreeditototo");
        defaults.removeObjectForKey("dataview");
        registerProgramScreens();
    }
    void TearDown() override
    {
        settle(2);
        editor.reset();
        navigation.reset();
        window.reset();
    }

    LogoMakerController& open(std::vector<ViewModel> records = {}, DeviceKind kind = DeviceKind::Phone, std::optional<int> index = std::nullopt, std::string provenance = {})
    {
        const Size screen = hostScreenSize(kind == DeviceKind::Tablet ? HostDevice::Tablet : HostDevice::Phone);
        window = std::make_shared<Window>(screen);
        setCurrentScreenSize(screen);
        auto& registry = ScreenRegistry::shared();
        registry.setDeviceKind(kind);
        auto made = registry.instantiate("logoEditor");
        EXPECT_TRUE(made) << (made ? "" : made.error().message);
        editor = std::dynamic_pointer_cast<LogoMakerController>(*made);
        auto inputs = std::dynamic_pointer_cast<LogoEditorInputs>(*made);
        inputs->setMyLogoArrayConViewPassato(std::move(records));
        inputs->setIndexDiProvenienza(index);
        inputs->setMyStringaControllerDiProvenienza(std::move(provenance));
        first = std::make_shared<ViewController>();
        navigation = std::make_shared<NavigationController>(first);
        ViewController::installAsRoot(navigation, *window);
        navigation->pushViewController(editor, false);
        settle(1);
        return *editor;
    }

    void settle(double seconds)
    {
        for (double t = 0; t < seconds; t += 1.0 / 60) {
            RunLoop::main().advance(1.0 / 60);
            if (window)
                window->prepareFrame();
        }
    }
    void tap(Point p)
    {
        test::tap(*window, p);
        settle(0.5);
    }
    Point centreOf(const View& view) const { return view.convertPointToView(view.bounds().center(), nullptr); }
    void tapView(const View& view) { tap(centreOf(view)); }
    // A point of the canvas in window points.
    Point onCanvas(Point p) const { return editor->myViewTemporanea->convertPointToView(p, nullptr); }
    std::shared_ptr<View> named(const std::string& name) const { return window->viewNamed(name); }

    static ViewModel imageRecord(const std::string& name, double x, double y, double side = 120)
    {
        return ViewModel(name, 1.0, "image", Color::rgba(1, 0, 0, 1), side, side, x, y, 0, "", "", 0, Color::clear(), 0);
    }
    static ViewModel textRecord(const std::string& text, double x, double y, double rotation = 0)
    {
        return ViewModel("testo", 1.0, "text", Color::whiteColor(), 200, 70, x, y, rotation, text, "DejaVuSans", 24, Color::rgba(0, 0, 1, 1), 1);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> first;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<LogoMakerController> editor;
};

inline double angleOf(const View& view) { return std::atan2(view.transform().b, view.transform().a); }

}
