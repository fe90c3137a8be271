// Black windows over every monitor but the one the saver shows its slideshow on, so that no
// monitor keeps showing the desktop while the saver runs. Monitors added while it runs are
// covered, removed ones dropped, and the covers follow the slideshow when the window system moves
// it to another monitor. Input on a cover reaches the application's event filter like input on
// any window of the program.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <map>
#include <memory>

class QScreen;

namespace fellridge::platform {

class ScreenCovers : public QObject {
    Q_OBJECT
  public:
    // Covers every screen except the slideshow's (the primary one when there is no slideshow
    // window) and keeps doing so until destroyed; the covers bear the title given.
    explicit ScreenCovers(QWindow* slideshow = nullptr, const QString& title = {});
    ~ScreenCovers() override;

    int count() const { return static_cast<int>(covers_.size()); }

    // Takes the covers off the screens for good. They are deleted only with this object: the
    // run ends from inside the delivery of a key or button, maybe to a cover, and the toolkit
    // goes on delivering that event to it afterwards.
    void hide();

  private:
    void update();

    QPointer<QWindow> slideshow_;
    bool placedByGeometry_ = false;
    QString title_;
    std::map<QScreen*, std::unique_ptr<QWidget>> covers_;
};

// Whether the toolkit's X server is XWayland: there the compositor, not the client, chooses the
// output of a managed window.
bool onXWayland();

}  // namespace fellridge::platform
