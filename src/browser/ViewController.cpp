#include <browser/ViewController.h>

#include <services/mySingleScritte.h>
#include <browser/AlbumTableViewCell.h>
#include <browser/DetailViewController.h>
#include <browser/FotoSelezionateCollectionCell.h>
#include <browser/RullinoCollectionViewCell.h>
#include <library/LogoGalleryInputs.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/Strings.h>
#include <platform/photos/ThumbnailCache.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/presentation/SettingsScreen.h>
#include <platform/ui/window/Window.h>
#include <watermark/QuintaraApplyController.h>
#include <services/singleAutoFoto.h>

#include <unordered_map>

namespace vd::browser {

namespace {

PhotoLibrary* g_library = nullptr;

FetchOptions newestImagesFirst()
{
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = FetchPredicate::equal("mediaType", 1LL);
    return options;
}

}

PhotoLibrary& browserPhotoLibrary() { return g_library ? *g_library : PhotoLibrary::sharedPhotoLibrary(); }
void setBrowserPhotoLibrary(PhotoLibrary* library) { g_library = library; }

// Library changes may be reported from any thread; the screen hears of them on the main loop.
struct ChangeForwarder : PhotoLibraryChangeObserver {
    std::weak_ptr<vd::ViewController> screen;
    void photoLibraryDidChange() override
    {
        RunLoop::main().post([screen = screen] {
            if (auto strong = std::static_pointer_cast<ViewController>(screen.lock()))
                strong->photoLibraryDidChange();
        });
    }
};

ViewController::ViewController()
    : m_library(&browserPhotoLibrary())
{
    const Size screen = currentScreenSize();
    Centro = { screen.width * 0.5, screen.height * 0.5 };

    bind("myImageViewSfondo", myImageViewSfondo);
    bind("myCollectionViewRullino", myCollectionViewRullino);
    bind("myCollectionViewSELEZIONATE", myCollectionViewSELEZIONATE);
    bind("myViewBgCollectionViewSELEZIONATE", myViewBgCollectionViewSELEZIONATE);
    bind("myViewBgCollectionPicker", myViewBgCollectionPicker);
    bind("myViewTollBarCollectionView", myViewTollBarCollectionView);
    bind("myLabelCountSelezionate", myLabelCountSelezionate);
    bind("myLabelGiaSelezionate", myLabelGiaSelezionate);
    bind("myLabelSeleziona", myLabelSeleziona);
    bind("myLabelLogoSelezionato", myLabelLogoSelezionato);
    bind("myLabelTitoloSelezionate", myLabelTitoloSelezionate);
    bind("myButtonSelezionaProperty", myButtonSelezionaProperty);
    bind("myButtonAnnullaProperty", myButtonAnnullaProperty);
    bind("myButtonSelezionaAlbum", myButtonSelezionaAlbum);
    bind("myButtonPicker", myButtonPicker);
    bind("myButtonChiudiPicker", myButtonChiudiPicker);
    bind("myButtonEntraSelezionate", myButtonEntraSelezionate);
    bind("myButtonCloseViewSelezionate", myButtonCloseViewSelezionate);
    bind("myButtonAggiungiDaGiaSelezionate", myButtonAggiungiDaGiaSelezionate);
    bind("myButtonEntraLogoPicker", myButtonEntraLogoPicker);
    bind("myViewBgLogoPreview", myViewBgLogoPreview);
    bind("myImageviewLogoPreview", myImageviewLogoPreview);
    bind("myButtonAvantiPro", myButtonAvantiPro);
    bind("myButtonBack", myButtonBack);
    bind("myViewPreviewLongGesture", myViewPreviewLongGesture);
    bind("myImageViewLongGesture", myImageViewLongGesture);
    bind("myButtonCosePreviewLongGesture", myButtonCosePreviewLongGesture);
    bind("myViewLoading", myViewLoading);
    bind("myViewBgSelezionaAlbumTable", myViewBgSelezionaAlbumTable);
    bind("myTableViewSelezionaAlbum", myTableViewSelezionaAlbum);

    action("SelezionaFoto", [this] { SelezionaFoto(); });
    action("AnnullaSelezioneFoto", [this] { AnnullaSelezioneFoto(); });
    action("myButtonMetodoEntraPicker", [this] { myButtonMetodoEntraPicker(); });
    action("myButtonAggiungiDaGiaSeleionateActione", [this] { myButtonAggiungiDaGiaSeleionateActione(); });
    action("myButtonChiudiPickerACTION", [this] { myButtonChiudiPickerACTION(); });
    action("myButtonEntraSelezionateACTION", [this] { myButtonEntraSelezionateACTION(); });
    action("myButtonCloseSelezionateACTION", [this] { myButtonCloseSelezionateACTION(); });
    action("myButtonSelezionaAlbumACTIOn", [this] { myButtonSelezionaAlbumACTIOn(); });
    action("myButtonEntraPickerLogoACTIOn", [this] { myButtonEntraPickerLogoACTIOn(); });
    action("myButtonAvantiACTION", [this] { myButtonAvantiACTION(); });
    action("myButtonBackACTION", [this] { myButtonBackACTION(); });
    action("myButtonEsciPreviewLongPressureACTION", [this] { myButtonEsciPreviewLongPressureACTION(); });
}

ViewController::~ViewController()
{
    // dealloc: no more change reports for this screen.
    if (m_observer)
        m_library->unregisterChangeObserver(m_observer.get());
}

void ViewController::awakeFromNib()
{
    singleAutoFoto check(*m_library);
    bool alerted = false;
    check.setAlertPresenter([this, &alerted](const std::string& title, const std::string& message, const std::string& actionTitle) {
        alerted = true;
        presentAlert(title, message, actionTitle, [this] {
            if (auto window = view()->window())
                openSettings(*window);
        });
    });
    bool allowed = check.requestAuthorizationHandler();
    // A consent answered on the spot (a test, a remembered answer) needs no second visit.
    if (!allowed && m_library->authorizationStatus() == AuthorizationStatus::Authorized)
        allowed = true;
    if (!allowed) {
        if (!alerted) {
            presentAlert("Vardenico", mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto(), "Settings", [this] {
                if (auto window = view()->window())
                    openSettings(*window);
            });
        }
        return;
    }
    fetchLibrary();
}

void ViewController::fetchLibrary()
{
    if (!imageManager) {
        imageManager = std::make_shared<CachingImageManager>();
        // The grid of a folder opened before shows at once.
        imageManager->setThumbnailCache(ThumbnailCache::shared());
    }
    FetchOptions albums;
    albums.predicate = FetchPredicate::greater("estimatedAssetCount", 0);
    auto allPhotos = m_library->fetchAssetsWithOptions(newestImagesFirst());
    smartAlbums = m_library->fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::AlbumRegular, albums);
    auto topLevel = m_library->fetchTopLevelUserCollectionsWithOptions({});
    sectionFetchResults = SectionFetchResults { std::move(allPhotos), std::move(topLevel) };
    sectionLocalizedTitles = { "", localizedString("Smart Albums"), localizedString("Albums") };
    if (!m_observer) {
        auto forwarder = std::make_shared<ChangeForwarder>();
        forwarder->screen = weak_from_this();
        m_observer = forwarder;
        m_library->registerChangeObserver(m_observer);
    }
    m_libraryRead = true;
}

