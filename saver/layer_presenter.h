// The slideshow on a Wayland compositor's layer surfaces (platform/wayland/saver_layers.h): the
// slideshow over the primary output, black over the others, and the keys and buttons on them
// handed straight to the saver's input.
#pragma once

#include <functional>
#include <memory>

#include "platform/services.h"
#include "platform/wayland/saver_layers.h"
#include "saver/screen_presenter.h"

namespace fellridge::saver {

class LayerPresenter : public ScreenPresenter {
  public:
    // Null unless the toolkit runs on Wayland and the compositor offers the layer shell. Input
    // on the surfaces goes to input, from the message loop.
    static std::unique_ptr<LayerPresenter> open(std::function<void(platform::Input)> input);
    ~LayerPresenter() override;

    // Called when the compositor closes the connection.
    void onLost(std::function<void()> lost) { lost_ = std::move(lost); }

    QImage newFrame(int width, int height) override;
    void present(const Rect& area) override;
    void scheduleRepaint() override;
    void scheduleRepaint(const Rect& area) override;
    void show() override;
    void hide() override;

  private:
    LayerPresenter() = default;

    std::unique_ptr<platform::wayland::SaverLayers> layers_;
    std::function<void()> lost_;
};

}  // namespace fellridge::saver
