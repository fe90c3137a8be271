// The saver window SaverWindow: a frameless, topmost, full-screen X11 window of class TForm1 named
// "zarnojpg" that presents the display surface, with black covers over the other monitors; or,
// inside a screen-saver daemon's window, a child window that fills that window.
#pragma once

#include <QWidget>
#include <memory>

#include "platform/services.h"
#include "platform/sound/sound_player.h"
#include "platform/wayland/saver_layers.h"
#include "platform/x11/frame.h"
#include "platform/x11/host_window.h"
#include "platform/x11/screen_covers.h"
#include "saver/present_tracker.h"
#include "saver/saver.h"
#include "saver/surface.h"

namespace fellridge::saver {

// The names by which a running saver's window is found (the password change looks for them).
inline constexpr const char* kSaverClassName = "TForm1";
inline constexpr const char* kSaverWindowName = "zarnojpg";
// The instance part of the window's WM_CLASS.
inline constexpr const char* kSaverInstanceName = "fellridge-wildlife";

// Where the window shows the slideshow: over every monitor (no host), or inside a host window,
// keeping the temporary pictures in a folder of its own.
struct Placement {
    platform::HostWindow* host = nullptr;
    std::string temporaryDirectory;  // empty: the saver's folder
};

class SaverWindow : public QWidget, public SaverHost, public Presenter {
    Q_OBJECT
  public:
    // Creates the window; start() runs the saver's start-up in it, showSaver() then shows it.
    // The timer drives the slideshow and the player plays the background sound.
    SaverWindow(const SaverServices& services, platform::Timer& timer,
                platform::SoundPlayer& player, Placement placement = {});
    ~SaverWindow() override;

    // The saver's start-up. A failure inside it ends the start-up at that point, and the window
    // is shown all the same. Whoever ends the run from outside (stop()) is listening already, so
    // that a termination signal during a start-up message box is not lost.
    void start();

    // Shows the window over the whole primary screen and covers the others, or fills the host
    // window; unless the run already ended while the window was being created (then the
    // caller just returns).
    bool showSaver();
    // Whether the run ended because the compositor's connection broke under its surfaces.
    bool displayLost() const { return displayLost_; }

    // Ends the run from outside (a termination signal, the host window gone): the stop
    // routine, which closes the window.
    void stop();

    // SaverHost
    std::uintptr_t nativeId() override;
    void close() override;

    // Presenter
    void present(const Rect& area) override;
    void scheduleRepaint() override;
    void scheduleRepaint(const Rect& area) override;
    QImage newFrame(int width, int height) override;

    Saver& saver() { return *saver_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // On X11 the window shows the surface's frame itself, without a backing store.
    QPaintEngine* paintEngine() const override;

  private:
    void grabInput();
    // On a Wayland compositor with a layer shell the saver shows on surfaces of its own, and
    // this widget is never shown.
    void openLayers();
    void layerInput(platform::wayland::Input input);

    SaverServices services_;
    platform::Timer& timer_;
    platform::SoundPlayer& player_;
    Placement placement_;
    std::unique_ptr<Surface> surface_;
    std::unique_ptr<Saver> saver_;
    std::unique_ptr<platform::ScreenCovers> covers_;
    PresentTracker presented_{*this};
    std::unique_ptr<platform::X11Frame> x11Frame_;
    std::unique_ptr<DrawingPacer> x11Drawing_;  // shows direct drawing from x11Frame_
    std::unique_ptr<platform::wayland::SaverLayers> layers_;
    bool created_ = false;
    bool ended_ = false;
    bool displayLost_ = false;
};

}  // namespace fellridge::saver
