#include <platform/ui/window/Window.h>

#include <platform/foundation/RunLoop.h>
#include <platform/ui/gestures/GestureRecognizer.h>

#include <algorithm>
#include <cmath>

namespace vd {

Window::Window(Size size)
    : View(Rect(0, 0, size.width, size.height))
{
}

Window::~Window()
{
    for (auto& recognizer : m_arena)
        recognizer->m_window = nullptr;
}

void Window::invalidateRect(const Rect& rect)
{
    const Rect clipped = rect.isEmpty() ? rect : Rect(std::floor(rect.minX()), std::floor(rect.minY()), std::ceil(rect.maxX()) - std::floor(rect.minX()), std::ceil(rect.maxY()) - std::floor(rect.minY()));
    m_dirty = m_dirty ? m_dirty->unionWith(clipped) : clipped;
}

void Window::collectAnimating(const View& view, bool& animating)
{
    if (animating)
        return;
    if (view.hasRunningAnimations()) {
        animating = true;
        return;
    }
    for (auto& subview : view.subviews())
        collectAnimating(*subview, animating);
}

bool Window::isAnimating() const
{
    bool animating = false;
    collectAnimating(*this, animating);
    return animating;
}

void Window::prepareFrame()
{
    const double now = RunLoop::main().now();
    std::vector<View*> pending { this };
    bool animating = false;
    while (!pending.empty()) {
        View* view = pending.back();
        pending.pop_back();
        if (view->hasRunningAnimations() || view->m_drawnExtent) {
            // A moving view is repainted where the last frame drew it and where this frame draws
            // it; once it stops, where it rests.
            if (view->m_drawnExtent)
                invalidateRect(*view->m_drawnExtent);
            view->pruneFinishedAnimations(now);
            if (view->hasRunningAnimations()) {
                animating = true;
                view->m_drawnExtent = view->presentationExtentInRoot();
                invalidateRect(*view->m_drawnExtent);
            } else {
                view->m_drawnExtent.reset();
            }
            view->invalidateVisualArea();
        }
        for (auto& subview : view->subviews())
            pending.push_back(subview.get());
    }
    (void)animating;
    layoutIfNeeded();
}

// The hit test of View::hitTest on the values animations show now: the view drawn topmost at the
// point (own coordinates) among those that take touches.
std::shared_ptr<View> Window::drawnViewAt(View& view, Point point)
{
    if (view.m_hidden || !view.m_userInteractionEnabled || view.presentationAlpha() < 0.01)
        return nullptr;
    if (!view.presentationBounds().contains(point))
        return nullptr;
    for (auto it = view.m_subviews.rbegin(); it != view.m_subviews.rend(); ++it) {
        View& subview = **it;
        const Rect bounds = subview.presentationBounds();
        const Point center = subview.presentationCenter();
        const AffineTransform toParent = AffineTransform::translation(-bounds.midX(), -bounds.midY()).concat(subview.presentationTransform()).concat(AffineTransform::translation(center.x, center.y));
        if (auto hit = drawnViewAt(subview, toParent.inverted().apply(point)))
            return hit;
    }
    return view.shared_from_this();
}

// Whether the view or one of its ancestors is in a property animation (the endless turns of
// decorations leave a view where it is).
bool Window::isMoving(const View* view)
{
    for (; view; view = view->m_superview.lock().get()) {
        if (!view->m_animations.empty())
            return true;
    }
    return false;
}

std::shared_ptr<View> Window::touchTarget(Point point)
{
    auto hit = hitTest(point);
    auto drawn = drawnViewAt(*this, point);
    if (hit != drawn && (isMoving(hit.get()) || isMoving(drawn.get())))
        return nullptr;
    return hit;
}

void Window::setFirstResponderView(const std::shared_ptr<View>& view)
{
    m_firstResponder = view;
}

void Window::viewWillLeave(View& view)
{
    if (auto first = m_firstResponder.lock(); first && first->isDescendantOfView(&view))
        m_firstResponder.reset();
}

void Window::sendText(const std::string& text)
{
    if (auto first = m_firstResponder.lock())
        first->insertText(text);
}

bool Window::offer(View& view, const std::function<bool(View&)>& take)
{
    if (view.isHidden() || view.alpha() < 0.01 || !view.isUserInteractionEnabled())
        return false;
    auto protector = view.shared_from_this();
    const auto subviews = view.subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        if (offer(**it, take))
            return true;
    }
    return take(view);
}

bool Window::isReachable(View& view)
{
    if (view.window() != this)
        return false;
    auto hit = touchTarget(view.convertPointToView(view.bounds().center(), nullptr));
    return hit && hit->isDescendantOfView(&view);
}

