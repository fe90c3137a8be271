#include "saver/layer_presenter.h"

namespace fellridge::saver {

std::unique_ptr<LayerPresenter> LayerPresenter::open(std::function<void(platform::Input)> input) {
    std::unique_ptr<LayerPresenter> presenter(new LayerPresenter());
    LayerPresenter& p = *presenter;
    platform::wayland::SaverLayers::Handlers handlers;
    handlers.recompose = [&p](const QRect& area) { p.recompose(toRect(area)); };
    handlers.input = std::move(input);
    handlers.lost = [&p] {
        if (p.lost_) p.lost_();
    };
    p.layers_ = platform::wayland::SaverLayers::open(std::move(handlers));
    if (!p.layers_) return nullptr;
    return presenter;
}

LayerPresenter::~LayerPresenter() = default;

QImage LayerPresenter::newFrame(int width, int height) {
    if (!layers_) return QImage(width, height, QImage::Format_RGB32);
    return layers_->newFrame(width, height);
}

void LayerPresenter::present(const Rect& area) {
    if (layers_) layers_->drawn(toQRect(area));
}

void LayerPresenter::scheduleRepaint() {
    if (layers_) layers_->recompose(QRect());
}

void LayerPresenter::scheduleRepaint(const Rect& area) {
    if (layers_) layers_->recompose(toQRect(area));
}

void LayerPresenter::show() {
    if (layers_) layers_->cover();
}

void LayerPresenter::hide() {
    // The surfaces go at once; the connection with them once the frame is gone too.
    layers_.reset();
}

}  // namespace fellridge::saver
