// Black windows over every monitor but the one the saver shows its slideshow on, so that no
// monitor keeps showing the desktop while the saver runs. Monitors added while it runs are
// covered, removed ones dropped. Input on a cover reaches the application's event filter like
// input on any window of the program.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

class QScreen;

namespace fellridge::platform {

class ScreenCovers : public QObject {
    Q_OBJECT
  public:
    // Covers every screen except the primary one and keeps doing so until destroyed.
    ScreenCovers();
    ~ScreenCovers() override;

    int count() const { return static_cast<int>(covers_.size()); }

  private:
    void update();

    std::map<QScreen*, std::unique_ptr<QWidget>> covers_;
};

}  // namespace fellridge::platform
