#include <app/ProgramScreens.h>

#include <editor/ColorPickerViewController.h>
#include <editor/EditorViewClasses.h>
#include <editor/LogoMakerController.h>
#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

void registerEditorScreens()
{
    registerEditorViewClasses();
    auto& registry = ScreenRegistry::shared();
    registry.registerClass<LogoMakerController>("LogoMakerController");
    registry.registerClass<LogoMakerControllerIPAD>("LogoMakerControllerIPAD");
    registry.registerScreen("logoEditor", "LogoMakerController");
    registry.registerClass<ColorPickerViewController>("ColorPickerViewController");
    registry.registerScreen("sbColorPicker", "ColorPickerViewController");
}

}
