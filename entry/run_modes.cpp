#include "entry/run_modes.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "dialog/about_box.h"
#include "dialog/look.h"
#include "dialog/settings_dialog.h"
#include "entry/command_line.h"
#include "platform/display_watch.h"
#include "platform/host_window.h"
#include "platform/posix_services.h"
#include "platform/private_folder.h"
#include "platform/process_signals.h"
#include "platform/qt_services.h"
#include "platform/sdl_player.h"
#include "platform/text.h"
#include "saver/saver_window.h"

namespace fellridge::entry {

namespace {

constexpr const char* kSaverTitle = "Fellridge Wildlife";
constexpr const char* kSettingsTitle = "Vyx Screensaver";

// Qt reads its own options from the command line; the switch is ours alone, so Qt gets only
// the program's path.
//
// The run ends when the main window closes, and only then: a message box shown before the
// main window (the saver's start-up messages, the dialog's colour hint) must not end it when it
// closes as the last visible window.
struct QtApplication {
    explicit QtApplication(char* program) : argv{program, nullptr}, app(argc, argv) {
        QApplication::setQuitOnLastWindowClosed(false);
    }
    int argc = 1;
    char* argv[2];
    QApplication app;
};

// The one rule that ends the message loop, in every run mode: the main window closed. A
// spontaneous hide (the window system minimising or unmapping the window) is no close.
class EndOnClose : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous()) QCoreApplication::quit();
        return false;
    }
};

void complain(const std::string& text) {
    std::fprintf(stderr, "fellridge-wildlife: %s\n", text.c_str());
    std::fflush(stderr);
}

// Runs the saver's start-up in the window, shows it and runs the message loop until it closes: 0,
// or 1 when the display went away. A termination signal runs the stop routine, and so does the loss
// of the display; a fatal signal, or an exit that skips this end, removes the temporary pictures
// (and the private folder) on its way out.
int runSaverWindow(QtApplication& qt, saver::SaverWindow& form, int signalPipe,
                   const std::string& privateFolder) {
    std::unique_ptr<QSocketNotifier> notifier;
    if (signalPipe >= 0) {
        notifier = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &form, [&form] {
            platform::process_signals::drainTermination();
            form.stop();
        });
    }
    form.start();
    platform::process_signals::removeOnAbruptEnd(form.saver().pictures().temporaryFiles(),
                                                 privateFolder);
    bool displayLost = false;
    platform::DisplayWatch display;
    QObject::connect(&display, &platform::DisplayWatch::lost, &form, [&] {
        displayLost = true;
        complain("the X display went away");
        form.stop();
        QCoreApplication::quit();
    });
    EndOnClose ending;
    form.installEventFilter(&ending);
    if (form.showSaver()) qt.app.exec();
    platform::process_signals::removeOnAbruptEnd({}, {});
    return displayLost ? 1 : 0;
}

// Inside a screen-saver daemon's window: the daemon owns input, the pointer and the screen, so
// nobody answers a box, and several of us may run at once, each with its own pictures.
int runInHost(QtApplication& qt, platform::Services base, const std::string& variable,
              int signalPipe) {
    std::string error = "not a window id";
    std::unique_ptr<platform::HostWindow> host;
    if (const auto id = platform::parseWindowId(variable))
        host = platform::HostWindow::open(*id, error);
    if (!host) {
        complain(std::string(platform::kHostWindowVariable) + "=" + variable + ": " + error);
        return 1;
    }
    platform::HostScreen screen(*host);
    platform::StderrMessageBoxes boxes(*base.title);
    platform::CountingCursor cursor;
    platform::NoInputHook hook;
    platform::Services services = base;
    services.screen = &screen;
    services.boxes = &boxes;
    services.cursor = &cursor;
    services.hook = &hook;

    platform::PrivateFolder folder;
    if (folder.path().empty()) {
        complain("can't make a private folder for the temporary pictures");
        return 1;
    }
    platform::QtTimer timer;
    platform::SdlPlayer player;
    saver::SaverWindow form(services, timer, player, {host.get(), folder.path()});
    bool lost = false;
    QObject::connect(host.get(), &platform::HostWindow::gone, &form, [&] {
        lost = true;
        complain(std::string(platform::kHostWindowVariable) + "=" + variable +
                 ": the window went away");
        form.stop();
        QCoreApplication::quit();
    });
    const int status = runSaverWindow(qt, form, signalPipe, folder.path());
    return lost ? 1 : status;
}

int runSaver(char* program) {
    const int signalPipe = platform::process_signals::watchTermination();
    // Pictures are drawn pixel for pixel.
    dialog::useDevicePixels();
    QtApplication qt(program);
    platform::RealServices real;
    real.services.title->set(kSaverTitle);
    const char* host = std::getenv(platform::kHostWindowVariable);
    if (host && *host) return runInHost(qt, real.services, host, signalPipe);

    platform::QtTimer timer;
    platform::SdlPlayer player;
    saver::SaverWindow form(real.services, timer, player);
    return runSaverWindow(qt, form, signalPipe, {});
}

int runSettings(char* program) {
    // The dialog as large on a high-resolution screen as on an ordinary one.
    dialog::useWholeNumberScale();
    QtApplication qt(program);
    platform::RealServices real;
    real.services.title->set(kSettingsTitle);
    dialog::SettingsDialog form(real.services);
    dialog::AboutBox about;
    form.setAboutBox(&about);
    EndOnClose ending;
    form.installEventFilter(&ending);
    form.show();
    qt.app.exec();
    return 0;
}

using PwdChangePassword = unsigned int (*)(const char* key, std::uintptr_t parent,
                                           unsigned int reserved1, unsigned int reserved2);

int runPasswordChange(std::uintptr_t saverWindow) {
    platform::PosixEnvironment environment;
    platform::DlLibraries libraries;
    platform::Libraries::Handle library =
        libraries.load(platform::text::joinPath(environment.systemDirectory(), "MPR.DLL"));
    if (!library) return 0;
    if (auto change =
            reinterpret_cast<PwdChangePassword>(libraries.symbol(library, "PwdChangePasswordA")))
        change("SCRSAVE", saverWindow, 0, 0);
    libraries.unload(library);
    return 0;
}

}  // namespace

int run(int argc, char** argv) {
    const std::vector<std::string> parameters = splitParameters(joinArguments(argc, argv));
    switch (chooseRunMode(parameters)) {
        case RunMode::Saver:
            return runSaver(argv[0]);
        case RunMode::Settings:
            return runSettings(argv[0]);
        case RunMode::PasswordChange:
            // Looked up only where it is used: another X connection before the toolkit's
            // would let a server without other clients reset between the two.
            return runPasswordChange(
                platform::X11WindowFinder().find(saver::kSaverClassName, saver::kSaverWindowName));
        case RunMode::None:
            break;
    }
    return 0;
}

}  // namespace fellridge::entry
