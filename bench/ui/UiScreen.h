#pragma once

#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/TextRenderer.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/window/Window.h>

#include <memory>
#include <string>

namespace vd::bench {

// A line of text, as a label would draw it.
class TextLine : public View {
public:
    TextLine(const Rect& frame, std::string text)
        : View(frame)
        , m_text(std::move(text))
    {
        m_style.fontName = "GillSans-UltraBold";
        m_style.fontSize = 14;
        m_style.alignment = TextAlignment::Center;
    }
    void draw(Painter& painter, const Rect& rect) override { painter.drawText(m_text, m_style, rect); }

private:
    std::string m_text;
    TextStyle m_style;
};

inline Image benchPicture(int index)
{
    DrawingContext context({ 44, 44 }, DrawingContext::Opacity::Transparent, 2);
    Path disc;
    disc.addCircle({ 22, 22 }, 20);
    context.painter().fillPath(disc, Color::rgba((index % 5) / 5.0, 0.4, 1 - (index % 7) / 7.0));
    return context.takeImage();
}

// A phone screen of 100 views: a grid of 50 cells, each a rounded card with an image and a
// line of text; a few cards translucent, a few turned.
inline std::shared_ptr<Window> makeBenchScreen()
{
    auto window = std::make_shared<Window>(Size { 390, 844 });
    window->setBackgroundColor(Color::fromCode("#edf2f4"));
    for (int i = 0; i < 33; ++i) {
        const double x = 10 + (i % 3) * 125, y = 20 + (i / 3) * 74;
        auto card = View::make(Rect(x, y, 120, 70));
        card->setBackgroundColor(Color::whiteColor());
        card->layer().setCornerRadius(10);
        if (i % 6 == 0)
            card->setAlpha(0.8);
        if (i % 8 == 0)
            card->setTransform(AffineTransform::rotation(0.05));
        auto image = std::make_shared<ImageView>(Rect(4, 4, 44, 44));
        image->setImage(benchPicture(i));
        card->addSubview(image);
        card->addSubview(std::make_shared<TextLine>(Rect(50, 10, 68, 40), "Logo " + std::to_string(i)));
        window->addSubview(card);
    }
    window->addSubview(std::make_shared<TextLine>(Rect(0, 800, 390, 30), "One hundred views"));
    return window;
}

}