bool Window::moveTextFocus(int step)
{
    std::vector<std::shared_ptr<View>> fields;
    std::vector<View*> pending { this };
    while (!pending.empty()) {
        View* view = pending.back();
        pending.pop_back();
        if (view->isHidden() || view->alpha() < 0.01 || !view->isUserInteractionEnabled())
            continue;
        if (view->isTextField() && isReachable(*view))
            fields.push_back(view->shared_from_this());
        const auto& subviews = view->subviews();
        for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
            pending.push_back(it->get());
    }
    if (fields.empty())
        return false;
    const auto first = m_firstResponder.lock();
    const auto current = std::find(fields.begin(), fields.end(), first);
    const long count = static_cast<long>(fields.size());
    long next = step > 0 ? 0 : count - 1;
    if (current != fields.end())
        next = ((current - fields.begin()) + step % count + count) % count;
    return fields[static_cast<size_t>(next)]->becomeFirstResponder();
}

bool Window::sendKey(const KeyPress& press)
{
    auto protector = shared_from_this();
    const auto first = m_firstResponder.lock();
    const bool typing = first && first->isTextInput();
    const bool command = press.has(KeyModifierControl) || press.has(KeyModifierAlt);
    if (press.key == Key::Tab && !command && (typing || !first))
        return moveTextFocus(press.has(KeyModifierShift) ? -1 : 1);
    if (first) {
        if (typing && (command || press.key == Key::Character))
            return false;
        first->keyPressed(press.key);
        return true;
    }
    return offer(*this, [&](View& view) {
        if (view.performKeyCommand(press))
            return true;
        auto controller = view.viewController();
        return controller && controller->performKeyCommand(press);
    });
}

bool Window::sendScroll(Point location, Point delta)
{
    auto protector = shared_from_this();
    for (auto view = touchTarget(location); view; view = view->superview()) {
        if (view->scrollWheel(view->convertPointFromView(location, nullptr), delta))
            return true;
    }
    return false;
}

bool Window::sendDrop(Point location, const std::vector<std::filesystem::path>& files)
{
    auto protector = shared_from_this();
    if (files.empty())
        return false;
    for (auto view = hitTest(location); view; view = view->superview()) {
        if (view->acceptDroppedFiles(files))
            return true;
        if (auto controller = view->viewController(); controller && controller->acceptDroppedFiles(files))
            return true;
    }
    return offer(*this, [&](View& view) {
        if (view.acceptDroppedFiles(files))
            return true;
        auto controller = view.viewController();
        return controller && controller->acceptDroppedFiles(files);
    });
}

bool Window::isTakingPart(const GestureRecognizer& recognizer) const
{
    return std::any_of(m_arena.begin(), m_arena.end(), [&](auto& r) { return r.get() == &recognizer; });
}

