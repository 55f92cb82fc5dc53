#pragma once

#include <library/LogoGalleryInputs.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/ViewController.h>

#include <memory>
#include <optional>
#include <string>

namespace vd {

class Button;
class Label;
class PhotoPicker;
class Popover;
class CellLoghiGalleria;
class DictDatamodelEstratti;
class AlertController;
class Image;

// The grid of the saved logos ("gallery"), one class for phones and tablets. Opened from the home
// screen it browses: a logo opens the saved-logo preview. Opened by the photo browser with
// myStringProvenienza "logopicker" it picks: a logo's full picture goes back to the browser. The
// last item adds a logo, from the editor or from a picture of the photo library.
class GalleriaLoghiViewController : public ViewController, public CollectionViewDataSource, public CollectionViewDelegate, public LogoGalleryInputs {
public:
    GalleriaLoghiViewController();
    ~GalleriaLoghiViewController() override;
    void setMyStringProvenienza(std::string provenance) override { myStringProvenienza = std::move(provenance); }
    std::string className() const override { return "GalleriaLoghiViewController"; }

    const Point Centro; // the screen's centre when the screen was made
    std::shared_ptr<View> myViewAggiungiCreaLogo;
    std::shared_ptr<Button> myButtonExitAggiungiCreaProp;
    std::shared_ptr<View> myVIewBgTastiniCreaCarica;
    std::shared_ptr<Button> myButtonCreaProp;
    std::shared_ptr<Button> myButtonCaricaProp;
    std::shared_ptr<CollectionView> myCollectionViewLoghi;
    std::shared_ptr<Button> myButtonBack;
    std::shared_ptr<View> myViewCustomNavBar;
    std::shared_ptr<Label> myLabelTitolo;
    std::shared_ptr<PhotoPicker> imagePicker; // while the photo picker is open
    std::string myStringProvenienza;          // "" from the home screen, "logopicker" from the photo browser

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    void myButtonBackACTION();
    void myButtonCreaACTION();
    void myButtonCaricaACTION();
    void myButtonExitAggiungiCreaACTION();
    void metodoMostraPannelloAggiungi();
    void metodoNascondiPannelloAggiungi(double durata);
    void metodoImpostaBarra(); // the title bar clear of the sensor housing, the grid below it
    // What the photo picker hands back; an absent or unusable picture adds nothing.
    void imagePickerDidFinishPicking(std::optional<Image> picture);
    // Image files dropped on the window while the gallery shows: each becomes a logo as the
    // command line's "logos add" makes it; the files that cannot be read are named in one alert.
    bool acceptDroppedFiles(const std::vector<std::filesystem::path>& files) override;
    void clearCell(CellLoghiGalleria& cell);
    void clearCells();

    long numberOfItemsInSection(CollectionView& collectionView, long section) override;
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;
    void didSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;

private:
    void metodoApriPreview(size_t index, const DictDatamodelEstratti& logo);
    void metodoConsegnaLogoAlBrowser(size_t index, const DictDatamodelEstratti& logo);
    void metodoMostraAlert(const std::string& messaggio);
    void metodoChiudiPicker();
    View& metodoViewPerAlert(); // the window, where alerts and the picker go

    std::shared_ptr<Popover> m_popoverPicker; // the picker's popover on tablets
};

}
