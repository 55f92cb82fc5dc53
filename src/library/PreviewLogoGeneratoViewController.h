#pragma once

#include <library/LogoScreenInputs.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/Image.h>
#include <platform/ui/presentation/ViewController.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vd {

class BlurView;
class Button;
class ImageView;
class Label;

// One finished logo shown large over a faint tint of its canvas colour ("previewlogo"), one class
// for phones and tablets. The editor opens it right after saving a new logo (type "logo"); the
// gallery opens it for a saved logo ("modifica" when made in the editor, "image" when made from a
// picture). From here the logo is saved into the application's album, shared, deleted, or
// reopened in the editor.
class PreviewLogoGeneratoViewController : public ViewController, public SavedLogoPreviewInputs {
public:
    PreviewLogoGeneratoViewController();
    std::string className() const override { return "PreviewLogoGeneratoViewController"; }

    std::shared_ptr<View> myViewBgSoprablure;
    std::shared_ptr<BlurView> myVisualEffctBG;
    std::shared_ptr<ImageView> myImageViewBg;
    std::shared_ptr<View> myViewNAvBAr;
    std::optional<Image> myImageLogo;
    Rect myFramePreview;
    Color myColorViewTemporanea { Color::clear() };
    std::shared_ptr<ImageView> myImageViewPreviewLogo;
    std::shared_ptr<Button> myButtonBack;
    std::shared_ptr<Button> myButtonHOME;
    std::shared_ptr<Button> myButtonSalvaNelRullino;
    std::shared_ptr<View> myViewAzioniSalveTornaHome;
    std::shared_ptr<Button> myButtonShare;
    std::shared_ptr<Label> myLabelLogoSalvatoInGalleria;
    std::shared_ptr<Label> myLabelSalvato;
    std::shared_ptr<Button> myButtonDeleteLogo;
    std::string myStringNomeOggetto;
    std::string myStringType { "logo" };
    std::optional<int> myIndexFoto;
    std::string myStringaAppenaSalvata;

    // What the editor sets after saving.
    void setMyImageLogo(std::optional<Image> picture) override { myImageLogo = std::move(picture); }
    void setMyFramePreview(Rect canvasFrame) override { myFramePreview = canvasFrame; }
    void setMyColorViewTemporanea(std::optional<Color> colour) override { myColorViewTemporanea = colour.value_or(Color::clear()); }
    void setMyStringNomeOggetto(std::string key) override { myStringNomeOggetto = std::move(key); }
    void setMyStringaAppenaSalvata(std::string saved) override { myStringaAppenaSalvata = std::move(saved); }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    void myButtonBackModificaLogoACTIOn();
    void salvaNelrullinoACTION();
    void myButtonHomeACTION();
    void myButtonDeleteACTION();
    void myButtonShareACTION();

private:
    void metodoImpostaInterfaccia();
    void metodoCentraLogo(); // 10 points above the middle of the view as it is now
    // The logo's position in the store's lists now, found by its stored row: the lists may have
    // been emptied or reordered since the screen was opened. Nothing when the logo is gone.
    std::optional<std::int64_t> metodoIndiceAttuale();
    void metodoMostraAlert(const std::string& messaggio);
    View& metodoViewPerAlert();

    std::optional<std::int64_t> m_rowId; // the stored row of the logo shown
};

}
