#include <elements/LDStickerView.h>

#include <services/mySingleScritte.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/gestures/LongPressGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/controls/Toolbar.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace vd {

namespace {

const Color kGray { 0.5, 0.5, 0.5, 1 };
const Color kDarkGray { 1.0 / 3, 1.0 / 3, 1.0 / 3, 1 };

std::string describe(const Rect& r)
{
    char line[128];
    std::snprintf(line, sizeof line, "{{%g, %g}, {%g, %g}}", r.x(), r.y(), r.width(), r.height());
    return line;
}

// Bands in degrees, both ends included, searched in this order; the first that holds wins.
struct SnapBand {
    double low;
    double high;
    double angle;
};
constexpr SnapBand kSnapBands[] = {
    { -2, 2, 0 },
    { -92, -88, -90 },
    { 88, 92, 90 },
    { -182, -178, -180 },
    { -272, -268, -270 },
    { 43, 47, 45 },
    { -227, -223, -225 },
    { 133, 137, 135 },
    { -137, -133, -135 },
    { -47, -43, -45 },
};

}

std::shared_ptr<LDStickerView> LDStickerView::initWithFrame(const Rect& frame)
{
    auto sticker = std::make_shared<LDStickerView>(Passkey {}, frame);
    sticker->setBackgroundColor(std::nullopt);
    sticker->_globalInset = 14;
    sticker->buildHandles();
    sticker->buildRecognizers();
    sticker->setEnableClose(true);
    sticker->setEnableResize(true);
    sticker->setEnableRotate(true);
    sticker->setShowContentShadow(false);
    sticker->hideEditingHandles();
    return sticker;
}

std::shared_ptr<LDStickerView> LDStickerView::initWithCoder()
{
    return std::make_shared<LDStickerView>(Passkey {}, Rect {});
}

LDStickerView::LDStickerView(Passkey, const Rect& frame)
    : View(frame)
{
}

LDStickerView::~LDStickerView() = default;

std::shared_ptr<ImageView> LDStickerView::makeHandle(const Rect& frame, unsigned autoresizing, const std::string& imageName, const std::string& name)
{
    auto handle = View::make<ImageView>(frame);
    handle->setAutoresizingMask(autoresizing);
    handle->setBackgroundColor(std::nullopt);
    handle->setUserInteractionEnabled(true);
    handle->setImage(imageNamed(imageName));
    handle->setName(name);
    addSubview(handle);
    return handle;
}

void LDStickerView::buildHandles()
{
    const double side = 2 * *_globalInset;
    const double w = bounds().width(), h = bounds().height();
    _closeView = makeHandle({ w - side, 0, side, side }, FlexibleLeftMargin | FlexibleBottomMargin, "icon_delete", "_closeView");
    _rotateView = makeHandle({ w - side, h - side, side, side }, FlexibleLeftMargin | FlexibleTopMargin, "icon_rotate", "_rotateView");
    // The resize handle sticks out 10 points to the left of the sticker.
    _resizeView = makeHandle({ -10, h - side, side, side }, FlexibleRightMargin | FlexibleTopMargin, "icon_scale", "_resizeView");
}

void LDStickerView::buildRecognizers()
{
    std::weak_ptr<LDStickerView> weak = std::static_pointer_cast<LDStickerView>(shared_from_this());
    auto action = [weak](void (LDStickerView::*handler)(GestureRecognizer&)) {
        return [weak, handler](GestureRecognizer& recognizer) {
            // The handler may remove the sticker from its container; keep it alive meanwhile.
            if (auto self = weak.lock())
                ((*self).*handler)(recognizer);
        };
    };
    auto press = [&](void (LDStickerView::*handler)(GestureRecognizer&), const std::string& name) {
        auto recognizer = std::make_shared<LongPressGestureRecognizer>(action(handler));
        recognizer->setMinimumPressDuration(0);
        recognizer->setName(name);
        return recognizer;
    };
    auto tap = [&](void (LDStickerView::*handler)(GestureRecognizer&), const std::string& name) {
        auto recognizer = std::make_shared<TapGestureRecognizer>(action(handler));
        recognizer->setName(name);
        return recognizer;
    };

    auto move = press(&LDStickerView::moveGesture, "moveGesture");
    auto contentTap = tap(&LDStickerView::contentTapped, "contentTapped");
    auto closeTap = tap(&LDStickerView::singleTap, "singleTap");
    auto resize = press(&LDStickerView::resizeTranslate, "resizeTranslate");
    auto rotate = press(&LDStickerView::rotateViewPanGesture, "rotateViewPanGesture");
    move->requireGestureRecognizerToFail(closeTap);
    // The move begins the moment a finger lands, which would fail a tap on the same body; the two
    // are allowed together so a tap still toggles the handles (a drag fails the tap by moving).
    std::weak_ptr<GestureRecognizerDelegate> delegate = std::static_pointer_cast<LDStickerView>(shared_from_this());
    move->setDelegate(delegate);
    contentTap->setDelegate(delegate);

    addGestureRecognizer(move);
    addGestureRecognizer(contentTap);
    _closeView->addGestureRecognizer(closeTap);
    _resizeView->addGestureRecognizer(resize);
    _rotateView->addGestureRecognizer(rotate);
    m_moveRecognizer = move;
    m_contentTapRecognizer = contentTap;
}

