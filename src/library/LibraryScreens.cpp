#include <app/ProgramScreens.h>
#include <library/GalleriaLoghiViewController.h>
#include <library/PreviewLogoGeneratoViewController.h>
#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

void registerLibraryScreens()
{
    auto& registry = ScreenRegistry::shared();
    registry.registerClass<GalleriaLoghiViewController>("GalleriaLoghiViewController");
    registry.registerScreen("gallery", "GalleriaLoghiViewController");
    registry.registerClass<PreviewLogoGeneratoViewController>("PreviewLogoGeneratoViewController");
    registry.registerScreen("previewlogo", "PreviewLogoGeneratoViewController");
}

}
