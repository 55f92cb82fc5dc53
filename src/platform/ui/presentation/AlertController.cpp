#include <platform/ui/presentation/AlertController.h>

#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kCardWidth = 270;
constexpr double kButtonHeight = 44;
constexpr double kFadeDuration = 0.2;
}

std::shared_ptr<AlertController> AlertController::make(std::string title, std::string message)
{
    return View::make<AlertController>(std::move(title), std::move(message));
}

AlertController::AlertController(std::string title, std::string message)
    : m_title(std::move(title))
    , m_message(std::move(message))
{
    setName("alert");
    setBackgroundColor(Color::white(0, 0.4));
    m_card = View::make();
    m_card->setName("alertCard");
    m_card->setBackgroundColor(Color::white(0.97, 0.98));
    m_card->layer().setCornerRadius(13);
    m_card->setClipsToBounds(true);
    m_titleLabel = View::make<Label>();
    m_titleLabel->setName("alertTitle");
    m_titleLabel->setFont("Helvetica-Bold", 17);
    m_titleLabel->setTextAlignment(TextAlignment::Center);
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setText(m_title);
    m_card->addSubview(m_titleLabel);
    m_messageLabel = View::make<Label>();
    m_messageLabel->setName("alertMessage");
    m_messageLabel->setFont("Helvetica", 13);
    m_messageLabel->setTextAlignment(TextAlignment::Center);
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setText(m_message);
    m_card->addSubview(m_messageLabel);
}

void AlertController::automationValues(nlohmann::json& out) const
{
    out["title"] = m_title;
    out["message"] = m_message;
    nlohmann::json actions = nlohmann::json::array();
    for (const auto& action : m_actions)
        actions.push_back({ { "title", action.title }, { "style", action.style == ActionStyle::Cancel ? "cancel" : action.style == ActionStyle::Destructive ? "destructive" : "default" } });
    out["actions"] = actions;
}

void AlertController::addAction(std::string title, ActionStyle style, std::function<void()> handler)
{
    m_actions.push_back({ std::move(title), style, std::move(handler) });
    build();
}

void AlertController::build()
{
    for (auto& button : m_buttons)
        button->removeFromSuperview();
    for (auto& separator : m_separators)
        separator->removeFromSuperview();
    m_buttons.clear();
    m_separators.clear();
    for (size_t i = 0; i < m_actions.size(); ++i) {
        const Action& action = m_actions[i];
        auto button = View::make<Button>(Button::Type::System);
        button->setTitle(action.title);
        button->setFont(action.style == ActionStyle::Cancel ? "Helvetica-Bold" : "Helvetica", 17);
        if (action.style == ActionStyle::Destructive)
            button->setTitleColor(Color::rgba(1, 0.23, 0.19));
        button->setName("alertAction" + std::to_string(i));
        std::weak_ptr<View> weak = weak_from_this();
        button->addAction(ControlEvent::TouchUpInside, [weak, i](Control&) {
            if (auto self = std::static_pointer_cast<AlertController>(weak.lock()))
                self->performAction(i);
        });
        m_buttons.push_back(button);
        m_card->addSubview(button);
        auto separator = View::make();
        separator->setBackgroundColor(Color::white(0.78));
        separator->setUserInteractionEnabled(false);
        m_separators.push_back(separator);
        m_card->addSubview(separator);
    }
    setNeedsLayout();
}

void AlertController::layoutSubviews()
{
    const double width = std::min(kCardWidth, bounds().width() - 20);
    const double textWidth = width - 32;
    double y = 20;
    const Size titleSize = m_titleLabel->sizeThatFits({ textWidth, 0 });
    m_titleLabel->setFrame({ 16, y, textWidth, titleSize.height });
    y += titleSize.height + (m_message.empty() ? 0 : 4);
    const Size messageSize = m_message.empty() ? Size {} : m_messageLabel->sizeThatFits({ textWidth, 0 });
    m_messageLabel->setFrame({ 16, y, textWidth, messageSize.height });
    y += messageSize.height + 20;

    // Side by side for two actions, the cancel one on the left; stacked otherwise.
    std::vector<size_t> order(m_actions.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const bool sideBySide = m_actions.size() == 2;
    if (sideBySide && m_actions[1].style == ActionStyle::Cancel)
        std::swap(order[0], order[1]);
    else if (!sideBySide)
        std::stable_partition(order.begin(), order.end(), [&](size_t i) { return m_actions[i].style != ActionStyle::Cancel; });
    for (size_t slot = 0; slot < order.size(); ++slot) {
        const size_t i = order[slot];
        Rect frame;
        if (sideBySide)
            frame = { slot * width / 2, y, width / 2, kButtonHeight };
        else
            frame = { 0, y + slot * kButtonHeight, width, kButtonHeight };
        m_buttons[i]->setFrame(frame);
        m_separators[i]->setFrame(sideBySide && slot == 1 ? Rect { frame.x(), frame.y(), 0.5, kButtonHeight } : Rect { frame.x(), frame.y(), frame.width(), 0.5 });
    }
    if (sideBySide)
        m_separators[order[0]]->setFrame({ 0, y, width, 0.5 });
    const double buttons = m_actions.empty() ? 0 : (sideBySide ? kButtonHeight : kButtonHeight * static_cast<double>(m_actions.size()));
    const double height = y + buttons;
    m_card->setFrame({ std::round((bounds().width() - width) / 2), std::round((bounds().height() - height) / 2), width, height });
}

void AlertController::present(View& host)
{
    setFrame(host.bounds());
    setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    // Subviews added in a constructor would not know their parent yet, so the card joins here.
    if (m_card->superview().get() != this)
        addSubview(m_card);
    host.addSubview(shared_from_this());
    layoutIfNeeded();
    View::performWithoutAnimation([this] { setAlpha(0); });
    View::animate(kFadeDuration, [this] { setAlpha(1); });
    becomeFirstResponder();
}

void AlertController::dismiss()
{
    if (isFirstResponder())
        resignFirstResponder();
    removeFromSuperview();
}

void AlertController::performAction(size_t index)
{
    if (index >= m_actions.size() || !isPresented())
        return;
    auto protector = shared_from_this();
    dismiss();
    if (m_actions[index].handler)
        m_actions[index].handler();
}

void AlertController::keyPressed(Key key)
{
    auto find = [&](auto predicate) -> std::optional<size_t> {
        for (size_t i = 0; i < m_actions.size(); ++i)
            if (predicate(m_actions[i]))
                return i;
        return std::nullopt;
    };
    std::optional<size_t> chosen;
    if (key == Key::Return)
        chosen = find([](const Action& a) { return a.style != ActionStyle::Cancel; });
    else if (key == Key::Escape)
        chosen = find([](const Action& a) { return a.style == ActionStyle::Cancel; });
    if (!chosen && m_actions.size() == 1 && (key == Key::Return || key == Key::Escape))
        chosen = 0;
    if (chosen)
        performAction(*chosen);
}

std::shared_ptr<View> AlertController::hitTest(Point point)
{
    // Modal: the dimmed area swallows every touch.
    if (isHidden() || !pointInside(point))
        return nullptr;
    if (auto hit = View::hitTest(point))
        return hit;
    return shared_from_this();
}

}
