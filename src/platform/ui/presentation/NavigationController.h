#pragma once

#include <platform/ui/presentation/ViewController.h>

#include <memory>
#include <optional>
#include <vector>

namespace vd {

// A stack of screens, the top one on screen. Pushing slides the new screen in from the right,
// popping slides the top one out to the right; without animation the change is immediate. The
// stack owns its screens: a popped screen that nobody else keeps is released at the end of the
// transition. A push or pop while a transition runs first finishes that transition.
class NavigationController : public ViewController {
public:
    NavigationController();
    explicit NavigationController(std::shared_ptr<ViewController> root);
    ~NavigationController() override;
    std::string className() const override { return "NavigationController"; }

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_stack; } // bottom first
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated);
    std::shared_ptr<ViewController> topViewController() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    std::shared_ptr<ViewController> visibleViewController() const; // the top one or what it presents

    void pushViewController(const std::shared_ptr<ViewController>& controller, bool animated);
    std::shared_ptr<ViewController> popViewController(bool animated); // nothing when only the root is left
    // The popped screens, bottom first; empty when controller is not on the stack or on top.
    std::vector<std::shared_ptr<ViewController>> popToViewController(const ViewController* controller, bool animated);
    std::vector<std::shared_ptr<ViewController>> popToIndex(size_t index, bool animated); // an index past the top pops nothing
    std::vector<std::shared_ptr<ViewController>> popToRootViewController(bool animated);
    bool isTransitioning() const { return m_transition.has_value(); }
    void finishTransition(); // jumps to the end of a running transition

    static constexpr double kTransitionDuration = 0.35;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    enum class Direction { Forward, Backward };
    struct Transition {
        std::shared_ptr<ViewController> from;
        std::shared_ptr<ViewController> to;
        std::vector<std::shared_ptr<ViewController>> released; // kept until the transition ends
        bool animated { false };
        unsigned serial { 0 };
    };
    void transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to, Direction direction, bool animated, std::vector<std::shared_ptr<ViewController>> released);
    void completeTransition(unsigned serial);
    void adopt(const std::shared_ptr<ViewController>& controller);
    void placeFullSize(View& view);

    std::vector<std::shared_ptr<ViewController>> m_stack;
    std::optional<Transition> m_transition;
    unsigned m_serial { 0 };
};

}