bool LDStickerView::shouldRecognizeSimultaneously(GestureRecognizer& recognizer, GestureRecognizer& other)
{
    const GestureRecognizer* move = m_moveRecognizer.get();
    const GestureRecognizer* contentTap = m_contentTapRecognizer.get();
    return (&recognizer == move && &other == contentTap) || (&recognizer == contentTap && &other == move);
}

void LDStickerView::configureContentView(const std::shared_ptr<View>& view)
{
    _contentView = view;
    const double inset = _globalInset.value_or(0);
    view->setFrame(bounds().insetBy(inset, inset));
    view->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    view->setBackgroundColor(std::nullopt);
    view->layer().setBorderColor(kGray);
    view->layer().setBorderWidth(1.0);
    insertSubviewAtIndex(view, 0);
}

void LDStickerView::makeLineeDiagonali()
{
    const Rect contentBounds = _contentView ? _contentView->bounds() : Rect {};
    _LineeDiagonali = View::make<ImageView>(Rect(0, 0, contentBounds.width(), contentBounds.height()));
    _LineeDiagonali->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    _LineeDiagonali->setImage(imageNamed("LineeDiagonali"));
    _LineeDiagonali->setBackgroundColor(std::nullopt);
    _LineeDiagonali->setUserInteractionEnabled(false);
    _LineeDiagonali->setClipsToBounds(true);
    _LineeDiagonali->setAlpha(0);
    _LineeDiagonali->setName("_LineeDiagonali");
}

void LDStickerView::setContentView(const std::shared_ptr<View>& view)
{
    if (!view)
        return;
    if (_contentView)
        _contentView->removeFromSuperview();
    myTextField.reset();
    configureContentView(view);
    view->setTag(10);
    makeLineeDiagonali();
    view->addSubview(_LineeDiagonali);
}

void LDStickerView::setTextView(bool editing)
{
    if (_contentView)
        _contentView->removeFromSuperview();
    auto content = View::make();
    content->setName("_contentView");
    configureContentView(content);
    makeLineeDiagonali();

    const Rect contentBounds = content->bounds();
    myTextField = View::make<TextView>(Rect(0, 0, contentBounds.width() - 5, contentBounds.height()));
    myTextField->setName("myTextField");
    myTextField->setText(mySingleScritte::sharedInstance().stringaTuoTesto());
    myTextField->setTextColor(metodoTornaColoreDaUsare());
    myTextField->setBackgroundColor(std::nullopt);
    myTextField->setDelegate(std::static_pointer_cast<LDStickerView>(shared_from_this()));
    myTextField->setFont(myStringFontDefalut, kTextFontSize);
    myTextField->setClipsToBounds(true);
    myTextField->setScrollEnabled(false);
    myTextField->setTextAlignment(TextAlignment::Left);
    myTextField->setAutoresizingMask(FlexibleLeftMargin | FlexibleWidth | FlexibleTopMargin | FlexibleHeight | FlexibleBottomMargin);
    content->addSubview(myTextField);
    content->addSubview(_LineeDiagonali);
    addDoneButtonOnNumpad();
    // A text view takes the keyboard only on a window; a sticker made before it is placed takes
    // it as soon as it arrives there.
    m_focusOnWindow = editing;
    if (m_focusOnWindow && window())
        m_focusOnWindow = !myTextField->becomeFirstResponder();
}

void LDStickerView::addDoneButtonOnNumpad()
{
    if (!myTextField)
        return;
    std::weak_ptr<TextView> weakText = myTextField;
    auto bar = Toolbar::makeDoneToolbar([weakText] {
        if (auto text = weakText.lock())
            text->resignFirstResponder();
    });
    bar->setBarStyle(Toolbar::Style::BlackTranslucent);
    bar->setTintColor(Color::whiteColor());
    bar->sizeToFit();
    myTextField->setInputAccessoryView(bar);
}