void Window::sendTouches(TouchPhase phase, const std::vector<TouchInput>& inputs)
{
    auto protector = std::static_pointer_cast<Window>(shared_from_this());
    const double now = RunLoop::main().now();
    TouchSet changed;
    for (const auto& input : inputs) {
        if (phase == TouchPhase::Began) {
            if (m_touches.contains(input.identifier))
                continue;
            if (m_touches.empty()) {
                // A new sequence: recognizers left waiting from the last one with no touches
                // (a double tap's first tap) stay only if the new touch reaches them again.
                for (auto& recognizer : m_arena)
                    recognizer->m_touches.clear();
            }
            auto touch = std::make_shared<Touch>();
            touch->m_identifier = input.identifier;
            touch->m_window = this;
            touch->m_location = touch->m_previousLocation = input.location;
            touch->m_timestamp = now;
            touch->m_phase = TouchPhase::Began;
            touch->m_force = input.force;
            const bool nearLast = std::hypot(input.location.x - m_lastTapLocation.x, input.location.y - m_lastTapLocation.y) <= gestureThresholds().multipleTapDistance;
            touch->m_tapCount = (m_lastTapEnd >= 0 && now - m_lastTapEnd <= gestureThresholds().multipleTapInterval && nearLast) ? m_lastTapCount + 1 : 1;
            auto hit = touchTarget(input.location);
            touch->m_view = hit;
            for (View* v = hit.get(); v; v = v->superview().get()) {
                for (auto& recognizer : v->gestureRecognizers()) {
                    if (!recognizer->isEnabled())
                        continue;
                    if (auto delegate = recognizer->delegate(); delegate && !delegate->gestureRecognizerShouldReceiveTouch(*recognizer, *touch))
                        continue;
                    touch->m_recognizers.push_back(recognizer);
                }
            }
            m_touches[input.identifier] = TouchState { touch };
            changed.push_back(touch);
        } else {
            auto it = m_touches.find(input.identifier);
            if (it == m_touches.end())
                continue;
            auto& touch = it->second.touch;
            touch->m_previousLocation = touch->m_location;
            if (phase == TouchPhase::Moved || phase == TouchPhase::Ended) {
                touch->m_location = input.location;
                touch->m_force = input.force;
            }
            touch->m_timestamp = now;
            touch->m_phase = phase;
            changed.push_back(touch);
        }
    }
    if (changed.empty())
        return;
    if (phase == TouchPhase::Began) {
        // Recognizers left from an earlier sequence that the new touches do not reach are done.
        if (m_touches.size() == changed.size()) {
            std::vector<std::shared_ptr<GestureRecognizer>> keep, drop;
            for (auto& recognizer : m_arena) {
                const bool reached = std::any_of(changed.begin(), changed.end(), [&](auto& t) { return std::find(t->m_recognizers.begin(), t->m_recognizers.end(), recognizer) != t->m_recognizers.end(); });
                (reached ? keep : drop).push_back(recognizer);
            }
            // They fail first, so those waiting for them (a single tap for a double tap) recognize.
            for (auto& recognizer : drop) {
                if (recognizer->state() == GestureRecognizer::State::Possible && !recognizer->m_pendingState)
                    recognizer->setState(GestureRecognizer::State::Failed);
            }
            for (auto& recognizer : drop)
                recognizer->resetToPossible();
            std::erase_if(m_arena, [&](auto& r) { return std::find(drop.begin(), drop.end(), r) != drop.end(); });
        }
    }
    TouchEvent event;
    event.timestamp = now;
    for (auto& [id, state] : m_touches)
        event.allTouches.push_back(state.touch);
    deliverToRecognizers(phase, changed, event);
    deliverToViews(phase, changed, event);
    for (auto& recognizer : m_arena)
        recognizer->m_lastLocation = recognizer->centroidInWindow();
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        for (auto& touch : changed) {
            if (phase == TouchPhase::Ended && m_touches.size() == 1) {
                m_lastTapEnd = now;
                m_lastTapLocation = touch->m_location;
                m_lastTapCount = touch->m_tapCount;
            }
            m_touches.erase(touch->m_identifier);
        }
        for (auto& recognizer : m_arena) {
            std::erase_if(recognizer->m_touches, [&](auto& t) { return std::find(changed.begin(), changed.end(), t) != changed.end(); });
        }
    }
    resetFinishedRecognizers();
}

void Window::deliverToRecognizers(TouchPhase phase, const TouchSet& changed, const TouchEvent& event)
{
    // Which recognizers see which of the changed touches.
    std::vector<std::pair<std::shared_ptr<GestureRecognizer>, TouchSet>> deliveries;
    for (auto& touch : changed) {
        for (auto& recognizer : touch->m_recognizers) {
            if (recognizer->m_view == nullptr || !recognizer->isEnabled())
                continue;
            auto it = std::find_if(deliveries.begin(), deliveries.end(), [&](auto& d) { return d.first == recognizer; });
            if (it == deliveries.end()) {
                deliveries.push_back({ recognizer, {} });
                it = deliveries.end() - 1;
            }
            it->second.push_back(touch);
        }
    }
    for (auto& [recognizer, touches] : deliveries) {
        if (phase == TouchPhase::Began) {
            if (!isTakingPart(*recognizer)) {
                m_arena.push_back(recognizer);
                recognizer->m_window = this;
            }
            for (auto& touch : touches) {
                if (std::find(recognizer->m_touches.begin(), recognizer->m_touches.end(), touch) == recognizer->m_touches.end())
                    recognizer->m_touches.push_back(touch);
            }
        }
    }
    for (auto& [recognizer, touches] : deliveries) {
        const auto state = recognizer->state();
        // A recognizer that has finished sees no more touches until it is reset.
        if (state == GestureRecognizer::State::Failed || state == GestureRecognizer::State::Cancelled || state == GestureRecognizer::State::Ended)
            continue;
        if (!isTakingPart(*recognizer))
            continue;
        recognizer->m_lastLocation = recognizer->centroidInWindow();
        switch (phase) {
        case TouchPhase::Began:
            recognizer->touchesBegan(touches, event);
            break;
        case TouchPhase::Moved:
        case TouchPhase::Stationary:
            recognizer->touchesMoved(touches, event);
            break;
        case TouchPhase::Ended:
            recognizer->touchesEnded(touches, event);
            break;
        case TouchPhase::Cancelled:
            recognizer->touchesCancelled(touches, event);
            break;
        }
    }
}

