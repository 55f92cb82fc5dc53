#include <platform/ui/controls/Button.h>

#include <platform/ui/controls/ImageView.h>

#include <cmath>

namespace vd {

namespace {
constexpr double kImageTitleSpacing = 4;
}

Button::Button(Type type)
    : m_type(type)
{
    m_titleStyle.fontSize = 15;
    m_titleStyle.alignment = TextAlignment::Center;
}

Button::Button(Type type, const Rect& frame)
    : Button(type)
{
    setFrame(frame);
}

template<typename T>
const T* Button::lookUp(const std::map<unsigned, T>& values, unsigned state)
{
    if (auto it = values.find(state); it != values.end())
        return &it->second;
    // A combined state (selected and highlighted) falls back to its parts before normal.
    for (unsigned part : { ControlStateDisabled, ControlStateSelected, ControlStateHighlighted })
        if (state & part)
            if (auto it = values.find(part); it != values.end())
                return &it->second;
    if (auto it = values.find(ControlStateNormal); it != values.end())
        return &it->second;
    return nullptr;
}

std::optional<std::string> Button::automationText() const
{
    if (auto title = titleForState(state()))
        return title;
    return std::nullopt;
}

std::optional<std::string> Button::automationImageName() const
{
    const Image image = imageForState(state());
    if (image.isEmpty() || image.name().empty())
        return std::nullopt;
    return image.name();
}

void Button::setTitle(std::optional<std::string> title, unsigned state)
{
    if (title)
        m_titles[state] = std::move(*title);
    else
        m_titles.erase(state);
    setNeedsDisplay();
}

std::optional<std::string> Button::titleForState(unsigned state) const
{
    if (auto* title = lookUp(m_titles, state))
        return *title;
    return std::nullopt;
}

std::string Button::currentTitle() const
{
    return titleForState(state()).value_or("");
}

void Button::setTitleColor(std::optional<Color> color, unsigned state)
{
    if (color)
        m_titleColors[state] = *color;
    else
        m_titleColors.erase(state);
    setNeedsDisplay();
}

Color Button::titleColorForState(unsigned state) const
{
    if (auto* color = lookUp(m_titleColors, state))
        return *color;
    if (m_type == Type::System)
        return state & ControlStateDisabled ? Color::white(0.56) : tintColor();
    return Color::whiteColor();
}

void Button::setImage(Image image, unsigned state)
{
    m_images[state] = std::move(image);
    setNeedsDisplay();
}

Image Button::imageForState(unsigned state) const
{
    if (auto* image = lookUp(m_images, state))
        return *image;
    return {};
}

void Button::setBackgroundImage(Image image, unsigned state)
{
    m_backgroundImages[state] = std::move(image);
    setNeedsDisplay();
}

Image Button::backgroundImageForState(unsigned state) const
{
    if (auto* image = lookUp(m_backgroundImages, state))
        return *image;
    return {};
}

void Button::setFont(std::string postScriptName, double size)
{
    m_titleStyle.fontName = std::move(postScriptName);
    m_titleStyle.fontSize = size > 0 ? size : 15;
    setNeedsDisplay();
}

void Button::setContentEdgeInsets(EdgeInsets insets)
{
    m_contentInsets = insets;
    setNeedsDisplay();
}

Size Button::sizeThatFits(Size size) const
{
    (void)size;
    const unsigned s = state();
    Size content;
    const Image image = imageForState(s);
    if (image)
        content = image.size();
    if (auto title = titleForState(s); title && !title->empty()) {
        const Size text = measureText(*title, m_titleStyle, 0);
        content.width += std::ceil(text.width) + (image ? kImageTitleSpacing : 0);
        content.height = std::max(content.height, std::ceil(text.height));
    }
    if (const Image background = backgroundImageForState(s)) {
        content.width = std::max(content.width, background.size().width);
        content.height = std::max(content.height, background.size().height);
    }
    return { content.width + m_contentInsets.left + m_contentInsets.right, content.height + m_contentInsets.top + m_contentInsets.bottom };
}

double Button::contentAlpha() const
{
    const unsigned s = state();
    if ((s & ControlStateHighlighted) && !m_titleColors.contains(ControlStateHighlighted) && !m_images.contains(ControlStateHighlighted))
        return m_type == Type::System ? 0.2 : 0.55;
    if ((s & ControlStateDisabled) && m_type == Type::Custom && !m_titleColors.contains(ControlStateDisabled) && !m_images.contains(ControlStateDisabled))
        return 0.45;
    return 1;
}

void Button::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const unsigned s = state();
    const double alpha = contentAlpha();
    const bool faded = alpha < 1;
    if (faded)
        painter.beginTransparencyLayer();
    if (const Image background = backgroundImageForState(s))
        painter.drawImage(background, bounds(), tintColor());

    const Rect content = bounds().inset(m_contentInsets);
    const Image image = imageForState(s);
    const std::optional<std::string> title = titleForState(s);
    Size textSize;
    if (title && !title->empty()) {
        textSize = measureText(*title, m_titleStyle, 0);
        textSize.width = std::min(std::ceil(textSize.width), std::max(0.0, content.width() - (image ? image.size().width + kImageTitleSpacing : 0)));
    }
    const double imageWidth = image ? image.size().width : 0;
    const double total = imageWidth + textSize.width + (image && textSize.width > 0 ? kImageTitleSpacing : 0);
    double x = content.midX() - total / 2;
    if (image) {
        Rect imageRect { x, content.midY() - image.size().height / 2, image.size().width, image.size().height };
        if (!title || title->empty())
            imageRect = rectForContentMode(contentMode() == ContentMode::ScaleToFill ? ContentMode::Center : contentMode(), image.size(), content);
        painter.drawImage(image, imageRect, tintColor());
        x += imageWidth + kImageTitleSpacing;
    }
    if (title && !title->empty()) {
        TextStyle style = m_titleStyle;
        style.color = titleColorForState(s);
        style.numberOfLines = 1;
        painter.drawText(*title, style, { image ? x : content.x(), content.y(), image ? textSize.width + 1 : content.width(), content.height() });
    }
    if (faded)
        painter.endTransparencyLayer(alpha);
}

}
