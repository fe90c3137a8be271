// The idle watch's process: the toolkit's core and D-Bus modules only (no windows), the session's
// idle source, the inhibitors where nobody else keeps them, and the slideshow as a child process
// of this same program.
#include "entry/idle_mode.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "entry/say.h"
#include "entry/watch/idle_watch.h"
#include "platform/files/environment.h"
#include "platform/files/registry_file.h"
#include "platform/idle/idle_source.h"
#include "platform/process/process_signals.h"
#include "platform/session/inhibitors.h"
#include "platform/session/one_watch.h"
#include "platform/session/session_lock.h"

namespace fellridge::entry {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The slideshow: this program with /S, its output on ours.
class ChildSlideshow : public watch::Slideshow {
  public:
    ChildSlideshow(const std::string& program, std::function<void(int status)> ended)
        : program_(QString::fromLocal8Bit(program.c_str())) {
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.setInputChannelMode(QProcess::ForwardedInputChannel);
        QObject::connect(&process_, &QProcess::finished,
                         [ended](int code, QProcess::ExitStatus how) {
                             ended(how == QProcess::NormalExit ? code : -1);
                         });
        QObject::connect(
            &process_, &QProcess::errorOccurred, [this, ended](QProcess::ProcessError e) {
                if (e != QProcess::FailedToStart) return;
                say("can't start the slideshow: " + process_.errorString().toStdString());
                ended(-1);
            });
    }
    ~ChildSlideshow() override { stop(); }
    // The watch's end ends a running slideshow as a signal would, letting it clean up.
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }
    void start() override { process_.start(program_, {QStringLiteral("/S")}); }

  private:
    QString program_;
    QProcess process_;
};

class QtWakeUp : public watch::WakeUp {
  public:
    explicit QtWakeUp(std::function<void()> fired) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, std::move(fired));
    }
    void start(watch::Milliseconds delay) override { timer_.start(delay); }
    void stop() override { timer_.stop(); }

  private:
    QTimer timer_;
};

class MonotonicClock : public watch::SteadyClock {
  public:
    watch::Milliseconds now() override {
        return std::chrono::duration_cast<watch::Milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

// Whether the user's registry asks for the screen-saver password: in the family where the
// desktop's locker guards the session, that is the session's lock.
bool registryWantsLock() {
    platform::PosixEnvironment environment;
    if (!environment.inputEndsAtOnce()) return false;  // the saver asks for it itself
    platform::FileRegistry registry;
    const auto value = registry.value("Control Panel\\desktop", "ScreenSaveUsePassword");
    return value && platform::registryFlagSet(*value);
}

// The best idle source the session offers: Mutter's monitor where it runs (GNOME has no Wayland
// idle protocol), else the Wayland compositor's, else the X server's.
std::unique_ptr<platform::IdleSource> openIdleSource(QDBusConnection& bus,
                                                     watch::Milliseconds idleTime,
                                                     const platform::IdleEvents& events,
                                                     std::string& error) {
    if (bus.isConnected() && bus.interface()->isServiceRegistered("org.gnome.Mutter.IdleMonitor"))
        return platform::openMutterIdle(idleTime, events, error);
    if (!variable("WAYLAND_DISPLAY").empty())
        return platform::openWaylandIdle(idleTime, events, error);
    if (!variable("DISPLAY").empty()) return platform::openX11Idle(idleTime, events, error);
    error = "no session to watch: neither WAYLAND_DISPLAY nor DISPLAY is set";
    return nullptr;
}

// Tells when the session bus connection closes (the bus went away).
class BusLoss : public QObject {
    Q_OBJECT
  public:
    BusLoss(QDBusConnection& bus, std::function<void()> lost) : lost_(std::move(lost)) {
        bus.connect(QString(), "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local",
                    "Disconnected", this, SLOT(disconnected()));
    }
  private slots:
    void disconnected() { lost_(); }

  private:
    std::function<void()> lost_;
};

}  // namespace

int runIdleWatch(char* program, const std::string& saverProgram,
                 const watch::WatchOptions& options) {
    platform::OneWatchPerSession one;
    if (one.state() == platform::OneWatchPerSession::State::HeldElsewhere) {
        say("an idle watch already runs for this session (" + one.path() + ")");
        return 1;
    }
    const int signalPipe = platform::process_signals::watchTermination();
    int argc = 1;
    char* argv[] = {program, nullptr};
    QCoreApplication app(argc, argv);

    int status = 0;
    watch::IdleWatch* watcher = nullptr;
    ChildSlideshow slideshow(saverProgram, [&](int code) {
        if (watcher) watcher->slideshowEnded(code);
    });
    QtWakeUp wakeUp([&] { watcher->timerFired(); });
    MonotonicClock clock;
    platform::Login1Locker locker;
    const bool lock = options.lock;
    watch::IdleWatch watch(
        {slideshow, wakeUp, clock, locker, [lock] { return lock || registryWantsLock(); },
         [&](int code, const std::string& message) {
             status = code;
             say(message);
             QCoreApplication::exit(code);
         }},
        options.idleTime);
    watcher = &watch;

    QDBusConnection bus = QDBusConnection::sessionBus();
    platform::Inhibitors inhibitors(bus, [&](bool held) { watch.inhibitorsChanged(held); });
    const bool ownInhibitors = inhibitors.offer() == platform::Inhibitors::Offer::Taken;
    BusLoss busLoss(bus, [&] { watch.sourceLost("the session bus went away"); });

    std::string error;
    const auto source =
        openIdleSource(bus, options.idleTime,
                       {[&] { watch.sessionIdle(); }, [&] { watch.sessionActive(); },
                        [&](const std::string& why) { watch.sourceLost(why); }},
                       error);
    if (!source) {
        say(error);
        return 1;
    }
    if (!ownInhibitors && !bus.isConnected())
        say("no session bus: applications can't keep the screen on through it");

    std::unique_ptr<QSocketNotifier> termination;
    if (signalPipe >= 0) {
        termination = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
        QObject::connect(termination.get(), &QSocketNotifier::activated, [] {
            platform::process_signals::drainTermination();
            QCoreApplication::exit(0);
        });
    }
    app.exec();
    watcher = nullptr;
    slideshow.stop();
    return status;
}

}  // namespace fellridge::entry

#include "idle_mode.moc"
