#pragma once

#include <platform/ui/gestures/Touch.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// Keys a host can deliver besides text. Character is a letter or digit pressed with Ctrl or Alt
// (typed text arrives as text instead).
enum class Key { Return, Backspace, Delete, Tab, Escape, Left, Right, Up, Down, Home, End, Other, Character };

enum KeyModifier : unsigned {
    KeyModifierNone = 0,
    KeyModifierShift = 1 << 0,
    KeyModifierControl = 1 << 1,
    KeyModifierAlt = 1 << 2,
};

// One key press with the modifiers held: "escape", "shift+tab", "ctrl+z", "ctrl+shift+z".
struct KeyPress {
    Key key { Key::Other };
    char character { 0 }; // for Key::Character: a lowercase letter or a digit
    unsigned modifiers { KeyModifierNone };

    bool operator==(const KeyPress&) const = default;
    bool has(KeyModifier modifier) const { return (modifiers & modifier) != 0; }
    // A name as scripts and layouts write it: modifiers ("ctrl", "shift", "alt") joined to the key
    // by '+', the key a name ("escape", "return", "tab", "delete", "left"…) or one letter or digit.
    // Case does not matter; anything else is refused.
    static std::optional<KeyPress> named(std::string_view name);
    std::string name() const;
};

// Something that takes part in the responder chain: touches a view does not handle go to its next
// responder; keys and text go to the window's first responder.
class Responder {
public:
    virtual ~Responder() = default;

    virtual Responder* nextResponder() const { return nullptr; } // superview, controller, or nothing

    // Touch callbacks. The default passes the touches up the chain.
    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);

    // Keyboard focus.
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return false; }
    virtual bool resignFirstResponder() { return true; }
    virtual bool isFirstResponder() const { return false; }

    // Text input for the first responder; the default passes it up the chain.
    virtual void insertText(const std::string& text);
    virtual void keyPressed(Key key);
    // An editable text: Tab and Shift+Tab move among these. While one is the first responder,
    // text is being typed: keys go to it and no key command fires (Escape ends the typing).
    virtual bool isTextField() const { return false; }
    bool isTextInput() const { return isTextField() && isFirstResponder(); }

    // A key command offered while no text is being typed, to the views on screen front to back
    // and the screens they belong to (see Window::sendKey): true when it was acted on.
    virtual bool performKeyCommand(const KeyPress& press) { (void)press; return false; }
    // Scrolling by a wheel or touchpad over a point (own coordinates), delta in points (positive:
    // towards the end of the content): true when it was taken, else the enclosing view is offered it.
    virtual bool scrollWheel(Point location, Point delta) { (void)location, (void)delta; return false; }
    // Files dropped onto the window at a point: true when they were taken.
    virtual bool acceptDroppedFiles(const std::vector<std::filesystem::path>& files) { (void)files; return false; }
};

}
