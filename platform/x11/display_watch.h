// Notices that the X display went away (the server ended or the connection broke). The toolkit
// may not: it can go on running a slideshow that nobody sees, with its temporary pictures kept.
#pragma once

#include <QObject>
#include <QTimer>

namespace fellridge::platform {

class DisplayWatch : public QObject {
    Q_OBJECT
  public:
    // Looks at the toolkit's X connection every interval.
    explicit DisplayWatch(int intervalMs = 250);

  signals:
    // Once, when the connection is found broken.
    void lost();

  private:
    QTimer timer_;
};

}  // namespace fellridge::platform
