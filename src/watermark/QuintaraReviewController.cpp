#include <watermark/QuintaraReviewController.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/Strings.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/ImageManager.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/NavigationController.h>
#include <services/mySingleScritte.h>
#include <watermark/QuintaraApplyController.h>
#include <watermark/QuintaraReviewCell.h>
#include <watermark/StampEngine.h>

#include <algorithm>

namespace vd {

namespace {

// The size of a photo as it is stamped: upright, its orientation applied.
Size fotoDritta(const PhotoAsset& asset)
{
    const bool girata = orientationMapping(asset.orientation).transpose;
    return girata ? Size { double(asset.pixelHeight), double(asset.pixelWidth) } : Size { double(asset.pixelWidth), double(asset.pixelHeight) };
}

}

// The grid's data source and delegate: cells are drawn as their thumbnails arrive.
class QuintaraReviewController::Griglia : public CollectionViewDataSource, public CollectionViewDelegate {
public:
    explicit Griglia(QuintaraReviewController& screen)
        : m_screen(screen)
    {
    }
    long numberOfItemsInSection(CollectionView&, long) override { return m_screen.metodoNumeroFoto(); }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override
    {
        auto cell = collectionView.dequeueReusableCell<cellRevisioneFoto>("cell", indexPath);
        if (!cell)
            return collectionView.dequeueReusableCell("cell", indexPath);
        cell->myImageViewAnteprima->setImage({});
        const long item = indexPath.item;
        cell->setTag(item);
        auto apply = m_screen.myApplyController.lock();
        if (!apply)
            return cell;
        cell->myViewSegnoRegolata->setHidden(!apply->myMappaRegolazioni.contains(item));
        auto asset = apply->metodoAssetAllIndice(item);
        auto motore = m_screen.metodoMotorePerFoto(item);
        if (!asset || !apply->imageManager || !motore)
            return cell;
        const Size side = cell->bounds().size;
        const Size foto = fotoDritta(*asset);
        std::weak_ptr<cellRevisioneFoto> weakCell = cell;
        auto mostra = [weakCell, item](Image image) {
            // A reused cell may show another photo by now.
            auto strong = weakCell.lock();
            if (strong && strong->tag() == item && !image.isEmpty())
                strong->myImageViewAnteprima->setImage(image);
        };
        ImageRequestOptions options;
        // A camera's small thumbnail shows the cell at once, with the logo on it, until the sharp
        // picture comes.
        options.degradedHandler = mostra;
        // The logo is drawn on the decoding thread, so scrolling through pictures as they arrive
        // keeps its frames.
        options.prepare = [motore, foto](const Image& image) {
            // A photo whose size the library does not know is taken in the thumbnail's proportions.
            const Size dritta = foto.width > 0 && foto.height > 0 ? foto : Size { double(image.pixelWidth()), double(image.pixelHeight()) };
            return motore->previewOn(image, int(dritta.width), int(dritta.height));
        };
        apply->imageManager->requestImageForAsset(*asset, { side.width * 2, side.height * 2 }, ImageContentMode::AspectFit, options, std::move(mostra));
        return cell;
    }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath) override
    {
        const auto& layout = collectionView.layout();
        const int colonne = m_screen.metodoColonne();
        const double libero = collectionView.bounds().width() - layout.sectionInset.left - layout.sectionInset.right - layout.minimumInteritemSpacing * (colonne - 1);
        const double side = std::max(1.0, std::floor(libero / colonne));
        return Size { side, side };
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath indexPath) override { m_screen.metodoRegolaFoto(indexPath.item); }

private:
    QuintaraReviewController& m_screen;
};

QuintaraReviewController::QuintaraReviewController()
{
    bind("myViewCustomNavBar", myViewCustomNavBar);
    bind("myButtonBack", myButtonBack);
    bind("myLabelTitoloRevisione", myLabelTitoloRevisione);
    bind("myLabelAdatta", myLabelAdatta);
    bind("mySwitchAdatta", mySwitchAdatta);
    bind("myCollectionViewRevisione", myCollectionViewRevisione);
    action("myButtonBackACTION", [this] { myButtonBackACTION(); });
    action("mySwitchAdattaACTION", [this] { mySwitchAdattaACTION(); });
}

QuintaraReviewController::~QuintaraReviewController() = default;

long QuintaraReviewController::metodoNumeroFoto() const
{
    auto apply = myApplyController.lock();
    return apply ? apply->metodoNumeroFoto() : 0;
}

std::shared_ptr<const StampEngine> QuintaraReviewController::metodoMotorePerFoto(long item) const
{
    if (auto own = m_motoriPropri.find(item); own != m_motoriPropri.end())
        return own->second;
    return m_motoreComune;
}

void QuintaraReviewController::metodoPreparaMotori()
{
    m_motoriPropri.clear();
    m_motoreComune.reset();
    auto apply = myApplyController.lock();
    if (!apply || !apply->logoDaAplicare)
        return;
    StampEngineOptions options;
    options.adapt = apply->metodoAdatta();
    m_motoreComune = std::make_shared<const StampEngine>(*apply->logoDaAplicare, apply->metodoPosizionamentoComune(), options);
    for (const auto& [item, placement] : apply->myMappaRegolazioni)
        m_motoriPropri[item] = std::make_shared<const StampEngine>(*apply->logoDaAplicare, placement, options);
}

void QuintaraReviewController::viewDidLoad()
{
    m_griglia = std::make_shared<Griglia>(*this);
    myCollectionViewRevisione->registerCellClass<cellRevisioneFoto>("cell");
    myCollectionViewRevisione->setDataSource(m_griglia);
    myCollectionViewRevisione->setCollectionDelegate(m_griglia);
    auto apply = myApplyController.lock();
    mySwitchAdatta->setOn(apply && apply->metodoAdatta());
    metodoPreparaMotori();
    myCollectionViewRevisione->reloadData();
    log::debug("review grid did load with " + std::to_string(metodoNumeroFoto()) + " photos");
}

void QuintaraReviewController::viewWillAppear(bool animated)
{
    (void)animated;
    myLabelTitoloRevisione->setText(mySingleScritte::sharedInstance().stringaRevisioneFoto());
    myLabelAdatta->setText(mySingleScritte::sharedInstance().stringaAdattaAOgniFoto());
}

void QuintaraReviewController::metodoRegolaFoto(long item)
{
    auto apply = myApplyController.lock();
    if (!apply)
        return;
    apply->metodoRegolaFoto(item);
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

void QuintaraReviewController::mySwitchAdattaACTION()
{
    if (auto apply = myApplyController.lock())
        apply->metodoImpostaAdatta(mySwitchAdatta->isOn());
    metodoPreparaMotori();
    myCollectionViewRevisione->reloadData();
}

void QuintaraReviewController::myButtonBackACTION()
{
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

}
