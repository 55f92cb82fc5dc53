// The photo browser's grid and selection strip: their cells, selecting and deselecting photos, the
// counters, and the cancel and confirm buttons of the grid panel.
#include <browser/ViewController.h>

#include <services/mySingleScritte.h>
#include <browser/FotoSelezionateCollectionCell.h>
#include <browser/RullinoCollectionViewCell.h>
#include <platform/foundation/Log.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PendingFile.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/window/Window.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/ScreenRegistry.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unordered_map>

namespace vd::browser {

namespace {

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// The file's own path, links resolved, or empty when it is not there.
std::filesystem::path resolved(const std::filesystem::path& file)
{
    std::error_code error;
    auto path = std::filesystem::canonical(file, error);
    return error ? std::filesystem::path() : path;
}

bool isInside(const std::filesystem::path& file, const std::filesystem::path& folder)
{
    auto [fileAt, folderAt] = std::mismatch(file.begin(), file.end(), folder.begin(), folder.end());
    return folderAt == folder.end() && fileAt != file.end();
}

// Copies a file into the folder under its own name, or its name with _2, _3... when that is
// taken, as every new photo is saved: never replacing a file, never leaving one half written.
// The copy's path, or empty when it could not be made.
std::filesystem::path copiedInto(const std::filesystem::path& file, const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    auto pending = PendingFile::create(folder);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
    if (!pending || !in)
        return {};
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;)
        if (std::fwrite(buffer, 1, n, pending->stream()) != n)
            return {};
    if (std::ferror(in.get()))
        return {};
    auto copied = pending->commit(file.stem().string(), file.extension().string());
    return copied ? *copied : std::filesystem::path();
}

std::string listed(const std::vector<int>& positions)
{
    std::string text = "[";
    for (std::size_t i = 0; i < positions.size(); ++i)
        text += (i ? ", " : "") + std::to_string(positions[i]);
    return text + "]";
}

}

// Both collection views speak to the screen through one adapter, as both speak to one delegate.
struct ViewController::Lists : CollectionViewDataSource, CollectionViewDelegate {
    ViewController* screen { nullptr };
    long numberOfItemsInSection(CollectionView& view, long section) override { return screen->collectionViewNumberOfItemsInSection(view, section); }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath indexPath) override { return screen->collectionViewCellForItemAtIndexPath(view, indexPath); }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath indexPath) override { return screen->collectionViewSizeForItemAtIndexPath(view, indexPath); }
    bool shouldSelectItemAtIndexPath(CollectionView& view, IndexPath indexPath) override { return screen->collectionViewShouldSelectItemAtIndexPath(view, indexPath); }
    void didSelectItemAtIndexPath(CollectionView& view, IndexPath indexPath) override { screen->collectionViewDidSelectItemAtIndexPath(view, indexPath); }
    void didDeselectItemAtIndexPath(CollectionView& view, IndexPath indexPath) override { screen->collectionViewDidDeselectItemAtIndexPath(view, indexPath); }
};

void ViewController::wireLists()
{
    m_lists = std::make_shared<Lists>();
    m_lists->screen = this;
    myCollectionViewRullino->registerCellClass<RullinoCollectionViewCell>("cellrullino");
    myCollectionViewRullino->setDataSource(m_lists);
    myCollectionViewRullino->setCollectionDelegate(m_lists);
    myCollectionViewRullino->setAllowsSelection(true);
    myCollectionViewRullino->setAllowsMultipleSelection(true);
    myCollectionViewSELEZIONATE->registerCellClass<FotoSelezionateCollectionCell>("cellSelezionate");
    myCollectionViewSELEZIONATE->setDataSource(m_lists);
    myCollectionViewSELEZIONATE->setCollectionDelegate(m_lists);
    myCollectionViewSELEZIONATE->setAllowsSelection(false);
    wireAlbumRows();
}

long ViewController::collectionViewNumberOfItemsInSection(CollectionView& collectionView, long)
{
    if (&collectionView == myCollectionViewRullino.get())
        return assetsFetchResults ? static_cast<long>(assetsFetchResults->count()) : 0;
    return static_cast<long>(myArrIndexSelezionati.size());
}

Size ViewController::collectionViewSizeForItemAtIndexPath(CollectionView& collectionView, IndexPath)
{
    const double w = collectionView.bounds().width();
    const bool tablet = ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet;
    double side;
    if (&collectionView == myCollectionViewRullino.get())
        side = tablet ? w / 10 : w * 0.25;
    else
        side = tablet ? w * 0.25 : w * 0.5;
    // A hair under the exact share, so rounding never pushes the last column to the next line.
    side = std::floor(side * 1000) / 1000;
    return { side, side };
}