void ViewController::viewDidLoad()
{
    awakeFromNib();
    if (sectionFetchResults) {
        assetsFetchResults = sectionFetchResults->allPhotos;
        log::debug("photos in the library: " + std::to_string(assetsFetchResults->count()));
    }
    wireLists();
    metodoAccendiGestureCelle();
    metodoAccendiForceTouch();
    metodoEstraiImmaginiAlbum();
    metodoEstraiUltimaImmagineRullino();
    AnalyticsSink::shared().logEvent("Quintara Appear");
}

void ViewController::viewWillAppear(bool)
{
    view()->layoutIfNeeded();
    // The panels open at the centre of the area the screen is given (inside the container, below
    // a notch), not of the whole display.
    Centro = { view()->bounds().width() / 2, view()->bounds().height() / 2 };
    if (m_appearedOnce)
        metodoAggiornaLibreria();
    else if (!m_libraryRead && m_library->authorizationStatus() == AuthorizationStatus::Authorized)
        refetchAfterAuthorization();
    m_appearedOnce = true;
    metodoSettaScritte();
    // Every return shows the screen with its panels closed, the selection kept.
    slide(myViewBgCollectionPicker, { 4 * Centro.x, Centro.y }, 0);
    slide(myViewBgCollectionViewSELEZIONATE, { myViewBgCollectionViewSELEZIONATE->center().x, 3 * Centro.y }, 0);
    myButtonCloseViewSelezionate->setAlpha(0);
    myBoolSelezionateAperto = false;
    slide(myViewPreviewLongGesture, { 4 * Centro.x, Centro.y }, 0);
    slide(myViewLoading, { 4 * Centro.x, Centro.y }, 0);
    myBoolAlbumInAlto = false;
    slide(myViewBgSelezionaAlbumTable, { myViewBgSelezionaAlbumTable->center().x, 4 * (Centro.y - toolbarHeight() / 2) }, 0);
    if (myImageLogoPreview) {
        myImageviewLogoPreview->setImage(*myImageLogoPreview);
        View::animate(0.2, [this] { myViewBgLogoPreview->setAlpha(1); });
    }
    metodoSettaLabelSelezionate();
}

void ViewController::refetchAfterAuthorization()
{
    fetchLibrary();
    assetsFetchResults = sectionFetchResults->allPhotos;
    reloadGrid();
    myTableViewSelezionaAlbum->reloadData();
    metodoEstraiImmaginiAlbum();
    metodoEstraiUltimaImmagineRullino();
}

void ViewController::photoLibraryDidChange()
{
    if (isViewLoaded())
        metodoAggiornaLibreria();
}

