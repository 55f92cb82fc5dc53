// The apply screen's batch: the progress overlay, the stamping of every selected photo by the
// engine on its worker threads, the saved panel, and saving the placement for the command line.

#include <watermark/QuintaraApplyController.h>

#include <elements/LDStickerView.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/Strings.h>
#include <platform/photos/PendingFile.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/window/Window.h>
#include <services/mySingleScritte.h>
#include <watermark/StampBatch.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

constexpr double kComparsa = 0.3;        // seconds: overlay and saved panel
// Each step of the progress is shown at least this long: a little over a frame, so a step that
// arrives just before a frame is drawn in it even when the next one is already waiting.
constexpr double kFotogramma = 1.5 / 60;
constexpr std::size_t kFotoNonSalvateMostrate = 6;
constexpr double kSpazioPannello = 14; // points between the saved panel's texts

// "IMG_1.jpg: reason", without the folders the engine's message starts with.
std::string photoLine(const std::filesystem::path& source, const std::string& error)
{
    std::string reason = error;
    const std::string prefix = source.string() + ": ";
    if (reason.starts_with(prefix))
        reason.erase(0, prefix.size());
    return source.filename().string() + ": " + reason;
}

// The first few lines, then how many more there are.
std::string listLines(const std::vector<std::string>& all)
{
    std::string lines;
    for (size_t i = 0; i < all.size() && i < kFotoNonSalvateMostrate; ++i)
        lines += (i ? "\n" : "") + all[i];
    if (all.size() > kFotoNonSalvateMostrate)
        lines += "\n… +" + std::to_string(all.size() - kFotoNonSalvateMostrate);
    return lines;
}

}

void QuintaraApplyController::myButtonApplicaACTION()
{
    // One batch at a time; a finished one leaves the screen through its saved panel. A photo
    // being adjusted is finished first.
    if (myBoolBatchInCorso || m_batchFinished || myIndiceRegolazione)
        return;
    // The same check as the command line's: a placement no photo can take (a logo wider than
    // the photo, a value that is no number) is refused by name before anything is written.
    if (auto checked = metodoDescrizionePosizionamento().check("placement"); !checked) {
        std::string reason = checked.error().message;
        if (reason.starts_with("placement: "))
            reason.erase(0, std::string("placement: ").size());
        log::warning("apply refused: " + reason);
        auto alert = AlertController::make("Vardenico", replaced(mySingleScritte::sharedInstance().stringaPosizioneNonValida(), "{reason}", reason));
        alert->setName("myAlertPosizioneNonValida");
        alert->addAction("OK", AlertController::ActionStyle::Default);
        if (auto* window = view()->window())
            alert->present(*window);
        return;
    }
    myBoolBatchInCorso = true;
    metodoEntraApplicatore(kComparsa);
    AnalyticsSink::shared().logEvent("Quintara Applico a foto", { { "N° foto", static_cast<long long>(myArrayIndexSelezionati.size()) } });
}

void QuintaraApplyController::metodoEntraApplicatore(double durata)
{
    metodoMostraProgresso(0);
    std::weak_ptr<ViewController> weak = weak_from_this();
    View::animate(durata, [this] { myViewApplicatore->setCenter(Centro); }, [weak](bool) {
        auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock());
        if (self && self->myBoolBatchInCorso)
            self->metodoAnimazioniCerhi();
    });
    // The photos are stamped while the overlay slides in: the wait is the work's alone.
    metodoImpostaViewPerApplicarelogo();
}

