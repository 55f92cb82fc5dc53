#pragma once

#include <platform/graphics/Image.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/photos/ImageManager.h>
#include <platform/ui/lists/CollectionView.h>

#include <functional>
#include <optional>

namespace vd {

class Button;
class Label;
class PhotoLibrary;
class PhotoPickerCell;
enum class AuthorizationStatus : int;

// What the photo picker hands back: the photo chosen and its original picture at full size,
// upright (its EXIF orientation applied).
struct PickedPhoto {
    PhotoAsset asset;
    Image image;
};

// A photo picker over the photo library: a grid of its photos, newest first, with thumbnails from
// the image manager. Tapping a photo closes the picker and hands its original picture to the
// completion; Cancel (or Escape) closes it and hands nothing. Access is asked for when the picker
// opens; with access turned off (or the folder unreadable) the grid stays empty and a note says
// where to turn it on. A photo whose file cannot be read is reported in an alert naming it, and
// the picker stays open.
class PhotoPicker : public View, public CollectionViewDataSource, public CollectionViewDelegate {
public:
    using Completion = std::function<void(std::optional<PickedPhoto>)>;

    PhotoPicker(PhotoLibrary& library, ImageManager& imageManager);
    ~PhotoPicker() override;
    std::string className() const override { return "PhotoPicker"; }
    void automationValues(nlohmann::json& out) const override; // photoCount, access

    void setCompletion(Completion completion) { m_completion = std::move(completion); }
    void present(View& host); // covers host, rising from the bottom, and loads the photos
    void cancel();
    bool pickPhotoAtIndex(std::size_t index); // as a tap on that photo; false when it cannot be read

    const std::shared_ptr<CollectionView>& grid() const { return m_grid; }
    std::size_t photoCount() const { return m_assets.size(); }

    void layoutSubviews() override;
    bool canBecomeFirstResponder() const override { return true; }
    void keyPressed(Key key) override;

    long numberOfItemsInSection(CollectionView& collectionView, long section) override;
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;
    void didSelectItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override;

private:
    void attachParts();
    void loadPhotos();
    void showPhotos(AuthorizationStatus status);
    void finish(std::optional<PickedPhoto> picked);
    double itemSide() const;

    PhotoLibrary& m_library;
    ImageManager& m_imageManager;
    std::vector<PhotoAsset> m_assets;
    std::string m_access;
    std::shared_ptr<View> m_bar;
    std::shared_ptr<Label> m_title;
    std::shared_ptr<Button> m_cancel;
    std::shared_ptr<CollectionView> m_grid;
    std::shared_ptr<Label> m_note;
    Completion m_completion;
    bool m_finished { false };
};

// Shows a picker over the window on the user's photo library and the default image manager.
std::shared_ptr<PhotoPicker> presentPhotoPicker(View& host, PhotoPicker::Completion completion);

}
