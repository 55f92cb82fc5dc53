#include <platform/ui/gestures/Responder.h>

#include <platform/ui/views/View.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace vd {

namespace {

constexpr std::array<std::pair<std::string_view, Key>, 13> kKeyNames { {
    { "return", Key::Return }, { "enter", Key::Return }, { "backspace", Key::Backspace }, { "delete", Key::Delete },
    { "tab", Key::Tab }, { "escape", Key::Escape }, { "left", Key::Left }, { "right", Key::Right },
    { "up", Key::Up }, { "down", Key::Down }, { "home", Key::Home }, { "end", Key::End }, { "esc", Key::Escape },
} };

constexpr std::array<std::pair<std::string_view, KeyModifier>, 4> kModifierNames { {
    { "ctrl", KeyModifierControl }, { "control", KeyModifierControl }, { "shift", KeyModifierShift }, { "alt", KeyModifierAlt },
} };

}

std::optional<KeyPress> KeyPress::named(std::string_view name)
{
    std::string lower(name);
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    KeyPress press;
    std::string_view rest = lower;
    for (size_t plus = rest.find('+'); plus != std::string_view::npos && plus + 1 < rest.size(); plus = rest.find('+')) {
        const std::string_view word = rest.substr(0, plus);
        auto modifier = std::find_if(kModifierNames.begin(), kModifierNames.end(), [&](auto& m) { return m.first == word; });
        if (modifier == kModifierNames.end())
            return std::nullopt;
        press.modifiers |= modifier->second;
        rest.remove_prefix(plus + 1);
    }
    if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
        press.key = Key::Character;
        press.character = rest[0];
        return press;
    }
    auto key = std::find_if(kKeyNames.begin(), kKeyNames.end(), [&](auto& k) { return k.first == rest; });
    if (key == kKeyNames.end())
        return std::nullopt;
    press.key = key->second;
    return press;
}

std::string KeyPress::name() const
{
    std::string out;
    if (has(KeyModifierControl))
        out += "ctrl+";
    if (has(KeyModifierAlt))
        out += "alt+";
    if (has(KeyModifierShift))
        out += "shift+";
    if (key == Key::Character)
        return out + character;
    for (const auto& [word, k] : kKeyNames)
        if (k == key)
            return out + std::string(word);
    return out + "other";
}

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
