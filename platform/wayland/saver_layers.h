// The saver's own surfaces on compositors that offer the layer shell: one overlay-layer surface
// per output, anchored to every edge and taking the keyboard, the slideshow's frame on the
// output the toolkit calls primary and black on the others. Outputs added or removed while it
// runs are followed, no pointer shows over them, and the compositor's shortcuts are inhibited
// where it offers that, so that the first key reaches the saver.
//
// The surfaces live on a Wayland connection of their own beside the toolkit's, served by the
// toolkit's message loop: nothing runs between events. Each surface shows a frame only when the
// compositor has shown the one before (frame callbacks), and the slideshow's frame is drawn only
// into a buffer the compositor doesn't hold (frame_buffers.h).
#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <functional>
#include <memory>

#include "platform/services.h"

namespace fellridge::platform::wayland {

class SaverLayers : public QObject {
    Q_OBJECT
  public:
    struct Handlers {
        // Paint the area of the frame afresh: it is shown right after.
        std::function<void(const QRect& area)> recompose;
        // A key or button on any of the surfaces; called from the message loop, never from
        // inside the connection's event handling.
        std::function<void(platform::Input input)> input;
        // The compositor closed the connection.
        std::function<void()> lost;
    };

    // Null unless the toolkit runs on its Wayland platform and the compositor offers the layer
    // shell (and shared-memory buffers). Nothing shows until cover().
    static std::unique_ptr<SaverLayers> open(Handlers handlers);
    // Puts a surface over every output, now and as outputs come.
    void cover();
    ~SaverLayers() override;
    SaverLayers(const SaverLayers&) = delete;
    SaverLayers& operator=(const SaverLayers&) = delete;

    // A width x height Format_RGB32 frame in memory shared with the compositor, of which the
    // slideshow output shows the latest one made.
    QImage newFrame(int width, int height);
    // The area of the frame must be recomposed (Handlers::recompose) and shown, at the next
    // turn of the message loop.
    void recompose(const QRect& area);
    // The area was drawn into the frame directly: it is shown at the next turn of the loop.
    void drawn(const QRect& area);

    // The connection's side, opaque here.
    struct Wayland;

  private:
    explicit SaverLayers(Handlers handlers);
    void schedule();
    void showChanges();
    void dispatch();
    // Calls the handler that pick returns from the message loop, unless the layers are gone.
    void later(std::function<std::function<void()>(Handlers&)> pick);

    Handlers handlers_;
    std::unique_ptr<Wayland> w_;
    QRegion recompose_;
    bool recomposeAll_ = false;
    QRegion drawn_;
    bool scheduled_ = false;
};

}  // namespace fellridge::platform::wayland
