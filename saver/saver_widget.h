// The saver's window in the toolkit: frameless, full screen over the primary monitor with black
// covers over the others and every key and button to itself (where the window system lets a
// client take them), or a child window that fills a screen-saver daemon's window. On X11 it is
// found by its class TForm1 and name "zarnojpg" (the password change looks for them); on
// Wayland, where nothing looks for it, the desktop shows it by the program's own name.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/x11/host_window.h"
#include "platform/x11/screen_covers.h"

namespace fellridge::saver {

// The names by which a running saver's window is found (the password change looks for them).
inline constexpr const char* kSaverClassName = "TForm1";
inline constexpr const char* kSaverWindowName = "zarnojpg";
// The instance part of the window's WM_CLASS, and the program's application id on Wayland
// (its desktop entry's name).
inline constexpr const char* kSaverInstanceName = "fellridge-wildlife";
// What a Wayland desktop calls the window.
inline constexpr const char* kProgramTitle = "Fellridge Wildlife";

class SaverWidget : public QWidget {
    Q_OBJECT
  public:
    // Paints the region of the window from the display surface's frame.
    using Paint = std::function<void(const QRegion& region)>;
    // Inside the host window when there is one. A window painted on screen shows the frame
    // itself, with no backing store of the toolkit's.
    SaverWidget(platform::HostWindow* host, bool paintedOnScreen, Paint paint);
    ~SaverWidget() override;

    // Shows the window where it belongs.
    void place();
    // Takes the window and its covers off the screen for good, and lets go of the input.
    void takeOff();

  signals:
    // The window's size may have changed: the host window's, or the screen it is on.
    void sizeChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    QPaintEngine* paintEngine() const override;

  private:
    platform::HostWindow* host_;
    Paint paint_;
    std::unique_ptr<platform::ScreenCovers> covers_;
    bool grabbed_ = false;
};

}  // namespace fellridge::saver
