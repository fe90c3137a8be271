// Notices that the X display went away (the server ended or the connection broke). The toolkit
// may not: it can go on running a slideshow that nobody sees, with its temporary pictures kept.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace fellridge::platform {

class DisplayWatch : public QObject {
    Q_OBJECT
  public:
    // Watches the toolkit's X connection. It sleeps with the event loop: it looks only when the
    // connection's socket has something to read, which a server that goes away always leaves
    // (the end of the stream). Nothing is watched without an X connection.
    DisplayWatch();
    ~DisplayWatch() override;

  signals:
    // Once, when the connection is found broken.
    void lost();

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace fellridge::platform
