#include "platform/wayland/saver_layers.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <climits>
#include <functional>
#include <map>
#include <utility>

#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "layer_shell-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace fellridge::platform::wayland {

namespace {

constexpr const char* kNamespace = "fellridge-wildlife";
constexpr std::uint32_t kAllEdges = 1 | 2 | 4 | 8;
constexpr std::uint32_t kExclusiveKeyboard = 1;

struct Display {
    wl_display* display = nullptr;
    ~Display() { wl_display_disconnect(display); }
};

// A buffer in memory shared with the compositor. It keeps the connection open while it lives,
// so that a frame may outlive the surfaces.
struct SharedBuffer {
    std::shared_ptr<Display> display;
    wl_buffer* buffer = nullptr;
    void* address = nullptr;
    std::size_t bytes = 0;
    int width = 0, height = 0;
    ~SharedBuffer() {
        if (buffer) wl_buffer_destroy(buffer);
        if (address) ::munmap(address, bytes);
        wl_display_flush(display->display);
    }
};

// Black in XRGB8888 is all zero bits, what a new memory file holds: unless mapped is set, the
// memory is never touched here and costs this process nothing.
std::shared_ptr<SharedBuffer> makeBuffer(const std::shared_ptr<Display>& display, wl_shm* shm,
                                         int width, int height, bool mapped) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    const int fd = ::memfd_create("fellridge-frame", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    auto b = std::make_shared<SharedBuffer>();
    b->display = display;
    b->bytes = bytes;
    b->width = width;
    b->height = height;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        ::close(fd);
        return nullptr;
    }
    if (mapped) {
        void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (address == MAP_FAILED) {
            ::close(fd);
            return nullptr;
        }
        b->address = address;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
    b->buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    return b;
}

std::string primaryScreenName() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->name().toStdString() : std::string();
}

}  // namespace

struct SaverLayers::Wayland {
    struct Output;
    struct Seat;

    SaverLayers* owner = nullptr;
    std::shared_ptr<Display> display;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    std::uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zxdg_output_manager_v1* outputNames = nullptr;
    wp_viewporter* viewporter = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcutsInhibit = nullptr;
    std::map<std::uint32_t, std::unique_ptr<Output>> outputs;  // in the order announced
    std::map<std::uint32_t, std::unique_ptr<Seat>> seats;
    std::weak_ptr<SharedBuffer> frame;
    bool ready = false;  // covering the outputs
    std::unique_ptr<QSocketNotifier> notifier;

    ~Wayland();
    void bind(std::uint32_t global, const char* interface, std::uint32_t version);
    void remove(std::uint32_t global);
    void cover(Output& o);
    void watchName(Output& o);
    void inhibit(Output& o, Seat& s);
    void assignRoles();
    void commit(Output& o);
    wl_display* d() const { return display->display; }
};

struct SaverLayers::Wayland::Output {
    Wayland* w = nullptr;
    std::uint32_t global = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* names = nullptr;
    std::string name;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wp_viewport* viewport = nullptr;
    std::map<std::uint32_t, zwp_keyboard_shortcuts_inhibitor_v1*> inhibitors;  // by seat
    wl_callback* frameDone = nullptr;
    int width = 0, height = 0;
    bool slideshow = false;
    std::shared_ptr<SharedBuffer> black;  // stretched by the viewport, if there is one
    FramePacer pacer;

    void dropSurface() {
        for (auto& [seat, inhibitor] : inhibitors)
            zwp_keyboard_shortcuts_inhibitor_v1_destroy(inhibitor);
        inhibitors.clear();
        if (frameDone) wl_callback_destroy(frameDone);
        if (viewport) wp_viewport_destroy(viewport);
        if (layer) zwlr_layer_surface_v1_destroy(layer);
        if (surface) wl_surface_destroy(surface);
        frameDone = nullptr;
        viewport = nullptr;
        layer = nullptr;
        surface = nullptr;
        black.reset();
        pacer = FramePacer();
        width = height = 0;
    }
    ~Output() {
        dropSurface();
        if (names) zxdg_output_v1_destroy(names);
        wl_output_destroy(output);
    }
};

