#include <editor/LogoMakerController.h>

#include <services/mySingleScritte.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/Path.h>

namespace vd {

// Guides ----------------------------------------------------------------------------------------

namespace {

std::shared_ptr<ShapeLayer> dashedLine(Point from, Point to, const std::string& name)
{
    auto line = std::make_shared<ShapeLayer>();
    Path path;
    path.moveTo(from);
    path.lineTo(to);
    line->setPath(path);
    line->setStrokeColor(Color::rgba(1, 0, 0));
    line->setFillColor(std::nullopt);
    line->setLineWidth(1.0);
    line->setLineJoin(LineJoin::Round);
    line->setLineDashPattern({ 4, 4 });
    line->setName(name);
    line->setHidden(true);
    return line;
}

}

void LogoMakerController::addDashedLineOr(Point from, Point to)
{
    if (lineOrizzontale)
        lineOrizzontale->removeFromSuperlayer();
    lineOrizzontale = dashedLine(from, to, "lineOrizzontale");
    myViewTemporanea->layer().addSublayer(lineOrizzontale);
}

void LogoMakerController::addDashedLineVer(Point from, Point to)
{
    if (lineVerticale)
        lineVerticale->removeFromSuperlayer();
    lineVerticale = dashedLine(from, to, "lineVerticale");
    myViewTemporanea->layer().addSublayer(lineVerticale);
}

void LogoMakerController::metodoDisegnaLineeGuida()
{
    // Through the canvas's centre as its container reports it: the canvas sits at the origin.
    const Point c = myViewTemporanea->center();
    const Size size = myViewTemporanea->bounds().size;
    addDashedLineOr({ 0, c.y }, { size.width, c.y });
    addDashedLineVer({ c.x, 0 }, { c.x, size.height });
}

void LogoMakerController::stickerViewOrizzontale()
{
    log::debug("accendi linea allineamento orizzontal");
    lineOrizzontale->setHidden(false);
}

void LogoMakerController::stickerViewNascondiLineaOrizzontale()
{
    log::debug("Nascondi linea orizzontale");
    lineOrizzontale->setHidden(true);
}

void LogoMakerController::stickerViewVerticale()
{
    log::debug("al Centro");
    lineVerticale->setHidden(false);
}

void LogoMakerController::stickerViewAlCentro()
{
    log::debug("al Centro");
    lineOrizzontale->setHidden(false);
    lineVerticale->setHidden(false);
}

void LogoMakerController::stickerViewNascondiGuide()
{
    log::debug("al Centro");
    lineOrizzontale->setHidden(true);
    lineVerticale->setHidden(true);
}

// Canvas style and settings panel ---------------------------------------------------------------

bool LogoMakerController::metodoApplicaStile(long long value, bool animated)
{
    std::shared_ptr<Button> button;
    switch (value) {
    case 1: button = myButtonWhiteProperty; break;
    case 2: button = myButtonGrayProperty; break;
    case 3: button = myButtonDarkProperty; break;
    default: return false; // not a style: the canvas and the tint stay as they are
    }
    const auto colour = button->backgroundColor();
    if (animated)
        View::animate(0.4, 0, { AnimationCurve::EaseIn }, [this, colour] { myViewTemporanea->setBackgroundColor(colour); });
    else
        myViewTemporanea->setBackgroundColor(colour);
    coloreDefaultOggettiAggiunti = value == 1 ? myButtonDarkProperty->backgroundColor().value_or(Color::black()) : Color::whiteColor();
    return true;
}

void LogoMakerController::metodoLocalizzaScritteConColoreEditor()
{
    auto& texts = mySingleScritte::sharedInstance();
    myLabelOrdinaLayerTitle->setText(texts.stringaOrdinaLayer());
    myLabelNotaSfondoTrasparente->setText(texts.stringaNotaLogoConSfondoTrasparente());
    myLabelTrasparenza->setText(texts.stringaTrasparenza());
    myButtonSaveLogoProp->setTitle(texts.stringaSalva());
    auto& defaults = UserDefaults::standard();
    if (!defaults.objectForKey(keyColoreEditor)) {
        metodoApplicaStile(3, false);
        return;
    }
    if (auto stored = defaults.integerForKey(keyColoreEditor))
        metodoApplicaStile(*stored, false);
}

static void storeStyle(const std::string& key, long long value)
{
    UserDefaults::standard().setInteger(key, value);
    UserDefaults::standard().synchronize();
}

void LogoMakerController::myButtonEditorWhiteACTIOn()
{
    metodoApplicaStile(1, true);
    storeStyle(keyColoreEditor, 1);
    metodoRegistraModifica();
}

void LogoMakerController::myButtonEditorGrayACTION()
{
    metodoApplicaStile(2, true);
    storeStyle(keyColoreEditor, 2);
    metodoRegistraModifica();
}

void LogoMakerController::myButtonEditorDarkACTION()
{
    metodoApplicaStile(3, true);
    storeStyle(keyColoreEditor, 3);
    metodoRegistraModifica();
}

void LogoMakerController::metodoEntraSetting()
{
    View::animate(0.3, [this] { myViewBgSetting->setCenter(Centro); });
}

void LogoMakerController::metodoEsceSettings()
{
    View::animate(0.2, [this] { myViewBgSetting->setCenter({ 3 * Centro.x, Centro.y }); });
}

// Tutorial overlay ------------------------------------------------------------------------------

void LogoMakerController::metodoSettoLabelTutorial()
{
    auto& texts = mySingleScritte::sharedInstance();
    myLabelAggiungiTemplate->setText(texts.stringaAggiungiLogoTemplate());
    myLabelAggiungiGeometric->setText(texts.stringaAggiungiFormaGeometrica());
    myLabelAggiungiTesto->setText(texts.stringaAggiungiTesto());
    myLabelToccaPerModificareTuto->setText(texts.stringaToccaElementoPerModificare());
    myLabelRuotaScalaTuto->setText(texts.stringaRuotaScala());
    myLabelAlteraTuto->setText(texts.stringaAltera());
    myLabelEliminaTuto->setText(texts.stringaEliminaTuto());
    myLabelLoghiSalvatiBgTrasparenteTuto->setText(texts.stringaLoghiSalvatiTrasparenti());
    myLabelOrdinaLivelliTuto->setText(texts.stringaOrdinaLivelliTutorial());
}

void LogoMakerController::metodoAppareTutorial()
{
    myViewBgTutorial->setCenter(Centro);
    metodoSettoLabelTutorial();
    View::animate(0.3, [this] { myViewBgTutorial->setAlpha(1); });
}

void LogoMakerController::metodoEsceTutorial(double duration)
{
    if (duration <= 0) {
        myViewBgTutorial->setAlpha(0);
        myViewBgTutorial->setCenter({ 3 * Centro.x, Centro.y });
        return;
    }
    std::weak_ptr<View> overlay = myViewBgTutorial;
    const Point away { 3 * Centro.x, Centro.y };
    View::animate(duration, [this] { myViewBgTutorial->setAlpha(0); }, [overlay, away](bool) {
        if (auto view = overlay.lock())
            view->setCenter(away);
    });
}

void LogoMakerController::myButtonOkTutorialACTION()
{
    metodoEsceTutorial(0.3);
    UserDefaults::standard().setString("tutorialLogoa", "tutorialLogo");
    UserDefaults::standard().synchronize();
}

}
