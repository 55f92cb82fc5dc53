// The renderer: draws a view tree with cairo (the one place besides the painter that speaks to it
// directly, for groups, masks and culling). Each view is drawn in its own coordinates, bottom to
// top: shadow, background, own content, subviews, border, shape sublayers; alpha below one draws the whole subtree as a group so overlapping children fade
// together; clipsToBounds clips content and subviews to the (rounded) bounds.
#include <platform/ui/views/View.h>

#include <platform/foundation/RunLoop.h>
#include <platform/graphics/BoxBlur.h>
#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace vd {

namespace {

void roundedRectPath(cairo_t* cr, const Rect& r, double radius)
{
    radius = std::min({ radius, r.width() / 2, r.height() / 2 });
    if (radius <= 0) {
        cairo_rectangle(cr, r.x(), r.y(), r.width(), r.height());
        return;
    }
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void setSource(cairo_t* cr, const Color& c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha * alpha);
}

cairo_matrix_t toCairo(const AffineTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

double deviceScale(cairo_t* cr)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
}

}

// Draws views; a friend of View so it reads presentation state directly.
class Renderer {
public:
    Renderer(cairo_t* cr, double now)
        : m_cairo(cr)
        , m_now(now)
    {
        double x0, y0, x1, y1;
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        cairo_user_to_device(cr, &x0, &y0);
        cairo_user_to_device(cr, &x1, &y1);
        m_clip = Rect(std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0));
    }

    // Draws view in the current user space, which is its parent's coordinates.
    void drawInParent(View& view)
    {
        if (view.m_hidden)
            return;
        const Rect bounds = view.presentationBounds();
        const Point center = view.presentationCenter();
        const AffineTransform toParent = AffineTransform::translation(-bounds.midX(), -bounds.midY()).concat(view.presentationTransform()).concat(AffineTransform::translation(center.x, center.y));
        CairoStateSaver saver(m_cairo);
        const cairo_matrix_t m = toCairo(toParent);
        cairo_transform(m_cairo, &m);
        if (isCulled(view, bounds))
            return;
        drawInOwnCoordinates(view, bounds, m_cairo);
    }

    void drawInOwnCoordinates(View& view, const Rect& bounds, cairo_t* cr)
    {
        const double alpha = view.presentationAlpha();
        if (alpha <= 0.0)
            return;
        const bool grouped = alpha < 1.0;
        if (grouped) {
            // A group is as large as the clip: keep it to what the subtree covers.
            const Rect extent = localExtent(view, bounds);
            cairo_save(cr);
            cairo_rectangle(cr, extent.x(), extent.y(), extent.width(), extent.height());
            cairo_clip(cr);
            cairo_push_group(cr);
        }
        const Layer& layer = view.m_layer;
        if (layer.shadowOpacity() > 0 && layer.shadowColor().alpha > 0)
            drawShadow(view, bounds, cr);
        drawLayerContent(view, bounds, cr);
        if (grouped) {
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, alpha);
            cairo_restore(cr);
        }
    }

    // What the view and its descendants draw, in its own coordinates, at presentation values.
    static Rect localExtent(const View& view, const Rect& bounds)
    {
        const Layer& layer = view.m_layer;
        double grow = 1;
        if (layer.shadowOpacity() > 0)
            grow += layer.shadowRadius() * 2 + std::max(std::abs(layer.shadowOffset().width), std::abs(layer.shadowOffset().height));
        Rect extent = bounds.insetBy(-grow, -grow);
        for (auto& shape : layer.sublayers())
            extent = extent.unionWith(shape->path().boundingBox().offsetBy(shape->frame().x(), shape->frame().y()).insetBy(-shape->lineWidth() - 1, -shape->lineWidth() - 1));
        if (view.m_clipsToBounds)
            return extent;
        for (auto& subview : view.m_subviews) {
            if (subview->m_hidden)
                continue;
            const Rect childBounds = subview->presentationBounds();
            const Point center = subview->presentationCenter();
            const AffineTransform toParent = AffineTransform::translation(-childBounds.midX(), -childBounds.midY()).concat(subview->presentationTransform()).concat(AffineTransform::translation(center.x, center.y));
            extent = extent.unionWith(toParent.apply(localExtent(*subview, childBounds)));
        }
        return extent;
    }

