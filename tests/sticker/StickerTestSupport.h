#pragma once

#include <TestSupport.h>

#include <services/mySingleScritte.h>
#include <elements/LDStickerView.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace vd::test {

// What a sticker told its delegate, in order.
class RecordingStickerDelegate : public LDStickerViewDelegate {
public:
    void stickerViewDidBeginEditing(LDStickerView&) override { calls.push_back("begin"); }
    void stickerViewDidChangeEditing(LDStickerView&) override { calls.push_back("change"); }
    void stickerViewDidEndEditing(LDStickerView&) override { calls.push_back("end"); }
    void stickerViewDidClose(LDStickerView&) override { calls.push_back("close"); }
    void stickerViewDidShowEditingHandles(LDStickerView&) override { calls.push_back("show"); }
    void stickerViewDidHideEditingHandles(LDStickerView&) override { calls.push_back("hide"); }
    std::vector<std::string> calls;
};

// A window on the virtual clock holding a 400 × 400 canvas at its origin, so the canvas's
// centre (200, 200) is the snapping target; the sticker notifications are recorded in order.
class StickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        binaryHome();
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
        window = std::make_shared<Window>(Size { 1000, 1000 });
        canvas = View::make(Rect(0, 0, 400, 400));
        window->addSubview(canvas);
        for (const auto* name : { &LDStickerView::keyCentroPerfetto, &LDStickerView::keyCentroOr, &LDStickerView::keyCentroVer, &LDStickerView::keyNascondiLineeGuida, &LDStickerView::keyNascondiLineaOrizzonale, &LDStickerView::keyReloadTable }) {
            NotificationCenter::defaultCenter().addObserver(this, *name, nullptr, [this](const Notification& n) {
                posted.push_back(n.name);
                objects.push_back(n.object);
            });
        }
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(this);
        RunLoop::main().advance(5);
    }

    // An image sticker on the canvas with its handles showing.
    std::shared_ptr<LDStickerView> addImageSticker(const Rect& frame)
    {
        return addSticker(frame, "cerchio", [&](LDStickerView& s) { s.setContentView(View::make<ImageView>(Rect(200, 200, frame.width(), frame.height()))); });
    }
    std::shared_ptr<LDStickerView> addTextSticker(const Rect& frame, bool editing)
    {
        return addSticker(frame, "testo", [&](LDStickerView& s) { s.setTextView(editing); });
    }
    std::shared_ptr<LDStickerView> addSticker(const Rect& frame, const char* name, const std::function<void(LDStickerView&)>& fill)
    {
        auto sticker = LDStickerView::initWithFrame(frame);
        sticker->nomeImmagine = name;
        fill(*sticker);
        canvas->addSubview(sticker);
        sticker->showEditingHandles();
        return sticker;
    }

    void down(Point p) { window->sendTouches(TouchPhase::Began, { { 1, p } }); }
    void moveTo(Point p) { RunLoop::main().advance(0.016), window->sendTouches(TouchPhase::Moved, { { 1, p } }); }
    void up(Point p) { RunLoop::main().advance(0.016), window->sendTouches(TouchPhase::Ended, { { 1, p } }); }
    void tap(Point p) { down(p), up(p), RunLoop::main().advance(0.5); }
    // Presses at from, moves through the points and lifts at the last.
    void drag(Point from, std::initializer_list<Point> through)
    {
        down(from);
        for (Point p : through)
            moveTo(p);
        up(through.size() ? *(through.end() - 1) : from);
    }
    void cancel(Point p) { RunLoop::main().advance(0.016), window->sendTouches(TouchPhase::Cancelled, { { 1, p } }); }
    // Where the centre of a handle lies on the canvas.
    Point handleCentre(const std::shared_ptr<ImageView>& handle) const { return handle->convertPointToView(handle->bounds().center(), canvas.get()); }
    // A sticker's rotate handle on the canvas, the sticker's centre, and the handle's distance
    // and angle (degrees) from that centre.
    struct Grip {
        Point centre, handle;
        double reach, angle;
    };
    Grip rotateGrip(const LDStickerView& sticker) const
    {
        const Point centre = sticker.center(), handle = handleCentre(sticker.rotateView());
        return { centre, handle, std::hypot(handle.x - centre.x, handle.y - centre.y), std::atan2(handle.y - centre.y, handle.x - centre.x) * 180 / std::numbers::pi };
    }

    // A delegate recording what the sticker tells it.
    static std::shared_ptr<RecordingStickerDelegate> record(LDStickerView& sticker)
    {
        auto delegate = std::make_shared<RecordingStickerDelegate>();
        sticker.setDelegate(delegate);
        return delegate;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<View> canvas;
    std::vector<std::string> posted;
    std::vector<const void*> objects;
};

inline std::string placeholder() { return mySingleScritte::sharedInstance().stringaTuoTesto(); }
inline double degrees(double radians) { return radians * 180 / std::numbers::pi; }
inline double radians(double degrees) { return degrees * std::numbers::pi / 180; }
// Whether two points or sizes agree to within a billionth of a point.
inline ::testing::AssertionResult nearly(Point a, Point b)
{
    if (std::hypot(a.x - b.x, a.y - b.y) < 1e-9)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ") is not (" << b.x << ", " << b.y << ")";
}
inline ::testing::AssertionResult nearly(Size a, Size b) { return nearly(Point { a.width, a.height }, Point { b.width, b.height }); }
inline double angleOf(const View& view) { return std::atan2(view.transform().b, view.transform().a); }
// A point at a distance and an angle (degrees, clockwise on screen) from a centre.
inline Point polar(Point centre, double distance, double angleDegrees)
{
    return { centre.x + distance * std::cos(radians(angleDegrees)), centre.y + distance * std::sin(radians(angleDegrees)) };
}

}