struct SaverLayers::Wayland::Seat : SeatInput::Sink {
    Wayland* w = nullptr;
    std::uint32_t global = 0;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    SeatInput events{*this};

    void hidePointer(std::uint32_t serial) override {
        if (pointer) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    }
    void input(Input input) override {
        w->owner->later([input](Handlers& h) -> std::function<void()> {
            if (!h.input) return {};
            return [call = h.input, input] { call(input); };
        });
    }
    void capabilities(std::uint32_t caps);
    ~Seat() override {
        capabilities(0);
        wl_seat_destroy(seat);
    }
};

namespace {

using Wayland = SaverLayers::Wayland;
using Output = Wayland::Output;
using Seat = Wayland::Seat;

const wl_callback_listener frameListener = {
    .done =
        [](void* data, wl_callback* callback, std::uint32_t) {
            auto* o = static_cast<Output*>(data);
            wl_callback_destroy(callback);
            o->frameDone = nullptr;
            o->pacer.shown();
            o->w->commit(*o);
        },
};

const zwlr_layer_surface_v1_listener layerListener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
           std::uint32_t height) {
            auto* o = static_cast<Output*>(data);
            zwlr_layer_surface_v1_ack_configure(layer, serial);
            const int w = static_cast<int>(std::min<std::uint32_t>(width, INT_MAX));
            const int h = static_cast<int>(std::min<std::uint32_t>(height, INT_MAX));
            if (w != o->width || h != o->height) o->black.reset();
            o->width = w;
            o->height = h;
            o->pacer.configured();
            // A slideshow output whose frame doesn't exist yet shows black until it does.
            if (o->slideshow && o->w->frame.expired()) o->w->owner->recompose(QRect());
            o->w->commit(*o);
        },
    .closed =
        [](void* data, zwlr_layer_surface_v1*) {
            // The compositor took the surface away (its output is going): nothing to show there.
            static_cast<Output*>(data)->dropSurface();
        },
};

