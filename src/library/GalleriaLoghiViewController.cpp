#include <library/GalleriaLoghiViewController.h>

#include <services/mySingleScritte.h>
#include <library/CellLoghiGalleria.h>
#include <library/LogoPickerClient.h>
#include <library/LogoScreenInputs.h>
#include <library/PreviewLogoGeneratoViewController.h>
#include <elements/SensorHousing.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/PhotoPicker.h>
#include <platform/ui/presentation/Popover.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <algorithm>

namespace vd {

namespace {

constexpr const char* kCellIdentifier = "CellLoghiGalleria";
constexpr double kPanelDuration = 0.3;
constexpr Size kPickerPopoverSize { 540, 640 };

bool isTablet() { return ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet; }

// The logo list lines up with the stored rows only until something empties it (the gallery's own
// back does); operations by index reload it first.
void metodoRiallineaLoghi(mySingleElementiManage& store)
{
    if (store.myArrLoghiEstratti.size() != store.myArrLoghiInCore.size())
        store.metodoCaricaDictOfData();
}

// The interface pictures are grey templates: drawn in the button's tint.
void metodoIconaModello(Button& button)
{
    button.setImage(button.imageForState(ControlStateNormal).withRenderingMode(Image::RenderingMode::Template));
}

}

GalleriaLoghiViewController::GalleriaLoghiViewController()
    : Centro { currentScreenSize().width / 2, currentScreenSize().height / 2 }
{
    bind("myViewAggiungiCreaLogo", myViewAggiungiCreaLogo);
    bind("myButtonExitAggiungiCreaProp", myButtonExitAggiungiCreaProp);
    bind("myVIewBgTastiniCreaCarica", myVIewBgTastiniCreaCarica);
    bind("myButtonCreaProp", myButtonCreaProp);
    bind("myButtonCaricaProp", myButtonCaricaProp);
    bind("myCollectionViewLoghi", myCollectionViewLoghi);
    bind("myButtonBack", myButtonBack);
    bind("myViewCustomNavBar", myViewCustomNavBar);
    bind("myLabelTitolo", myLabelTitolo);
    action("myButtonBackACTION", [this] { myButtonBackACTION(); });
    action("myButtonCreaACTION", [this] { myButtonCreaACTION(); });
    action("myButtonCaricaACTION", [this] { myButtonCaricaACTION(); });
    action("myButtonExitAggiungiCreaACTION", [this] { myButtonExitAggiungiCreaACTION(); });
}

GalleriaLoghiViewController::~GalleriaLoghiViewController()
{
    if (imagePicker)
        imagePicker->setCompletion({});
}

void GalleriaLoghiViewController::viewDidLoad()
{
    auto& store = mySingleElementiManage::sharedInstance();
    store.metodoCaricaDictOfData();
    auto self = std::dynamic_pointer_cast<GalleriaLoghiViewController>(shared_from_this());
    myCollectionViewLoghi->registerCellClass<CellLoghiGalleria>(kCellIdentifier);
    myCollectionViewLoghi->setDataSource(std::static_pointer_cast<CollectionViewDataSource>(self));
    myCollectionViewLoghi->setCollectionDelegate(std::static_pointer_cast<CollectionViewDelegate>(self));
    metodoIconaModello(*myButtonBack);
    metodoIconaModello(*myButtonExitAggiungiCreaProp);
    if (myLabelTitolo)
        myLabelTitolo->setText(mySingleScritte::sharedInstance().stringaLogoGallery());
}

void GalleriaLoghiViewController::metodoImpostaBarra()
{
    // In the size and place the screen is given: below the sensor housing the container already
    // keeps clear, the bar stays at the top; on a screen that reaches the housing it drops below.
    Rect bar = myViewCustomNavBar->frame();
    bar.origin.y = metodoSpazioSottoNotch(*view());
    myViewCustomNavBar->setFrame(bar);
    Rect grid = myCollectionViewLoghi->frame();
    grid.origin.y = bar.maxY();
    grid.size.height = std::max(0.0, view()->bounds().height() - grid.origin.y);
    myCollectionViewLoghi->setFrame(grid);
}

void GalleriaLoghiViewController::viewWillAppear(bool)
{
    metodoImpostaBarra();
    metodoNascondiPannelloAggiungi(0);
    const auto& scritte = mySingleScritte::sharedInstance();
    myButtonCreaProp->setTitle(scritte.stringaCREA());
    myButtonCaricaProp->setTitle(scritte.stringaCARICA());
    // Coming back from the preview or the editor: they may have deleted or replaced logos.
    metodoRiallineaLoghi(mySingleElementiManage::sharedInstance());
    log::debug("RELOAD COLLECTION LOGHI IN GALLERIA");
    myCollectionViewLoghi->reloadData();
}

long GalleriaLoghiViewController::numberOfItemsInSection(CollectionView&, long)
{
    return static_cast<long>(mySingleElementiManage::sharedInstance().myArrLoghiEstratti.size()) + 1;
}

std::shared_ptr<CollectionViewCell> GalleriaLoghiViewController::cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    auto cell = collectionView.dequeueReusableCell<CellLoghiGalleria>(kCellIdentifier, indexPath);
    const auto& logos = mySingleElementiManage::sharedInstance().myArrLoghiEstratti;
    const auto item = static_cast<size_t>(indexPath.item);
    if (item < logos.size() && logos[item]) {
        cell->metodoMostraLogo(*logos[item]);
        cell->setAzioneAggiungi({});
    } else {
        cell->metodoMostraAggiungi();
        cell->setAzioneAggiungi([this] { metodoMostraPannelloAggiungi(); });
    }
    return cell;
}