void ViewController::photoReadability(const PhotoAsset& asset, bool readable)
{
    if (readable)
        m_unreadable.erase(asset.localIdentifier);
    else
        m_unreadable.insert(asset.localIdentifier);
}

std::shared_ptr<CollectionViewCell> ViewController::collectionViewCellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    const bool grid = &collectionView == myCollectionViewRullino.get();
    const Size size = collectionViewSizeForItemAtIndexPath(collectionView, indexPath);
    if (grid) {
        auto cell = collectionView.dequeueReusableCell<RullinoCollectionViewCell>("cellrullino", indexPath);
        if (!cell || !assetsFetchResults || static_cast<std::size_t>(indexPath.item) >= assetsFetchResults->count())
            return cell;
        const PhotoAsset& asset = (*assetsFetchResults)[static_cast<std::size_t>(indexPath.item)];
        const bool selected = std::find(myArrIndexSelezionati.begin(), myArrIndexSelezionati.end(), indexPath.item) != myArrIndexSelezionati.end();
        cell->showSelected(selected);
        std::weak_ptr<vd::ViewController> weak = weak_from_this();
        cell->showAsset(asset, imageManager, { size.width * 2, size.height * 2 }, [weak](const PhotoAsset& photo, bool readable) {
            if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
                self->photoReadability(photo, readable);
        });
        if (isUnreadable(asset))
            cell->setUnreadable(true);
        return cell;
    }
    auto cell = collectionView.dequeueReusableCell<FotoSelezionateCollectionCell>("cellSelezionate", indexPath);
    if (!cell || static_cast<std::size_t>(indexPath.item) >= myArrIndexSelezionati.size())
        return cell;
    const int position = myArrIndexSelezionati[static_cast<std::size_t>(indexPath.item)];
    cell->cella = indexPath.item;
    cell->numeroinarray = position;
    cell->myButtonDeselect->setName(collectionView.name() + "." + indexPath.text() + ".myButtonDeselect");
    if (!cell->onDeselect) {
        std::weak_ptr<vd::ViewController> weak = weak_from_this();
        cell->onDeselect = [weak](const FotoSelezionateCollectionCell& tapped) {
            if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
                self->myButtonDeselectPreselezionateAction(tapped);
        };
    }
    if (assetsFetchResults && position >= 0 && static_cast<std::size_t>(position) < assetsFetchResults->count())
        cell->showAsset((*assetsFetchResults)[static_cast<std::size_t>(position)], imageManager, { size.width * 3, size.height * 3 });
    return cell;
}

bool ViewController::collectionViewShouldSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    if (&collectionView != myCollectionViewRullino.get())
        return false;
    if (!assetsFetchResults || static_cast<std::size_t>(indexPath.item) >= assetsFetchResults->count())
        return false;
    const PhotoAsset& asset = (*assetsFetchResults)[static_cast<std::size_t>(indexPath.item)];
    if (!isUnreadable(asset))
        return true;
    // A photo that does not decode would only fail later, in the batch: say so now.
    presentAlert("Vardenico", mySingleScritte::sharedInstance().stringaFotoIllegibili() + " \"" + asset.localIdentifier + "\"", "Ok");
    return false;
}

void ViewController::collectionViewDidSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    if (&collectionView == myCollectionViewRullino.get())
        selectGridPosition(indexPath, true);
}

bool ViewController::selectGridPosition(IndexPath indexPath, bool animated)
{
    if (!assetsFetchResults || indexPath.item < 0 || static_cast<std::size_t>(indexPath.item) >= assetsFetchResults->count())
        return false;
    const int position = static_cast<int>(indexPath.item);
    if (std::find(myArrIndexSelezionati.begin(), myArrIndexSelezionati.end(), position) == myArrIndexSelezionati.end())
        myArrIndexSelezionati.push_back(position);
    if (auto cell = std::dynamic_pointer_cast<RullinoCollectionViewCell>(myCollectionViewRullino->cellForItemAtIndexPath(indexPath))) {
        cell->setSelected(true);
        cell->myImagePhoto->layer().setBorderWidth(borderCellWidth);
        cell->myImagePhoto->layer().setBorderColor(Color::whiteColor());
        auto badge = cell->myLabelCheck;
        View::animate(animated ? 0.1 : 0, [badge] { badge->setAlpha(1); });
    } else {
        log::debug("nil value"); // scrolled away: the cell shows the selection when it comes back
    }
    log::debug("Seleziona " + listed(myArrIndexSelezionati));
    myCollectionViewRullino->selectItemAtIndexPath(indexPath, Animated::No, ScrollPosition::None);
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    RunLoop::main().post([weak] {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->metodoSettaLabelSelezionate();
    });
    return true;
}