const zxdg_output_v1_listener nameListener = {
    .logical_position = [](void*, zxdg_output_v1*, std::int32_t, std::int32_t) {},
    .logical_size = [](void*, zxdg_output_v1*, std::int32_t, std::int32_t) {},
    .done = [](void*, zxdg_output_v1*) {},
    .name =
        [](void* data, zxdg_output_v1*, const char* name) {
            auto* o = static_cast<Output*>(data);
            o->name = name ? name : "";
            o->w->assignRoles();
        },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

// An output that the compositor announces before it takes surfaces closes the first one: it is
// covered again once the output tells its (new) state.
const wl_output_listener outputListener = {
    .geometry = [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                   std::int32_t, const char*, const char*, std::int32_t) {},
    .mode = [](void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {},
    .done =
        [](void* data, wl_output*) {
            auto* o = static_cast<Output*>(data);
            if (!o->w->ready || o->surface) return;
            o->w->cover(*o);
            o->w->assignRoles();
        },
    .scale = [](void*, wl_output*, std::int32_t) {},
    .name = [](void*, wl_output*, const char*) {},
    .description = [](void*, wl_output*, const char*) {},
};

const wl_pointer_listener pointerListener = {
    .enter = [](void* data, wl_pointer*, std::uint32_t serial, wl_surface*, wl_fixed_t,
                wl_fixed_t) { static_cast<Seat*>(data)->events.pointerEntered(serial); },
    .leave = [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},
    .motion = [](void*, wl_pointer*, std::uint32_t, wl_fixed_t, wl_fixed_t) {},
    .button = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                 std::uint32_t state) { static_cast<Seat*>(data)->events.button(button, state); },
    .axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

const wl_keyboard_listener keyboardListener = {
    .keymap = [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd,
                 std::uint32_t) { ::close(fd); },
    .enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    .key = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
              std::uint32_t state) { static_cast<Seat*>(data)->events.key(state); },
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                    std::uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_seat_listener seatListener = {
    .capabilities = [](void* data, wl_seat*,
                       std::uint32_t caps) { static_cast<Seat*>(data)->capabilities(caps); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_registry_listener registryListener = {
    .global =
        [](void* data, wl_registry*, std::uint32_t global, const char* interface,
           std::uint32_t version) {
            static_cast<Wayland*>(data)->bind(global, interface, version);
        },
    .global_remove = [](void* data, wl_registry*,
                        std::uint32_t global) { static_cast<Wayland*>(data)->remove(global); },
};

template <class T>
T* bindGlobal(wl_registry* registry, std::uint32_t global, const wl_interface& interface,
              std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(
        wl_registry_bind(registry, global, &interface, std::min(offered, wanted)));
}

}  // namespace

void Wayland::Seat::capabilities(std::uint32_t caps) {
    const bool wantPointer = caps & WL_SEAT_CAPABILITY_POINTER;
    const bool wantKeyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    if (wantPointer && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &pointerListener, this);
    } else if (!wantPointer && pointer) {
        wl_pointer_destroy(pointer);
        pointer = nullptr;
    }
    if (wantKeyboard && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &keyboardListener, this);
    } else if (!wantKeyboard && keyboard) {
        wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
    }
}

Wayland::~Wayland() {
    notifier.reset();
    outputs.clear();
    seats.clear();
    if (shortcutsInhibit) zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(shortcutsInhibit);
    if (viewporter) wp_viewporter_destroy(viewporter);
    if (outputNames) zxdg_output_manager_v1_destroy(outputNames);
    if (layerShell) zwlr_layer_shell_v1_destroy(layerShell);
    if (shm) wl_shm_destroy(shm);
    if (compositor) wl_compositor_destroy(compositor);
    if (registry) wl_registry_destroy(registry);
    wl_display_flush(d());
}

void Wayland::bind(std::uint32_t global, const char* interface, std::uint32_t version) {
    const std::string name = interface;
    if (name == wl_compositor_interface.name) {
        compositorVersion = std::min<std::uint32_t>(version, 4);
        compositor =
            bindGlobal<wl_compositor>(registry, global, wl_compositor_interface, version, 4);
    } else if (name == wl_shm_interface.name) {
        shm = bindGlobal<wl_shm>(registry, global, wl_shm_interface, version, 1);
    } else if (name == zwlr_layer_shell_v1_interface.name) {
        layerShell = bindGlobal<zwlr_layer_shell_v1>(registry, global,
                                                     zwlr_layer_shell_v1_interface, version, 1);
    } else if (name == wp_viewporter_interface.name) {
        viewporter =
            bindGlobal<wp_viewporter>(registry, global, wp_viewporter_interface, version, 1);
    } else if (name == zxdg_output_manager_v1_interface.name && version >= 2) {
        outputNames = bindGlobal<zxdg_output_manager_v1>(
            registry, global, zxdg_output_manager_v1_interface, version, 2);
        for (auto& [id, o] : outputs) watchName(*o);
    } else if (name == zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) {
        shortcutsInhibit = bindGlobal<zwp_keyboard_shortcuts_inhibit_manager_v1>(
            registry, global, zwp_keyboard_shortcuts_inhibit_manager_v1_interface, version, 1);
        for (auto& [id, o] : outputs)
            for (auto& [sid, s] : seats) inhibit(*o, *s);
    } else if (name == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->w = this;
        o->global = global;
        o->output = bindGlobal<wl_output>(registry, global, wl_output_interface, version, 2);
        wl_output_add_listener(o->output, &outputListener, o.get());
        watchName(*o);
        Output& added = *(outputs[global] = std::move(o));
        if (ready) {
            cover(added);
            assignRoles();
        }
    } else if (name == wl_seat_interface.name) {
        auto s = std::make_unique<Seat>();
        s->w = this;
        s->global = global;
        s->seat = bindGlobal<wl_seat>(registry, global, wl_seat_interface, version, 5);
        wl_seat_add_listener(s->seat, &seatListener, s.get());
        Seat& added = *(seats[global] = std::move(s));
        for (auto& [id, o] : outputs) inhibit(*o, added);
    }
}

void Wayland::remove(std::uint32_t global) {
    if (outputs.erase(global)) {
        assignRoles();
        return;
    }
    if (auto s = seats.find(global); s != seats.end()) {
        for (auto& [id, o] : outputs)
            if (auto i = o->inhibitors.find(global); i != o->inhibitors.end()) {
                zwp_keyboard_shortcuts_inhibitor_v1_destroy(i->second);
                o->inhibitors.erase(i);
            }
        seats.erase(s);
    }
}

void Wayland::watchName(Output& o) {
    if (!outputNames || o.names) return;
    o.names = zxdg_output_manager_v1_get_xdg_output(outputNames, o.output);
    zxdg_output_v1_add_listener(o.names, &nameListener, &o);
}

void Wayland::inhibit(Output& o, Seat& s) {
    if (!shortcutsInhibit || !o.surface || o.inhibitors.count(s.global)) return;
    o.inhibitors[s.global] = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(
        shortcutsInhibit, o.surface, s.seat);
}

void Wayland::cover(Output& o) {
    if (o.surface) return;
    o.surface = wl_compositor_create_surface(compositor);
    o.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, o.surface, o.output,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kNamespace);
    zwlr_layer_surface_v1_add_listener(o.layer, &layerListener, &o);
    zwlr_layer_surface_v1_set_anchor(o.layer, kAllEdges);
    zwlr_layer_surface_v1_set_exclusive_zone(o.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(o.layer, kExclusiveKeyboard);
    if (viewporter) o.viewport = wp_viewporter_get_viewport(viewporter, o.surface);
    for (auto& [id, s] : seats) inhibit(o, *s);
    // The first commit carries no buffer: the compositor answers with the surface's size.
    wl_surface_commit(o.surface);
}

void Wayland::assignRoles() {
    std::vector<OutputName> names;
    for (auto& [id, o] : outputs) names.push_back({id, o->name});
    const std::optional<std::uint32_t> chosen = slideshowOutput(names, primaryScreenName());
    for (auto& [id, o] : outputs) {
        const bool slideshow = chosen && *chosen == id;
        if (slideshow == o->slideshow) continue;
        o->slideshow = slideshow;
        o->pacer.changedAll();
        if (slideshow && frame.expired()) owner->recompose(QRect());
        commit(*o);
    }
}

void Wayland::commit(Output& o) {
    if (!o.surface) return;
    std::shared_ptr<SharedBuffer> buffer = o.slideshow ? frame.lock() : nullptr;
    if (!buffer) {
        if (!o.black) {
            const QSize size =
                o.viewport ? blackBufferSize(o.width, o.height) : QSize(o.width, o.height);
            o.black = makeBuffer(display, shm, size.width(), size.height(), false);
        }
        buffer = o.black;
    }
    if (!buffer) return;
    const std::optional<FramePacer::Commit> c = o.pacer.take();
    if (!c) return;
    wl_surface_attach(o.surface, buffer->buffer, 0, 0);
    if (o.viewport && o.width > 0 && o.height > 0)
        wp_viewport_set_destination(o.viewport, o.width, o.height);
    if (c->whole || compositorVersion < 4) {
        if (compositorVersion >= 4) {
            wl_surface_damage_buffer(o.surface, 0, 0, INT32_MAX, INT32_MAX);
        } else {
            wl_surface_damage(o.surface, 0, 0, INT32_MAX, INT32_MAX);
        }
    } else {
        for (const QRect& r : c->area)
            wl_surface_damage_buffer(o.surface, r.x(), r.y(), r.width(), r.height());
    }
    o.frameDone = wl_surface_frame(o.surface);
    wl_callback_add_listener(o.frameDone, &frameListener, &o);
    wl_surface_commit(o.surface);
}

SaverLayers::SaverLayers(Handlers handlers) : handlers_(std::move(handlers)) {}

SaverLayers::~SaverLayers() = default;

std::unique_ptr<SaverLayers> SaverLayers::open(Handlers handlers) {
    if (!qGuiApp || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    wl_display* connection = wl_display_connect(nullptr);
    if (!connection) return nullptr;
    std::unique_ptr<SaverLayers> layers(new SaverLayers(std::move(handlers)));
    layers->w_ = std::make_unique<Wayland>();
    Wayland& w = *layers->w_;
    w.owner = layers.get();
    w.display = std::make_shared<Display>();
    w.display->display = connection;
    w.registry = wl_display_get_registry(connection);
    wl_registry_add_listener(w.registry, &registryListener, &w);
    if (wl_display_roundtrip(connection) < 0 || !w.compositor || !w.shm || !w.layerShell)
        return nullptr;
    SaverLayers* self = layers.get();
    w.notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(connection), QSocketNotifier::Read);
    connect(w.notifier.get(), &QSocketNotifier::activated, self, [self] { self->dispatch(); });
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, self, [self] {
            self->w_->assignRoles();
            wl_display_flush(self->w_->d());
        });
    wl_display_flush(connection);
    return layers;
}