std::optional<Size> GalleriaLoghiViewController::sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath)
{
    const double w = collectionView.bounds().width();
    if (isTablet())
        return Size { (w - 2) / 5.1, w / 5.1 };
    return Size { (w - 2) * 0.5, w * 0.5 };
}

void GalleriaLoghiViewController::didSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    collectionView.deselectItemAtIndexPath(indexPath, Animated::No);
    auto& store = mySingleElementiManage::sharedInstance();
    metodoRiallineaLoghi(store);
    const auto item = static_cast<size_t>(indexPath.item);
    if (item >= store.myArrLoghiEstratti.size()) {
        metodoMostraPannelloAggiungi();
        return;
    }
    const auto logo = store.myArrLoghiEstratti[item]; // kept: the preview may reload the store
    if (!logo)
        return;
    if (myStringProvenienza.empty())
        metodoApriPreview(item, *logo);
    else
        metodoConsegnaLogoAlBrowser(item, *logo);
}

void GalleriaLoghiViewController::metodoApriPreview(size_t index, const DictDatamodelEstratti& logo)
{
    auto made = ScreenRegistry::shared().instantiate("previewlogo");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    auto preview = std::dynamic_pointer_cast<PreviewLogoGeneratoViewController>(*made);
    if (!preview) {
        log::warning("the screen \"previewlogo\" is not the saved-logo preview");
        return;
    }
    const double side = view()->bounds().width();
    preview->myImageLogo = logo.myImage();
    preview->myStringNomeOggetto = std::to_string(index);
    preview->myIndexFoto = static_cast<int>(index);
    preview->myFramePreview = Rect { 0, 0, side, side };
    if (logo.myArrViewModel) {
        preview->myStringType = "modifica";
        // A logo from the editor without its canvas colour shows on the clear colour.
        preview->myColorViewTemporanea = logo.myColoreSfongo.value_or(Color::clear());
    } else {
        preview->myStringType = "image";
        preview->myColorViewTemporanea = Color::clear();
        if (!preview->myImageLogo)
            log::debug("logo " + std::to_string(index + 1) + " has no picture to preview");
    }
    if (auto navigation = navigationController())
        navigation->pushViewController(preview, true);
}

void GalleriaLoghiViewController::metodoConsegnaLogoAlBrowser(size_t index, const DictDatamodelEstratti& logo)
{
    auto picture = logo.myImage();
    if (!picture) {
        // Handing back nothing would leave the browser with no logo and no reason.
        metodoMostraAlert("The picture of logo " + std::to_string(index + 1) + " cannot be read, so it cannot be applied. Choose another logo.");
        return;
    }
    auto navigation = navigationController();
    if (!navigation)
        return;
    const auto& stack = navigation->viewControllers();
    auto* client = stack.size() > 1 ? dynamic_cast<LogoPickerClient*>(stack[1].get()) : nullptr;
    if (!client) {
        log::warning("the gallery was opened as a picker, but the screen below is not the photo browser");
        navigation->popViewController(true);
        return;
    }
    client->setMyImageLogoPreview(std::move(picture));
    navigation->popToIndex(1, true);
}

void GalleriaLoghiViewController::metodoMostraPannelloAggiungi()
{
    View::animate(kPanelDuration, [this] { myViewAggiungiCreaLogo->setCenter({ Centro.x, myViewAggiungiCreaLogo->center().y }); });
}

void GalleriaLoghiViewController::metodoNascondiPannelloAggiungi(double durata)
{
    const auto move = [this] { myViewAggiungiCreaLogo->setCenter({ Centro.x * 3, myViewAggiungiCreaLogo->center().y }); };
    if (durata <= 0)
        View::performWithoutAnimation(move);
    else
        View::animate(durata, move);
}

void GalleriaLoghiViewController::myButtonExitAggiungiCreaACTION()
{
    metodoNascondiPannelloAggiungi(kPanelDuration);
}

