// The photo browser's sliding panels: the grid panel, the selection strip, the album list with its
// covers, the large preview on a long press and the peek on a firm press.
#include <browser/ViewController.h>

#include <services/mySingleScritte.h>
#include <browser/AlbumTableViewCell.h>
#include <browser/DetailViewController.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/gestures/ForcePressGestureRecognizer.h>
#include <platform/ui/gestures/LongPressGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/presentation/ScreenRegistry.h>

#include <algorithm>
#include <cmath>

namespace vd::browser {

namespace {

FetchOptions newestImagesFirst()
{
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = FetchPredicate::equal("mediaType", 1LL);
    return options;
}

// Places the peek: a card with the photo's proportions in the middle of the dimmed window. A tap
// on the card commits it (the photo is selected); a tap beside it, or Escape, puts it away.
class PeekPresentation : public PresentationController {
public:
    explicit PeekPresentation(std::function<void(bool commit)> done)
        : m_done(std::move(done))
    {
    }
    Rect frameOfPresentedView(Size container, vd::ViewController& presented) const override
    {
        const bool tablet = ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet;
        double width = tablet ? container.width * 0.6 : container.width - 2 * 20;
        const auto* detail = dynamic_cast<DetailViewController*>(&presented);
        double height = detail ? DetailViewController::altezzaPerLarghezza(detail->asset, width) : 0;
        if (height <= 0)
            height = width;
        const double tallest = container.height - 2 * 60;
        if (height > tallest) {
            width *= tallest / height;
            height = tallest;
        }
        return { (container.width - width) / 2, (container.height - height) / 2, width, height };
    }
    bool keepsPresentingView(ModalPresentationStyle) const override { return true; }
    bool slidesIn() const override { return false; }
    void containerDidAppear(View& container, vd::ViewController& presented) override
    {
        container.setBackgroundColor(Color::rgba(0, 0, 0, 0.7));
        std::weak_ptr<vd::ViewController> card = presented.shared_from_this();
        auto done = m_done;
        auto tap = std::make_shared<TapGestureRecognizer>([card, done](GestureRecognizer& recognizer) {
            auto presentedScreen = card.lock();
            if (!presentedScreen || recognizer.state() != GestureRecognizer::Recognized)
                return;
            const auto cardView = presentedScreen->view();
            done(cardView->bounds().contains(recognizer.locationInView(cardView.get())));
        });
        container.addGestureRecognizer(tap);
    }

private:
    std::function<void(bool)> m_done;
};

}

double ViewController::toolbarHeight() const
{
    return myViewTollBarCollectionView ? myViewTollBarCollectionView->bounds().height() : 0;
}

void ViewController::slide(const std::shared_ptr<View>& panel, Point center, double duration, std::function<void()> completion)
{
    if (!panel)
        return;
    View::animate(duration, [&] { panel->setCenter(center); }, [completion = std::move(completion)](bool) {
        if (completion)
            completion();
    });
}

// Grid panel.

void ViewController::myButtonMetodoEntraPicker() { metodoEntraPicker(true); }
void ViewController::myButtonAggiungiDaGiaSeleionateActione() { metodoEntraPicker(true); }
void ViewController::myButtonChiudiPickerACTION() { metodoEscePicker(true); }

void ViewController::metodoEntraPicker(bool animated)
{
    if (myBoolAlbumInAlto)
        metodoEntraEsciViewAlbums(animated);
    slide(myViewBgCollectionPicker, Centro, animated ? 0.3 : 0);
    if (myViewBgCollectionViewSELEZIONATE->alpha() > 0) {
        auto strip = myViewBgCollectionViewSELEZIONATE;
        View::animate(animated ? 0.2 : 0, [strip] { strip->setAlpha(0); });
    }
    myCollectionViewRullino->layoutIfNeeded();
    reselectGrid();
}

void ViewController::metodoEscePicker(bool animated)
{
    slide(myViewBgCollectionPicker, { 4 * Centro.x, Centro.y }, animated ? 0.3 : 0);
    myLabelGiaSelezionate->setText(mySingleScritte::sharedInstance().stringaSelezionate() + " (" + std::to_string(myArrIndexSelezionati.size()) + ")");
    auto strip = myViewBgCollectionViewSELEZIONATE;
    View::animate(animated ? 0.2 : 0, [strip] { strip->setAlpha(1); });
    metodoEsceCollectionSelezionate(animated);
}

// Selection strip.

void ViewController::myButtonEntraSelezionateACTION()
{
    log::debug("elementi Nell'array : (" + std::to_string(myArrImmaginiEstratteDaRullino.size()) + ")");
    myCollectionViewSELEZIONATE->reloadData();
    slide(myViewBgCollectionViewSELEZIONATE, { myViewBgCollectionViewSELEZIONATE->center().x, Centro.y }, 0.3);
    auto close = myButtonCloseViewSelezionate;
    View::animate(0.2, [close] { close->setAlpha(1); });
    myBoolSelezionateAperto = true;
}

void ViewController::myButtonCloseSelezionateACTION() { metodoEsceCollectionSelezionate(true); }

void ViewController::metodoEsceCollectionSelezionate(bool animated)
{
    slide(myViewBgCollectionViewSELEZIONATE, { myViewBgCollectionViewSELEZIONATE->center().x, 3 * Centro.y }, animated ? 0.3 : 0);
    auto close = myButtonCloseViewSelezionate;
    View::animate(animated ? 0.2 : 0, [close] { close->setAlpha(0); });
    reloadGrid();
    myBoolSelezionateAperto = false;
}

// Album list.

struct ViewController::AlbumRows : TableViewDataSource, TableViewDelegate {
    ViewController* screen { nullptr };
    long numberOfSectionsInTableView(TableView& table) override { return screen->numberOfSectionsInTableView(table); }
    long numberOfRowsInSection(TableView& table, long section) override { return screen->tableViewNumberOfRowsInSection(table, section); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath indexPath) override { return screen->tableViewCellForRowAtIndexPath(table, indexPath); }
    void didSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override { screen->tableViewDidSelectRowAtIndexPath(table, indexPath); }
    TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCellEditingStyle::None; }
};

