#pragma once

#include <platform/ui/gestures/Touch.h>

#include <string>

namespace vd {

// Keys a host can deliver to the first responder besides text.
enum class Key { Return, Backspace, Delete, Tab, Escape, Left, Right, Up, Down, Home, End, Other };

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
};

}
