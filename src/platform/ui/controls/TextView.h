#pragma once

#include <platform/graphics/TextRenderer.h>
#include <platform/ui/views/View.h>

#include <memory>

namespace vd {

class TextView;

// What a text view tells its owner while it is edited.
class TextViewDelegate {
public:
    virtual ~TextViewDelegate() = default;
    virtual bool textViewShouldBeginEditing(TextView& textView) { (void)textView; return true; }
    virtual void textViewDidBeginEditing(TextView& textView) { (void)textView; }
    virtual void textViewDidChange(TextView& textView) { (void)textView; } // the person changed the text
    virtual void textViewDidEndEditing(TextView& textView) { (void)textView; }
};

// True when fontconfig has a font under this PostScript name.
bool isFontInstalled(const std::string& postScriptName);

// Editable multi-line text laid out by the text renderer's layout engine: the text wraps at word boundaries within the bounds
// less a margin (8 points above and below, 5 at the sides). As the window's first responder it
// shows a caret, takes typed text and keys (backspace, delete, return, arrows, home, end) and
// shows its input accessory view along the bottom of the window, as a keyboard's bar would sit.
// Text set in code does not call the delegate; text the person types does.
class TextView : public View {
public:
    TextView();
    explicit TextView(const Rect& frame);
    ~TextView() override;
    std::string className() const override { return "TextView"; }
    std::optional<std::string> automationText() const override { return m_text; }
    void automationValues(nlohmann::json& out) const override;

    const std::string& text() const { return m_text; }
    void setText(std::string text); // the caret goes to the end
    // A font by PostScript name; one that is not installed is drawn in the stand-in font, and
    // fontName() still answers the name given.
    const std::string& fontName() const { return m_style.fontName; }
    double fontSize() const { return m_style.fontSize; }
    void setFont(std::string postScriptName, double size);
    Color textColor() const { return m_style.color; }
    void setTextColor(Color color);
    TextAlignment textAlignment() const { return m_style.alignment; }
    void setTextAlignment(TextAlignment alignment);
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; } // text never scrolls here; kept for the screens that set it
    bool isSingleLine() const { return m_singleLine; }
    void setSingleLine(bool single) { m_singleLine = single; } // Return ends editing; typed breaks become spaces
    EdgeInsets textContainerInset() const { return m_inset; }
    void setTextContainerInset(EdgeInsets inset);

    // The caret as a byte offset into text(), always on a character boundary.
    size_t caretIndex() const { return m_caret; }
    void setCaretIndex(size_t index);
    Rect caretRect() const; // in the view's coordinates

    void setDelegate(std::weak_ptr<TextViewDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<TextViewDelegate> delegate() const { return m_delegate.lock(); }
    void setInputAccessoryView(std::shared_ptr<View> view);
    const std::shared_ptr<View>& inputAccessoryView() const { return m_accessory; }

    // The width given (or the bounds' width when it is 0) and the height the whole text needs at
    // that width, margins included.
    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, const Rect& rect) override;

    bool canBecomeFirstResponder() const override { return m_editable; }
    bool isTextField() const override { return m_editable; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void insertText(const std::string& text) override;
    void keyPressed(Key key) override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;
    void didMoveToWindow() override;

private:
    struct Layouts; // the laid-out text, kept until text, font or width change
    size_t previousCaretStop(size_t index) const;
    size_t nextCaretStop(size_t index) const;
    size_t indexAtPoint(Point point) const;
    size_t verticalMove(size_t index, int lines) const;
    size_t lineBoundary(size_t index, bool end) const;
    void replace(size_t from, size_t to, const std::string& text); // a change the person made
    void showAccessory();
    void hideAccessory();
    void invalidateLayout();

    std::string m_text;
    TextStyle m_style;
    EdgeInsets m_inset { 8, 5, 8, 5 };
    bool m_editable { true };
    bool m_scrollEnabled { true };
    bool m_singleLine { false };
    size_t m_caret { 0 };
    std::weak_ptr<TextViewDelegate> m_delegate;
    std::shared_ptr<View> m_accessory;
    std::unique_ptr<Layouts> m_layouts;
    bool m_touchBegan { false };
    mutable std::optional<int> m_goalX; // the column up and down keep to, in layout units
};

}