void ViewController::collectionViewDidDeselectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    if (&collectionView != myCollectionViewRullino.get())
        return;
    std::erase(myArrIndexSelezionati, static_cast<int>(indexPath.item));
    if (auto cell = std::dynamic_pointer_cast<RullinoCollectionViewCell>(myCollectionViewRullino->cellForItemAtIndexPath(indexPath))) {
        cell->setSelected(false);
        cell->myImagePhoto->layer().setBorderColor(Color::clear());
        cell->myImagePhoto->layer().setBorderWidth(4.0);
        auto badge = cell->myLabelCheck;
        View::animate(0.1, [badge] { badge->setAlpha(0); });
    }
    log::debug("Deseleziona " + listed(myArrIndexSelezionati));
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    RunLoop::main().post([weak] {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->metodoSettaLabelSelezionate();
    });
}

void ViewController::reselectGrid()
{
    myCollectionViewRullino->selectItemAtIndexPath(std::nullopt, Animated::No, ScrollPosition::None);
    for (int position : myArrIndexSelezionati)
        myCollectionViewRullino->selectItemAtIndexPath(IndexPath::forItem(position, 0), Animated::No, ScrollPosition::None);
    for (auto& visible : myCollectionViewRullino->visibleCells()) {
        auto cell = std::dynamic_pointer_cast<RullinoCollectionViewCell>(visible);
        auto where = myCollectionViewRullino->indexPathForCell(*visible);
        if (cell && where)
            cell->showSelected(std::find(myArrIndexSelezionati.begin(), myArrIndexSelezionati.end(), where->item) != myArrIndexSelezionati.end());
    }
}

void ViewController::reloadGrid()
{
    // The grid forgets its own selection on reload; the screen's list is the truth.
    myCollectionViewRullino->reloadData();
    myCollectionViewRullino->layoutIfNeeded();
    reselectGrid();
}

void ViewController::metodoSettaLabelSelezionate()
{
    if (!isViewLoaded())
        return;
    const std::size_t n = myArrIndexSelezionati.size();
    const std::string count = "(" + std::to_string(n) + ")";
    const std::string selezionate = mySingleScritte::sharedInstance().stringaSelezionate() + " " + count;
    myLabelGiaSelezionate->setText(selezionate);
    myLabelTitoloSelezionate->setText(selezionate);
    auto confirm = myButtonSelezionaProperty;
    if (n > 0) {
        myLabelCountSelezionate->setText(count);
        confirm->setEnabled(true);
        confirm->setUserInteractionEnabled(true);
        View::animate(0.2, [confirm] { confirm->setAlpha(1); });
    } else {
        myLabelCountSelezionate->setText("");
        confirm->setEnabled(false);
        confirm->setUserInteractionEnabled(false);
        View::animate(0.2, [confirm] { confirm->setAlpha(0.1); });
    }
}

void ViewController::myButtonDeselectPreselezionateAction(const FotoSelezionateCollectionCell& cell)
{
    const long row = cell.cella;
    const int position = static_cast<int>(cell.numeroinarray);
    std::erase(myArrIndexSelezionati, position);
    log::debug("tolta dalla selezione la foto " + std::to_string(position) + " (riga " + std::to_string(row) + ")");
    // Rows after the removed one move up; a reload gives every remaining button its new row.
    myCollectionViewSELEZIONATE->reloadData();
    reloadGrid();
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    RunLoop::main().post([weak] {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->metodoSettaLabelSelezionate();
    });
    if (myArrIndexSelezionati.empty())
        metodoEsceCollectionSelezionate(true);
}

