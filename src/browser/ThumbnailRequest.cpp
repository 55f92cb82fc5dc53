#include <browser/ThumbnailRequest.h>

#include <platform/ui/controls/ImageView.h>

namespace vd::browser {

void ThumbnailRequest::cancel()
{
    if (m_state->request) {
        if (auto manager = m_state->manager.lock())
            manager->cancelImageRequest(m_state->request);
    }
    m_state->request = 0;
}

void ThumbnailRequest::show(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize, const std::shared_ptr<ImageView>& view, Finished finished)
{
    cancel();
    if (m_state->represented != asset.localIdentifier && view)
        view->setImage({});
    m_state->represented = asset.localIdentifier;
    if (!manager)
        return;
    m_state->manager = manager;
    std::weak_ptr<State> weakState = m_state;
    std::weak_ptr<ImageView> weakView = view;
    const std::string wanted = asset.localIdentifier;
    auto current = [weakState, wanted](ImageRequestId id) {
        auto state = weakState.lock();
        return state && state->represented == wanted && state->request == id ? state : nullptr;
    };
    // The id is known only once the request returns; deliveries come later, on the main loop.
    auto id = std::make_shared<ImageRequestId>(0);
    ImageRequestOptions options;
    options.degradedHandler = [current, id, weakView](Image image) {
        auto view = weakView.lock();
        if (current(*id) && view)
            view->setImage(image);
    };
    *id = manager->requestImageForAsset(asset, targetSize, ImageContentMode::AspectFit, options, [current, id, weakView, finished = std::move(finished)](Image image) {
        auto state = current(*id);
        if (state) {
            state->request = 0;
            if (auto view = weakView.lock())
                view->setImage(image);
        }
        if (finished)
            finished(image, state != nullptr);
    });
    m_state->request = *id;
}

}
