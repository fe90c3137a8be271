// The layers' own connection to the compositor: its globals, one surface per output and the
// seats' input. Private to the layers; what decides without a display is in saver_layer_logic.
#pragma once

#include <sys/mman.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "layer_shell-client-protocol.h"
#include "platform/wayland/frame_buffers.h"
#include "platform/wayland/saver_layer_logic.h"
#include "platform/wayland/saver_layers.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace fellridge::platform::wayland {

struct Display {
    wl_display* display = nullptr;
    ~Display() { wl_display_disconnect(display); }
};

// A black buffer in memory shared with the compositor, never drawn into. It keeps the
// connection open while it lives.
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

// A black buffer of width x height in XRGB8888 on a new memory file; null when the system
// refuses one. Black in XRGB8888 is all zero bits, what a new memory file holds: the memory is
// never touched here and costs this process nothing.
std::shared_ptr<SharedBuffer> makeBlackBuffer(const std::shared_ptr<Display>& display, wl_shm* shm,
                                              int width, int height);

// The slideshow frame's buffers as the compositor knows them; it keeps the connection open
// while a frame lives, so that a frame may outlive the surfaces. A released buffer is handed to
// the layers (Wayland::frameReleased).
struct FrameSharing : FrameBuffers::Sharing {
    std::shared_ptr<Display> display;
    wl_shm* shm = nullptr;
    SaverLayers::Wayland* w = nullptr;
    void* share(int fd, int width, int height) override;
    void unshare(void* buffer) override;
};

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
    std::shared_ptr<FrameSharing> sharing;
    std::weak_ptr<FrameBuffers> frame;
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
    void frameReleased(wl_buffer* buffer);
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
    void input(platform::Input input) override {
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

// What the registry announces goes to Wayland::bind and Wayland::remove.
extern const wl_registry_listener registryListener;

}  // namespace fellridge::platform::wayland
