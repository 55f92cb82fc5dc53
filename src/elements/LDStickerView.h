#pragma once

#include <platform/graphics/Color.h>
#include <platform/ui/gestures/GestureRecognizer.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/TextView.h>
#include <platform/ui/views/View.h>

#include <memory>
#include <optional>
#include <string>

namespace vd {

class LDStickerView;
class LongPressGestureRecognizer;
class TapGestureRecognizer;

// What a sticker tells an observer; every operation is optional.
class LDStickerViewDelegate {
public:
    virtual ~LDStickerViewDelegate() = default;
    virtual void stickerViewDidBeginEditing(LDStickerView& sticker) { (void)sticker; }  // a move, resize or rotate drag began
    virtual void stickerViewDidChangeEditing(LDStickerView& sticker) { (void)sticker; } // after each changed event of those drags
    virtual void stickerViewDidEndEditing(LDStickerView& sticker) { (void)sticker; }    // a move or rotate drag ended
    virtual void stickerViewDidClose(LDStickerView& sticker) { (void)sticker; }         // after it removed itself
    virtual void stickerViewDidShowEditingHandles(LDStickerView& sticker) { (void)sticker; }
    virtual void stickerViewDidHideEditingHandles(LDStickerView& sticker) { (void)sticker; }
};

// The on-screen carrier of one layer of a logo: an image or shape (any view handed over as
// content) or a text (an editable text view it builds itself), inside a margin of _globalInset
// points that the three handles straddle. Dragging the body moves it and snaps its centre to
// the container's centre lines, announcing each snap by notification; the bottom-left handle
// resizes it about its centre; the bottom-right handle rotates it, snapping to a table of angles,
// and scales non-text content; the top-right handle deletes it.
//
// Make one with initWithFrame (the frame includes the margin), set nomeImmagine, then exactly
// one of setContentView or setTextView, add it to its container and show its handles.
class LDStickerView : public View
    , public GestureRecognizerDelegate
    , public TextViewDelegate {
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    // Notification names, posted on the default centre with the sticker as object.
    inline static const std::string keyCentroPerfetto { "centroperfetto" };             // centre snapped to both centre lines
    inline static const std::string keyCentroOr { "centroor" };                         // to the horizontal centre line only
    inline static const std::string keyCentroVer { "centrover" };                       // to the vertical centre line
    inline static const std::string keyNascondiLineeGuida { "nascondilinee" };          // hide all guides
    inline static const std::string keyNascondiLineaOrizzonale { "nascondiorizzaontale" }; // hide the horizontal guide
    inline static const std::string keyReloadTable { "reloadtable" };                   // deleted by its delete handle
    inline static const std::string keyColoreEditor { "keycoloreeditototo" };           // user-defaults key of the editor style
    inline static const std::string myStringFontDefalut { "GillSans-UltraBold" };

    static constexpr double kSnapDistance = 8;        // points, inclusive
    static constexpr double kMinimumTextWidth = 80;   // a text sticker is lifted to this before a resize event
    static constexpr double kMinimumImageSide = 50;   // other stickers, per side
    static constexpr double kTextFontSize = 20;
    // A rotate drag that begins closer than this to the centre neither turns nor scales.
    static constexpr double kMinimumRotateDistance = 10;

    // The sticker with its handles and recognizers, handles hidden and no content.
    static std::shared_ptr<LDStickerView> initWithFrame(const Rect& frame);
    // A sticker as decoded from an archive: defaults only, no handles, recognizers or inset.
    static std::shared_ptr<LDStickerView> initWithCoder();

    LDStickerView(Passkey, const Rect& frame);
    ~LDStickerView() override;
    std::string className() const override { return "LDStickerView"; }

    // Content.
    virtual void setContentView(const std::shared_ptr<View>& view); // an image or shape layer
    virtual void setTextView(bool editing);                          // a text layer; editing takes the keyboard at once
    const std::shared_ptr<View>& contentView() const { return _contentView; }

    // Handles and appearance.
    virtual void setEnableClose(bool enable);
    virtual void setEnableResize(bool enable);
    virtual void setEnableRotate(bool enable);
    virtual void setShowContentShadow(bool show);
    virtual void showEditingHandles();
    virtual void hideEditingHandles();
    virtual void hideRotateButton(); // alpha 0: it takes no touches
    virtual void showRorateButton();
    virtual void refresh();
    // Removes the sticker from its container as its delete handle does, telling the delegate and
    // posting keyReloadTable.
    void close();
    // The default text colour for the editor style kept under keyColoreEditor.
    virtual Color metodoTornaColoreDaUsare() const;
    virtual void addDoneButtonOnNumpad(); // the "Done" bar above the keyboard of myTextField

    static double radiansToDegrees(double radians);
    static double degreesToRadians(double degrees);
    // The snapped angle for an angle in degrees, if it lies in one of the snapping bands.
    static std::optional<double> snappedAngleInDegrees(double degrees);

    // Gesture entry points, wired by initWithFrame; each reads the recognizer's state and position.
    virtual void contentTapped(GestureRecognizer& recognizer);
    virtual void singleTap(GestureRecognizer& recognizer);
    virtual void moveGesture(GestureRecognizer& recognizer);
    virtual void resizeTranslate(GestureRecognizer& recognizer);
    virtual void rotateViewPanGesture(GestureRecognizer& recognizer);

    // Text view delegate.
    void textViewDidBeginEditing(TextView& textView) override;
    void textViewDidEndEditing(TextView& textView) override;
    void textViewDidChange(TextView& textView) override;

    // Accessors of the stored state.
    std::optional<double> globalInset() const { return _globalInset; }
    std::optional<Rect> initialBounds() const { return _initialBounds; }
    std::optional<double> initialDistance() const { return _initialDistance; }
    std::optional<Point> beginningPoint() const { return _beginningPoint; }
    std::optional<Point> beginningCenter() const { return _beginningCenter; }
    std::optional<Point> prevPoint() const { return _prevPoint; }
    std::optional<Point> touchLocation() const { return _touchLocation; }
    std::optional<double> deltaAngle() const { return _deltaAngle; }
    std::optional<AffineTransform> startTransform() const { return _startTransform; }
    std::optional<Rect> beginBounds() const { return _beginBounds; }
    const std::shared_ptr<ImageView>& resizeView() const { return _resizeView; }
    const std::shared_ptr<ImageView>& rotateView() const { return _rotateView; }
    const std::shared_ptr<ImageView>& closeView() const { return _closeView; }
    const std::shared_ptr<ImageView>& lineeDiagonali() const { return _LineeDiagonali; }
    std::optional<bool> isShowingEditingHandles() const { return _isShowingEditingHandles; }
    std::shared_ptr<LDStickerViewDelegate> delegate() const { return _delegate.lock(); }
    void setDelegate(std::weak_ptr<LDStickerViewDelegate> delegate) { _delegate = std::move(delegate); }
    std::optional<bool> showContentShadow() const { return _showContentShadow; }
    std::optional<bool> showCloseView() const { return _showCloseView; }
    std::optional<bool> showResizeView() const { return _showResizeView; }
    std::optional<bool> showRotateView() const { return _showRotateView; }
    std::optional<double> getInizialRotationAngle() const { return inizialRotationAngle; }
    void setInizialRotationAngle(std::optional<double> angle) { inizialRotationAngle = angle; }

    // Owner-facing state, read and written directly as the screens do.
    std::weak_ptr<LDStickerView> lastTouchedView; // the sticker whose handles show: only ever this one
    bool myBoolMoveEnable { true };               // the owner's flag; the sticker's gestures ignore it
    std::shared_ptr<TextView> myTextField;        // the text of a text layer, absent otherwise
    Rect myScaleRect { 0, 0, 1, 1 };              // frame produced by the last resize event
    double larghezzaScale { 1 };
    double altezzaScale { 1 };
    std::optional<std::string> nomeImmagine; // the layer's image name, "testo" for texts
    std::shared_ptr<View> myViewGuideMagneticeh;
    bool myBoolLineeGuidaNascoste { false }; // the owner was told to hide the guides and nothing snapped since
    std::optional<double> inizialRotationAngle;

    void didMoveToSuperview() override;
    void didMoveToWindow() override;
    // The sticker's own, rotated area, and the parts of its shown handles that reach past it (the
    // resize handle sits 10 points outside the left edge): a touch there is the sticker's.
    bool pointInside(Point point) const override;
    bool shouldRecognizeSimultaneously(GestureRecognizer& recognizer, GestureRecognizer& other) override;

private:
    void buildHandles();
    void buildRecognizers();
    std::shared_ptr<ImageView> makeHandle(const Rect& frame, unsigned autoresizing, const std::string& imageName, const std::string& name);
    void configureContentView(const std::shared_ptr<View>& view);
    void makeLineeDiagonali();
    Point locationInContainer(const GestureRecognizer& recognizer) const;
    void post(const std::string& name);
    double rotationAngle() const;
    template<typename F>
    void tellDelegate(F&& call);

    std::optional<double> _globalInset;
    std::optional<Rect> _initialBounds;
    std::optional<double> _initialDistance;
    std::optional<Point> _beginningPoint;
    std::optional<Point> _beginningCenter;
    std::optional<Point> _prevPoint;
    std::optional<Point> _touchLocation;
    std::optional<double> _deltaAngle;
    std::optional<AffineTransform> _startTransform;
    std::optional<Rect> _beginBounds;
    std::shared_ptr<ImageView> _resizeView;
    std::shared_ptr<ImageView> _rotateView;
    std::shared_ptr<ImageView> _closeView;
    std::shared_ptr<ImageView> _LineeDiagonali;
    std::optional<bool> _isShowingEditingHandles;
    std::shared_ptr<View> _contentView;
    std::weak_ptr<LDStickerViewDelegate> _delegate;
    std::optional<bool> _showContentShadow;
    std::optional<bool> _showCloseView;
    std::optional<bool> _showResizeView;
    std::optional<bool> _showRotateView;

    std::shared_ptr<GestureRecognizer> m_moveRecognizer;
    std::shared_ptr<GestureRecognizer> m_contentTapRecognizer;
    bool m_focusOnWindow { false }; // setTextView asked for the keyboard before the sticker was on a window
};

}