void ViewController::metodoAggiornaLibreria()
{
    if (!m_libraryRead)
        return;
    // The photos selected now, by identity, in selection order.
    std::vector<std::string> selected;
    if (assetsFetchResults) {
        for (int position : myArrIndexSelezionati)
            if (position >= 0 && static_cast<std::size_t>(position) < assetsFetchResults->count())
                selected.push_back((*assetsFetchResults)[static_cast<std::size_t>(position)].localIdentifier);
    }
    m_library->refresh();
    fetchLibrary();
    if (m_albumShown && !sectionFetchResults->topLevelCollections.indexOfObject(*m_albumShown))
        m_albumShown.reset(); // the album is gone: back to all photos
    assetsFetchResults = m_albumShown ? m_library->fetchAssetsInAssetCollection(*m_albumShown, newestImagesFirst()) : sectionFetchResults->allPhotos;

    std::unordered_map<std::string, int> positions;
    for (std::size_t i = 0; i < assetsFetchResults->count(); ++i)
        positions.emplace((*assetsFetchResults)[i].localIdentifier, static_cast<int>(i));
    myArrIndexSelezionati.clear();
    for (const auto& identifier : selected)
        if (auto found = positions.find(identifier); found != positions.end())
            myArrIndexSelezionati.push_back(found->second);
    m_unreadable.clear(); // a file may have been replaced; the thumbnails tell again

    reloadGrid();
    myCollectionViewSELEZIONATE->reloadData();
    metodoEstraiImmaginiAlbum();
    metodoEstraiUltimaImmagineRullino();
    myTableViewSelezionaAlbum->reloadData();
    metodoSettaScritte();
    metodoSettaLabelSelezionate();
}

void ViewController::metodoSettaScritte()
{
    const auto& scritte = mySingleScritte::sharedInstance();
    myButtonAnnullaProperty->setTitle(scritte.stringaAnnulla());
    myButtonSelezionaProperty->setTitle(scritte.stringaSeleziona());
    myLabelGiaSelezionate->setText(scritte.stringaSelezionate());
    // The album button keeps naming the album the grid shows.
    myButtonSelezionaAlbum->setTitle(m_albumShown ? m_albumShown->localizedTitle + "\u2303" : scritte.stringaRullino());
    myButtonPicker->setTitle(scritte.stringaFotoPlurale());
    myButtonEntraLogoPicker->setTitle(scritte.stringaLOGO());
    myLabelSeleziona->setText(scritte.stringaSeleziona());
    myLabelLogoSelezionato->setText(scritte.stringaLOGO());
    myButtonAvantiPro->setTitle(scritte.stringaAVANTI());
}

void ViewController::presentAlert(const std::string& title, const std::string& message, const std::string& actionTitle, std::function<void()> handler)
{
    auto alert = AlertController::make(title, message);
    alert->setName("alert");
    alert->addAction(actionTitle, AlertController::ActionStyle::Default, std::move(handler));
    m_alert = alert;
    // The screen may not be on the window yet (the fetch runs while it loads).
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    RunLoop::main().post([weak, alert] {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto window = self->view()->window())
            alert->present(*window);
    });
}

bool ViewController::canHandOff() const
{
    return !myArrIndexSelezionati.empty() && myImageviewLogoPreview && !myImageviewLogoPreview->image().isEmpty();
}

bool ViewController::refuseUnreadableSelection()
{
    std::string names;
    for (int position : myArrIndexSelezionati) {
        const auto& asset = (*assetsFetchResults)[static_cast<std::size_t>(position)];
        if (isUnreadable(asset))
            names += (names.empty() ? "" : ", ") + ("\"" + asset.localIdentifier + "\"");
    }
    if (names.empty())
        return false;
    presentAlert("Vardenico", mySingleScritte::sharedInstance().stringaFotoIllegibili() + " " + names, "Ok");
    return true;
}

void ViewController::handOff()
{
    // The folder may have changed since it was read: stamp only photos that are still there.
    metodoAggiornaLibreria();
    if (!canHandOff() || refuseUnreadableSelection())
        return;
    auto made = ScreenRegistry::shared().instantiate("quintaraapply");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    auto apply = std::dynamic_pointer_cast<QuintaraApplyController>(*made);
    if (!apply) {
        log::warning("the screen \"quintaraapply\" is not the apply screen");
        return;
    }
    apply->assetsFetchResults = assetsFetchResults;
    apply->myArrayIndexSelezionati = myArrIndexSelezionati;
    apply->logoDaAplicare = myImageviewLogoPreview->image();
    if (auto navigation = navigationController())
        navigation->pushViewController(apply, true);
}

void ViewController::myButtonEntraPickerLogoACTIOn()
{
    auto made = ScreenRegistry::shared().instantiate("gallery");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    if (auto gallery = std::dynamic_pointer_cast<LogoGalleryInputs>(*made))
        gallery->setMyStringProvenienza("logopicker");
    else
        log::warning("the screen \"gallery\" takes no opener; it will not hand a logo back");
    if (auto navigation = navigationController())
        navigation->pushViewController(*made, true);
}

void ViewController::myButtonAvantiACTION()
{
    if (canHandOff()) {
        handOff();
        return;
    }
    const auto& scritte = mySingleScritte::sharedInstance();
    presentAlert(scritte.stringaSelezionaMedia(), scritte.stringaSelezionaFotoELogo(), "Ok");
}

void ViewController::myButtonBackACTION()
{
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

}