private:
    bool isCulled(const View& view, const Rect& bounds) const
    {
        // Only views whose drawing stays inside their bounds can be skipped safely.
        if (!view.m_clipsToBounds && !view.m_subviews.empty())
            return false;
        if (view.m_layer.shadowOpacity() > 0 || !view.m_layer.sublayers().empty())
            return false;
        double xs[4] = { bounds.minX(), bounds.maxX(), bounds.minX(), bounds.maxX() };
        double ys[4] = { bounds.minY(), bounds.minY(), bounds.maxY(), bounds.maxY() };
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (int i = 0; i < 4; ++i) {
            cairo_user_to_device(m_cairo, &xs[i], &ys[i]);
            x0 = std::min(x0, xs[i]);
            x1 = std::max(x1, xs[i]);
            y0 = std::min(y0, ys[i]);
            y1 = std::max(y1, ys[i]);
        }
        return !Rect(x0 - 1, y0 - 1, x1 - x0 + 2, y1 - y0 + 2).intersects(m_clip);
    }

    void drawLayerContent(View& view, const Rect& bounds, cairo_t* cr)
    {
        const Layer& layer = view.m_layer;
        const double radius = layer.cornerRadius();
        if (auto background = view.presentationBackgroundColor(); background && background->alpha > 0) {
            setSource(cr, *background);
            roundedRectPath(cr, bounds, radius);
            cairo_fill(cr);
        }
        {
            CairoStateSaver clip(cr);
            if (view.m_clipsToBounds) {
                roundedRectPath(cr, bounds, radius);
                cairo_clip(cr);
            }
            {
                CairoStateSaver own(cr);
                Painter painter = PainterAccess::wrap(cr);
                view.draw(painter, bounds);
            }
            const auto subviews = view.m_subviews;
            cairo_t* saved = m_cairo;
            m_cairo = cr;
            for (auto& subview : subviews)
                drawInParent(*subview);
            m_cairo = saved;
            if (layer.borderWidth() > 0 && layer.borderColor().alpha > 0) {
                const double w = layer.borderWidth();
                setSource(cr, layer.borderColor());
                cairo_set_line_width(cr, w);
                roundedRectPath(cr, bounds.insetBy(w / 2, w / 2), std::max(0.0, radius - w / 2));
                cairo_stroke(cr);
            }
            for (auto& shape : layer.sublayers()) {
                if (!shape->isHidden()) {
                    CairoStateSaver saver(cr);
                    Painter painter = PainterAccess::wrap(cr);
                    shape->draw(painter);
                }
            }
        }
    }

    // The shadow follows the alpha of everything the layer draws, blurred by its radius.
    void drawShadow(View& view, const Rect& bounds, cairo_t* cr)
    {
        const Layer& layer = view.m_layer;
        const double scale = std::max(0.25, deviceScale(cr));
        const double pad = layer.shadowRadius() * 2 + 2;
        const Rect area = bounds.insetBy(-pad, -pad);
        const int w = static_cast<int>(std::ceil(area.width() * scale)), h = static_cast<int>(std::ceil(area.height() * scale));
        if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > 40'000'000)
            return;
        DrawingContext mask(area.size, DrawingContext::Opacity::Transparent, scale);
        if (!mask.isValid())
            return;
        cairo_t* mc = PainterAccess::cairo(mask.painter());
        cairo_translate(mc, -area.x(), -area.y());
        Renderer inner(mc, m_now);
        inner.drawLayerContent(view, bounds, mc);
        PixelBuffer pixels = mask.takePixels();
        boxBlur(pixels, static_cast<int>(std::lround(layer.shadowRadius() / 2 * scale)));
        const Image blurred = Image::fromBuffer(std::move(pixels), scale);
        ImageSurface surface(blurred);
        cairo_surface_set_device_scale(surface.get(), scale, scale);
        CairoStateSaver saver(cr);
        setSource(cr, layer.shadowColor(), layer.shadowOpacity());
        cairo_mask_surface(cr, surface.get(), area.x() + layer.shadowOffset().width, area.y() + layer.shadowOffset().height);
    }

    cairo_t* m_cairo;
    double m_now;
    Rect m_clip;
};

void View::setNeedsDisplay()
{
    invalidateVisualArea();
}

void View::setNeedsDisplayInRect(const Rect& rect)
{
    if (auto* w = window())
        w->invalidateRect(convertRectToView(rect, nullptr));
}

