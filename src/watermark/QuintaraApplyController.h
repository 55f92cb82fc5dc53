#pragma once

#include <platform/graphics/Image.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/ui/presentation/ViewController.h>
#include <watermark/BatchPlacements.h>
#include <watermark/PlacementDescription.h>
#include <watermark/StampBatch.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class Button;
class CachingImageManager;
class CollectionView;
class ImageView;
class Label;
class LDStickerView;
class PanGestureRecognizer;
class PhotoLibrary;
class ProgressView;
class Slider;
class Stepper;
class Switch;

// The apply screen ("quintaraapply"): places the logo over a preview of the selected photos and
// stamps every one of them. The photo browser sets the three inputs before pushing it.
//
// The placement is measured on the preview (edge flags, centre percentages, margins in preview
// points, size as a percentage of the area width, opacity, the sticker's frame width and turn)
// into the PlacementDescription that `vardenico stamp --placement` reads too, and the photos are
// stamped by the same engine on its worker threads while this screen follows the progress on the
// main run loop.
class QuintaraApplyController : public ViewController {
public:
    QuintaraApplyController();
    ~QuintaraApplyController() override;
    std::string className() const override { return "QuintaraApplyController"; }

    std::optional<FetchResult<PhotoAsset>> assetsFetchResults; // the photos the browser showed
    std::vector<int> myArrayIndexSelezionati;                   // positions in assetsFetchResults, in selection order
    std::optional<Image> logoDaAplicare;                        // the logo to stamp

    // Where the stamped photos go ("Saved Photos" of this library): the user's library unless the
    // opener chose another before the screen loads.
    PhotoLibrary* library { nullptr };
    unsigned myNumeroLavori { 0 }; // photos stamped at once; 0: one per core

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // The strip of selected photos.
    long metodoNumeroFoto() const { return static_cast<long>(myArrayIndexSelezionati.size()); }
    std::optional<PhotoAsset> metodoAssetAllIndice(long item) const; // nothing when the position is not in the fetch result
    void metodoMostraFoto(long item); // previews the selected photo at item of the strip

    // Measuring and repositioning.
    void handlePanGesture(PanGestureRecognizer& recognizer);
    void metodoAllinementoDaPan();
    void metodoPosizionaLogo(double larghezzaOld, double altezzaOld, double larghezzaNEW, double altezzaNEW, Rect vecchioFrame, Point vecchioCenter);
    // Keeps the logo's centre on the placement area, so some of the logo is always on the photo
    // (a logo dragged off it would be stamped nowhere); true when the logo had to be moved.
    bool metodoTieniLogoSullaFoto();
    // Keeps the logo on the preview at least a fingertip wide (44 points inside the sticker's
    // margins), whatever the photo's shape; true when it had to be enlarged.
    bool metodoTieniLogoVisibile();
    // The arrows move the logo 1 point (10 with Shift) and measure it as after a drag; true when
    // it was moved (no batch runs and nothing covers the logo).
    bool metodoSpostaLogo(Point delta);
    bool performKeyCommand(const KeyPress& press) override;
    // The placement as the engine takes it, read from the screen now.
    PlacementDescription metodoDescrizionePosizionamento() const;

    // Size panel, opacity, tutorial.
    void myButtonBigPresetLogoACTION();
    void myStepperPercentualeLogoACTION();
    void myButtonCloseViewPercentualeACTION();
    void metodoChiudiViewPercentuale(double durata);
    void metodoSettaPercentualeLabelInBaseAlloStepper();
    // The stepper and its label show the sticker's side as it is now, its minimum the smallest
    // side the logo may take on this area.
    void metodoAggiornaStepper();
    void mySliderAlphaACTION();
    void metodoAppareTutorial();
    void metodoEsceTutorial(double durata);
    void metodoSettoLabelTutorial();
    void myButtonOkTutoACTION();
    void myButtonAppareTutorialACTION();
    void myButtonBackACTION();
    void metodoAnimazioniCerhi();
    void metodoAnimazioniCerhiStop();