bool ViewController::acceptDroppedFiles(const std::vector<std::filesystem::path>& files)
{
    if (!isVisible() || !m_libraryRead)
        return false;
    const auto library = resolved(m_library->folder());
    std::vector<std::filesystem::path> photos, outside;
    std::vector<std::string> refused, outsideNames;
    for (const auto& file : files) {
        const auto path = resolved(file);
        std::error_code error;
        if (path.empty() || !std::filesystem::is_regular_file(path, error) || sniffFileFormat(path) == ImageFormat::Unknown) {
            refused.push_back(file.filename().string());
            continue;
        }
        photos.push_back(path);
        if (!isInside(path, library)) {
            outside.push_back(path);
            outsideNames.push_back(path.filename().string());
        }
    }
    const std::string notPhotos = refused.empty() ? "" : (refused.size() == 1 ? "This file is not a photo this program can read: " : "These files are not photos this program can read: ") + joined(refused) + ".";
    if (outside.empty()) {
        selectDropped(photos, notPhotos);
        return true;
    }
    const std::string many = outside.size() == 1 ? "This photo is not in your library: " : std::to_string(outside.size()) + " of these photos are not in your library: ";
    std::string message = many + joined(outsideNames) + ". Copy into the album \"Imported\" and select?";
    if (!notPhotos.empty())
        message += "\n\n" + notPhotos;
    auto alert = AlertController::make("Add to your library", message);
    alert->setName("alert");
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    auto choose = [weak, photos, outside](bool copy) {
        auto self = std::static_pointer_cast<ViewController>(weak.lock());
        if (!self)
            return;
        std::vector<std::filesystem::path> chosen;
        std::vector<std::string> failed;
        for (const auto& path : photos) {
            if (std::find(outside.begin(), outside.end(), path) == outside.end())
                chosen.push_back(path);
            else if (!copy)
                continue;
            else if (auto copied = copiedInto(path, self->m_library->folder() / "Imported"); !copied.empty())
                chosen.push_back(resolved(copied));
            else
                failed.push_back(path.filename().string());
        }
        self->selectDropped(chosen, failed.empty() ? "" : "These photos could not be copied into your library: " + joined(failed) + ".");
    };
    alert->addAction("Copy", AlertController::ActionStyle::Default, [choose] { choose(true); });
    alert->addAction(mySingleScritte::sharedInstance().stringaAnnulla(), AlertController::ActionStyle::Cancel, [choose] { choose(false); });
    m_alert = alert;
    if (auto window = view()->window())
        alert->present(*window);
    return true;
}

// The dropped photos (canonical paths), in drop order, become the selection; the grid goes to
// all photos when the album it shows lacks one of them.
void ViewController::selectDropped(const std::vector<std::filesystem::path>& photos, const std::string& problem)
{
    if (!photos.empty()) {
        metodoAggiornaLibreria();
        // A photo's identifier is its path in the library folder: the dropped paths are turned into
        // identifiers once, instead of resolving the path of every photo in the library.
        const auto library = resolved(m_library->folder());
        std::vector<std::string> wanted;
        for (const auto& path : photos)
            wanted.push_back(path.lexically_relative(library).generic_string());
        auto positionsOf = [&] {
            std::unordered_map<std::string, int> byIdentifier;
            for (std::size_t i = 0; assetsFetchResults && i < assetsFetchResults->count(); ++i)
                byIdentifier.emplace((*assetsFetchResults)[i].localIdentifier, static_cast<int>(i));
            std::vector<int> positions;
            for (const auto& identifier : wanted)
                if (auto found = byIdentifier.find(identifier); found != byIdentifier.end() && std::find(positions.begin(), positions.end(), found->second) == positions.end())
                    positions.push_back(found->second);
            return positions;
        };
        auto positions = positionsOf();
        if (positions.size() < photos.size() && m_albumShown) {
            m_albumShown.reset();
            metodoAggiornaLibreria();
            positions = positionsOf();
        }
        myArrIndexSelezionati = positions;
        reselectGrid();
        myCollectionViewSELEZIONATE->reloadData();
        metodoSettaScritte();
        metodoSettaLabelSelezionate();
    }
    if (!problem.empty())
        presentAlert("Not selected", problem, "OK");
}

void ViewController::AnnullaSelezioneFoto()
{
    if (myBoolAlbumInAlto) {
        metodoEntraEsciViewAlbums(true);
        return;
    }
    if (myArrIndexSelezionati.empty())
        metodoEscePicker(true);
    myArrIndexSelezionati.clear();
    auto grid = myCollectionViewRullino;
    std::weak_ptr<vd::ViewController> weak = weak_from_this();
    View::animate(0.1, [grid] { grid->setAlpha(0); }, [weak, grid](bool) {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->reloadGrid();
        View::animate(0.2, [grid] { grid->setAlpha(1); });
    });
    RunLoop::main().post([weak] {
        if (auto self = std::static_pointer_cast<ViewController>(weak.lock()))
            self->metodoSettaLabelSelezionate();
    });
    myCollectionViewSELEZIONATE->reloadData();
}

void ViewController::SelezionaFoto()
{
    log::debug("SELEZIONA FOTO BUTTON");
    myArrImmaginiEstratteDaRullino.clear();
    myCollectionViewSELEZIONATE->reloadData();
    slide(myViewLoading, { 4 * Centro.x, Centro.y }, 0);
    metodoEscePicker(true);
    if (canHandOff())
        handOff();
}

}