Rect View::visualExtentInRoot() const
{
    const Layer& layer = m_layer;
    double grow = 1;
    if (layer.shadowOpacity() > 0)
        grow += layer.shadowRadius() * 2 + std::max(std::abs(layer.shadowOffset().width), std::abs(layer.shadowOffset().height));
    Rect extent = convertRectToView(m_bounds.insetBy(-grow, -grow), nullptr);
    for (auto& shape : layer.sublayers())
        extent = extent.unionWith(convertRectToView(shape->path().boundingBox().offsetBy(shape->frame().x(), shape->frame().y()).insetBy(-shape->lineWidth() - 1, -shape->lineWidth() - 1), nullptr));
    if (!m_clipsToBounds) {
        for (auto& subview : m_subviews) {
            if (!subview->m_hidden)
                extent = extent.unionWith(subview->visualExtentInRoot());
        }
    }
    return extent;
}

Rect View::presentationExtentInRoot() const
{
    Rect extent = Renderer::localExtent(*this, presentationBounds());
    for (const View* view = this;;) {
        auto parent = view->m_superview.lock();
        // The root's own placement is not part of the window's coordinates.
        if (!parent)
            break;
        const Rect bounds = view->presentationBounds();
        const Point center = view->presentationCenter();
        extent = AffineTransform::translation(-bounds.midX(), -bounds.midY()).concat(view->presentationTransform()).concat(AffineTransform::translation(center.x, center.y)).apply(extent);
        view = parent.get();
    }
    return extent;
}

void View::invalidateDrawnExtents(Window& window)
{
    if (m_drawnExtent)
        window.invalidateRect(*m_drawnExtent);
    for (auto& subview : m_subviews)
        subview->invalidateDrawnExtents(window);
}

void View::invalidateVisualArea()
{
    auto* w = window();
    if (!w)
        return;
    if (m_drawnExtent)
        w->invalidateRect(*m_drawnExtent);
    if (m_hidden)
        return;
    w->invalidateRect(visualExtentInRoot());
}

void View::drawViewHierarchyInRect(Painter& painter, const Rect& rect)
{
    cairo_t* cr = PainterAccess::cairo(painter);
    layoutIfNeeded();
    CairoStateSaver saver(cr);
    cairo_translate(cr, rect.x(), rect.y());
    const Rect bounds = presentationBounds();
    if (bounds.width() > 0 && bounds.height() > 0)
        cairo_scale(cr, rect.width() / bounds.width(), rect.height() / bounds.height());
    cairo_translate(cr, -bounds.x(), -bounds.y());
    if (m_hidden)
        return;
    Renderer renderer(cr, RunLoop::main().now());
    renderer.drawInOwnCoordinates(*this, bounds, cr);
}

void Window::render(Painter& painter, std::optional<Rect> clip)
{
    cairo_t* cr = PainterAccess::cairo(painter);
    CairoStateSaver saver(cr);
    if (clip) {
        cairo_rectangle(cr, clip->x(), clip->y(), clip->width(), clip->height());
        cairo_clip(cr);
    }
    Renderer renderer(cr, RunLoop::main().now());
    renderer.drawInOwnCoordinates(*this, bounds(), cr);
}

Rect rectForContentMode(ContentMode mode, Size content, const Rect& bounds)
{
    if (content.width <= 0 || content.height <= 0)
        return bounds;
    const double W = bounds.width(), H = bounds.height(), w = content.width, h = content.height;
    switch (mode) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw:
        return bounds;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        const double s = mode == ContentMode::ScaleAspectFit ? std::min(W / w, H / h) : std::max(W / w, H / h);
        return { bounds.x() + (W - w * s) / 2, bounds.y() + (H - h * s) / 2, w * s, h * s };
    }
    case ContentMode::Center:
        return { bounds.x() + (W - w) / 2, bounds.y() + (H - h) / 2, w, h };
    case ContentMode::Top:
        return { bounds.x() + (W - w) / 2, bounds.y(), w, h };
    case ContentMode::Bottom:
        return { bounds.x() + (W - w) / 2, bounds.maxY() - h, w, h };
    case ContentMode::Left:
        return { bounds.x(), bounds.y() + (H - h) / 2, w, h };
    case ContentMode::Right:
        return { bounds.maxX() - w, bounds.y() + (H - h) / 2, w, h };
    case ContentMode::TopLeft:
        return { bounds.x(), bounds.y(), w, h };
    case ContentMode::TopRight:
        return { bounds.maxX() - w, bounds.y(), w, h };
    case ContentMode::BottomLeft:
        return { bounds.x(), bounds.maxY() - h, w, h };
    case ContentMode::BottomRight:
        return { bounds.maxX() - w, bounds.maxY() - h, w, h };
    }
    return bounds;
}

}
