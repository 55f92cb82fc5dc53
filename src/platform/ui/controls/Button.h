#pragma once

#include <platform/graphics/Image.h>
#include <platform/graphics/TextRenderer.h>
#include <platform/ui/controls/Control.h>

#include <map>

namespace vd {

// A push button: a background image, an image and a title, each chosen by state (a state without
// its own falls back to the normal one). The system type draws its title in the tint colour and
// fades it while pressed; the custom type draws exactly what it was given and dims it while pressed.
class Button : public Control {
public:
    enum class Type { Custom, System };
    explicit Button(Type type = Type::System);
    Button(Type type, const Rect& frame);
    std::string className() const override { return "Button"; }
    std::optional<std::string> automationText() const override;
    std::optional<std::string> automationImageName() const override;

    Type buttonType() const { return m_type; }
    void setTitle(std::optional<std::string> title, unsigned state = ControlStateNormal);
    std::optional<std::string> titleForState(unsigned state) const; // with fallback to normal
    std::string currentTitle() const;
    void setTitleColor(std::optional<Color> color, unsigned state = ControlStateNormal);
    Color titleColorForState(unsigned state) const;
    void setImage(Image image, unsigned state = ControlStateNormal);
    Image imageForState(unsigned state) const;
    void setBackgroundImage(Image image, unsigned state = ControlStateNormal);
    Image backgroundImageForState(unsigned state) const;
    void setFont(std::string postScriptName, double size);
    const TextStyle& titleStyle() const { return m_titleStyle; }
    EdgeInsets contentEdgeInsets() const { return m_contentInsets; }
    void setContentEdgeInsets(EdgeInsets insets);

    Size sizeThatFits(Size size) const override; // content plus insets
    void draw(Painter& painter, const Rect& rect) override;
    void tintColorDidChange() override { setNeedsDisplay(); }

private:
    template<typename T>
    static const T* lookUp(const std::map<unsigned, T>& values, unsigned state);
    double contentAlpha() const; // the fading of states that have no look of their own

    Type m_type;
    std::map<unsigned, std::string> m_titles;
    std::map<unsigned, Color> m_titleColors;
    std::map<unsigned, Image> m_images;
    std::map<unsigned, Image> m_backgroundImages;
    TextStyle m_titleStyle;
    EdgeInsets m_contentInsets;
};

}