Color LDStickerView::metodoTornaColoreDaUsare() const
{
    const auto stored = UserDefaults::standard().objectForKey(keyColoreEditor);
    if (!stored)
        return Color::whiteColor();
    // Styles 2 and 3 are the gray and dark canvases; any other value is treated as dark too.
    const auto style = UserDefaults::standard().integerForKey(keyColoreEditor);
    if (style && *style == 1)
        return kDarkGray;
    return Color::whiteColor();
}

void LDStickerView::setEnableClose(bool enable)
{
    _showCloseView = enable;
    if (_closeView) {
        _closeView->setHidden(!enable);
        _closeView->setUserInteractionEnabled(enable);
    }
}

void LDStickerView::setEnableResize(bool enable)
{
    _showResizeView = enable;
    if (_resizeView) {
        _resizeView->setHidden(!enable);
        _resizeView->setUserInteractionEnabled(enable);
    }
}

void LDStickerView::setEnableRotate(bool enable)
{
    _showRotateView = enable;
    if (_rotateView) {
        _rotateView->setHidden(!enable);
        _rotateView->setUserInteractionEnabled(enable);
    }
}

void LDStickerView::setShowContentShadow(bool show)
{
    _showContentShadow = show;
    if (show) {
        layer().setShadowColor(Color::black());
        layer().setShadowOffset({ 0, 5 });
        layer().setShadowOpacity(1);
        layer().setShadowRadius(4);
    } else {
        layer().setShadowColor(Color::clear());
        layer().setShadowOffset({ 0, 0 });
        layer().setShadowOpacity(0);
        layer().setShadowRadius(0);
    }
}

void LDStickerView::showEditingHandles()
{
    auto protector = shared_from_this();
    if (auto last = lastTouchedView.lock())
        last->hideEditingHandles();
    _isShowingEditingHandles = true;
    lastTouchedView = std::static_pointer_cast<LDStickerView>(shared_from_this());
    if (_closeView && _showCloseView.value_or(true))
        _closeView->setHidden(false);
    if (_resizeView && _showResizeView.value_or(true))
        _resizeView->setHidden(false);
    if (_rotateView && _showRotateView.value_or(true))
        _rotateView->setHidden(false);
    refresh();
    if (_contentView)
        _contentView->layer().setBorderWidth(0.5);
    tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidShowEditingHandles(*this); });
}

void LDStickerView::hideEditingHandles()
{
    auto protector = shared_from_this();
    lastTouchedView.reset();
    _isShowingEditingHandles = false;
    if (_closeView && _showCloseView.value_or(true))
        _closeView->setHidden(true);
    if (_resizeView && _showResizeView.value_or(true))
        _resizeView->setHidden(true);
    if (_rotateView && _showRotateView.value_or(true))
        _rotateView->setHidden(true);
    refresh();
    if (_contentView)
        _contentView->layer().setBorderWidth(0);
    tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidHideEditingHandles(*this); });
}

void LDStickerView::hideRotateButton()
{
    if (_rotateView)
        _rotateView->setAlpha(0);
}

void LDStickerView::showRorateButton()
{
    if (_rotateView)
        _rotateView->setAlpha(1);
}

void LDStickerView::refresh()
{
    setNeedsDisplay();
}

void LDStickerView::didMoveToSuperview()
{
    refresh();
}

void LDStickerView::didMoveToWindow()
{
    if (m_focusOnWindow && myTextField && window())
        m_focusOnWindow = !myTextField->becomeFirstResponder();
}

double LDStickerView::radiansToDegrees(double radians) { return radians * 180 / std::numbers::pi; }

double LDStickerView::degreesToRadians(double degrees) { return degrees * std::numbers::pi / 180; }

std::optional<double> LDStickerView::snappedAngleInDegrees(double degrees)
{
    for (const auto& band : kSnapBands) {
        if (degrees >= band.low && degrees <= band.high)
            return band.angle;
    }
    return std::nullopt;
}

double LDStickerView::rotationAngle() const
{
    const AffineTransform t = transform();
    return std::atan2(t.b, t.a);
}

Point LDStickerView::locationInContainer(const GestureRecognizer& recognizer) const
{
    return recognizer.locationInView(superview().get());
}

void LDStickerView::post(const std::string& name)
{
    NotificationCenter::defaultCenter().post(name, this);
}

template<typename F>
void LDStickerView::tellDelegate(F&& call)
{
    if (auto d = _delegate.lock())
        call(*d);
}

void LDStickerView::contentTapped(GestureRecognizer& recognizer)
{
    if (recognizer.state() != GestureRecognizer::State::Ended)
        return;
    auto protector = shared_from_this();
    if (_isShowingEditingHandles.has_value() && !*_isShowingEditingHandles) {
        showEditingHandles();
        return;
    }
    hideEditingHandles();
    if (auto container = superview())
        container->bringSubviewToFront(this);
}

