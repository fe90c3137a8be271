// The saver window SaverWindow: a frameless, topmost, full-screen X11 window of class TForm1 named
// "zarnojpg" that presents the display surface and carries Timer1 and MediaPlayer1.
#pragma once

#include <QRegion>
#include <QWidget>
#include <memory>

#include "platform/qt_services.h"
#include "platform/services.h"
#include "platform/sound_player.h"
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

    Saver& saver() { return *saver_; }

    // SIGTERM, SIGINT and SIGHUP run the stop routine and end the program.
    static void watchSignals();

  protected:
    void paintEvent(QPaintEvent* event) override;

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
    QRegion pendingRecompose_;
    QRegion pendingPresent_;
    QRect presentBounds_;
    bool created_ = false;
    bool quitRequested_ = false;
};

}  // namespace fellridge::saver
