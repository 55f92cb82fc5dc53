#pragma once

#include <library/LogoPickerClient.h>
#include <platform/graphics/Image.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/lists/TableView.h>
#include <platform/ui/presentation/ViewController.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vd {
class Button;
class ImageView;
class Label;
class LongPressGestureRecognizer;
class ForcePressGestureRecognizer;
class GestureRecognizer;
}

namespace vd::browser {

class DetailViewController;
class FotoSelezionateCollectionCell;

// The library the browsers made from now on read: the user's own unless a test gives another.
PhotoLibrary& browserPhotoLibrary();
void setBrowserPhotoLibrary(PhotoLibrary* library); // nullptr: the user's library again

// The photo browser ("quintara"): the user picks photos from a grid of the library, newest first,
// in the order they want them stamped, chooses the logo in the gallery and goes on to the apply
// screen. One class serves phones and tablets; only cell sizes differ.
//
// The selection is a list of positions in the photos the grid shows. When the library changes
// while the screen is open (the folder is read again when the screen comes back into view and
// whenever the library reports a change), the selection follows the same photos to their new
// positions, in the same order, and drops the photos that are gone.
class ViewController : public vd::ViewController, public LogoPickerClient {
public:
    ViewController();
    ~ViewController() override;
    std::string className() const override { return "ViewController"; }

    // What the fetch gave: all photos newest first, and the user's top-level albums.
    struct SectionFetchResults {
        FetchResult<PhotoAsset> allPhotos;
        FetchResult<AssetCollection> topLevelCollections;
    };

    // State.
    std::optional<SectionFetchResults> sectionFetchResults;   // absent until the library is read
    std::vector<std::string> sectionLocalizedTitles;
    std::optional<FetchResult<PhotoAsset>> assetsFetchResults; // what the grid shows
    std::optional<AssetCollection> assetCollection;           // reserved
    std::shared_ptr<CachingImageManager> imageManager;
    Rect previousPreheatRect;                                 // reserved
    std::vector<int> myArrIndexSelezionati;                   // grid positions in selection order
    std::vector<Image> myArrImmaginiEstratteDaRullino;
    static constexpr double borderCellWidth = 2.2;
    Point Centro;
    long indexSelezionatoPeek { -1 };
    std::optional<FetchResult<AssetCollection>> smartAlbums;
    std::vector<std::optional<Image>> myArrayImmaginiMiniatureAlbum; // covers, index-aligned with smartAlbums
    std::optional<Image> myImageUltimaRullino;
    bool myBoolAlbumInAlto { false };
    bool myBoolSelezionateAperto { false };
    std::optional<Image> myImageLogoPreview;
    bool myBoolEditColorText { false };
    static constexpr const char* AllPhotosReuseIdentifier = "AllPhotosCell";
    static constexpr const char* CollectionCellReuseIdentifier = "CollectionCell";
    static constexpr const char* AllPhotosSegue = "showAllPhotos";
    static constexpr const char* CollectionSegue = "showCollection";

    // Views, bound from the layout.
    std::shared_ptr<ImageView> myImageViewSfondo;
    std::shared_ptr<CollectionView> myCollectionViewRullino;
    std::shared_ptr<CollectionView> myCollectionViewSELEZIONATE;
    std::shared_ptr<View> myViewBgCollectionViewSELEZIONATE;
    std::shared_ptr<View> myViewBgCollectionPicker;
    std::shared_ptr<View> myViewTollBarCollectionView;
    std::shared_ptr<Label> myLabelCountSelezionate;
    std::shared_ptr<Label> myLabelGiaSelezionate;
    std::shared_ptr<Label> myLabelSeleziona;
    std::shared_ptr<Label> myLabelLogoSelezionato;
    std::shared_ptr<Label> myLabelTitoloSelezionate;
    std::shared_ptr<Button> myButtonSelezionaProperty;
    std::shared_ptr<Button> myButtonAnnullaProperty;
    std::shared_ptr<Button> myButtonSelezionaAlbum;
    std::shared_ptr<Button> myButtonPicker;
    std::shared_ptr<Button> myButtonChiudiPicker;
    std::shared_ptr<Button> myButtonEntraSelezionate;
    std::shared_ptr<Button> myButtonCloseViewSelezionate;
    std::shared_ptr<Button> myButtonAggiungiDaGiaSelezionate;
    std::shared_ptr<Button> myButtonEntraLogoPicker;
    std::shared_ptr<View> myViewBgLogoPreview;
    std::shared_ptr<ImageView> myImageviewLogoPreview;
    std::shared_ptr<Button> myButtonAvantiPro;
    std::shared_ptr<Button> myButtonBack;
    std::shared_ptr<View> myViewPreviewLongGesture;
    std::shared_ptr<ImageView> myImageViewLongGesture;
    std::shared_ptr<Button> myButtonCosePreviewLongGesture;
    std::shared_ptr<View> myViewLoading;
    std::shared_ptr<View> myViewBgSelezionaAlbumTable;
    std::shared_ptr<TableView> myTableViewSelezionaAlbum;

