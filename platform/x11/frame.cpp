#include "platform/x11/frame.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/shared_image.h"

namespace fellridge::platform {

namespace {

xcb_connection_t* qtConnection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Whether pixels of the visual at the depth are Format_RGB32's bytes as they lie in memory.
bool takesRgb32(xcb_connection_t* c, xcb_visualid_t visual, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (depth != 24) return false;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
#else
    if (setup->image_byte_order != XCB_IMAGE_ORDER_MSB_FIRST) return false;
#endif
    bool format32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth) format32 = f.data->bits_per_pixel == 32;
    if (!format32) return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            if (d.data->depth != depth) continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xff0000 && v.data->green_mask == 0x00ff00 &&
                           v.data->blue_mask == 0x0000ff;
        }
    return false;
}

// One shared-memory segment as the server knows it; it goes when the last image over it does.
struct Segment {
    Segment() = default;
    Segment(const Segment&) = delete;
    Segment& operator=(const Segment&) = delete;
    xcb_connection_t* connection = nullptr;
    xcb_shm_seg_t id = 0;
    void* address = nullptr;
    ~Segment() {
        // The server handles the detach after every request that still reads the segment.
        xcb_shm_detach(connection, id);
        xcb_flush(connection);
        ::shmdt(address);
    }
};

}  // namespace

struct X11Frame::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t gc = 0;
    std::uint8_t depth = 24;
    bool shm = false;
    std::size_t maxRequestBytes = 0;
    std::weak_ptr<Segment> segment;  // of the latest image from newImage
};

bool X11Frame::available() {
    xcb_connection_t* c = qtConnection();
    if (!c) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen && takesRgb32(c, screen->root_visual, screen->root_depth);
}

std::unique_ptr<X11Frame> X11Frame::forWindow(std::uintptr_t window) {
    xcb_connection_t* c = qtConnection();
    if (!c || window == 0) return nullptr;
    const auto id = static_cast<xcb_window_t>(window);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    const bool usable =
        attributes && geometry && takesRgb32(c, attributes->visual, geometry->depth);
    const std::uint8_t depth = geometry ? geometry->depth : 0;
    std::free(attributes);
    std::free(geometry);
    if (!usable) return nullptr;

    auto x = std::make_unique<Connection>();
    x->c = c;
    x->window = id;
    x->depth = depth;
    x->gc = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, x->gc, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_shm_id);
    x->shm = extension && extension->present;
    x->maxRequestBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4;
    return std::unique_ptr<X11Frame>(new X11Frame(std::move(x)));
}

X11Frame::X11Frame(std::unique_ptr<Connection> connection) : x_(std::move(connection)) {}

X11Frame::~X11Frame() {
    xcb_free_gc(x_->c, x_->gc);
    xcb_flush(x_->c);
}

QImage X11Frame::newImage(int width, int height) {
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    if (x_->shm && bytes > 0) {
        const int shmId = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* address = shmId >= 0 ? ::shmat(shmId, nullptr, 0) : reinterpret_cast<void*>(-1);
        if (address != reinterpret_cast<void*>(-1)) {
            const xcb_shm_seg_t id = xcb_generate_id(x_->c);
            xcb_generic_error_t* error = xcb_request_check(
                x_->c, xcb_shm_attach_checked(x_->c, id, static_cast<std::uint32_t>(shmId),
                                              1 /* read only */));
            // Marked for removal at once: it goes with the last detach, even after a crash.
            ::shmctl(shmId, IPC_RMID, nullptr);
            if (!error) {
                auto segment = std::make_shared<Segment>();
                segment->connection = x_->c;
                segment->id = id;
                segment->address = address;
                x_->segment = segment;
                return imageOver(std::move(segment), address, width, height);
            }
            std::free(error);
            ::shmdt(address);
        } else if (shmId >= 0) {
            ::shmctl(shmId, IPC_RMID, nullptr);
        }
        x_->shm = false;  // a server that refuses once (a remote one) refuses every time
    }
    return QImage(width, height, QImage::Format_RGB32);
}

void X11Frame::show(const QImage& image, const QRect& area) {
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty() || image.format() != QImage::Format_RGB32) return;
    const std::shared_ptr<Segment> segment = x_->segment.lock();
    if (segment && segment->address == image.constBits() &&
        image.bytesPerLine() == image.width() * 4) {
        xcb_shm_put_image(x_->c, x_->window, x_->gc, static_cast<std::uint16_t>(image.width()),
                          static_cast<std::uint16_t>(image.height()),
                          static_cast<std::uint16_t>(r.x()), static_cast<std::uint16_t>(r.y()),
                          static_cast<std::uint16_t>(r.width()),
                          static_cast<std::uint16_t>(r.height()), static_cast<std::int16_t>(r.x()),
                          static_cast<std::int16_t>(r.y()), x_->depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                          segment->id, 0);
        xcb_flush(x_->c);
        return;
    }
    // Through the connection, as many rows per request as it takes.
    const std::size_t rowBytes = static_cast<std::size_t>(r.width()) * 4;
    const std::size_t room = x_->maxRequestBytes > 64 ? x_->maxRequestBytes - 64 : rowBytes;
    const int rowsPerRequest = static_cast<int>(std::max<std::size_t>(1, room / rowBytes));
    std::vector<std::uint8_t> strip;
    for (int y = r.top(); y <= r.bottom(); y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, r.bottom() + 1 - y);
        strip.resize(rowBytes * static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i)
            std::memcpy(strip.data() + rowBytes * static_cast<std::size_t>(i),
                        image.constScanLine(y + i) + static_cast<std::size_t>(r.x()) * 4, rowBytes);
        xcb_put_image(x_->c, XCB_IMAGE_FORMAT_Z_PIXMAP, x_->window, x_->gc,
                      static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(y), 0, x_->depth,
                      static_cast<std::uint32_t>(strip.size()), strip.data());
    }
    xcb_flush(x_->c);
}

}  // namespace fellridge::platform
