#include <hosts/WindowPixels.h>

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <sys/shm.h>
#include <vector>

namespace vd {

WindowPixels::~WindowPixels()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

bool WindowPixels::wrap(unsigned char* data, int width, int height, int stride)
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_surface = cairo_image_surface_create_for_data(data, CAIRO_FORMAT_RGB24, width, height, stride);
    m_width = width;
    m_height = height;
    if (cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS)
        return true;
    std::fprintf(stderr, "vardenico app: cannot make the window's picture (%d × %d pixels)\n", width, height);
    return false;
}

namespace {

// The window's pixels in a segment of memory the X server reads them from. A window being
// resized would otherwise get a new segment at every size, and the kernel would fault in and
// clear every page of it while the frame is drawn: the segment is made with room to grow, in
// steps of 256 pixels, and kept while the window fits in it.
class SharedMemoryPixels final : public WindowPixels {
public:
    static std::unique_ptr<WindowPixels> make(SDL_Window* window)
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
            return nullptr;
        Display* display = info.info.x11.display;
        // Shared memory is only shared with a server on the same machine.
        const std::string_view name = DisplayString(display);
        if (!(name.starts_with(":") || name.starts_with("unix:")) || !XShmQueryExtension(display))
            return nullptr;
        XWindowAttributes attributes {};
        if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) || (attributes.depth != 24 && attributes.depth != 32))
            return nullptr;
        const Visual* visual = attributes.visual;
        if (visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 || visual->blue_mask != 0xff)
            return nullptr;
        auto pixels = std::unique_ptr<SharedMemoryPixels>(new SharedMemoryPixels(window, display, info.info.x11.window, attributes));
        if (!pixels->adopt())
            return nullptr;
        return pixels;
    }

    ~SharedMemoryPixels() override
    {
        release();
        XFreeGC(m_display, m_gc);
    }

    bool adopt() override
    {
        int width = 0, height = 0;
        SDL_GetWindowSize(m_window, &width, &height);
        width = std::max(width, 1);
        height = std::max(height, 1);
        if (!m_image || width > m_image->width || height > m_image->height) {
            // Room for the whole display at once: the pages are only made as the window first
            // covers them, and a window dragged larger then needs no new segment.
            SDL_Rect display {};
            if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(m_window)), &display) != 0)
                display = {};
            const int roomWidth = (std::max({ width, display.w, m_image ? m_image->width : 0 }) + 255) / 256 * 256;
            const int roomHeight = (std::max({ height, display.h, m_image ? m_image->height : 0 }) + 255) / 256 * 256;
            release();
            if (!attach(roomWidth, roomHeight)) {
                std::fprintf(stderr, "vardenico app: cannot share the window's picture (%d × %d pixels) with the display\n", roomWidth, roomHeight);
                return false;
            }
        }
        return wrap(reinterpret_cast<unsigned char*>(m_image->data), width, height, m_image->bytes_per_line);
    }

    void show(const SDL_Rect& area) override
    {
        XShmPutImage(m_display, m_xwindow, m_gc, m_image, area.x, area.y, area.x, area.y, static_cast<unsigned>(area.w), static_cast<unsigned>(area.h), False);
        // The server has read the pixels before the next frame draws over them.
        XSync(m_display, False);
    }