void LDStickerView::singleTap(GestureRecognizer& recognizer)
{
    if (recognizer.state() != GestureRecognizer::State::Ended)
        return;
    close();
}

void LDStickerView::close()
{
    auto protector = shared_from_this();
    removeFromSuperview();
    tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidClose(*this); });
    post(keyReloadTable);
}

void LDStickerView::moveGesture(GestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    auto protector = shared_from_this();
    const Point touch = locationInContainer(recognizer);
    _touchLocation = touch;

    switch (recognizer.state()) {
    case State::Began:
        _beginningPoint = touch;
        _beginningCenter = center();
        setCenter(*_beginningCenter + (touch - *_beginningPoint));
        _beginBounds = bounds();
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidBeginEditing(*this); });
        break;
    case State::Changed: {
        auto container = superview();
        if (!container || !_beginningCenter || !_beginningPoint)
            break;
        const Point p = *_beginningCenter + (touch - *_beginningPoint);
        const Point c = container->center();
        if (std::abs(p.x - c.x) <= kSnapDistance) {
            setCenter({ c.x, p.y });
            post(keyCentroVer);
            post(keyNascondiLineaOrizzonale);
            myBoolLineeGuidaNascoste = false;
            if (std::abs(p.y - c.y) <= kSnapDistance) {
                setCenter(c);
                post(keyCentroPerfetto);
                myBoolLineeGuidaNascoste = false;
            }
        } else {
            setCenter(p);
            if (!myBoolLineeGuidaNascoste) {
                post(keyNascondiLineeGuida);
                myBoolLineeGuidaNascoste = true;
            }
            if (std::abs(p.y - c.y) <= kSnapDistance) {
                setCenter({ p.x, c.y });
                post(keyCentroOr);
                myBoolLineeGuidaNascoste = false;
            } else {
                setCenter(p);
                if (!myBoolLineeGuidaNascoste) {
                    post(keyNascondiLineeGuida);
                    myBoolLineeGuidaNascoste = true;
                }
            }
        }
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidChangeEditing(*this); });
        break;
    }
    case State::Ended:
    case State::Cancelled: // a cancelled drag must not leave the guides on the canvas
        post(keyNascondiLineeGuida);
        myBoolLineeGuidaNascoste = true;
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidEndEditing(*this); });
        break;
    default:
        break;
    }
    _prevPoint = touch;
}

void LDStickerView::resizeTranslate(GestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    auto protector = shared_from_this();
    // The finger as it would be if the sticker were not rotated, about its centre.
    const Point finger = locationInContainer(recognizer);
    const double angle = rotationAngle();
    const Point middle = center();
    const Point d = finger - middle;
    const double s = std::sin(-angle), c = std::cos(-angle);
    const Point touch { middle.x + d.x * c - d.y * s, middle.y + d.x * s + d.y * c };
    _touchLocation = touch;

    switch (recognizer.state()) {
    case State::Began:
        tellDelegate([this](LDStickerViewDelegate& del) { del.stickerViewDidBeginEditing(*this); });
        break;
    case State::Changed: {
        const Point previous = _prevPoint.value_or(touch);
        const double inset = _globalInset.value_or(0);
        const double floorSide = 2 * inset + 1;
        const AffineTransform remembered = transform();
        setTransform(AffineTransform::identity());
        // The handle sits on the left: dragging left widens, dragging down heightens.
        const double dx = previous.x - touch.x;
        const double dy = touch.y - previous.y;
        double width = 0, height = 0;
        if (myTextField) {
            if (frame().width() < kMinimumTextWidth)
                setFrame({ frame().origin, { kMinimumTextWidth, frame().height() } });
            width = std::max(frame().width() + 2 * dx, floorSide);
            height = frame().height();
        } else {
            log::debug("resize from " + describe(frame()));
            if (frame().width() < kMinimumImageSide)
                setFrame({ frame().origin, { kMinimumImageSide, frame().height() } });
            if (frame().height() < kMinimumImageSide)
                setFrame({ frame().origin, { frame().width(), kMinimumImageSide } });
            width = std::max(frame().width() + 2 * dx, floorSide);
            height = std::max(frame().height() + 2 * dy, floorSide);
        }
        const Point middleNow = center();
        const Rect scaled { middleNow.x - width / 2, middleNow.y - height / 2, width, height };
        setFrame(scaled);
        myScaleRect = scaled;
        setTransform(remembered);
        larghezzaScale = myScaleRect.width();
        altezzaScale = myScaleRect.height();
        tellDelegate([this](LDStickerViewDelegate& del) { del.stickerViewDidChangeEditing(*this); });
        break;
    }
    case State::Ended:
        if (myTextField)
            myTextField->setText(myTextField->text());
        break;
    default:
        break;
    }
    _prevPoint = touch;
}

