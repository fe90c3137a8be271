// The platform services realised with Qt: message boxes, the application title, clock and
// sleep, message processing, screen, pointer, shell, open-file dialog, message hook and timer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "platform/services.h"

namespace fellridge::platform {

class QtApplicationTitle : public ApplicationTitle {
  public:
    void set(const std::string& title) override { title_ = title; }
    std::string get() const override { return title_; }

  private:
    std::string title_;
};

class QtMessageBoxes : public MessageBoxes {
  public:
    explicit QtMessageBoxes(ApplicationTitle& title) : title_(title) {}
    BoxAnswer show(BoxKind kind, const std::string& text, BoxButtons buttons) override;

  private:
    ApplicationTitle& title_;
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

// The platform's "screen saver running" flag: kept for the run, nothing visible on Linux.
class SaverFlag : public SaverRunningFlag {
  public:
    void set(bool running) override { running_ = running; }
    bool running() const { return running_; }

  private:
    bool running_ = false;
};

class QtShell : public Shell {
  public:
    int open(const std::string& address) override;
};

class QtFileDialog : public FileDialog {
  public:
    std::optional<std::string> openFile(const std::string& filter) override;
    // "MP3|*.mp3|MIDI|*.mid;*.midi" -> "MP3 (*.mp3 *.MP3);;MIDI (*.mid *.MID *.midi *.MIDI)".
    static std::string toQtFilter(const std::string& filter);
};

// Hands the hook each input event of the program once, as its Windows message number. Qt
// delivers a key or button first to the native window and then to the widget; only the first
// delivery counts.
class QtMessageHook : public QObject, public MessageHook {
    Q_OBJECT
  public:
    void install(std::function<void(int message)> hook) override;
    // The Windows message number an event stands for, or 0 when it isn't an input event.
    static int messageNumber(const QEvent& event);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(int)> hook_;
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

// All of the above plus the toolkit-free services, for the real program.
struct RealServices {
    RealServices();
    ~RealServices();
    Services services;

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace fellridge::platform
