#pragma once

#include <platform/graphics/Image.h>
#include <platform/ui/View.h>

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

    std::string className() const override { return "ImageView"; }
    std::optional<std::string> automationImageName() const override;

    const Image& image() const { return m_image; }
    void setImage(Image image);
    const Image& highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(Image image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    Size sizeThatFits(Size size) const override; // the image's size

    void draw(cairo_t* cr, const Rect& rect) override;

private:
    Image m_image;
    Image m_highlightedImage;
    bool m_highlighted { false };
};

// Draws image into rect with the tint for template images; shared with the controls.
void drawImageInRect(cairo_t* cr, const Image& image, const Rect& rect, const Color& tint);

}
