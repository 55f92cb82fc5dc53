#include <platform/ui/gestures/Responder.h>

#include <platform/ui/views/View.h>

namespace vd {

void Responder::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    if (auto* next = nextResponder())
        next->touchesBegan(touches, event);
}

void Responder::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    if (auto* next = nextResponder())
        next->touchesMoved(touches, event);
}

void Responder::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    if (auto* next = nextResponder())
        next->touchesEnded(touches, event);
}

void Responder::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    if (auto* next = nextResponder())
        next->touchesCancelled(touches, event);
}

void Responder::insertText(const std::string& text)
{
    if (auto* next = nextResponder())
        next->insertText(text);
}

void Responder::keyPressed(Key key)
{
    if (auto* next = nextResponder())
        next->keyPressed(key);
}

Point Touch::locationInView(const View* view) const
{
    return view ? view->convertPointFromView(m_location, nullptr) : m_location;
}

Point Touch::previousLocationInView(const View* view) const
{
    return view ? view->convertPointFromView(m_previousLocation, nullptr) : m_previousLocation;
}

}
