#include <app/ProgramScreens.h>
#include <browser/DetailViewController.h>
#include <browser/ViewController.h>
#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

void registerBrowserScreens()
{
    auto& registry = ScreenRegistry::shared();
    registry.registerClass<browser::ViewController>("ViewController");
    registry.registerScreen("quintara", "ViewController");
    registry.registerClass<browser::DetailViewController>("DetailViewController");
    registry.registerScreen("popviewcontroller", "DetailViewController");
}

}
