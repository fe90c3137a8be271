// Drawing inside a window that another program owns: a screen-saver daemon names its window in
// XSCREENSAVER_WINDOW (hex "0x..." or decimal) and expects the saver to draw into it.
//
// Our window becomes a child of the host window, fills it (as far as a desktop can show it) and
// follows its size. The daemon keeps
// input, the pointer and the lock, so the run inside a host gets services that leave them alone:
// message boxes go to standard error, the pointer is never hidden and no input ends the run.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"
#include "platform/x11/window_id.h"

class QWidget;
class QWindow;

namespace fellridge::platform {

inline constexpr const char* kHostWindowVariable = "XSCREENSAVER_WINDOW";

class HostWindow : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // The host window on the toolkit's X connection, watched from now on for its size and its
    // end; nullptr with the reason in error when the id names no window.
    static std::unique_ptr<HostWindow> open(std::uint32_t id, std::string& error);
    ~HostWindow() override;

    // The host window's size, bounded to the desktop's: the part the slideshow draws into.
    QSize size() const { return size_; }

    // Makes the widget a child window of the host that fills it, now and after each resize.
    void embed(QWidget& child);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

  signals:
    void resized(QSize size);
    // The host window was destroyed; our child went with it.
    void gone();

  private:
    HostWindow(void* connection, std::uint32_t id, QSize size);
    void follow();

    void* connection_;
    std::uint32_t id_;
    QSize size_;
    QWidget* child_ = nullptr;
    QWindow* foreign_ = nullptr;
    bool lost_ = false;
};

// The screen the display modes draw on: the host window's size.
class HostScreen : public Screen {
  public:
    explicit HostScreen(HostWindow& host) : host_(host) {}
    int width() override { return host_.size().width(); }
    int height() override { return host_.size().height(); }
    int depth() override;

  private:
    HostWindow& host_;
};

// Message boxes nobody could answer inside a daemon's window: the text goes to standard error
// (after the box's title) and the answer is the default one, OK.
class StderrMessageBoxes : public MessageBoxes {
  public:
    explicit StderrMessageBoxes(std::string title) : title_(std::move(title)) {}
    BoxAnswer show(BoxKind kind, const std::string& text, BoxButtons buttons) override;

  private:
    std::string title_;
};

// The pointer belongs to the daemon: the display counter is kept, the pointer is never touched.
class CountingCursor : public Cursor {
  public:
    int show(bool visible) override { return counter_ += visible ? 1 : -1; }

  private:
    int counter_ = 0;
};

// Input belongs to the daemon: the hook is kept but never called, so no input ends the run.
class NoInputHook : public InputHook {
  public:
    void install(std::function<void(Input input)> hook) override { hook_ = std::move(hook); }

  private:
    std::function<void(Input)> hook_;
};

}  // namespace fellridge::platform
