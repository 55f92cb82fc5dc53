#pragma once

// The logo editor: a square canvas whose children are the logo's layers (stickers, bottom
// first), the tool area with its tool bar and panels, and the top bar.
//
// The class is split by panel:
//   LogoMakerController.cpp  load, appearance, layers, selection, gestures, layer table, tool bar, leaving
//   LogoMakerTextTool.cpp    the text tool (fonts, sizes, alignment, text colour)
//   LogoMakerPalettes.cpp    the shape and icon palettes and the colour panel and popover
//   LogoMakerSaving.cpp      saving the canvas as a logo
//   LogoMakerSettings.cpp    guides, canvas style, settings panel and tutorial overlay
//   LogoMakerHistory.cpp     undo and redo, and the editor's keys

#include <editor/ColorPickerViewController.h>
#include <editor/LogoCanvasView.h>
#include <elements/CustomScrollView.h>
#include <elements/LDStickerView.h>
#include <library/LogoScreenInputs.h>
#include <services/ViewModel.h>
#include <platform/graphics/Color.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/SegmentedControl.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/gestures/GestureRecognizer.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/lists/PickerView.h>
#include <platform/ui/lists/TableView.h>
#include <platform/ui/presentation/ViewController.h>
#include <platform/ui/views/Layer.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class LogoMakerLayerCell;
class Popover;
class AlertController;

