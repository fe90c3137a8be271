// The end of a run: the one place where the message loops end, every one of them (a message
// box still waiting during the start-up with the rest). The first end's status stands.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace fellridge::platform {

class RunEnd {
  public:
    void end(int status) {
        if (ended_) return;
        ended_ = true;
        status_ = status;
        QCoreApplication::exit(status);
    }
    // A message loop started after the end would never stop: the caller skips it.
    bool ended() const { return ended_; }
    int status() const { return status_; }

  private:
    bool ended_ = false;
    int status_ = 0;
};

// Ends the run when the window it watches closes. A spontaneous hide (the window system
// minimising or unmapping the window) is no close.
class EndOnClose : public QObject {
  public:
    explicit EndOnClose(RunEnd& end) : end_(end) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous()) end_.end(0);
        return false;
    }

  private:
    RunEnd& end_;
};

}  // namespace fellridge::platform
