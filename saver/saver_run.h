// One run of the slideshow: the saver and its display surface, shown by the presenter that the
// run was given. It runs the saver's start-up, puts the slideshow on the screen and ends the run
// when the saver closes its window or somebody stops it from outside.
#pragma once

#include <memory>
#include <string>

#include "platform/qt/run_end.h"
#include "platform/services.h"
#include "platform/sound/sound_player.h"
#include "saver/saver.h"
#include "saver/screen_presenter.h"
#include "saver/surface.h"

namespace fellridge::saver {

class SaverRun : public SaverHost {
  public:
    // The timer drives the slideshow and the player plays the background sound. The temporary
    // pictures go to the folder given (empty: the saver's folder).
    SaverRun(const SaverServices& services, platform::Timer& timer, platform::SoundPlayer& player,
             ScreenPresenter& presenter, platform::RunEnd& end,
             const std::string& temporaryDirectory = {});
    ~SaverRun() override;

    // The saver's start-up. A failure inside it ends the start-up at that point, and the
    // slideshow is shown all the same. Whoever stops the run from outside is listening already,
    // so that a termination signal during a start-up message box is not lost.
    void start();
    // Puts the slideshow on the screen, unless the run already ended meanwhile (then the caller
    // just returns).
    bool show();
    // Ends the run from outside (a termination signal, the display or the host window gone)
    // with the status: the stop routine, which takes the slideshow off the screen.
    void stop(int status);

    // SaverHost
    std::uintptr_t nativeId() override;
    void close() override;

    Saver& saver() { return *saver_; }

  private:
    SaverServices services_;
    platform::Timer& timer_;
    platform::SoundPlayer& player_;
    ScreenPresenter& presenter_;
    platform::RunEnd& end_;
    std::unique_ptr<Surface> surface_;
    std::unique_ptr<Saver> saver_;
    bool created_ = false;
    bool closed_ = false;
};

}  // namespace fellridge::saver
