// The saver window SaverWindow: a frameless, topmost, full-screen X11 window of class TForm1 named
// "zarnojpg" that presents the display surface and carries Timer1 and MediaPlayer1.
#pragma once

#include <QWidget>
#include <memory>

#include "platform/qt_services.h"
#include "platform/services.h"
#include "platform/sound_player.h"
#include "platform/x11_frame.h"
#include "saver/present_tracker.h"
#include "saver/saver.h"
#include "saver/surface.h"

class QSocketNotifier;

namespace fellridge::saver {

inline constexpr const char* kSaverClassName = "TForm1";
inline constexpr const char* kSaverWindowName = "zarnojpg";

class SaverWindow : public QWidget, public SaverHost, public Presenter {
    Q_OBJECT
  public:
    // Creates the window and runs its start-up sequence (FormCreate); show() afterwards.
    explicit SaverWindow(platform::Services& services);
    ~SaverWindow() override;

    // Shows the window over the whole primary screen, unless the run already ended while the
    // window was being created (then the caller just returns).
    bool showSaver();

    // SaverHost
    std::uintptr_t nativeId() override;
    void close() override;

    // Presenter
    void present(const Rect& area) override;
    void scheduleRepaint() override;
    void scheduleRepaint(const Rect& area) override;
    QImage newFrame(int width, int height) override;

    Saver& saver() { return *saver_; }

    // SIGTERM, SIGINT and SIGHUP run the stop routine and end the program.
    static void watchSignals();

  protected:
    void paintEvent(QPaintEvent* event) override;
    // On X11 the window shows the surface's frame itself, without a backing store.
    QPaintEngine* paintEngine() const override;

  private:
    void onSignal();
    void setWindowClass();
    void grabInput();

    platform::Services& services_;
    platform::QtTimer timer_;
    std::unique_ptr<platform::SoundPlayer> player_;
    std::unique_ptr<Surface> surface_;
    std::unique_ptr<Saver> saver_;
    QSocketNotifier* signals_ = nullptr;
    PresentTracker presented_{*this};
    std::unique_ptr<platform::X11Frame> x11Frame_;
    bool created_ = false;
    bool quitRequested_ = false;
};

}  // namespace fellridge::saver