void GalleriaLoghiViewController::myButtonCreaACTION()
{
    auto made = ScreenRegistry::shared().instantiate("logoEditor");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    if (auto editor = std::dynamic_pointer_cast<LogoEditorInputs>(*made))
        editor->setMyStringaControllerDiProvenienza("modifica");
    else
        log::warning("the screen \"logoEditor\" takes no editor inputs");
    if (auto navigation = navigationController())
        navigation->pushViewController(*made, true);
}

void GalleriaLoghiViewController::myButtonCaricaACTION()
{
    if (imagePicker)
        return;
    std::weak_ptr<ViewController> weakSelf = shared_from_this();
    auto completion = [weakSelf, this](std::optional<PickedPhoto> picked) {
        if (!weakSelf.lock())
            return;
        metodoChiudiPicker();
        if (picked)
            imagePickerDidFinishPicking(picked->image);
    };
    View& host = metodoViewPerAlert();
    if (!isTablet()) {
        imagePicker = presentPhotoPicker(host, completion);
        return;
    }
    // On a tablet the picker floats in a popover pointing at the load button.
    auto content = View::make();
    m_popoverPicker = View::make<Popover>(content);
    m_popoverPicker->setName("imagePickerPopover");
    m_popoverPicker->setPreferredContentSize(kPickerPopoverSize);
    m_popoverPicker->setSourceView(myButtonCaricaProp);
    m_popoverPicker->setPermittedArrowDirections(Popover::ArrowAny);
    m_popoverPicker->setOnDismiss([weakSelf, this] {
        if (!weakSelf.lock())
            return;
        m_popoverPicker.reset();
        if (auto picker = std::move(imagePicker))
            picker->cancel();
    });
    m_popoverPicker->present(host);
    m_popoverPicker->layoutIfNeeded();
    imagePicker = presentPhotoPicker(*content, completion);
}

void GalleriaLoghiViewController::metodoChiudiPicker()
{
    imagePicker.reset();
    // The screen is in view again, as when it appears: the add panel goes.
    metodoNascondiPannelloAggiungi(0);
    if (auto popover = std::move(m_popoverPicker)) {
        popover->setOnDismiss({});
        popover->dismiss();
    }
}

void GalleriaLoghiViewController::imagePickerDidFinishPicking(std::optional<Image> picture)
{
    if (!picture)
        return;
    if (picture->isEmpty()) {
        metodoMostraAlert("The chosen picture cannot be read; no logo was added.");
        return;
    }
    const Image square = logoSquareFromPicture(*picture);
    auto& store = mySingleElementiManage::sharedInstance();
    metodoRiallineaLoghi(store);
    if (auto added = store.metodoAggiungiSingolaImage(square); !added) {
        metodoMostraAlert("The picture could not be added as a logo: " + added.error().message + ".");
        return;
    }
    myCollectionViewLoghi->reloadData();
}

bool GalleriaLoghiViewController::acceptDroppedFiles(const std::vector<std::filesystem::path>& files)
{
    if (!isVisible())
        return false;
    auto& store = mySingleElementiManage::sharedInstance();
    metodoRiallineaLoghi(store);
    std::vector<std::string> refused;
    size_t added = 0;
    for (const auto& file : files) {
        auto square = logoSquareFromFile(file);
        if (square && store.metodoAggiungiSingolaImage(*square))
            ++added;
        else
            refused.push_back(file.filename().string());
    }
    if (added > 0)
        myCollectionViewLoghi->reloadData();
    if (!refused.empty()) {
        std::string names;
        for (const auto& name : refused)
            names += (names.empty() ? "" : ", ") + name;
        metodoMostraAlert((refused.size() == 1 ? "This file cannot be read as a picture; no logo was made of it: " : "These files cannot be read as pictures; no logos were made of them: ") + names + ".");
    }
    return true;
}

void GalleriaLoghiViewController::myButtonBackACTION()
{
    clearCells();
    myCollectionViewLoghi->removeFromSuperview();
    // Rebuilt the next time the gallery opens; whoever works by index meanwhile reloads first.
    mySingleElementiManage::sharedInstance().myArrLoghiEstratti.clear();
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

void GalleriaLoghiViewController::clearCell(CellLoghiGalleria& cell)
{
    cell.myImageViewLogo->setAnimationImages({});
    cell.myImageViewLogo->setImage(Image());
    log::debug("Rimuovo img Da memoria");
}

void GalleriaLoghiViewController::clearCells()
{
    for (const auto& cell : myCollectionViewLoghi->visibleCells())
        if (auto logoCell = std::dynamic_pointer_cast<CellLoghiGalleria>(cell))
            clearCell(*logoCell);
}

View& GalleriaLoghiViewController::metodoViewPerAlert()
{
    auto* window = view()->window();
    return window ? static_cast<View&>(*window) : *view();
}

void GalleriaLoghiViewController::metodoMostraAlert(const std::string& messaggio)
{
    auto alert = AlertController::make("Vardenico", messaggio);
    alert->addAction("OK", AlertController::ActionStyle::Default);
    alert->present(metodoViewPerAlert());
}

}