void Window::deliverToViews(TouchPhase phase, const TouchSet& changed, const TouchEvent& event)
{
    // Group the touches by the view they began on.
    std::vector<std::pair<std::shared_ptr<View>, TouchSet>> groups;
    for (auto& touch : changed) {
        auto it = m_touches.find(touch->m_identifier);
        if (it == m_touches.end() || it->second.cancelledForView)
            continue;
        auto view = touch->view();
        if (!view)
            continue;
        if (phase == TouchPhase::Began)
            it->second.deliveredToView = true;
        else if (!it->second.deliveredToView)
            continue;
        auto group = std::find_if(groups.begin(), groups.end(), [&](auto& g) { return g.first == view; });
        if (group == groups.end()) {
            groups.push_back({ view, {} });
            group = groups.end() - 1;
        }
        group->second.push_back(touch);
    }
    for (auto& [view, touches] : groups) {
        switch (phase) {
        case TouchPhase::Began:
            view->touchesBegan(touches, event);
            break;
        case TouchPhase::Moved:
        case TouchPhase::Stationary:
            view->touchesMoved(touches, event);
            break;
        case TouchPhase::Ended:
            view->touchesEnded(touches, event);
            break;
        case TouchPhase::Cancelled:
            view->touchesCancelled(touches, event);
            break;
        }
    }
}

void Window::cancelTouchesForViews(const GestureRecognizer& recognizer)
{
    std::vector<std::pair<std::shared_ptr<View>, TouchSet>> groups;
    for (auto& touch : recognizer.m_touches) {
        auto it = m_touches.find(touch->m_identifier);
        if (it == m_touches.end() || it->second.cancelledForView)
            continue;
        it->second.cancelledForView = true;
        if (!it->second.deliveredToView)
            continue;
        auto view = touch->view();
        if (!view)
            continue;
        auto group = std::find_if(groups.begin(), groups.end(), [&](auto& g) { return g.first == view; });
        if (group == groups.end()) {
            groups.push_back({ view, {} });
            group = groups.end() - 1;
        }
        group->second.push_back(touch);
    }
    TouchEvent event;
    event.timestamp = RunLoop::main().now();
    for (auto& [id, state] : m_touches)
        event.allTouches.push_back(state.touch);
    for (auto& [view, touches] : groups)
        view->touchesCancelled(touches, event);
}

void Window::recognizerDidTransition(GestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    const State state = recognizer.state();
    if (state != State::Began && state != State::Ended)
        return;
    // Only the transition out of possible decides between recognizers.
    auto protector = recognizer.shared_from_this();
    const auto arena = m_arena;
    for (auto& other : arena) {
        if (other.get() == &recognizer)
            continue;
        const State otherState = other->state();
        if (otherState != State::Possible && otherState != State::Began && otherState != State::Changed)
            continue;
        if (recognizer.canRecognizeSimultaneouslyWith(*other))
            continue;
        if (!recognizer.canPreventGestureRecognizer(*other) || !other->canBePreventedByGestureRecognizer(recognizer))
            continue;
        if (otherState == State::Possible)
            other->setState(State::Failed);
        else
            other->setState(State::Cancelled);
    }
    if (recognizer.cancelsTouchesInView())
        cancelTouchesForViews(recognizer);
}

void Window::recognizerDidFail(GestureRecognizer& recognizer)
{
    // Those waiting for this one to fail may now recognize.
    const auto arena = m_arena;
    for (auto& other : arena) {
        if (other.get() != &recognizer && other->m_pendingState)
            other->applyPendingState();
    }
    // A failure from a timer comes after the fingers lifted: nothing else will reset them.
    if (m_touches.empty())
        resetFinishedRecognizers();
}

void Window::resetFinishedRecognizers()
{
    using State = GestureRecognizer::State;
    std::vector<std::shared_ptr<GestureRecognizer>> keep;
    const auto arena = m_arena;
    for (auto& recognizer : arena) {
        const State state = recognizer->state();
        const bool finished = state == State::Ended || state == State::Failed || state == State::Cancelled;
        if (finished && recognizer->m_touches.empty() && !recognizer->m_pendingState)
            recognizer->resetToPossible();
        else
            keep.push_back(recognizer);
    }
    // Resetting may not remove recognizers added meanwhile.
    std::erase_if(m_arena, [&](auto& r) { return std::find(keep.begin(), keep.end(), r) == keep.end(); });
}

}
