#pragma once

#include <platform/ui/views/View.h>

#include <functional>
#include <vector>

namespace vd {

class Button;
class Label;

// A modal alert: a title, a message and buttons, on a card in the middle of a dimmed window.
// While it is up nothing under it takes touches. Pressing a button takes the alert away, then runs
// that action's handler. Return presses the first default action, Escape the cancel action.
// Two actions sit side by side (the cancel action on the left); more are stacked.
class AlertController : public View {
public:
    enum class ActionStyle { Default, Cancel, Destructive };
    struct Action {
        std::string title;
        ActionStyle style { ActionStyle::Default };
        std::function<void()> handler;
    };

    static std::shared_ptr<AlertController> make(std::string title, std::string message);
    AlertController(std::string title, std::string message);
    std::string className() const override { return "AlertController"; }
    std::optional<std::string> automationText() const override { return m_title; }
    void automationValues(nlohmann::json& out) const override;

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    void addAction(std::string title, ActionStyle style, std::function<void()> handler = {});
    const std::vector<Action>& actions() const { return m_actions; }

    void present(View& host);   // covers host (usually the window) and takes keyboard focus
    void dismiss();             // without running a handler
    bool isPresented() const { return superview() != nullptr; }
    void performAction(size_t index); // as a press of that button

    bool canBecomeFirstResponder() const override { return true; }
    void keyPressed(Key key) override;
    void insertText(const std::string& text) override { (void)text; }
    void layoutSubviews() override;
    std::shared_ptr<View> hitTest(Point point) override;
    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}

private:
    void build();

    std::string m_title;
    std::string m_message;
    std::vector<Action> m_actions;
    std::shared_ptr<View> m_card;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<Label> m_messageLabel;
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::vector<std::shared_ptr<View>> m_separators;
};

}