class LogoMakerController : public ViewController
    , public GestureRecognizerDelegate
    , public ColorPickerDelegate
    , public LogoEditorInputs {
public:
    LogoMakerController();
    ~LogoMakerController() override;
    std::string className() const override { return "LogoMakerController"; }

    // Lifecycle.
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // What the gallery and the preview hand over before the screen is shown.
    void setMyStringaControllerDiProvenienza(std::string provenance) override { myStringaControllerDiProvenienza = std::move(provenance); }
    void setNomeKeyImg(std::string key) override { nomeKeyImg = std::move(key); }
    void setMyLogoArrayConViewPassato(std::vector<ViewModel> records) override { myLogoArrayConViewPassato = std::move(records); }
    void setIndexDiProvenienza(std::optional<int> index) override { indexDiProvenienza = index; }

    // Canvas and layers (LogoMakerController.cpp).
    void metodoCaricaLogo(const std::vector<ViewModel>& records);
    bool metodoAggiungiViewImage(const ViewModel& record); // false: skipped (unknown image)
    bool metodoAggiungiViewText(const ViewModel& record);  // false: skipped (font cannot be loaded)
    std::shared_ptr<LDStickerView> metodoAggiungiFormaWithNomeImmagine(const std::string& nome); // nothing for an unknown name
    void metodoImpostaViewSelezionata(const std::shared_ptr<LDStickerView>& sticker);
    void metodoAttivaView();
    void metodoDisattivaView();
    void mySliderAlphaAction();
    void metodoEntraTableLayer();
    void metodoEsciTableLayer();
    void metodoAbilitaDisabilitaEditingLayer();
    void metodoDisabilitaEditingLayer();
    void metodoIndexCustomTab(int index);
    void metodoSeleizionaPrimoIndexSelettore();
    void metodoCalcolaPosizioneButtonInToolBar();
    void myButtonBackACTIOn();
    void stickerViewDidClose() { /* the editor keeps no list of its own */ }
    // The stickers on the canvas, bottom first; what is selected (nothing for the placeholder).
    std::vector<std::shared_ptr<LDStickerView>> stickers() const;
    std::shared_ptr<LDStickerView> selectedSticker() const;
    void moveLayer(size_t from, size_t to); // the layer table's reorder

    // Text tool (LogoMakerTextTool.cpp).
    void myButtonAddTextACTION() { metodoAggiungitesto(); }
    std::shared_ptr<LDStickerView> metodoAggiungitesto();
    void metodoAccendiPickerFont();
    void pickerViewDidSelectRow(PickerView& picker, long row);
    void metodoResizeTextView();
    void fitTextSticker(LDStickerView& sticker); // its height follows its text around its centre, never narrower
    void mySegmenteControlAllineamentoACTION();
    void metodoBecomeFirtRsponder(const std::shared_ptr<TextView>& textView);
    void myButtonTextColorACTION();
    void myButtonDoneColorACTION();
    void metodoEntraTextSetting();
    void metodoEsceTextSetting();
    void metodoSincronizzaPicker(const TextView& textView); // pickers and alignment follow a text
    static bool fontCanBeLoaded(const std::string& name);

    // Palettes and colours (LogoMakerPalettes.cpp).
    void myButtonSketchCollectionACTION();
    void myButtonAddForma();
    void metodoEntraCollectionForme(bool animated);
    void metodoEsceCollectionForme();
    void paletteDidSelectItem(long item);
    void metodoEntraColorPicker(bool textMode);
    void metodoEsceColorPicker();
    void myButtonColorPickerACTION();
    void colorPickerDidColorSelected(const Color& color, const std::string& selectedHexColor) override;

    // Saving (LogoMakerSaving.cpp).
    void myButtonSaveACTIOn();
    void metodoSalvaLogo();

    // Guides, style, settings, tutorial (LogoMakerSettings.cpp).
    void addDashedLineOr(Point from, Point to);
    void addDashedLineVer(Point from, Point to);
    void metodoDisegnaLineeGuida();
    void stickerViewAlCentro();
    void stickerViewOrizzontale();
    void stickerViewVerticale();
    void stickerViewNascondiGuide();
    void stickerViewNascondiLineaOrizzontale();
    void funzioneReloadTableLayer() { metodoRegistraModifica(); } // a layer deleted itself
    void metodoLocalizzaScritteConColoreEditor();
    bool metodoApplicaStile(long long value, bool animated); // false: not a style, nothing changed
    void myButtonEditorWhiteACTIOn();
    void myButtonEditorGrayACTION();
    void myButtonEditorDarkACTION();
    void metodoEntraSetting();
    void metodoEsceSettings();
    void metodoAppareTutorial();
    void metodoEsceTutorial(double duration);
    void metodoSettoLabelTutorial();
    void myButtonOkTutorialACTION();

    // Undo and redo, and the keys (LogoMakerHistory.cpp). The history keeps the canvas as it was
    // after each change: its layers as the store saves them, each layer's turn as drawn, and the
    // canvas style. It lasts as long as the editor; saving leaves it as it is.
    struct StatoCanvas {
        std::vector<ViewModel> livelli; // bottom first
        std::vector<AffineTransform> trasformazioni;
        long long stile { 3 };
        friend bool operator==(const StatoCanvas&, const StatoCanvas&) = default;
    };
    StatoCanvas metodoStatoCanvas() const;
    // Records the canvas when it differs from the last record: a control's change, at once.
    void metodoRegistraModifica();
    // The same once no finger is on the screen and no text is being typed: a drag, a pinch, a
    // slider's slide or a typed text is one change however many frames it took.
    void metodoRegistraAFineGesto();
    bool metodoAnnulla(); // false when there is nothing to undo
    bool metodoRipeti();  // false when there is nothing to redo
    size_t metodoNumeroAnnullabili() const { return myIndexStoria; }
    size_t metodoNumeroRipetibili() const { return myArrStoria.empty() ? 0 : myArrStoria.size() - 1 - myIndexStoria; }
    // Delete and the arrows act on the selected layer as its delete handle and a drag do.
    bool metodoEliminaLivelloSelezionato();
    bool metodoSpostaLivelloSelezionato(Point delta);
    // Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo; Delete and Backspace delete the selected
    // layer; the arrows move it 1 point, 10 with Shift. Ctrl+S is the save button's own key.
    bool performKeyCommand(const KeyPress& press) override;

    bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }

    // The editor's state, with the names the rest of the program and the scripts use.
    Point Centro;
    std::shared_ptr<LogoCanvasView> myViewTemporanea;
    std::shared_ptr<Slider> mySliderAlpha;
    std::shared_ptr<Button> myButtonBack;
    std::shared_ptr<View> myViewLogoComposer, myViewLogoComposerInSCROLL;
    std::shared_ptr<CustomScrollView> myScrollViewLogoComposer;
    std::shared_ptr<View> myViewBarraStrumenti, myViewCustomNavBar, myViewToolBarStrumenti;
    std::shared_ptr<ShapeLayer> lineOrizzontale = std::make_shared<ShapeLayer>();
    std::shared_ptr<ShapeLayer> lineVerticale = std::make_shared<ShapeLayer>();
    std::shared_ptr<CollectionView> myCollectionView;
    std::shared_ptr<ImageView> selectedView;
    std::shared_ptr<LDStickerView> selectedLdsSticker;
    std::shared_ptr<LDStickerView> selectedldsStickerTEMPO;
    std::vector<std::string> colorList;
    inline static const std::string keyCentroPerfetto { "centroperfetto" };
    inline static const std::string keyCentroOr { "centroor" };
    inline static const std::string keyCentroVer { "centrover" };
    inline static const std::string keyNascondiLineeGuida { "nascondilinee" };
    inline static const std::string keyNascondiLineaOrizzonale { "nascondiorizzaontale" };
    inline static const std::string keyReloadTable { "reloadtable" };
    std::shared_ptr<TableView> myTableViewLayer;
    std::shared_ptr<View> myViewBgtableLayer;
    inline static const std::string keyColoreEditor { "keycoloreeditototo" };
    std::shared_ptr<Button> myButtonOrdinaLayer;
    std::shared_ptr<Label> myLabelOrdinaLayerTitle;
    std::shared_ptr<Button> myButtonEntraTableLayer, myButtonCloseTableViewLayer;
    std::shared_ptr<View> myViewBgSetting, myViewRectPiccoloSetting;
    std::shared_ptr<Label> myLabelSettingsTitle, myLabelEditorStyle, myLabelNotaSfondoTrasparente;
    std::shared_ptr<Button> myButtonWhiteProperty, myButtonGrayProperty, myButtonDarkProperty;
    std::shared_ptr<Button> myButtonEntraSettingProp, myButtonEsceViewSetting;
    std::optional<Color> coloreDefaultOggettiAggiunti;
    std::shared_ptr<Label> myLabelTrasparenza;
    std::shared_ptr<View> myViewColorsAndAlphaBG;
    // Text tool.
    std::shared_ptr<View> myViewFontTextBG;
    std::shared_ptr<PickerView> myPickerViewFont;
    std::vector<std::string> myArrayPickerFontData;
    std::shared_ptr<PickerView> myPickerViewFontSize;
    std::vector<int> myArrayFontSize;
    std::string myStringFontSize { "20" };
    std::shared_ptr<Button> myButtonAddTextProp;
    inline static const std::string myStringFontDefalut { "GillSans-UltraBold" };
    std::shared_ptr<SegmentedControl> mySegmentedControlAllineamnto;
    inline static const TextAlignment myArrayAllineamento[3] { TextAlignment::Left, TextAlignment::Center, TextAlignment::Right };
    std::shared_ptr<Button> myButtonTextColor, myButtonDoneColor;
    // Tool bar and palettes.
    std::shared_ptr<Button> myButtonSketckCollection, myButtonAddGeometryProp;
    std::vector<Point> myArrayPosizioneOggettiToolBar;
    std::shared_ptr<View> myViewBgCollectionForme;
    std::shared_ptr<CollectionView> myCollectionForme;
    std::vector<std::string> myArrNomiFormeDaSingle;
    std::shared_ptr<ImageView> myImageViewButtonIcon, myImageViewButtonGeometry, myImageViewButtonLayer, myImageViewButtonText;
    std::shared_ptr<View> myViewSegmentSelezionata;
    std::shared_ptr<Button> myButtonSaveLogoProp;
    // What the opener hands over.
    std::vector<ViewModel> myLogoArrayConViewPassato;
    std::string myStringaControllerDiProvenienza;
    bool myBoolQuintara { false };
    std::string nomeKeyImg;
    std::optional<int> indexDiProvenienza;
    // Tutorial.
    std::shared_ptr<View> myViewBgTutorial;
    std::shared_ptr<Label> myLabelAggiungiTemplate, myLabelAggiungiGeometric, myLabelAggiungiTesto, myLabelToccaPerModificareTuto,
        myLabelRuotaScalaTuto, myLabelAlteraTuto, myLabelEliminaTuto, myLabelLoghiSalvatiBgTrasparenteTuto, myLabelOrdinaLivelliTuto;
    std::shared_ptr<Button> myButtonOkTutorial, myButtonEtraTutorial;
    Rect initialBound;
    std::shared_ptr<Button> myButtonColorPicker;
    std::optional<Color> coloreViewTempo;

    // The popover grid while it is shown, and the alert the back button or an empty save shows.
    std::shared_ptr<ColorPickerViewController> myColorPickerPresentato;
    std::shared_ptr<Popover> myPopoverColori;
    std::shared_ptr<AlertController> myAlertAperto;
    // Records "dataview" and the opener held that could not be shown (unknown image or font).
    int myNumLayerSaltati { 0 };
    // The colour panel was opened for a text's colour.
    bool myBoolColorPickerTesto { false };
    // The canvas after each change, oldest first, and the one the canvas shows now.
    std::vector<StatoCanvas> myArrStoria;
    size_t myIndexStoria { 0 };