void ViewController::wireAlbumRows()
{
    m_albumRows = std::make_shared<AlbumRows>();
    m_albumRows->screen = this;
    myTableViewSelezionaAlbum->registerCellClass<AlbumTableViewCell>("cell");
    myTableViewSelezionaAlbum->setDataSource(m_albumRows);
    myTableViewSelezionaAlbum->setTableDelegate(m_albumRows);
}

void ViewController::myButtonSelezionaAlbumACTIOn() { metodoEntraEsciViewAlbums(true); }

void ViewController::metodoEntraEsciViewAlbums(bool animated)
{
    auto button = myButtonSelezionaAlbum;
    button->setUserInteractionEnabled(false);
    log::debug("SELEZIONA ALBUM");
    const double duration = animated ? 0.4 : 0;
    const double open = Centro.y - toolbarHeight() / 2;
    const double x = myViewBgSelezionaAlbumTable->center().x;
    auto again = [button] { button->setUserInteractionEnabled(true); };
    if (std::abs(myViewBgSelezionaAlbumTable->center().y - open) < 0.5) {
        myBoolAlbumInAlto = false;
        slide(myViewBgSelezionaAlbumTable, { x, 4 * open }, duration, again);
    } else {
        myBoolAlbumInAlto = true;
        myTableViewSelezionaAlbum->reloadData();
        slide(myViewBgSelezionaAlbumTable, { x, open }, duration, again);
    }
}

long ViewController::numberOfSectionsInTableView(TableView&) { return sectionFetchResults ? 2 : 0; }

long ViewController::tableViewNumberOfRowsInSection(TableView&, long section)
{
    if (!sectionFetchResults)
        return 0;
    return section == 0 ? 1 : static_cast<long>(sectionFetchResults->topLevelCollections.count());
}

std::shared_ptr<TableViewCell> ViewController::tableViewCellForRowAtIndexPath(TableView& tableView, IndexPath indexPath)
{
    auto cell = tableView.dequeueReusableCell<AlbumTableViewCell>("cell", indexPath);
    if (!cell || !sectionFetchResults)
        return cell;
    if (indexPath.section == 0) {
        cell->myLabelTitoloAlbum->setText(mySingleScritte::sharedInstance().stringaRullino());
        cell->myImageCopertinaalbum->setImage(myImageUltimaRullino ? *myImageUltimaRullino : Image {});
        return cell;
    }
    const auto& collections = sectionFetchResults->topLevelCollections;
    if (static_cast<std::size_t>(indexPath.row()) >= collections.count())
        return cell;
    const AssetCollection& collection = collections[static_cast<std::size_t>(indexPath.row())];
    cell->myLabelTitoloAlbum->setText(collection.localizedTitle);
    // Covers are kept in the order of the non-empty albums; an empty album has none.
    Image cover;
    if (smartAlbums) {
        if (auto i = smartAlbums->indexOfObject(collection); i && *i < myArrayImmaginiMiniatureAlbum.size() && myArrayImmaginiMiniatureAlbum[*i])
            cover = *myArrayImmaginiMiniatureAlbum[*i];
    }
    cell->myImageCopertinaalbum->setImage(cover);
    return cell;
}