void QuintaraApplyController::metodoImpostaViewPerApplicarelogo()
{
    indexAsset = 0;
    myNumeroFotoSalvate = 0;
    myNumeroFotoSaltate = 0;
    myArrFotoNonSalvate.clear();
    myArrAvvisiFoto.clear();
    m_fotoSalvate.clear();
    m_batchCount = myArrayIndexSelezionati.size();
    const BatchPlacements placements = metodoPosizionamentiBatch();
    const PlacementDescription& placement = placements.common;
    StampEngineOptions options;
    options.lossless = metodoSenzaPerdita();
    // The same engines as `vardenico stamp --placement` makes from the saved placement, so the
    // two write the same files.
    m_motori = std::make_shared<PlacementEngines>(logoDaAplicare.value_or(Image()), placements, options);
    const std::shared_ptr<const StampEngine>& engine = m_motori->common();
    topImage = engine->topImage();

    // The full-size file of each photo; one that left the library since it was chosen is named
    // in the saved panel and the others go on.
    std::vector<std::filesystem::path> photos;
    for (long item = 0; item < metodoNumeroFoto(); ++item) {
        auto asset = metodoAssetAllIndice(item);
        std::optional<ContentEditingInput> input;
        if (asset)
            library->requestContentEditingInput(*asset, [&input](std::optional<ContentEditingInput> answer) { input = std::move(answer); });
        if (input) {
            photos.push_back(input->fullSizeImageURL);
            continue;
        }
        const std::string name = asset ? std::filesystem::path(asset->localIdentifier).filename().string() : "#" + std::to_string(myArrayIndexSelezionati[static_cast<size_t>(item)]);
        myArrFotoNonSalvate.push_back(name + ": no longer in the photo library");
        ++indexAsset;
    }
    log::debug("Applico logo alle Foto: " + std::to_string(photos.size()) + " photos, logo side " + std::to_string(placement.sizePercent) + "% of the short side");
    if (indexAsset > 0)
        metodoMostraProgresso(progressPercent(indexAsset, m_batchCount));
    if (photos.empty()) {
        metodoFineBatch();
        return;
    }
    m_batch = std::make_shared<StampBatch>(engine, library->savedPhotosFolder(), myNumeroLavori);
    // Applying the same logo the same way to photos already done (pressed again, or after a
    // batch that was cut short) adds no second copy of them; another placement, logo or mode
    // stamps them anew.
    m_batch->setSkipDone(true);
    m_batch->setInputsFolder(library->folder()); // a photo is known by its place in the library
    if (!placements.adjustments.empty())
        m_batch->setEngineForPhoto([motori = m_motori](const std::filesystem::path& photo) { return motori->engineFor(photo); });
    std::weak_ptr<ViewController> weak = weak_from_this();
    m_batch->start(std::move(photos),
        [weak](const StampProgress& progress) {
            if (auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock()))
                self->metodoRiceviProgresso(progress);
        },
        [weak](const StampSummary&) {
            auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock());
            if (!self)
                return;
            self->m_batchFinished = true;
            if (!self->m_progressTimer)
                self->metodoFineBatch();
        });
}

void QuintaraApplyController::metodoRiceviProgresso(const StampProgress& progress)
{
    m_progressDaMostrare.push_back(progress);
    if (!m_progressTimer)
        metodoMostraProgressoSuccessivo();
}

void QuintaraApplyController::metodoMostraProgressoSuccessivo()
{
    if (m_progressDaMostrare.empty()) {
        m_progressTimer = false;
        if (m_batchFinished && myBoolBatchInCorso)
            metodoFineBatch();
        return;
    }
    const StampProgress progress = m_progressDaMostrare.front();
    m_progressDaMostrare.pop_front();
    if (!progress.notice.empty())
        myArrAvvisiFoto.push_back(photoLine(progress.source, progress.notice));
    if (progress.saved) {
        ++myNumeroFotoSalvate;
        m_fotoSalvate.push_back(*progress.saved);
    } else if (progress.skipped) {
        ++myNumeroFotoSaltate;
        log::debug("already stamped as " + progress.skipped->string() + ": " + progress.source.string());
    } else {
        myArrFotoNonSalvate.push_back(photoLine(progress.source, progress.error));
        log::warning("not stamped: " + progress.error);
    }
    ++indexAsset;
    metodoMostraProgresso(progressPercent(indexAsset, m_batchCount));
    m_progressTimer = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    RunLoop::main().postAfter(kFotogramma, [weak] {
        if (auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock()))
            self->metodoMostraProgressoSuccessivo();
    });
}

void QuintaraApplyController::metodoMostraProgresso(int percent)
{
    myLabelPercentualeAvvisi->setText(progressLabelText(percent, mySingleScritte::sharedInstance().stringaNonChiudereLApp()));
    myProgressBarApplicatore->setProgress(percent / 100.0, true);
}

void QuintaraApplyController::metodoFineBatch()
{
    myBoolBatchInCorso = false;
    m_batchFinished = true;
    log::debug("STOP Applico logo alle Foto");
    if (!m_fotoSalvate.empty())
        library->didAddPhotos();
    metodoMostraPannelloSalvate();
}