void SaverLayers::cover() {
    if (w_->ready) return;
    w_->ready = true;
    for (auto& [id, o] : w_->outputs) w_->cover(*o);
    w_->assignRoles();
    // The outputs' names and the surfaces' first sizes, so that the first frames go at once.
    if (wl_display_roundtrip(w_->d()) < 0) dispatch();
    wl_display_flush(w_->d());
}

void SaverLayers::dispatch() {
    wl_display* d = w_->d();
    while (wl_display_prepare_read(d) != 0)
        if (wl_display_dispatch_pending(d) < 0) break;
    const bool ok = wl_display_read_events(d) == 0 && wl_display_dispatch_pending(d) >= 0;
    wl_display_flush(d);
    if (ok) return;
    w_->notifier->setEnabled(false);
    later([](Handlers& h) { return h.lost; });
}

void SaverLayers::later(std::function<std::function<void()>(Handlers&)> pick) {
    // Run from the application object, with a copy of the handler: the handler may end the run
    // and with it these layers, which must not be inside a call of their own then.
    QMetaObject::invokeMethod(
        qApp,
        [self = QPointer<SaverLayers>(this), pick = std::move(pick)] {
            if (!self) return;
            const std::function<void()> call = pick(self->handlers_);
            if (call) call();
        },
        Qt::QueuedConnection);
}