void ViewController::tableViewDidSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath)
{
    if (!sectionFetchResults)
        return;
    const auto& scritte = mySingleScritte::sharedInstance();
    if (indexPath.section == 1) {
        const auto& collections = sectionFetchResults->topLevelCollections;
        if (static_cast<std::size_t>(indexPath.row()) >= collections.count())
            return;
        const AssetCollection collection = collections[static_cast<std::size_t>(indexPath.row())];
        if (collection.type != AssetCollectionType::Album)
            return; // a folder of albums
        assetsFetchResults = m_library->fetchAssetsInAssetCollection(collection, newestImagesFirst());
        m_albumShown = collection;
        myButtonSelezionaAlbum->setTitle(collection.localizedTitle + "\u2303");
    } else {
        assetsFetchResults = sectionFetchResults->allPhotos;
        m_albumShown.reset();
        myButtonSelezionaAlbum->setTitle(scritte.stringaRullino() + "\u2303");
    }
    tableView.deselectRowAtIndexPath(indexPath, Animated::No);
    // Positions refer to the list the grid showed before.
    myArrIndexSelezionati.clear();
    reloadGrid();
    myCollectionViewRullino->setContentOffset({ 0, -myCollectionViewRullino->contentInset().top }, Animated::No);
    myCollectionViewSELEZIONATE->reloadData();
    metodoEntraEsciViewAlbums(true);
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    RunLoop::main().post([weak] {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->metodoSettaLabelSelezionate();
    });
}

void ViewController::metodoEstraiImmaginiAlbum()
{
    myArrayImmaginiMiniatureAlbum.clear();
    if (!smartAlbums || !imageManager)
        return;
    myArrayImmaginiMiniatureAlbum.resize(smartAlbums->count()); // no cover until one arrives
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    for (std::size_t i = 0; i < smartAlbums->count(); ++i) {
        auto photos = m_library->fetchAssetsInAssetCollection((*smartAlbums)[i]);
        if (!photos.count())
            continue;
        const std::string album = (*smartAlbums)[i].localIdentifier;
        imageManager->requestImageForAsset(photos[photos.count() - 1], { 1000, 1000 }, ImageContentMode::AspectFit, {}, [weak, i, album](Image image) {
            auto self = std::static_pointer_cast<ViewController>(weak.lock());
            if (!self || image.isEmpty() || !self->smartAlbums || i >= self->myArrayImmaginiMiniatureAlbum.size() || (*self->smartAlbums)[i].localIdentifier != album)
                return;
            self->myArrayImmaginiMiniatureAlbum[i] = std::move(image);
            self->myTableViewSelezionaAlbum->reloadData();
        });
    }
}

void ViewController::metodoEstraiUltimaImmagineRullino()
{
    const Image& background = mySingleElementiManage::sharedInstance().myImageSfondoHome;
    if (!background.isEmpty() && myImageViewSfondo)
        myImageViewSfondo->setImage(background);
    if (!sectionFetchResults || !sectionFetchResults->allPhotos.count() || !imageManager)
        return;
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    imageManager->requestImageForAsset(sectionFetchResults->allPhotos[0], { 600, 600 }, ImageContentMode::AspectFit, {}, [weak](Image image) {
        auto self = std::static_pointer_cast<ViewController>(weak.lock());
        if (!self || image.isEmpty())
            return;
        self->myImageUltimaRullino = std::move(image);
        self->myTableViewSelezionaAlbum->reloadData();
    });
}

// Large preview on a long press.

void ViewController::metodoAccendiGestureCelle()
{
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    m_longPress = std::make_shared<LongPressGestureRecognizer>([weak](GestureRecognizer& recognizer) {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->handleLongPress(recognizer);
    });
    m_longPress->setMinimumPressDuration(0.3);
    m_longPress->setName("longPressGrid");
    myCollectionViewRullino->addGestureRecognizer(m_longPress);
}

void ViewController::handleLongPress(GestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    if (recognizer.state() == State::Began) {
        const Point p = recognizer.locationInView(myCollectionViewRullino.get());
        auto indexPath = myCollectionViewRullino->indexPathForItemAtPoint(p);
        if (!indexPath) {
            log::debug("Could not find index path");
            return;
        }
        log::debug("long press on row " + std::to_string(indexPath->item));
        metodoEntraPreviewLongGesture(true, *indexPath);
    } else if (recognizer.state() == State::Ended || recognizer.state() == State::Cancelled) {
        metodoEscePreviewLongGesture(true);
    }
}