void QuintaraApplyController::metodoMostraPannelloSalvate()
{
    const auto& scritte = mySingleScritte::sharedInstance();
    // Nothing written because every photo already carried this stamp: the panel says so
    // instead of claiming the logo was applied.
    const bool nienteDiNuovo = myArrFotoNonSalvate.empty() && myNumeroFotoSalvate == 0 && myNumeroFotoSaltate > 0;
    if (nienteDiNuovo) {
        const std::string testo = myNumeroFotoSaltate == 1 ? scritte.stringaNienteDaApplicareUna() : scritte.stringaNienteDaApplicare();
        myLabelLeFotoSonoSalvate->setText(replaced(testo, "{skipped}", std::to_string(myNumeroFotoSaltate)));
        myLabelFotoNonSalvate->setText("");
    } else if (myArrFotoNonSalvate.empty()) {
        myLabelLeFotoSonoSalvate->setText(scritte.stringaLoghiApplicati());
        myLabelFotoNonSalvate->setText("");
    } else {
        std::string text = replaced(replaced(scritte.stringaFotoSalvateDi(), "{saved}", std::to_string(myNumeroFotoSalvate)), "{count}", std::to_string(m_batchCount));
        myLabelLeFotoSonoSalvate->setText(text);
        myLabelFotoNonSalvate->setText(listLines(myArrFotoNonSalvate));
    }
    myLabelFotoSaltate->setText(myNumeroFotoSaltate && !nienteDiNuovo ? replaced(scritte.stringaFotoGiaApplicate(), "{skipped}", std::to_string(myNumeroFotoSaltate)) : "");
    myLabelAvvisiFoto->setText(myArrAvvisiFoto.empty() ? "" : scritte.stringaAvvisiFoto() + "\n" + listLines(myArrAvvisiFoto));
    metodoImpaginaPannelloSalvate();
    // The panel takes the place of the progress: the ring, percentage and bar fade behind it.
    View::animate(kComparsa, [this] {
        myViewLogoApplicato->setAlpha(1);
        for (View* progresso : { static_cast<View*>(myImageViewCerchio1.get()), static_cast<View*>(myLabelPercentualeAvvisi.get()), static_cast<View*>(myProgressBarApplicatore.get()) })
            progresso->setAlpha(0);
    });
}

// The panel is as tall as what it says: its texts one under the other, each as tall as its
// lines, the ones with nothing to say taking no room, then the OK button; centred on the overlay.
void QuintaraApplyController::metodoImpaginaPannelloSalvate()
{
    auto& panel = *myViewLogoApplicato;
    const double margin = myLabelLeFotoSonoSalvate->frame().x();
    const double width = panel.bounds().width() - 2 * margin;
    double y = margin;
    for (Label* label : { myLabelLeFotoSonoSalvate.get(), myLabelFotoNonSalvate.get(), myLabelFotoSaltate.get(), myLabelAvvisiFoto.get() }) {
        const double height = label->text().empty() ? 0 : label->sizeThatFits({ width, 0 }).height;
        label->setFrame({ margin, y, width, height });
        if (height > 0)
            y += height + kSpazioPannello;
    }
    const Rect ok = myButtonOkSalvate->frame();
    y += kSpazioPannello;
    myButtonOkSalvate->setFrame({ (panel.bounds().width() - ok.width()) / 2, y, ok.width(), ok.height() });
    y += ok.height() + margin;
    const Rect overlay = myViewApplicatore->bounds();
    const double height = std::min(y, overlay.height());
    panel.setFrame({ panel.frame().x(), overlay.midY() - height / 2, panel.frame().width(), height });
}

void QuintaraApplyController::metodoEsceApplicatore(double durata)
{
    View::animate(durata, [this] { myViewApplicatore->setCenter({ Centro.x * 3, myViewApplicatore->center().y }); });
    metodoAnimazioniCerhiStop();
}

void QuintaraApplyController::myButtonOkSalvateACTION()
{
    if (myBoolBatchInCorso)
        return;
    metodoAnimazioniCerhiStop();
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

Result<std::filesystem::path> QuintaraApplyController::metodoSalvaPosizionamento(const std::filesystem::path& cartella)
{
    const std::string text = metodoPosizionamentiBatch().toJson().dump(2) + "\n";
    auto file = PendingFile::create(cartella);
    if (!file)
        return std::unexpected(file.error());
    if (std::fwrite(text.data(), 1, text.size(), file->stream()) != text.size())
        return fail(cartella.string(), "cannot write the placement");
    return file->commit("placement", ".json");
}

void QuintaraApplyController::myButtonSalvaPosizioneACTION()
{
    if (myBoolBatchInCorso)
        return;
    const auto& scritte = mySingleScritte::sharedInstance();
    auto saved = metodoSalvaPosizionamento(paths::documentsDirectory() / "Placements");
    const std::string message = saved ? replaced(scritte.stringaPosizioneSalvata(), "{file}", saved->string()) : replaced(scritte.stringaPosizioneNonSalvata(), "{reason}", saved.error().message);
    auto alert = AlertController::make("Vardenico", message);
    alert->setName("myAlertPosizione");
    alert->addAction("OK", AlertController::ActionStyle::Default);
    if (auto* window = view()->window())
        alert->present(*window);
}

}
