#include <platform/ui/presentation/ViewController.h>

#include <platform/foundation/Log.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/window/Window.h>

namespace vd {

namespace {

constexpr double kModalDuration = 0.3;

Size& screenSize()
{
    static Size size { 375, 667 };
    return size;
}

// The screen whose view a presentation covers: the outermost container of the presenter.
std::shared_ptr<ViewController> outermost(std::shared_ptr<ViewController> controller)
{
    while (auto parent = controller->parentViewController())
        controller = parent;
    return controller;
}

}

Size currentScreenSize() { return screenSize(); }
void setCurrentScreenSize(Size size) { screenSize() = size; }

Rect PresentationController::frameOfPresentedView(Size container, ViewController& presented) const
{
    (void)presented;
    return { 0, 0, container.width, container.height };
}

ViewController::ViewController() = default;

ViewController::~ViewController()
{
    if (m_presentationContainer)
        m_presentationContainer->removeFromSuperview();
}

std::shared_ptr<View> ViewController::view()
{
    if (!m_viewLoaded) {
        m_viewLoaded = true;
        if (!m_view)
            loadView();
        if (!m_view)
            m_view = View::make(Rect({ 0, 0 }, currentScreenSize()));
        attachView(m_view);
    }
    if (!m_didLoadRun) {
        m_didLoadRun = true;
        auto protector = weak_from_this().lock();
        viewDidLoad();
    }
    return m_view;
}

void ViewController::setView(std::shared_ptr<View> view)
{
    m_view = std::move(view);
    if (m_viewLoaded && m_view)
        attachView(m_view);
}

void ViewController::attachView(const std::shared_ptr<View>& view)
{
    if (view)
        view->setViewController(weak_from_this());
}

void ViewController::loadView()
{
    m_view = View::make(Rect({ 0, 0 }, currentScreenSize()));
}

bool ViewController::fieldAccepts(const std::string& name, const View& view) const
{
    auto it = m_fields.find(name);
    return it != m_fields.end() && it->second.accepts(view);
}

bool ViewController::setField(const std::string& name, const std::shared_ptr<View>& view)
{
    if (!view || !fieldAccepts(name, *view))
        return false;
    m_fields.at(name).set(view);
    return true;
}

std::vector<std::string> ViewController::fieldNames() const
{
    std::vector<std::string> names;
    for (auto& [name, setter] : m_fields)
        names.push_back(name);
    return names;
}

std::function<void()> ViewController::actionNamed(const std::string& name) const
{
    auto it = m_actions.find(name);
    return it == m_actions.end() ? std::function<void()> {} : it->second;
}

std::shared_ptr<NavigationController> ViewController::navigationController() const
{
    for (auto parent = parentViewController(); parent; parent = parent->parentViewController()) {
        if (auto navigation = std::dynamic_pointer_cast<NavigationController>(parent))
            return navigation;
    }
    return nullptr;
}

Responder* ViewController::nextResponder() const
{
    if (m_view) {
        if (auto parent = m_view->superview())
            return parent.get();
    }
    return nullptr;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated)
{
    auto protector = weak_from_this().lock();
    m_transitionAnimated = animated;
    if (appearing) {
        if (m_appearance == Appearance::Appeared || m_appearance == Appearance::Appearing)
            return;
        loadViewIfNeeded();
        m_appearance = Appearance::Appearing;
        viewWillAppear(animated);
    } else {
        if (m_appearance == Appearance::Disappeared || m_appearance == Appearance::Disappearing)
            return;
        m_appearance = Appearance::Disappearing;
        viewWillDisappear(animated);
    }
}

void ViewController::endAppearanceTransition()
{
    auto protector = weak_from_this().lock();
    if (m_appearance == Appearance::Appearing) {
        m_appearance = Appearance::Appeared;
        viewDidAppear(m_transitionAnimated);
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Disappeared;
        viewDidDisappear(m_transitionAnimated);
    }
}

void ViewController::installAsRoot(const std::shared_ptr<ViewController>& controller, Window& window)
{
    auto view = controller->view();
    view->setFrame(window.bounds());
    view->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    window.addSubview(view);
    controller->beginAppearanceTransition(true, false);
    controller->endAppearanceTransition();
}

void ViewController::presentViewController(const std::shared_ptr<ViewController>& controller, bool animated, std::function<void()> completion)
{
    if (!controller || controller.get() == this)
        return;
    if (m_presented) {
        log::warning("a screen already presents another; " + controller->className() + " is not presented");
        return;
    }
    if (controller->presentingViewController() || controller->parentViewController()) {
        log::warning(controller->className() + " is already on screen; it cannot be presented");
        return;
    }
    auto self = shared_from_this();
    Window* window = view()->window();
    if (!window) {
        log::warning("a screen that is not on a window cannot present " + controller->className());
        return;
    }
    auto presentation = controller->m_presentation ? controller->m_presentation : std::make_shared<PresentationController>();
    controller->m_presentation = presentation;
    const bool keeps = presentation->keepsPresentingView(controller->m_modalStyle);
    auto below = outermost(self);

    m_presented = controller;
    controller->m_presenting = self;
    auto container = View::make(window->bounds());
    container->setName("presentation");
    container->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    controller->m_presentationContainer = container;
    window->addSubview(container);
    auto presentedView = controller->view();
    const Rect target = presentation->frameOfPresentedView(container->bounds().size, *controller);
    presentedView->setFrame(target);
    container->addSubview(presentedView);
    presentation->containerDidAppear(*container, *controller);

    if (!keeps)
        below->beginAppearanceTransition(false, animated);
    controller->beginAppearanceTransition(true, animated);
    auto finish = [controller, below, keeps, completion = std::move(completion)](bool) {
        controller->endAppearanceTransition();
        if (!keeps) {
            below->endAppearanceTransition();
            if (below->m_view)
                below->m_view->setHidden(true); // covered: nothing of it needs drawing
        }
        if (completion)
            completion();
    };
    if (animated) {
        if (presentation->slidesIn()) {
            presentedView->setCenter({ target.midX(), container->bounds().height() + target.height() / 2 });
            View::animate(kModalDuration, [&] { presentedView->setCenter(target.center()); }, finish);
        } else {
            presentedView->setAlpha(0);
            View::animate(kModalDuration, [&] { presentedView->setAlpha(1); }, finish);
        }
    } else {
        finish(true);
    }
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion)
{
    auto self = shared_from_this();
    if (!m_presented) {
        if (auto presenting = presentingViewController())
            presenting->dismissViewController(animated, std::move(completion));
        else if (completion)
            completion();
        return;
    }
    auto presented = m_presented;
    if (presented->m_presented)
        presented->dismissViewController(false);
    auto presentation = presented->m_presentation ? presented->m_presentation : std::make_shared<PresentationController>();
    const bool keeps = presentation->keepsPresentingView(presented->m_modalStyle);
    auto below = outermost(self);
    presented->beginAppearanceTransition(false, animated);
    if (!keeps) {
        if (below->m_view)
            below->m_view->setHidden(false);
        below->beginAppearanceTransition(true, animated);
    }
    // The presenting screen forgets the presented one at once, so it may present again from the
    // completion.
    m_presented.reset();
    auto finish = [presented, below, keeps, completion = std::move(completion)](bool) {
        if (presented->m_presentationContainer) {
            presented->m_presentationContainer->removeFromSuperview();
            presented->m_presentationContainer.reset();
        }
        if (presented->m_view)
            presented->m_view->removeFromSuperview();
        presented->m_presenting.reset();
        presented->endAppearanceTransition();
        if (!keeps)
            below->endAppearanceTransition();
        if (completion)
            completion();
    };
    auto presentedView = presented->m_view;
    if (animated && presentedView && presentedView->superview()) {
        const double height = presentedView->superview()->bounds().height();
        if (presentation->slidesIn())
            View::animate(kModalDuration, [&] { presentedView->setCenter({ presentedView->center().x, height + presentedView->bounds().height() / 2 }); }, finish);
        else
            View::animate(kModalDuration, [&] { presentedView->setAlpha(0); }, finish);
    } else {
        finish(true);
    }
}

}
