#include "saver/saver_run.h"

namespace fellridge::saver {

SaverRun::SaverRun(const SaverServices& services, platform::Timer& timer,
                   platform::SoundPlayer& player, ScreenPresenter& presenter, platform::RunEnd& end,
                   const std::string& temporaryDirectory)
    : services_(services), timer_(timer), player_(player), presenter_(presenter), end_(end) {
    surface_ = std::make_unique<Surface>(services_.screen, &presenter_);
    presenter_.showFrom(*surface_);
    // The saver connects the timer's tick and the player's end-of-playback notice itself.
    saver_ = std::make_unique<Saver>(services_, *surface_, timer_, player_, *this);
    if (!temporaryDirectory.empty()) saver_->pictures().useTemporaryDirectory(temporaryDirectory);
}

SaverRun::~SaverRun() {
    // The saver goes first, and with it its hold on the timer and the player.
    saver_.reset();
    timer_.setEnabled(false);
    player_.release();
}

void SaverRun::start() {
    platform::runHandler(services_.boxes, [this] { saver_->start(); });
    created_ = true;
}

bool SaverRun::show() {
    if (end_.ended()) return false;
    presenter_.show();
    return true;
}

void SaverRun::stop(int status) {
    // During the start-up a message box may still wait for an answer that nobody will give:
    // the end ends every message loop, the box's with the rest.
    end_.end(status);
    saver_->stopRoutine();
}

std::uintptr_t SaverRun::nativeId() {
    return presenter_.nativeId();
}

void SaverRun::close() {
    // While the slideshow is still being created, closing it doesn't end the run; once closed,
    // it stays so.
    if (!created_ || closed_) return;
    closed_ = true;
    presenter_.hide();
    end_.end(0);
}

}  // namespace fellridge::saver