    // The batch.
    void myButtonApplicaACTION();
    void metodoEntraApplicatore(double durata);
    void metodoImpostaViewPerApplicarelogo();
    void metodoEsceApplicatore(double durata);
    void myButtonOkSalvateACTION();
    bool metodoBatchInCorso() const { return myBoolBatchInCorso; }
    // Writes the placement as a JSON file for `vardenico stamp --placement`; the file's path.
    Result<std::filesystem::path> metodoSalvaPosizionamento(const std::filesystem::path& cartella);
    void myButtonSalvaPosizioneACTION();
    // Lossless stamping (off unless the user turned it on; remembered in the user defaults).
    void mySwitchSenzaPerditaACTION();
    bool metodoSenzaPerdita() const;

    // The review grid and the photos with a placement of their own.
    void myButtonRevisioneACTION();       // opens the grid of every selected photo as it will be stamped
    void metodoRegolaFoto(long item);     // previews that photo to place the logo on it alone
    void myButtonFineRegolazioneACTION(); // keeps the photo's own placement, back to the grid
    void myButtonUsaComuneACTION();       // "Use the common placement": drops it, back to the grid
    // The placement of every photo without one of its own (while a photo is adjusted, the one
    // the screen had before).
    PlacementDescription metodoPosizionamentoComune() const;
    // What the batch stamps and "Save placement" writes: the common placement, adapting, and the
    // photos' own placements by file name and content.
    BatchPlacements metodoPosizionamentiBatch() const;
    // "Adapt to each photo" (off unless the user turned it on; remembered in the user defaults).
    bool metodoAdatta() const;
    void metodoImpostaAdatta(bool adatta);

    // Screen state.
    std::shared_ptr<CachingImageManager> imageManager;
    std::shared_ptr<LDStickerView> stickerView;
    Point Centro;
    std::vector<double> myArrAllineamentoGenerale { 0, 0, 0, 0 };   // left, right, top, bottom: 0 or 1
    std::vector<double> myArrPercentualiAllineamento { 50, 50, 0 }; // logo centre, % of the area
    std::vector<double> myArrayConMisureMargini { 0, 0, 0, 0 };     // preview points
    double myPercentualeGrandezza { 20.0 };
    double alphaSticker { 1.0 };
    std::map<long, PlacementDescription> myMappaRegolazioni; // the photos' own placements, by position in the strip
    std::optional<long> myIndiceRegolazione;                  // the photo being adjusted
    long myIndiceFotoMostrata { -1 };                         // the photo in the preview

    // Batch state.
    std::size_t indexAsset { 0 };    // photos finished in the running batch
    Image topImage;                  // the logo as turned for the batch
    std::vector<std::string> myArrFotoNonSalvate; // "name: reason" of each photo that was not saved
    std::vector<std::string> myArrAvvisiFoto;     // "name: notice" of each photo stamped not quite as asked
    std::size_t myNumeroFotoSalvate { 0 };
    std::size_t myNumeroFotoSaltate { 0 };        // already stamped with this logo and placement: not written again