    // Lifecycle.
    void awakeFromNib();
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void photoLibraryDidChange();

    // The gallery, in picker use, hands the chosen logo back here.
    void setMyImageLogoPreview(std::optional<Image> picture) override { myImageLogoPreview = std::move(picture); }

    // Grid and strip (both collection views ask the same operations; identity tells them apart).
    long collectionViewNumberOfItemsInSection(CollectionView& collectionView, long section);
    Size collectionViewSizeForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath);
    std::shared_ptr<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath);
    bool collectionViewShouldSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath);
    void collectionViewDidSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath);
    void collectionViewDidDeselectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath);

    // Album list.
    long numberOfSectionsInTableView(TableView& tableView);
    long tableViewNumberOfRowsInSection(TableView& tableView, long section);
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tableView, IndexPath indexPath);
    void tableViewDidSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath);

    // Actions.
    void SelezionaFoto();
    void AnnullaSelezioneFoto();
    void myButtonMetodoEntraPicker();
    void myButtonAggiungiDaGiaSeleionateActione();
    void myButtonChiudiPickerACTION();
    void myButtonEntraSelezionateACTION();
    void myButtonCloseSelezionateACTION();
    void myButtonDeselectPreselezionateAction(const FotoSelezionateCollectionCell& cell); // its remove button
    void myButtonSelezionaAlbumACTIOn();
    void myButtonEntraPickerLogoACTIOn();
    void myButtonAvantiACTION();
    void myButtonBackACTION();
    void handleLongPress(GestureRecognizer& recognizer);
    void myButtonEsciPreviewLongPressureACTION();
    // The peek: the preview of the photo at a point of the grid, and its commitment.
    std::shared_ptr<DetailViewController> previewingContextViewControllerForLocation(Point locationInGrid);
    void previewingContextCommitViewController(const std::shared_ptr<vd::ViewController>& preview);

    // Operations.
    void metodoSettaScritte();
    void metodoSettaLabelSelezionate();
    void metodoEntraPicker(bool animated);
    void metodoEscePicker(bool animated);
    void metodoEsceCollectionSelezionate(bool animated);
    void metodoEntraEsciViewAlbums(bool animated);
    void metodoEntraPreviewLongGesture(bool animated, IndexPath indexDaPrendere);
    void metodoEscePreviewLongGesture(bool animated);
    void metodoAccendiGestureCelle();
    void metodoAccendiForceTouch();
    void metodoEstraiImmaginiAlbum();
    void metodoEstraiUltimaImmagineRullino();
    void metodoSelezionaFotoDaPeek();
    void metodoAggiornaLibreria(); // reads the library again, keeping the selection on the same photos

    // Photo files dropped on the screen become the selection, in drop order: those in the library
    // at once, those outside it once the person agrees to copy them into its "Imported" album;
    // files that are not photos are named in one alert and change nothing.
    bool acceptDroppedFiles(const std::vector<std::filesystem::path>& files) override;

    // Whether a photo is known not to decode (its thumbnail came back empty).
    bool isUnreadable(const PhotoAsset& asset) const { return m_unreadable.contains(asset.localIdentifier); }
    std::shared_ptr<DetailViewController> peek() const { return m_peek; } // the peek on screen, if any

private:
    struct Lists;
    struct AlbumRows;

    bool selectGridPosition(IndexPath indexPath, bool animated); // the select steps; false when it cannot
    void reselectGrid();          // the grid's own selection from myArrIndexSelezionati
    void reloadGrid();
    bool canHandOff() const;
    void handOff();
    bool refuseUnreadableSelection();
    void presentAlert(const std::string& title, const std::string& message, const std::string& action, std::function<void()> handler = {});
    void slide(const std::shared_ptr<View>& panel, Point center, double duration, std::function<void()> completion = {});
    void fetchLibrary(); // the allowed branch of awakeFromNib
    void refetchAfterAuthorization();
    void wireLists();
    void wireAlbumRows();
    void dismissPeek(bool commit);
    void photoReadability(const PhotoAsset& asset, bool readable);
    void selectDropped(const std::vector<std::filesystem::path>& photos, const std::string& problem); // problem: what an alert says, if anything
    double toolbarHeight() const;

    PhotoLibrary* m_library;
    std::shared_ptr<Lists> m_lists;
    std::shared_ptr<AlbumRows> m_albumRows;
    std::shared_ptr<PhotoLibraryChangeObserver> m_observer;
    std::shared_ptr<LongPressGestureRecognizer> m_longPress;
    std::shared_ptr<ForcePressGestureRecognizer> m_forcePress;
    std::shared_ptr<DetailViewController> m_peek;
    std::optional<AssetCollection> m_albumShown; // the album the grid shows; absent: all photos
    std::set<std::string> m_unreadable;
    std::string m_previewShown; // the photo the large preview waits for
    bool m_appearedOnce { false };
    bool m_libraryRead { false };
    std::shared_ptr<View> m_alert;
};

}
