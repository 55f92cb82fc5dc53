#include <platform/ui/presentation/NavigationController.h>

#include <platform/foundation/Log.h>

#include <algorithm>

namespace vd {

NavigationController::NavigationController() = default;

NavigationController::NavigationController(std::shared_ptr<ViewController> root)
{
    if (root)
        m_stack.push_back(std::move(root));
}

NavigationController::~NavigationController() = default;

void NavigationController::loadView()
{
    auto container = View::make(Rect({ 0, 0 }, currentScreenSize()));
    container->setClipsToBounds(true);
    setView(container);
    for (auto& controller : m_stack)
        adopt(controller);
    if (auto top = topViewController()) {
        placeFullSize(*top->view());
        container->addSubview(top->view());
    }
}

void NavigationController::adopt(const std::shared_ptr<ViewController>& controller)
{
    controller->setParentViewController(std::static_pointer_cast<ViewController>(shared_from_this()));
}

void NavigationController::placeFullSize(View& view)
{
    view.setFrame(this->view()->bounds());
    view.setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    view.setHidden(false);
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const
{
    auto top = topViewController();
    while (top && top->presentedViewController())
        top = top->presentedViewController();
    return top;
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller, bool animated)
{
    if (!controller || controller.get() == this)
        return;
    if (std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end()) {
        log::warning("a screen already on the navigation stack cannot be pushed again: " + controller->className());
        return;
    }
    if (controller->parentViewController() || controller->presentingViewController()) {
        log::warning("a screen shown elsewhere cannot be pushed: " + controller->className());
        return;
    }
    finishTransition();
    auto from = topViewController();
    m_stack.push_back(controller);
    adopt(controller);
    transition(from, controller, Direction::Forward, animated, {});
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    auto popped = popToIndex(m_stack.size() - 2, animated);
    return popped.empty() ? nullptr : popped.back();
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(const ViewController* controller, bool animated)
{
    auto it = std::find_if(m_stack.begin(), m_stack.end(), [&](auto& c) { return c.get() == controller; });
    if (it == m_stack.end())
        return {};
    return popToIndex(static_cast<size_t>(it - m_stack.begin()), animated);
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(bool animated)
{
    return popToIndex(0, animated);
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToIndex(size_t index, bool animated)
{
    if (index + 1 >= m_stack.size())
        return {};
    finishTransition();
    auto from = topViewController();
    std::vector<std::shared_ptr<ViewController>> popped(m_stack.begin() + static_cast<std::ptrdiff_t>(index) + 1, m_stack.end());
    m_stack.resize(index + 1);
    transition(from, topViewController(), Direction::Backward, animated, popped);
    return popped;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated)
{
    finishTransition();
    std::erase(controllers, nullptr);
    auto from = topViewController();
    std::vector<std::shared_ptr<ViewController>> released;
    for (auto& old : m_stack) {
        if (std::find(controllers.begin(), controllers.end(), old) == controllers.end())
            released.push_back(old);
    }
    const bool wasOnStack = controllers.empty() || std::find(m_stack.begin(), m_stack.end(), controllers.back()) != m_stack.end();
    m_stack = std::move(controllers);
    for (auto& controller : m_stack)
        adopt(controller);
    auto to = topViewController();
    if (from == to)
        return;
    transition(from, to, wasOnStack ? Direction::Backward : Direction::Forward, animated, std::move(released));
}

void NavigationController::transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to, Direction direction, bool animated, std::vector<std::shared_ptr<ViewController>> released)
{
    auto protector = shared_from_this();
    const unsigned serial = ++m_serial;
    if (!isViewLoaded()) {
        // Nothing is on screen yet: the stack changes, the views come with the first load.
        for (auto& controller : released)
            controller->setParentViewController(nullptr);
        return;
    }
    const bool visible = isVisible();
    animated = animated && visible && from && to;
    m_transition = Transition { from, to, std::move(released), animated, serial };
    auto container = view();
    if (to) {
        placeFullSize(*to->view());
        if (direction == Direction::Forward || !from)
            container->addSubview(to->view());
        else
            container->insertSubviewBelowSubview(to->view(), from->view().get());
    }
    if (visible) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        if (to)
            to->beginAppearanceTransition(true, animated);
    }
    if (!animated) {
        completeTransition(serial);
        return;
    }
    const double width = container->bounds().width();
    const Point centre = container->bounds().center();
    auto fromView = from->view();
    auto toView = to->view();
    if (direction == Direction::Forward)
        toView->setCenter({ centre.x + width, centre.y });
    else
        toView->setCenter({ centre.x - width * 0.3, centre.y });
    std::weak_ptr<NavigationController> weak = std::static_pointer_cast<NavigationController>(shared_from_this());
    View::animate(kTransitionDuration, 0, {}, [&] {
        toView->setCenter(centre);
        if (direction == Direction::Forward)
            fromView->setCenter({ centre.x - width * 0.3, centre.y });
        else
            fromView->setCenter({ centre.x + width, centre.y });
    }, [weak, serial](bool) {
        if (auto self = weak.lock())
            self->completeTransition(serial);
    });
}

void NavigationController::completeTransition(unsigned serial)
{
    if (!m_transition || m_transition->serial != serial)
        return;
    auto protector = shared_from_this();
    Transition t = std::move(*m_transition);
    m_transition.reset();
    const bool visible = isVisible();
    if (t.from && t.from != t.to) {
        auto fromView = t.from->view();
        fromView->removeAllAnimations();
        fromView->removeFromSuperview();
        placeFullSize(*fromView);
    }
    if (t.to) {
        t.to->view()->removeAllAnimations();
        placeFullSize(*t.to->view());
    }
    if (visible) {
        if (t.from)
            t.from->endAppearanceTransition();
        if (t.to)
            t.to->endAppearanceTransition();
    }
    for (auto& controller : t.released) {
        if (std::find(m_stack.begin(), m_stack.end(), controller) == m_stack.end())
            controller->setParentViewController(nullptr);
    }
}

void NavigationController::finishTransition()
{
    if (m_transition)
        completeTransition(m_transition->serial);
}

void NavigationController::viewWillAppear(bool animated)
{
    if (auto top = topViewController())
        top->beginAppearanceTransition(true, animated);
}

void NavigationController::viewDidAppear(bool animated)
{
    (void)animated;
    if (auto top = topViewController())
        top->endAppearanceTransition();
}

void NavigationController::viewWillDisappear(bool animated)
{
    if (auto top = topViewController())
        top->beginAppearanceTransition(false, animated);
}

void NavigationController::viewDidDisappear(bool animated)
{
    (void)animated;
    if (auto top = topViewController())
        top->endAppearanceTransition();
}

}
