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
    // A picture much larger than its place on screen is scaled down once, not at every frame:
    // the smoothing filter costs in proportion to the pixels it reads. The copy is kept until the
    // picture or its size in pixels changes. While the window's scale keeps changing (a window
    // being resized), the copies are interpolated, and the sharp one follows once it holds still.
    const Image& renditionFor(const Image& image, const Rect& rect, double pixelsPerPoint);
    struct Rendition {
        std::shared_ptr<const PixelBuffer> source;
        int width { 0 };
        int height { 0 };
        Image image;
        double pixelsPerPoint { 0 };
        double madeAt { 0 };
        bool quick { false };
    };

    Image m_image;
    Rendition m_rendition;
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
