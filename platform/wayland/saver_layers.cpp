#include "platform/wayland/saver_layers.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <functional>
#include <utility>

#include "platform/shared_image.h"
#include "platform/wayland/compositor.h"

namespace fellridge::platform::wayland {

using Wayland = SaverLayers::Wayland;

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
    w.sharing = std::make_shared<FrameSharing>();
    w.sharing->display = w.display;
    w.sharing->w = &w;
    w.registry = wl_display_get_registry(connection);
    wl_registry_add_listener(w.registry, &registryListener, &w);
    if (wl_display_roundtrip(connection) < 0 || !w.compositor || !w.shm || !w.layerShell)
        return nullptr;
    w.sharing->shm = w.shm;
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
    std::shared_ptr<FrameBuffers> frame = FrameBuffers::make(w_->sharing, width, height);
    if (!frame) return QImage(width, height, QImage::Format_RGB32);
    w_->frame = frame;
    for (auto& [id, o] : w_->outputs)
        if (o->slideshow) o->pacer.changedAll();
    schedule();
    void* view = frame->view();
    return imageOver(std::move(frame), view, width, height);
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
    // The buffers hear of it at once: a frame callback may show the frame before the change is.
    if (const std::shared_ptr<FrameBuffers> frame = w_->frame.lock())
        frame->drawn(area & QRect(QPoint(0, 0), frame->size()));
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
    const std::shared_ptr<FrameBuffers> frame = w_->frame.lock();
    const QRect whole = frame ? QRect(QPoint(0, 0), frame->size()) : QRect();
    if (frame) frame->drawn(recompose & whole);
    const QRegion shown = (recompose | std::exchange(drawn_, QRegion())) & whole;
    for (auto& [id, o] : w_->outputs) {
        if (!o->slideshow) continue;
        for (const QRect& r : shown) o->pacer.changed(r);
        w_->commit(*o);
    }
    wl_display_flush(w_->d());
}

}  // namespace fellridge::platform::wayland
