#pragma once

#include <platform/graphics/Image.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/views/View.h>

#include <vector>

namespace vd {

// Shows an image placed by the content mode. A template image (or any image while
// alwaysTemplate is set) is drawn as a silhouette filled with the tint colour.
class ImageView : public View {
public:
    ImageView() { setUserInteractionEnabled(false); }
    explicit ImageView(const Rect& frame)
        : View(frame)
    {
        setUserInteractionEnabled(false);
    }
    explicit ImageView(Image image);
    ~ImageView() override;

    std::string className() const override { return "ImageView"; }
    std::optional<std::string> automationImageName() const override;

    const Image& image() const { return m_image; }
    void setImage(Image image);
    const Image& highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(Image image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    Size sizeThatFits(Size size) const override; // the image's size

    // A flip-book: while animating, the images follow each other over animationDuration seconds
    // (default a thirtieth of a second each), repeatCount times (0: endlessly). Setting an empty
    // list stops the animation and shows the still image again.
    const std::vector<Image>& animationImages() const { return m_animationImages; }
    void setAnimationImages(std::vector<Image> images);
    double animationDuration() const;
    void setAnimationDuration(double seconds) { m_animationDuration = seconds; }
    void setAnimationRepeatCount(int count) { m_repeatCount = std::max(0, count); }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animationTimer != 0; }
    void automationValues(nlohmann::json& out) const override;

    void draw(Painter& painter, const Rect& rect) override;

private:
    const Image& resampledForDrawing(const Image& shown, Size pixels) const;

    Image m_image;
    // The image last drawn, resampled to the pixels it covered: a grid that scrolls draws each
    // thumbnail again every frame, and copying pixels costs far less than filtering them anew.
    mutable std::weak_ptr<const PixelBuffer> m_resampledFrom;
    mutable Image m_resampled;
    Image m_highlightedImage;
    bool m_highlighted { false };
    std::vector<Image> m_animationImages;
    double m_animationDuration { 0 };
    int m_repeatCount { 0 };
    size_t m_frame { 0 };
    size_t m_framesShown { 0 };
    RunLoop::TimerId m_animationTimer { 0 };
};

}
