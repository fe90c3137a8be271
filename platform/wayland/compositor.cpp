#include "platform/wayland/compositor.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <climits>

namespace fellridge::platform::wayland {

namespace {

constexpr const char* kNamespace = "fellridge-wildlife";
constexpr std::uint32_t kAllEdges = 1 | 2 | 4 | 8;
constexpr std::uint32_t kExclusiveKeyboard = 1;

std::string primaryScreenName() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->name().toStdString() : std::string();
}

wl_buffer* shareMemory(wl_shm* shm, int fd, int width, int height) {
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, width * height * 4);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    return buffer;
}

const wl_buffer_listener releaseListener = {
    .release =
        [](void* data, wl_buffer* buffer) {
            static_cast<SaverLayers::Wayland*>(data)->frameReleased(buffer);
        },
};

}  // namespace

std::shared_ptr<SharedBuffer> makeBlackBuffer(const std::shared_ptr<Display>& display, wl_shm* shm,
                                              int width, int height) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    const int fd = ::memfd_create("fellridge-black", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        ::close(fd);
        return nullptr;
    }
    auto b = std::make_shared<SharedBuffer>();
    b->display = display;
    b->buffer = shareMemory(shm, fd, width, height);
    ::close(fd);
    return b;
}

void* FrameSharing::share(int fd, int width, int height) {
    wl_buffer* buffer = shareMemory(shm, fd, width, height);
    wl_buffer_add_listener(buffer, &releaseListener, w);
    return buffer;
}

void FrameSharing::unshare(void* buffer) {
    wl_buffer_destroy(static_cast<wl_buffer*>(buffer));
    wl_display_flush(display->display);
}

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

template <class T>
T* bindGlobal(wl_registry* registry, std::uint32_t global, const wl_interface& interface,
              std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(
        wl_registry_bind(registry, global, &interface, std::min(offered, wanted)));
}

}  // namespace

const wl_registry_listener registryListener = {
    .global =
        [](void* data, wl_registry*, std::uint32_t global, const char* interface,
           std::uint32_t version) {
            static_cast<Wayland*>(data)->bind(global, interface, version);
        },
    .global_remove = [](void* data, wl_registry*,
                        std::uint32_t global) { static_cast<Wayland*>(data)->remove(global); },
};

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
    const std::shared_ptr<FrameBuffers> shown = o.slideshow ? frame.lock() : nullptr;
    if (shown && !shown->canShow()) return;  // both buffers held: again once one is released
    if (!shown && !o.black) {
        const QSize size =
            o.viewport ? blackBufferSize(o.width, o.height) : QSize(o.width, o.height);
        o.black = makeBlackBuffer(display, shm, size.width(), size.height());
    }
    if (!shown && !o.black) return;
    const std::optional<FramePacer::Commit> c = o.pacer.take();
    if (!c) return;
    wl_buffer* buffer = shown ? static_cast<wl_buffer*>(shown->show()) : o.black->buffer;
    wl_surface_attach(o.surface, buffer, 0, 0);
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

void Wayland::frameReleased(wl_buffer* buffer) {
    const std::shared_ptr<FrameBuffers> shown = frame.lock();
    if (!shown) return;
    shown->released(buffer);
    for (auto& [id, o] : outputs)
        if (o->slideshow) commit(*o);
}

}  // namespace fellridge::platform::wayland
