#pragma once

#include <platform/photos/ImageManager.h>

#include <functional>
#include <memory>
#include <string>

namespace vd {
class ImageView;
}

namespace vd::browser {

// The thumbnail a cell of the browser shows, for the grid and the strip alike: asks the manager
// for the photo, puts the quick stand-in and then the photo itself into the image view, and
// drops the request when the cell shows another photo or leaves the screen. A cell never shows a
// stale picture of another photo while this one decodes.
class ThumbnailRequest {
public:
    ThumbnailRequest() = default;
    ~ThumbnailRequest() { cancel(); }
    ThumbnailRequest(const ThumbnailRequest&) = delete;
    ThumbnailRequest& operator=(const ThumbnailRequest&) = delete;

    // finished(image, stillShown) follows the photo's own decode (an empty image when it does
    // not decode), even once the cell shows another photo: stillShown then is false.
    using Finished = std::function<void(const Image& image, bool stillShown)>;
    void show(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize, const std::shared_ptr<ImageView>& view, Finished finished = {});
    void cancel();

    const std::string& representedAssetIdentifier() const { return m_state->represented; }
    bool isPending() const { return m_state->request != 0; }

private:
    // Shared with the deliveries, which may outlive the cell.
    struct State {
        std::string represented;
        ImageRequestId request { 0 };
        std::weak_ptr<ImageManager> manager;
    };
    std::shared_ptr<State> m_state { std::make_shared<State>() };
};

}
