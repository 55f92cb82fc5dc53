#include <platform/ui/presentation/PhotoPicker.h>

#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {

constexpr double kBarHeight = 64;
constexpr double kSpacing = 2;
constexpr double kThumbnailScale = 2; // thumbnails are decoded for a double-density screen
constexpr const char* kCellIdentifier = "photo";

const char* accessName(AuthorizationStatus status)
{
    switch (status) {
    case AuthorizationStatus::Authorized: return "authorized";
    case AuthorizationStatus::Denied: return "denied";
    case AuthorizationStatus::Restricted: return "restricted";
    case AuthorizationStatus::NotDetermined: break;
    }
    return "notDetermined";
}

}

// One photo of the grid: its thumbnail, filling the square. A cell reused for another photo drops
// the request it made for the previous one.
class PhotoPickerCell : public CollectionViewCell {
public:
    PhotoPickerCell()
    {
        m_thumbnail->setName("photoPickerThumbnail");
        m_thumbnail->setContentMode(ContentMode::ScaleAspectFill);
        m_thumbnail->setClipsToBounds(true);
        m_thumbnail->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        setBackgroundColor(Color::white(0.85));
    }
    std::string className() const override { return "PhotoPickerCell"; }
    std::optional<std::string> automationText() const override { return m_localIdentifier; }

    void show(const PhotoAsset& asset, Size side, ImageManager& manager)
    {
        if (m_thumbnail->superview().get() != contentView().get())
            contentView()->addSubview(m_thumbnail);
        m_thumbnail->setFrame(contentView()->bounds());
        if (asset.localIdentifier == m_localIdentifier && !m_thumbnail->image().isEmpty())
            return;
        forget(manager);
        m_localIdentifier = asset.localIdentifier;
        std::weak_ptr<PhotoPickerCell> weakCell = std::static_pointer_cast<PhotoPickerCell>(shared_from_this());
        const std::string wanted = asset.localIdentifier;
        m_request = manager.requestImageForAsset(asset, { side.width * kThumbnailScale, side.height * kThumbnailScale }, ImageContentMode::AspectFill, {}, [weakCell, wanted](Image image) {
            auto cell = weakCell.lock();
            if (!cell || cell->m_localIdentifier != wanted)
                return;
            cell->m_request = 0;
            cell->m_thumbnail->setImage(image.isEmpty() ? image : image.withScale(kThumbnailScale).withName(wanted));
        });
        m_manager = &manager;
    }

    void prepareForReuse() override
    {
        if (m_manager)
            forget(*m_manager);
    }

    ~PhotoPickerCell() override
    {
        if (m_manager && m_request)
            m_manager->cancelImageRequest(m_request);
    }

private:
    void forget(ImageManager& manager)
    {
        if (m_request)
            manager.cancelImageRequest(m_request);
        m_request = 0;
        m_localIdentifier.clear();
        m_thumbnail->setImage(Image());
    }

    std::shared_ptr<ImageView> m_thumbnail { View::make<ImageView>() };
    std::string m_localIdentifier;
    ImageRequestId m_request { 0 };
    ImageManager* m_manager { nullptr };
};

PhotoPicker::PhotoPicker(PhotoLibrary& library, ImageManager& imageManager)
    : m_library(library)
    , m_imageManager(imageManager)
{
    setName("photoPicker");
    setBackgroundColor(Color::whiteColor());
    m_bar = View::make();
    m_bar->setBackgroundColor(Color::rgba(0.97, 0.97, 0.97));
    m_title = View::make<Label>();
    m_title->setName("photoPickerTitle");
    m_title->setText("Photos");
    m_title->setFont("Helvetica-Bold", 17);
    m_title->setTextAlignment(TextAlignment::Center);
    m_cancel = View::make<Button>(Button::Type::System);
    m_cancel->setName("photoPickerCancel");
    m_cancel->setTitle("Cancel");
    m_cancel->setFont("Helvetica", 17);
    m_cancel->addAction(ControlEvent::TouchUpInside, [this](Control&) { cancel(); });
    m_grid = View::make<CollectionView>();
    m_grid->setName("photoPickerGrid");
    m_grid->setBackgroundColor(Color::whiteColor());
    m_grid->registerCellClass<PhotoPickerCell>(kCellIdentifier);
    CollectionViewFlowLayout layout;
    layout.minimumLineSpacing = kSpacing;
    layout.minimumInteritemSpacing = kSpacing;
    m_grid->setLayout(layout);
    m_note = View::make<Label>();
    m_note->setName("photoPickerNote");
    m_note->setNumberOfLines(0);
    m_note->setFont("Helvetica", 15);
    m_note->setTextColor(Color::white(0.43));
    m_note->setTextAlignment(TextAlignment::Center);
    m_note->setHidden(true);
}

PhotoPicker::~PhotoPicker() = default;

void PhotoPicker::automationValues(nlohmann::json& out) const
{
    out["photoCount"] = m_assets.size();
    out["access"] = m_access;
}

void PhotoPicker::attachParts()
{
    // Subviews added in a constructor would not know their parent yet, so they join here.
    if (m_bar->superview().get() == this)
        return;
    m_bar->addSubview(m_title);
    m_bar->addSubview(m_cancel);
    for (const auto& part : std::initializer_list<std::shared_ptr<View>> { m_grid, m_bar, m_note })
        addSubview(part);
    auto self = std::static_pointer_cast<PhotoPicker>(shared_from_this());
    m_grid->setDataSource(std::static_pointer_cast<CollectionViewDataSource>(self));
    m_grid->setCollectionDelegate(std::static_pointer_cast<CollectionViewDelegate>(self));
}

