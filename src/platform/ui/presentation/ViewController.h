#pragma once

#include <platform/foundation/Error.h>
#include <platform/ui/gestures/Responder.h>
#include <platform/ui/views/View.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace vd {

class NavigationController;
class PresentationController;
class Window;

enum class ModalPresentationStyle { FullScreen, OverFullScreen, Popover };

// A screen: it owns a view tree and keeps the views it works with in named fields. The view is
// made on first use (from the interface description the registry attached, else loadView), then
// viewDidLoad runs once; the appearance callbacks run around every time it comes on or leaves
// the screen, in the order will-appear, did-appear, will-disappear, did-disappear.
class ViewController : public Responder, public std::enable_shared_from_this<ViewController> {
public:
    ViewController();
    ~ViewController() override; // dealloc: the controller's view and fields go with it
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The class name screens are registered and described under.
    virtual std::string className() const { return "ViewController"; }

    std::shared_ptr<View> view();     // loads on first use
    bool isViewLoaded() const { return m_viewLoaded; }
    void loadViewIfNeeded() { (void)view(); }
    void setView(std::shared_ptr<View> view); // before the first view(): used instead of loadView

    // Lifecycle callbacks for subclasses.
    virtual void loadView(); // the default makes a plain view of the screen's size
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    bool isVisible() const { return m_appearance == Appearance::Appeared; }

    // Fields bound from the interface description: the view named `name` is stored into `field`.
    // Declared in the constructor; a description that names a view the controller has no field
    // for, or that is of the wrong class for it, fails when the screen is made.
    template<typename T>
    void bind(const std::string& name, std::shared_ptr<T>& field)
    {
        m_fields[name] = FieldBinding {
            [](const View& view) {
                if constexpr (std::is_base_of_v<T, View>)
                    return true;
                else
                    return dynamic_cast<const T*>(&view) != nullptr;
            },
            [&field](const std::shared_ptr<View>& view) { field = std::dynamic_pointer_cast<T>(view); },
        };
    }
    bool hasField(const std::string& name) const { return m_fields.contains(name); }
    bool fieldAccepts(const std::string& name, const View& view) const; // the field exists and takes this class
    bool setField(const std::string& name, const std::shared_ptr<View>& view); // false: no such field or wrong class
    std::vector<std::string> fieldNames() const;

    // Actions the description connects controls to by name ("action": "myButtonSalvaACTION").
    void action(const std::string& name, std::function<void()> handler) { m_actions[name] = std::move(handler); }
    std::function<void()> actionNamed(const std::string& name) const;

    // Where the screen stands.
    std::shared_ptr<NavigationController> navigationController() const;
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    const std::string& identifier() const { return m_identifier; } // the registry identifier it was made under
    Size preferredContentSize() const { return m_preferredContentSize; }
    void setPreferredContentSize(Size size) { m_preferredContentSize = size; }

    // Modal presentation: the presented screen covers the window (or floats, for over-full-screen
    // and popover styles) until dismissed. Completion runs when the transition has finished.
    ModalPresentationStyle modalPresentationStyle() const { return m_modalStyle; }
    void setModalPresentationStyle(ModalPresentationStyle style) { m_modalStyle = style; }
    // Places the presented view: the default fills the window; a popover or alert brings its own.
    void setPresentationController(std::shared_ptr<PresentationController> controller) { m_presentation = std::move(controller); }
    std::shared_ptr<PresentationController> presentationController() const { return m_presentation; }
    void presentViewController(const std::shared_ptr<ViewController>& controller, bool animated, std::function<void()> completion = {});
    void dismissViewController(bool animated, std::function<void()> completion = {}); // self or what it presented
    std::shared_ptr<ViewController> presentedViewController() const { return m_presented; }
    std::shared_ptr<ViewController> presentingViewController() const { return m_presenting.lock(); }

    // Containment, for the navigation controller and the hosts that put a screen on a window.
    std::shared_ptr<ViewController> parentViewController() const { return m_parent.lock(); }
    void setParentViewController(const std::shared_ptr<ViewController>& parent) { m_parent = parent; }
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

    Responder* nextResponder() const override; // the view's parent

    // Makes controller the screen of window: its view fills the window and appears.
    static void installAsRoot(const std::shared_ptr<ViewController>& controller, Window& window);

private:
    friend class ScreenRegistry;
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    void attachView(const std::shared_ptr<View>& view);

    std::shared_ptr<View> m_view;
    bool m_viewLoaded { false };
    bool m_didLoadRun { false };
    Appearance m_appearance { Appearance::Disappeared };
    bool m_transitionAnimated { false };
    struct FieldBinding {
        std::function<bool(const View&)> accepts;
        std::function<void(const std::shared_ptr<View>&)> set;
    };
    std::map<std::string, FieldBinding> m_fields;
    std::map<std::string, std::function<void()>> m_actions;
    std::string m_title;
    std::string m_identifier;
    Size m_preferredContentSize;
    ModalPresentationStyle m_modalStyle { ModalPresentationStyle::FullScreen };
    std::shared_ptr<PresentationController> m_presentation;
    std::shared_ptr<ViewController> m_presented;
    std::weak_ptr<ViewController> m_presenting;
    std::weak_ptr<ViewController> m_parent;
    std::shared_ptr<View> m_presentationContainer; // holds the presented view on the window
};

// Where a presented screen's view goes and how it leaves. The default covers the window.
class PresentationController {
public:
    virtual ~PresentationController() = default;
    // The presented view's frame in a container that covers the window.
    virtual Rect frameOfPresentedView(Size container, ViewController& presented) const;
    // Whether the presenting screen stays on screen below (no disappear callbacks for it).
    virtual bool keepsPresentingView(ModalPresentationStyle style) const { return style != ModalPresentationStyle::FullScreen; }
    // Called once the container is on the window, before the presented view animates in; a
    // popover adds its arrow or a tap-outside recognizer here.
    virtual void containerDidAppear(View& container, ViewController& presented) { (void)container, (void)presented; }
    // Whether the presented view slides up from the bottom (otherwise it fades).
    virtual bool slidesIn() const { return true; }
};

// The screen size views are made at when they have no window yet; hosts set it.
Size currentScreenSize();
void setCurrentScreenSize(Size size);

}
