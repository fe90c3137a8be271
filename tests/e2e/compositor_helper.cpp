// Keys and pictures for the end-to-end tests under KWin and Mutter, which ship no command-line
// tools for either. Run inside the compositor's session (WAYLAND_DISPLAY, the session bus):
//   compositor_helper kwin-key CODE       a press and release of the evdev key CODE through
//                                         KWin's fake input (kwin-button: of a button, 272 the
//                                         left one)
//   compositor_helper kwin-shot OUTPUT    the output's pixels from KWin's screenshot interface
//   compositor_helper mutter-key CODE     the same through Mutter's remote desktop interface
//                                         (mutter-button)
//   compositor_helper mutter-shot MONITOR one frame of a screen cast of the monitor (PipeWire,
//                                         read by gst-launch-1.0)
// Pictures go to standard output as PPM. Exit status 1 when the compositor refused.
#include <unistd.h>
#include <wayland-client.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake-input-client-protocol.h"

namespace {

int fail(const QString& what) {
    std::fprintf(stderr, "compositor_helper: %s\n", qPrintable(what));
    return 1;
}

int writePpm(const QImage& image) {
    if (image.isNull()) return fail("no picture");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::printf("P6\n%d %d\n255\n", rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::fwrite(rgb.constScanLine(y), 3, static_cast<std::size_t>(rgb.width()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

struct FakeInput {
    org_kde_kwin_fake_input* input = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
    if (std::string(interface) == org_kde_kwin_fake_input_interface.name && version >= 4)
        static_cast<FakeInput*>(data)->input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void globalRemoved(void*, wl_registry*, uint32_t) {}

// A press and release of the evdev key or button code.
int kwinPress(bool button, uint32_t code) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return fail("no Wayland display");
    FakeInput fake;
    const wl_registry_listener listener{global, globalRemoved};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &fake);
    wl_display_roundtrip(display);
    if (!fake.input) return fail("no org_kde_kwin_fake_input v4");
    org_kde_kwin_fake_input_authenticate(fake.input, "fellridge tests", "input for tests");
    // KWin adds the seat's pointer or keyboard with this client's device: the clients take it
    // in first. The pointer enters the surface under it when it first moves.
    wl_display_roundtrip(display);
    QThread::msleep(300);
    if (button) {
        org_kde_kwin_fake_input_pointer_motion(fake.input, wl_fixed_from_int(1), 0);
        wl_display_roundtrip(display);
        QThread::msleep(100);
    }
    for (const uint32_t pressed : {1u, 0u}) {
        if (button) {
            org_kde_kwin_fake_input_button(fake.input, code, pressed);
        } else {
            org_kde_kwin_fake_input_keyboard_key(fake.input, code, pressed);
        }
    }
    const bool sent = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return sent ? 0 : fail("the compositor went away");
}

// KWin answers with the picture's size and format, then writes the raw pixels into the pipe.
int kwinShot(const QString& output) {
    int ends[2];
    if (::pipe(ends) != 0) return fail("no pipe");
    QVariantMap info;
    {
        QDBusInterface screenshots("org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                   "org.kde.KWin.ScreenShot2");
        const QDBusReply<QVariantMap> reply =
            screenshots.call("CaptureScreen", output, QVariantMap{{"native-resolution", true}},
                             QVariant::fromValue(QDBusUnixFileDescriptor(ends[1])));
        ::close(ends[1]);
        if (!reply.isValid()) return fail(reply.error().message());
        info = reply.value();
    }
    QByteArray pixels;
    char chunk[65536];
    for (ssize_t n; (n = ::read(ends[0], chunk, sizeof chunk)) > 0;) pixels.append(chunk, n);
    ::close(ends[0]);
    const int width = info["width"].toInt(), height = info["height"].toInt();
    const int stride = info["stride"].toInt();
    if (pixels.size() < static_cast<qsizetype>(stride) * height) return fail("short picture");
    return writePpm(QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height,
                           stride, static_cast<QImage::Format>(info["format"].toInt())));
}

int mutterPress(bool button, uint32_t code) {
    const QString service = "org.gnome.Mutter.RemoteDesktop";
    QDBusInterface desktop(service, "/org/gnome/Mutter/RemoteDesktop", service);
    const QDBusReply<QDBusObjectPath> path = desktop.call("CreateSession");
    if (!path.isValid()) return fail(path.error().message());
    QDBusInterface session(service, path.value().path(), service + ".Session");
    // The session's devices are new to the seat, and Mutter hands their events to the seat's
    // own thread: a press right after the start, or one still queued when the session stops,
    // is lost.
    const auto step = [](const QDBusMessage& reply) {
        QThread::msleep(300);
        return reply.type() != QDBusMessage::ErrorMessage;
    };
    bool ok = step(session.call("Start"));
    if (button) ok = ok && step(session.call("NotifyPointerMotionRelative", 1.0, 0.0));
    for (const bool pressed : {true, false})
        ok =
            ok && step(button ? session.call("NotifyPointerButton", static_cast<int>(code), pressed)
                              : session.call("NotifyKeyboardKeycode", code, pressed));
    session.call("Stop");
    return ok ? 0 : fail("the remote desktop session refused");
}

// Notes the PipeWire node a screen-cast stream announces.
class StreamWatch : public QObject {
    Q_OBJECT
  public:
    uint node = 0;
    QEventLoop loop;
  public slots:
    void added(uint pipeWireNode) {
        node = pipeWireNode;
        loop.quit();
    }
};

// The monitor's screen cast hands its frames to PipeWire; gst-launch-1.0 takes one of them.
int mutterShot(const QString& monitor) {
    const QString service = "org.gnome.Mutter.ScreenCast";
    QDBusInterface casts(service, "/org/gnome/Mutter/ScreenCast", service);
    const QDBusReply<QDBusObjectPath> path = casts.call("CreateSession", QVariantMap{});
    if (!path.isValid()) return fail(path.error().message());
    QDBusInterface session(service, path.value().path(), service + ".Session");
    const QDBusReply<QDBusObjectPath> stream =
        session.call("RecordMonitor", monitor, QVariantMap{{"cursor-mode", 0u}});
    if (!stream.isValid()) return fail(stream.error().message());
    StreamWatch watch;
    QDBusConnection::sessionBus().connect(service, stream.value().path(), service + ".Stream",
                                          "PipeWireStreamAdded", &watch, SLOT(added(uint)));
    if (const QDBusMessage started = session.call("Start");
        started.type() == QDBusMessage::ErrorMessage)
        return fail(started.errorMessage());
    QTimer::singleShot(10000, &watch.loop, &QEventLoop::quit);
    watch.loop.exec();
    if (watch.node == 0) return fail("no stream");
    QDBusMessage get = QDBusMessage::createMethodCall(service, stream.value().path(),
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << service + ".Stream"
        << "Parameters";
    const QDBusMessage got = QDBusConnection::sessionBus().call(get);
    if (got.type() == QDBusMessage::ErrorMessage) return fail(got.errorMessage());
    const auto parameters = qdbus_cast<QVariantMap>(
        got.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>());
    QProcess gst;
    gst.start("gst-launch-1.0",
              {"-q", "pipewiresrc", "path=" + QString::number(watch.node), "num-buffers=1", "!",
               "videoconvert", "!", "video/x-raw,format=BGRx", "!", "fdsink", "fd=1"});
    gst.waitForFinished(20000);
    session.call("Stop");
    const QByteArray pixels = gst.readAllStandardOutput();
    const QDBusArgument size = parameters["size"].value<QDBusArgument>();
    int width = 0, height = 0;
    size.beginStructure();
    size >> width >> height;
    size.endStructure();
    if (width <= 0 || pixels.size() < static_cast<qsizetype>(width) * height * 4)
        return fail("short picture: " + QString::fromUtf8(gst.readAllStandardError()));
    return writePpm(QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height,
                           QImage::Format_RGB32));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string what = argc == 3 ? argv[1] : "";
    const bool kwin = what.rfind("kwin-", 0) == 0;
    const std::string request = what.substr(what.find('-') + 1);
    if (request == "key" || request == "button") {
        const auto code = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
        return kwin ? kwinPress(request == "button", code) : mutterPress(request == "button", code);
    }
    if (request == "shot") return kwin ? kwinShot(argv[2]) : mutterShot(argv[2]);
    return fail(
        "usage: compositor_helper kwin-key|kwin-button|kwin-shot|mutter-key|"
        "mutter-button|mutter-shot ARGUMENT");
}

#include "compositor_helper.moc"