void PhotoPicker::loadPhotos()
{
    // The answer may come later, from a dialog: the picker may be gone by then.
    std::weak_ptr<View> weakSelf = shared_from_this();
    m_library.requestAuthorization([weakSelf, this](AuthorizationStatus status) {
        if (weakSelf.lock())
            showPhotos(status);
    });
}

void PhotoPicker::showPhotos(AuthorizationStatus status)
{
    m_assets.clear();
    m_access = accessName(status);
    if (status == AuthorizationStatus::Denied || status == AuthorizationStatus::Restricted) {
        m_note->setText(status == AuthorizationStatus::Denied ? "Vardenico may not see your photos.\nTurn on photo access in Settings." : "The photo library folder " + m_library.folder().string() + " cannot be read.");
        m_note->setHidden(false);
    } else {
        // Not yet answered (nobody to ask, as in a headless run): the library is the user's own
        // folder, shown as it is.
        FetchOptions options;
        options.predicate = FetchPredicate::equal("mediaType", static_cast<long long>(AssetMediaType::Image));
        const auto photos = m_library.fetchAssetsWithOptions(options);
        for (std::size_t i = 0; i < photos.count(); ++i)
            m_assets.push_back(photos[i]);
        m_note->setText("No photos in " + m_library.folder().string());
        m_note->setHidden(!m_assets.empty());
    }
    m_grid->reloadData();
    setNeedsLayout();
}

void PhotoPicker::present(View& host)
{
    const Rect area = host.bounds();
    setFrame(area);
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    attachParts();
    host.addSubview(shared_from_this());
    loadPhotos();
    layoutIfNeeded();
    View::performWithoutAnimation([&] { setCenter({ area.midX(), area.midY() + area.height() }); });
    View::animate(0.3, [&] { setCenter({ area.midX(), area.midY() }); });
    becomeFirstResponder();
}

double PhotoPicker::itemSide() const
{
    const double width = bounds().width();
    const int columns = width >= 700 ? 6 : 4;
    return std::floor((width - (columns - 1) * kSpacing) / columns);
}

void PhotoPicker::layoutSubviews()
{
    const double w = bounds().width(), h = bounds().height();
    m_bar->setFrame({ 0, 0, w, kBarHeight });
    const Size cancel = m_cancel->sizeThatFits({});
    m_cancel->setFrame({ 16, 20, cancel.width, kBarHeight - 20 });
    m_title->setFrame({ cancel.width + 24, 20, w - 2 * (cancel.width + 24), kBarHeight - 20 });
    m_grid->setFrame({ 0, kBarHeight, w, std::max(0.0, h - kBarHeight) });
    m_note->setFrame({ 24, kBarHeight + 40, w - 48, m_note->sizeThatFits({ w - 48, 0 }).height });
}

void PhotoPicker::keyPressed(Key key)
{
    if (key == Key::Escape)
        cancel();
}

long PhotoPicker::numberOfItemsInSection(CollectionView&, long)
{
    return static_cast<long>(m_assets.size());
}

std::shared_ptr<CollectionViewCell> PhotoPicker::cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    auto cell = collectionView.dequeueReusableCell<PhotoPickerCell>(kCellIdentifier, indexPath);
    const double side = itemSide();
    cell->show(m_assets.at(static_cast<std::size_t>(indexPath.item)), { side, side }, m_imageManager);
    return cell;
}

std::optional<Size> PhotoPicker::sizeForItemAtIndexPath(CollectionView&, IndexPath)
{
    const double side = itemSide();
    return Size { side, side };
}

void PhotoPicker::didSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath)
{
    collectionView.deselectItemAtIndexPath(indexPath, Animated::No);
    pickPhotoAtIndex(static_cast<std::size_t>(indexPath.item));
}

bool PhotoPicker::pickPhotoAtIndex(std::size_t index)
{
    if (index >= m_assets.size() || m_finished)
        return false;
    const PhotoAsset asset = m_assets[index];
    std::optional<PickedPhoto> picked;
    std::string problem = "the photo is no longer in the library";
    m_library.requestContentEditingInput(asset, [&](std::optional<ContentEditingInput> input) {
        if (!input)
            return;
        auto image = ImageManager::loadImage(input->fullSizeImageURL, kImageManagerMaximumSize, ImageContentMode::AspectFit, input->orientation);
        if (image)
            picked = PickedPhoto { asset, image->withName(asset.localIdentifier) };
        else
            problem = image.error().message;
    });
    if (!picked) {
        auto alert = AlertController::make("Vardenico", "The photo \"" + asset.localIdentifier + "\" cannot be opened: " + problem + ".");
        alert->addAction("OK", AlertController::ActionStyle::Default);
        alert->present(superview() ? *superview() : static_cast<View&>(*this));
        return false;
    }
    finish(std::move(picked));
    return true;
}

void PhotoPicker::cancel()
{
    finish(std::nullopt);
}

void PhotoPicker::finish(std::optional<PickedPhoto> picked)
{
    if (m_finished)
        return;
    m_finished = true;
    auto protector = shared_from_this();
    if (isFirstResponder())
        resignFirstResponder();
    removeFromSuperview();
    // The completion runs last: it may open another picker or present what was picked.
    if (auto completion = std::move(m_completion))
        completion(std::move(picked));
}

std::shared_ptr<PhotoPicker> presentPhotoPicker(View& host, PhotoPicker::Completion completion)
{
    auto picker = View::make<PhotoPicker>(PhotoLibrary::sharedPhotoLibrary(), ImageManager::defaultManager());
    picker->setCompletion(std::move(completion));
    picker->present(host);
    return picker;
}

}