    // Views bound from the layout.
    std::shared_ptr<View> myViewCustomNavBar, myViewBgScrollView, myViewBgPosizionatoreLogoo;
    std::shared_ptr<ImageView> myImageViewPreviewPhotos, myImageViewSfondo, myImageViewCerchio1;
    std::shared_ptr<View> myViewAllineamntoUp, myViewAllineamentoSx, myViewAllineamentoDx, myViewAllineamntoDw;
    std::shared_ptr<CollectionView> myCollectionView;
    std::shared_ptr<Stepper> myStepperPercentualeLogo;
    std::shared_ptr<Label> myLabelPercentualeGrandezzaLog;
    std::shared_ptr<View> myViewBgPercentualeGrandezzaLogo;
    std::shared_ptr<Button> myButtonBigPresetLogo, myButtonCloseViewPercentuale;
    std::shared_ptr<Slider> mySliderAlphaProp;
    std::shared_ptr<View> myViewBgSliderAlpha;
    std::shared_ptr<View> myViewBgTutorial;
    std::shared_ptr<Label> myLabelTutoRuotaScala, myLabelTutoUsaDimensioniPreset, myLabelTutoAppenaFinisciApplica, myLabelTutoSpostaLogo;
    std::shared_ptr<Button> myButtonOkTuto, myButtonAppareTutorial, myButtonBack, myButtonApplica, myButtonSalvaPosizione;
    std::shared_ptr<View> myViewApplicatore, myViewLogoApplicato;
    std::shared_ptr<Label> myLabelPercentualeAvvisi, myLabelLeFotoSonoSalvate, myLabelFotoNonSalvate, myLabelFotoSaltate;
    std::shared_ptr<ProgressView> myProgressBarApplicatore;
    std::shared_ptr<Button> myButtonOkSalvate;
    std::shared_ptr<Switch> mySwitchSenzaPerdita;
    std::shared_ptr<Label> myLabelSenzaPerdita, myLabelAvvisiFoto;
    std::shared_ptr<Button> myButtonRevisione, myButtonUsaComune, myButtonFineRegolazione;
    std::shared_ptr<View> myViewRegolazione; // over the strip while one photo is adjusted
    std::shared_ptr<Label> myLabelRegolazione;

protected:
    // The points where the tablet differs.
    virtual void metodoSistemaViewAlCaricamento();                                   // phone: area full width, vertical slider
    virtual void metodoSistemaViewAllaComparsa();                                     // phone: vertical slider, notched bar
    virtual void metodoAdattaAreaAllaFoto(const Image& image, Rect vecchioFrame, Point vecchioCenter); // phone: the photo fitted into the visible part
    // Where the phone's preview can be seen: the preview's container less the opacity slider's column.
    Rect metodoAreaVisibile() const;

private:
    class Strip;
    class Trascinamento;
    struct Istantanea; // a placement as the screen shows it: the sticker, the measures, the photo
    std::shared_ptr<Istantanea> metodoScattaIstantanea() const;
    void metodoApplicaIstantanea(const Istantanea& istantanea);
    void metodoRipristinaComune();
    void metodoApriRevisione();
    void metodoCreaSticker();
    void metodoApplicaLogoFoto(std::vector<std::filesystem::path> photos);
    void metodoRiceviProgresso(const StampProgress& progress);
    void metodoMostraProgressoSuccessivo();
    void metodoMostraProgresso(int percent);
    void metodoFineBatch();
    void metodoMostraPannelloSalvate();
    void metodoImpaginaPannelloSalvate();

    std::shared_ptr<Strip> m_strip;
    std::shared_ptr<Trascinamento> m_trascinamento;
    std::shared_ptr<PanGestureRecognizer> m_pan;
    std::shared_ptr<StampBatch> m_batch;
    std::shared_ptr<PlacementEngines> m_motori; // the running batch's engines
    std::shared_ptr<Istantanea> m_istantanea; // the common placement, kept while one photo is adjusted
    std::map<long, std::shared_ptr<Istantanea>> m_istantaneeRegolazioni; // each adjusted photo as it was left
    bool myBoolBatchInCorso { false };
    bool m_batchFinished { false };
    std::size_t m_batchCount { 0 };
    std::deque<StampProgress> m_progressDaMostrare; // each step stays on screen at least a frame
    bool m_progressTimer { false };
    std::vector<std::filesystem::path> m_fotoSalvate;
    std::optional<double> m_latoSottoIlMinimo; // the side the resize rule asked for when it was below the smallest
    std::optional<std::pair<double, double>> m_stepperLimiti; // the stepper's range as laid out
};

// The tablet layout of the same screen.
class QuintaraApplyControllerIPAD : public QuintaraApplyController {
public:
    std::string className() const override { return "QuintaraApplyControllerIPAD"; }

protected:
    void metodoSistemaViewAlCaricamento() override {}
    void metodoSistemaViewAllaComparsa() override {}
    void metodoAdattaAreaAllaFoto(const Image& image, Rect vecchioFrame, Point vecchioCenter) override;
};

}
