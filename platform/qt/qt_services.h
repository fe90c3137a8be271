// The platform services realised with Qt: message boxes, clock and sleep, message processing,
// screen, pointer, shell, open-file dialog, input hook and timer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <optional>
#include <string>
#include <utility>

#include "platform/services.h"

namespace fellridge::platform {

class QtMessageBoxes : public MessageBoxes {
  public:
    // title: what plain boxes carry, the name under which the running program is known.
    explicit QtMessageBoxes(std::string title) : title_(std::move(title)) {}
    BoxAnswer show(BoxKind kind, const std::string& text, BoxButtons buttons) override;

  private:
    std::string title_;
};

class SystemClock : public Clock {
  public:
    TimeOfDay utcNow() override;
    void sleep(int milliseconds) override;
};

class QtEventPump : public EventPump {
  public:
    void processPending() override;
};

// The primary screen, or the screen a window is on once it follows one: the window system may
// show the saver on another screen than the one it asked for (XWayland puts a full-screen
// window on the focused output).
class QtScreen : public Screen {
  public:
    void follow(QWindow* window) { window_ = window; }
    int width() override;
    int height() override;
    int depth() override;

  private:
    QScreen* current() const;
    QPointer<QWindow> window_;
};

class QtCursor : public Cursor {
  public:
    int show(bool visible) override;

  private:
    int counter_ = 0;
    bool hidden_ = false;
};

class QtShell : public Shell {
  public:
    bool open(const std::string& address) override;
};

class QtFileDialog : public FileDialog {
  public:
    std::optional<std::string> openFile(const std::string& filter) override;
    // "MP3|*.mp3|MIDI|*.mid;*.midi" -> "MP3 (*.mp3 *.MP3);;MIDI (*.mid *.MID *.midi *.MIDI)".
    static std::string toQtFilter(const std::string& filter);
};

// Hands the hook each input event of the program once. Qt delivers a key or button first to the
// native window and then to the widget; only the first delivery counts.
class QtInputHook : public QObject, public InputHook {
    Q_OBJECT
  public:
    void install(std::function<void(Input input)> hook) override;
    // The input an event stands for, or nullopt when it isn't input (paint, timer, ...).
    static std::optional<Input> inputOf(const QEvent& event);
    // Input that reaches the program other than as the toolkit's events (the seats of the
    // saver's own Wayland surfaces).
    void hand(Input input) {
        if (hook_) hook_(input);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(Input)> hook_;
    bool installed_ = false;
};

// A window timer: ticks every interval while enabled; an interval of 0 or below never ticks.
class QtTimer : public QObject, public Timer {
    Q_OBJECT
  public:
    QtTimer();
    void setHandler(std::function<void()> onTick) override { onTick_ = std::move(onTick); }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    void setInterval(std::int32_t milliseconds) override;
    std::int32_t interval() const override { return interval_; }

  private:
    void apply();

    QTimer timer_;
    std::function<void()> onTick_;
    bool enabled_ = false;
    std::int32_t interval_ = 1000;
};

}  // namespace fellridge::platform
