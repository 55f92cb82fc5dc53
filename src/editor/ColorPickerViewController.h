#pragma once

#include <platform/graphics/Color.h>
#include <platform/ui/presentation/ViewController.h>

#include <memory>
#include <string>
#include <vector>

namespace vd {

class CollectionView;

// Who hears of a colour picked in the popover grid.
class ColorPickerDelegate {
public:
    virtual ~ColorPickerDelegate() = default;
    virtual void colorPickerDidColorSelected(const Color& color, const std::string& selectedHexColor) = 0;
};

// The larger colour grid the editor shows in a popover ("sbColorPicker"): one swatch per code
// of the colour list, 11 a row; a tap tells the delegate and leaves the popover open.
class ColorPickerViewController : public ViewController {
public:
    ColorPickerViewController();
    ~ColorPickerViewController() override;
    std::string className() const override { return "ColorPickerViewController"; }
    void viewDidLoad() override;

    std::weak_ptr<ColorPickerDelegate> colorPickerDelegate;
    std::shared_ptr<CollectionView> colorCollectionView;
    std::vector<std::string> colorList;

private:
    struct Swatches;
    std::shared_ptr<Swatches> m_swatches;
};

}
