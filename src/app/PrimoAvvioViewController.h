#pragma once

#include <platform/foundation/NotificationCenter.h>
#include <platform/ui/presentation/ViewController.h>

#include <string>
#include <vector>

namespace vd {

class Button;
class ImageView;
class Label;

// The first-launch tutorial: two texts, then the photo-access request, then "START", which
// records that the tutorial is done and goes to the home screen.
class PrimoAvvioViewController : public ViewController {
public:
    PrimoAvvioViewController();
    ~PrimoAvvioViewController() override;
    std::string className() const override { return "PrimoAvvioViewController"; }

    static constexpr const char* kIdentifier = "primoavvio";
    static constexpr const char* keyAvvioFatto = "avvioFatto";

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void myButtonOkACTION();

    // Replaces the screens of from's stack with a fresh screen made under identifier: the
    // tutorial's "primoavvio" and "home" transitions. False when there is no stack or no screen.
    static bool metodoSegue(ViewController& from, const std::string& identifier);

    std::shared_ptr<View> myViewLogoHead;
    std::shared_ptr<ImageView> myImageViewLogo;
    std::shared_ptr<ImageView> myImageViewCerchio1;
    std::shared_ptr<ImageView> myImageViewCerchio2;
    std::shared_ptr<ImageView> myImageViewCerchio3;
    std::shared_ptr<ImageView> myImageViewCerchio4;
    std::shared_ptr<Label> myLabelTesto;
    std::shared_ptr<Button> myButtonOk;
    int indexOk { 0 };
    std::vector<std::string> myArrConStringheTesto;

private:
    void metodoAnimazioniCerhi();

    NotificationCenter::Token m_keycerchi { 0 };
};

}
