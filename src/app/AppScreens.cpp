#include <app/ContainerViewController.h>
#include <app/HomeViewController.h>
#include <app/PrimoAvvioViewController.h>
#include <app/ProgramScreens.h>
#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

void registerAppScreens()
{
    auto& registry = ScreenRegistry::shared();
    registry.registerClass<HomeViewController>("HomeViewController");
    registry.registerClass<HomeViewControllerIPAD>("HomeViewControllerIPAD");
    registry.registerClass<PrimoAvvioViewController>("PrimoAvvioViewController");
    registry.registerClass<ContainerViewController>("ContainerViewController");
    registry.registerScreen(HomeViewController::kIdentifier, "HomeViewController");
    registry.registerScreen(PrimoAvvioViewController::kIdentifier, "PrimoAvvioViewController");
    registry.registerScreen(ContainerViewController::kIdentifier, "ContainerViewController");
}

}