private:
    SharedMemoryPixels(SDL_Window* window, Display* display, ::Window xwindow, const XWindowAttributes& attributes)
        : m_window(window)
        , m_display(display)
        , m_xwindow(xwindow)
        , m_visual(attributes.visual)
        , m_depth(attributes.depth)
        , m_gc(XCreateGC(display, xwindow, 0, nullptr))
    {
    }

    static int& attachFailed()
    {
        static int failed = 0;
        return failed;
    }

    bool attach(int width, int height)
    {
        m_image = XShmCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, nullptr, &m_segment, static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (!m_image)
            return false;
        m_segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(m_image->bytes_per_line) * static_cast<size_t>(height), IPC_CREAT | 0600);
        if (m_segment.shmid < 0) {
            release();
            return false;
        }
        m_segment.shmaddr = m_image->data = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
        m_segment.readOnly = False;
        if (m_segment.shmaddr == reinterpret_cast<char*>(-1)) {
            m_segment.shmaddr = m_image->data = nullptr;
            release();
            return false;
        }
        // A server that refuses the segment answers with an error, not a failed call.
        attachFailed() = 0;
        XSync(m_display, False);
        auto* previous = XSetErrorHandler([](Display*, XErrorEvent*) { return attachFailed() = 1; });
        bool attached = XShmAttach(m_display, &m_segment);
        XSync(m_display, False);
        attached = attached && !attachFailed();
        XSetErrorHandler(previous);
        // Freed by the kernel once both sides have let go of it.
        shmctl(m_segment.shmid, IPC_RMID, nullptr);
        m_attached = attached;
        if (!attached)
            release();
        return attached;
    }

    void release()
    {
        if (m_attached) {
            XShmDetach(m_display, &m_segment);
            XSync(m_display, False);
            m_attached = false;
        }
        if (m_segment.shmaddr)
            shmdt(m_segment.shmaddr);
        m_segment = {};
        if (m_image) {
            m_image->data = nullptr;
            XDestroyImage(m_image);
            m_image = nullptr;
        }
    }

    SDL_Window* m_window;
    Display* m_display;
    ::Window m_xwindow;
    Visual* m_visual;
    int m_depth;
    GC m_gc;
    XShmSegmentInfo m_segment {};
    XImage* m_image { nullptr };
    bool m_attached { false };
};

// The window's own surface, made by SDL at every size. Its pixels are drawn into as they are when
// they are 32 bits with red, green and blue where the picture keeps them; any other layout gets a
// picture of its own, converted on the way.
class SurfacePixels final : public WindowPixels {
public:
    explicit SurfacePixels(SDL_Window* window)
        : m_window(window)
    {
    }

    bool adopt() override
    {
        m_shown = SDL_GetWindowSurface(m_window);
        if (!m_shown) {
            std::fprintf(stderr, "vardenico app: cannot draw in the window: %s\n", SDL_GetError());
            return false;
        }
        const SDL_PixelFormat& format = *m_shown->format;
        m_direct = format.BytesPerPixel == 4 && format.Rmask == 0xff0000 && format.Gmask == 0xff00 && format.Bmask == 0xff;
        const int width = std::max(m_shown->w, 1), height = std::max(m_shown->h, 1);
        if (m_direct)
            return wrap(static_cast<unsigned char*>(m_shown->pixels), width, height, m_shown->pitch);
        const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
        m_pixels.resize(static_cast<std::size_t>(stride / 4) * static_cast<std::size_t>(height));
        return wrap(reinterpret_cast<unsigned char*>(m_pixels.data()), width, height, stride);
    }

    void show(const SDL_Rect& area) override
    {
        if (!m_direct) {
            const int stride = cairo_image_surface_get_stride(surface());
            const unsigned char* from = cairo_image_surface_get_data(surface()) + static_cast<size_t>(area.y) * stride + static_cast<size_t>(area.x) * 4;
            auto* to = static_cast<unsigned char*>(m_shown->pixels) + static_cast<size_t>(area.y) * m_shown->pitch + static_cast<size_t>(area.x) * m_shown->format->BytesPerPixel;
            SDL_ConvertPixels(area.w, area.h, SDL_PIXELFORMAT_RGB888, from, stride, m_shown->format->format, to, m_shown->pitch);
        }
        SDL_UpdateWindowSurfaceRects(m_window, &area, 1);
    }

private:
    SDL_Window* m_window;
    SDL_Surface* m_shown { nullptr };
    bool m_direct { true };
    std::vector<std::uint32_t> m_pixels;
};

}

std::unique_ptr<WindowPixels> WindowPixels::make(SDL_Window* window)
{
    if (auto shared = SharedMemoryPixels::make(window))
        return shared;
    auto own = std::make_unique<SurfacePixels>(window);
    if (!own->adopt())
        return nullptr;
    return own;
}

}
