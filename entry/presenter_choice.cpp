#include "entry/presenter_choice.h"

#include "saver/layer_presenter.h"
#include "saver/window_presenter.h"
#include "saver/x11_frame_presenter.h"

namespace fellridge::entry {

std::unique_ptr<saver::ScreenPresenter> choosePresenter(platform::HostWindow* host,
                                                        std::function<void(platform::Input)> input,
                                                        std::function<void()> lost) {
    if (!host) {
        if (auto layers = saver::LayerPresenter::open(std::move(input))) {
            layers->onLost(std::move(lost));
            return layers;
        }
    }
    if (auto x11 = saver::X11FramePresenter::create(host)) return x11;
    return std::make_unique<saver::WindowPresenter>(host);
}

}  // namespace fellridge::entry