void ViewController::metodoEntraPreviewLongGesture(bool animated, IndexPath indexDaPrendere)
{
    if (!assetsFetchResults || static_cast<std::size_t>(indexDaPrendere.item) >= assetsFetchResults->count())
        return;
    slide(myViewPreviewLongGesture, Centro, animated ? 0.3 : 0);
    myImageViewLongGesture->setImage({});
    if (!imageManager)
        return;
    std::weak_ptr<ImageView> target = myImageViewLongGesture;
    const std::string wanted = (*assetsFetchResults)[static_cast<std::size_t>(indexDaPrendere.item)].localIdentifier;
    m_previewShown = wanted;
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    imageManager->requestImageForAsset((*assetsFetchResults)[static_cast<std::size_t>(indexDaPrendere.item)], kImageManagerMaximumSize, ImageContentMode::AspectFit, {}, [weak, target, wanted](Image image) {
        auto self = std::static_pointer_cast<ViewController>(weak.lock());
        auto view = target.lock();
        // Only the photo still asked for; a preview already closed keeps nothing.
        if (self && view && self->m_previewShown == wanted)
            view->setImage(std::move(image));
    });
}

void ViewController::metodoEscePreviewLongGesture(bool animated)
{
    m_previewShown.clear();
    slide(myViewPreviewLongGesture, { 4 * Centro.x, Centro.y }, animated ? 0.3 : 0);
}

void ViewController::myButtonEsciPreviewLongPressureACTION() { metodoEscePreviewLongGesture(true); }

// Peek on a firm press.

void ViewController::metodoAccendiForceTouch()
{
    // The hosts turn the right mouse button and the scripts' force-press into firm touches, so
    // pressure is always available here.
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    m_forcePress = std::make_shared<ForcePressGestureRecognizer>([weak](GestureRecognizer& recognizer) {
        auto self = std::static_pointer_cast<ViewController>(weak.lock());
        if (!self || recognizer.state() != GestureRecognizer::State::Began || self->m_peek)
            return;
        auto preview = self->previewingContextViewControllerForLocation(recognizer.locationInView(self->myCollectionViewRullino.get()));
        if (!preview)
            return;
        preview->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
        preview->setPresentationController(std::make_shared<PeekPresentation>([weak](bool commit) {
            if (auto screen = std::static_pointer_cast<ViewController>(weak.lock()))
                screen->dismissPeek(commit);
        }));
        self->m_peek = preview;
        self->presentViewController(preview, true);
    });
    m_forcePress->setName("forcePressGrid");
    myCollectionViewRullino->addGestureRecognizer(m_forcePress);
}

std::shared_ptr<DetailViewController> ViewController::previewingContextViewControllerForLocation(Point locationInGrid)
{
    auto indexPath = myCollectionViewRullino->indexPathForItemAtPoint(locationInGrid);
    if (!indexPath || !assetsFetchResults || static_cast<std::size_t>(indexPath->item) >= assetsFetchResults->count())
        return nullptr;
    log::debug("INDEX FORCE TOUCH " + std::to_string(indexPath->item));
    auto made = ScreenRegistry::shared().instantiate("popviewcontroller");
    if (!made) {
        log::warning(made.error().message);
        return nullptr;
    }
    auto detail = std::dynamic_pointer_cast<DetailViewController>(*made);
    if (!detail)
        return nullptr;
    detail->asset = (*assetsFetchResults)[static_cast<std::size_t>(indexPath->item)];
    detail->imageManager = imageManager;
    indexSelezionatoPeek = indexPath->item;
    return detail;
}

void ViewController::dismissPeek(bool commit)
{
    auto peek = m_peek;
    if (!peek)
        return;
    m_peek.reset();
    dismissViewController(true);
    if (commit)
        previewingContextCommitViewController(peek);
}

void ViewController::previewingContextCommitViewController(const std::shared_ptr<vd::ViewController>&)
{
    metodoSelezionaFotoDaPeek();
}

void ViewController::metodoSelezionaFotoDaPeek()
{
    log::debug("Seleaiona da Detail " + std::to_string(indexSelezionatoPeek));
    if (std::find(myArrIndexSelezionati.begin(), myArrIndexSelezionati.end(), indexSelezionatoPeek) != myArrIndexSelezionati.end()) {
        log::debug("GIA CONTINE INDEX");
        return;
    }
    const IndexPath indexPath = IndexPath::forItem(indexSelezionatoPeek, 0);
    // Exactly as a tap would.
    if (!collectionViewShouldSelectItemAtIndexPath(*myCollectionViewRullino, indexPath))
        return;
    selectGridPosition(indexPath, true);
}

}