protected:
    // Numbers the tablet twin changes.
    virtual double topBarOffset(); // the phone's bar drops below a notch the container has not cleared
    static constexpr double kImageLayerSide = 200;
    static constexpr double kNewTextWidth = 200, kNewTextHeight = 70;
    static constexpr double kStickerOrigin = 10;

private:
    struct Lists;
    std::shared_ptr<Lists> m_lists;
    void wireSticker(const std::shared_ptr<LDStickerView>& sticker, bool text);
    // A picture layer on the canvas, pinchable, tinted, wired like every sticker.
    std::shared_ptr<LDStickerView> addPictureSticker(const std::string& nome, const Image& image, double width, double height, const std::optional<Color>& tint);
    void handleTap(GestureRecognizer& recognizer);
    void doubleTapText(GestureRecognizer& recognizer);
    void handlePanGesture(GestureRecognizer& recognizer);
    void pinchedView(GestureRecognizer& recognizer);
    void beginCanvasGesture();
    void endCanvasGesture();
    void foldZoomIntoBounds(const std::shared_ptr<LDStickerView>& sticker);
    void fillLayerCell(LogoMakerLayerCell& cell, size_t row);
    void slidePanel(const std::shared_ptr<View>& panel, bool in, double duration);
    void presentAlert(const std::shared_ptr<AlertController>& alert);
    void layoutBars();
    void metodoRipristinaStato(const StatoCanvas& stato);
    void metodoAttendiFineGesto();
    bool m_registrazioneInAttesa { false };
    // The last arrow press: its layer, the history step it made or extended, and when.
    struct UltimaFreccia {
        std::weak_ptr<LDStickerView> sticker;
        size_t passo { 0 };
        double quando { 0 };
    };
    std::optional<UltimaFreccia> m_ultimaFreccia;
};

// The tablet twin: the same editor with the tablet's frames (from its own layout) and no notch
// adjustment of the top bar.
class LogoMakerControllerIPAD : public LogoMakerController {
public:
    std::string className() const override { return "LogoMakerControllerIPAD"; }

protected:
    double topBarOffset() override { return 0; }
};

}