void LDStickerView::rotateViewPanGesture(GestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    auto protector = shared_from_this();
    const Point touch = locationInContainer(recognizer);
    _touchLocation = touch;
    const Point middle = center();
    const double fingerAngle = std::atan2(touch.y - middle.y, touch.x - middle.x);
    const double distance = std::hypot(touch.x - middle.x, touch.y - middle.y);

    switch (recognizer.state()) {
    case State::Began:
        // Near the centre the finger's direction is noise and the scale divides by almost nothing:
        // a drag that starts there neither turns nor scales the sticker.
        if (distance < kMinimumRotateDistance) {
            _deltaAngle.reset();
            _initialBounds.reset();
            _initialDistance.reset();
        } else {
            _deltaAngle = fingerAngle - rotationAngle();
            _initialBounds = bounds();
            _initialDistance = distance;
        }
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidBeginEditing(*this); });
        break;
    case State::Changed: {
        if (!_deltaAngle || !_initialBounds || !_initialDistance)
            break;
        const double angle = fingerAngle - *_deltaAngle;
        if (auto snapped = snappedAngleInDegrees(radiansToDegrees(angle))) {
            setTransform(AffineTransform::rotation(degreesToRadians(*snapped)));
            if (_LineeDiagonali)
                _LineeDiagonali->setAlpha(1);
        } else {
            setTransform(AffineTransform::rotation(angle));
            if (_LineeDiagonali)
                _LineeDiagonali->setAlpha(0);
        }
        setNeedsDisplay();
        if (!myTextField) {
            const double scale = std::sqrt(distance / *_initialDistance);
            const double width = scale * _initialBounds->width();
            const double height = scale * _initialBounds->height();
            const double floorSide = 2 * _globalInset.value_or(0) + 1;
            if (width >= floorSide && height >= floorSide)
                setBounds({ scale * _initialBounds->x(), scale * _initialBounds->y(), width, height });
        }
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidChangeEditing(*this); });
        break;
    }
    case State::Ended:
    case State::Cancelled: // nor the diagonal overlay on the sticker
        if (_LineeDiagonali)
            _LineeDiagonali->setAlpha(0);
        tellDelegate([this](LDStickerViewDelegate& d) { d.stickerViewDidEndEditing(*this); });
        break;
    default:
        break;
    }
}

bool LDStickerView::pointInside(Point point) const
{
    if (View::pointInside(point))
        return true;
    for (const auto* handle : { _closeView.get(), _rotateView.get(), _resizeView.get() })
        if (handle && !handle->isHidden() && handle->alpha() >= 0.01 && handle->isUserInteractionEnabled() && handle->frame().contains(point))
            return true;
    return false;
}

void LDStickerView::textViewDidChange(TextView& textView)
{
    (void)textView;
    log::debug("textViewDidChange bounds " + describe(bounds()) + " frame " + describe(frame()));
    const double angle = rotationAngle();
    const Point middle = center();
    setTransform(AffineTransform::identity());
    if (_contentView && myTextField) {
        // Measured at the width the text is drawn at, so a wrapped last line is never cut off.
        const Size fitted = myTextField->sizeThatFits({ myTextField->bounds().width(), std::numeric_limits<double>::infinity() });
        const double height = fitted.height + 30;
        setFrame({ frame().origin, { frame().width(), height } });
        // The content keeps its margin on every side, so its edge runs through the handles.
        const Rect content = _contentView->frame();
        _contentView->setFrame({ content.origin, { content.width(), std::max(0.0, height - 2 * _globalInset.value_or(0)) } });
        log::debug("textViewDidChange sticker " + describe(frame()) + " content " + describe(_contentView->frame()) + " text " + describe(myTextField->frame()));
    }
    setTransform(AffineTransform::rotation(angle));
    setCenter(middle);
}

void LDStickerView::textViewDidBeginEditing(TextView& textView)
{
    log::debug("Editing testo INIZIO");
    if (textView.text() == mySingleScritte::sharedInstance().stringaTuoTesto())
        textView.setText("");
}

void LDStickerView::textViewDidEndEditing(TextView& textView)
{
    log::debug("Editing testo finito");
    if (textView.text().empty() || textView.text() == " ")
        textView.setText(mySingleScritte::sharedInstance().stringaTuoTesto());
}

}