QImage SaverLayers::newFrame(int width, int height) {
    std::shared_ptr<SharedBuffer> buffer = makeBuffer(w_->display, w_->shm, width, height, true);
    if (!buffer) return QImage(width, height, QImage::Format_RGB32);
    w_->frame = buffer;
    for (auto& [id, o] : w_->outputs)
        if (o->slideshow) o->pacer.changedAll();
    schedule();
    auto* holder = new std::shared_ptr<SharedBuffer>(std::move(buffer));
    return QImage(
        static_cast<uchar*>((*holder)->address), width, height, width * 4, QImage::Format_RGB32,
        [](void* info) { delete static_cast<std::shared_ptr<SharedBuffer>*>(info); }, holder);
}

void SaverLayers::recompose(const QRect& area) {
    // An empty area stands for the whole frame.
    if (area.isEmpty()) {
        recomposeAll_ = true;
    } else {
        recompose_ += area;
    }
    schedule();
}

void SaverLayers::drawn(const QRect& area) {
    if (area.isEmpty()) return;
    drawn_ += area;
    schedule();
}

void SaverLayers::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { showChanges(); }, Qt::QueuedConnection);
}

void SaverLayers::showChanges() {
    scheduled_ = false;
    QRegion recompose = std::exchange(recompose_, QRegion());
    if (std::exchange(recomposeAll_, false)) {
        if (handlers_.recompose) handlers_.recompose(QRect());
        recompose = QRect(0, 0, 32767, 32767);
    } else if (handlers_.recompose) {
        for (const QRect& r : recompose) handlers_.recompose(r);
    }
    // The frame may have come into being during the recompose.
    const std::shared_ptr<SharedBuffer> frame = w_->frame.lock();
    const QRegion shown = (recompose | std::exchange(drawn_, QRegion())) &
                          (frame ? QRect(0, 0, frame->width, frame->height) : QRect());
    for (auto& [id, o] : w_->outputs) {
        if (!o->slideshow) continue;
        for (const QRect& r : shown) o->pacer.changed(r);
        w_->commit(*o);
    }
    wl_display_flush(w_->d());
}

int SaverLayers::outputCount() const {
    int count = 0;
    for (auto& [id, o] : w_->outputs) count += o->surface ? 1 : 0;
    return count;
}

}  // namespace fellridge::platform::wayland
