#pragma once

#include <platform/ui/presentation/ViewController.h>

namespace vd {

// Hosts the navigation of the program's screens in myContainerView; on the tall notched phones
// the hosted view starts 30 points lower and is 30 points shorter.
class ContainerViewController : public ViewController {
public:
    ContainerViewController();
    std::string className() const override { return "ContainerViewController"; }

    static constexpr const char* kIdentifier = "container";
    static constexpr double kSpostamentoNotch = 30;
    // Phone screens are drawn at three pixels a point.
    static constexpr double kPixelPerPunto = 3;

    // Whether a phone screen this many pixels tall has the notch: at least 1792, but not the
    // 1920 and 2208 of the older large phones.
    static bool metodoSchermoConNotch(double altezzaInPixel);

    // Puts the screen in myContainerView as its child (before or after the container's load).
    void metodoOspita(std::shared_ptr<ViewController> ospite);
    const std::shared_ptr<ViewController>& ospite() const { return m_ospite; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    std::shared_ptr<View> myContainerView;

private:
    void metodoAttacca();

    std::shared_ptr<ViewController> m_ospite;
    bool m_attaccato { false };
};

}
