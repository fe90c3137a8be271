#include "entry/run_modes.h"

#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "dialog/about_box.h"
#include "dialog/look.h"
#include "dialog/settings_dialog.h"
#include "entry/command_line.h"
#include "entry/idle_mode.h"
#include "entry/presenter_choice.h"
#include "entry/say.h"
#include "entry/toolkit_start.h"
#include "platform/files/environment.h"
#include "platform/files/files.h"
#include "platform/files/folder_lock.h"
#include "platform/files/private_folder.h"
#include "platform/files/registry_file.h"
#include "platform/files/text.h"
#include "platform/process/libraries.h"
#include "platform/process/process_signals.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/run_end.h"
#include "platform/sound/sdl_player.h"
#include "platform/x11/display_watch.h"
#include "platform/x11/host_window.h"
#include "platform/x11/window_finder.h"
#include "saver/saver_run.h"
#include "saver/saver_widget.h"
#include "settings/settings.h"

namespace fellridge::entry {

namespace {

constexpr const char* kSaverTitle = "Fellridge Wildlife";
constexpr const char* kSettingsTitle = "Vyx Screensaver";

// Qt reads its own options from the command line; the switch is ours alone, so Qt gets only
// the program's path.
//
// The run ends through its RunEnd alone: a message box shown before the main window (the
// saver's start-up messages, the dialog's colour hint) must not end it when it closes as the
// last visible window. On Wayland the desktop knows the program by its desktop entry's name.
//
// A display that can't be opened ends the run with status 1 (see toolkit_start.h).
struct QtApplication {
    explicit QtApplication(char* program) : argv{program, nullptr}, app(argc, argv) {
        guard.reset();
        QApplication::setQuitOnLastWindowClosed(false);
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            QGuiApplication::setDesktopFileName(saver::kSaverInstanceName);
    }
    int argc = 1;
    char* argv[2];
    std::optional<ToolkitStartGuard> guard{std::in_place};
    QApplication app;
};

// The writers' leftovers beside the settings file (a dialog or saver killed mid-write): every
// start sweeps those whose process is gone.
void sweepWriterLeftovers(platform::Environment& environment) {
    if (const auto folder = environment.saverFolder())
        platform::files::removeOrphanedTemporaries(settings::settingsPath(*folder));
}

// The stop routine removes the temporary pictures as best it can; those it couldn't (their folder
// made read-only meanwhile) are named, so that nobody wonders what they are.
void reportLeftovers(const std::vector<std::string>& files) {
    std::size_t left = 0;
    std::string folder;
    for (const std::string& file : files) {
        if (::access(file.c_str(), F_OK) != 0) continue;
        ++left;
        folder = file.substr(0, file.find_last_of('/'));
    }
    if (left > 0)
        say(std::to_string(left) + " temporary picture" + (left == 1 ? "" : "s") +
            " could not be removed from " + folder);
}

// Runs the saver's start-up, shows the slideshow and runs the message loop until the run ends:
// 0, or 1 when the display went away. A termination signal runs the stop routine, and so does the
// loss of the display; a fatal signal, or an exit that skips this end, removes the temporary
// pictures (and the private folder) on its way out.
int runSlideshow(QtApplication& qt, saver::SaverRun& run, platform::RunEnd& end, int signalPipe,
                 const std::string& privateFolder) {
    std::unique_ptr<QSocketNotifier> notifier;
    if (signalPipe >= 0) {
        notifier = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&run] {
            platform::process_signals::drainTermination();
            run.stop(0);
        });
    }
    run.start();
    platform::process_signals::removeOnAbruptEnd(run.saver().pictures().temporaryFiles(),
                                                 privateFolder);
    platform::DisplayWatch display;
    QObject::connect(&display, &platform::DisplayWatch::lost, [&run] {
        sayDisplayGone("");
        run.stop(1);
    });
    if (run.show()) qt.app.exec();
    platform::process_signals::removeOnAbruptEnd({}, {});
    reportLeftovers(run.saver().pictures().temporaryFiles());
    return end.status();
}

// The presenter chosen for the run, whose input goes to the saver's input hook and whose loss of
// the compositor stops the run.
struct ChosenPresenter {
    ChosenPresenter(platform::HostWindow* host, std::function<void(platform::Input)> input)
        : presenter(choosePresenter(host, std::move(input), [this] {
              sayDisplayGone("");
              if (run) run->stop(1);
          })) {}
    saver::SaverRun* run = nullptr;
    std::unique_ptr<saver::ScreenPresenter> presenter;
};

// Inside a screen-saver daemon's window: the daemon owns input, the pointer and the screen, so
// nobody answers a box, and several of us may run at once, each with its own pictures. The
// saver's set there takes the toolkit-free services of its own set, and the screen, the boxes,
// the pointer and the input of a daemon's window.
int runInHost(QtApplication& qt, const saver::SaverServices& own, const std::string& variable,
              int signalPipe) {
    std::string error = "not a window id";
    std::unique_ptr<platform::HostWindow> host;
    if (const auto id = platform::parseWindowId(variable))
        host = platform::HostWindow::open(*id, error);
    if (!host) {
        say(std::string(platform::kHostWindowVariable) + "=" + variable + ": " + error);
        return 1;
    }
    platform::HostScreen screen(*host);
    platform::StderrMessageBoxes boxes(kSaverTitle);
    platform::CountingCursor cursor;
    platform::NoInputHook input;
    const saver::SaverServices services{own.environment, own.registry, own.libraries,
                                        boxes,           own.clock,    own.events,
                                        screen,          cursor,       input};

    sweepWriterLeftovers(own.environment);
    platform::PrivateFolder folder;
    if (folder.path().empty()) {
        say("can't make a private folder for the temporary pictures");
        return 1;
    }
    platform::QtTimer timer;
    platform::SdlPlayer player;
    ChosenPresenter chosen(host.get(), {});
    platform::RunEnd end;
    saver::SaverRun run(services, timer, player, *chosen.presenter, end, folder.path());
    chosen.run = &run;
    QObject::connect(host.get(), &platform::HostWindow::gone, [&] {
        say(std::string(platform::kHostWindowVariable) + "=" + variable + ": the window went away");
        run.stop(1);
    });
    return runSlideshow(qt, run, end, signalPipe, folder.path());
}

int runSaver(char* program) {
    const int signalPipe = platform::process_signals::watchTermination();
    platform::process_signals::endStuckRuns();
    startNoSessionBus();
    platform::PrivateFolder::removeDeadOnes();
    // Pictures are drawn pixel for pixel.
    dialog::useDevicePixels();
    QtApplication qt(program);
    platform::PosixEnvironment environment;
    platform::FileRegistry registry;
    platform::DlLibraries libraries;
    platform::QtMessageBoxes boxes(kSaverTitle);
    platform::SystemClock clock;
    platform::QtEventPump events;
    platform::QtScreen screen;
    platform::QtCursor cursor;
    platform::QtInputHook input;
    const saver::SaverServices services{environment, registry, libraries, boxes, clock,
                                        events,      screen,   cursor,    input};
    const char* host = std::getenv(platform::kHostWindowVariable);
    if (host && *host) return runInHost(qt, services, host, signalPipe);
    startToolkitServices();

    sweepWriterLeftovers(environment);

    // The temporary pictures of the saver's folder belong to one live run, which holds the
    // folder's lock: a run beside it (another session, a daemon's saver and a manual one) keeps
    // its own in a private folder, so that neither stop deletes what the other still shows.
    std::optional<platform::FolderLock> folderLock;
    std::unique_ptr<platform::PrivateFolder> privateFolder;
    if (const auto folder = environment.saverFolder()) {
        folderLock.emplace(*folder);
        if (folderLock->state() == platform::FolderLock::State::HeldElsewhere) {
            privateFolder = std::make_unique<platform::PrivateFolder>();
            if (privateFolder->path().empty()) {
                say("can't make a private folder for the temporary pictures");
                return 1;
            }
        }
    }
    const std::string privatePath = privateFolder ? privateFolder->path() : std::string();
    platform::QtTimer timer;
    platform::SdlPlayer player;
    ChosenPresenter chosen(nullptr, [&input](platform::Input i) { input.hand(i); });
    platform::RunEnd end;
    saver::SaverRun run(services, timer, player, *chosen.presenter, end, privatePath);
    chosen.run = &run;
    screen.follow(chosen.presenter->window());  // the slideshow is as large as its screen
    return runSlideshow(qt, run, end, signalPipe, privatePath);
}

int runSettings(char* program) {
    // The dialog as large on a high-resolution screen as on an ordinary one.
    dialog::useWholeNumberScale();
    QtApplication qt(program);
    {
        platform::PosixEnvironment environment;
        platform::QtScreen screen;
        platform::QtMessageBoxes boxes(kSettingsTitle);
        platform::QtShell shell;
        platform::QtFileDialog fileDialog;
        sweepWriterLeftovers(environment);
        dialog::SettingsDialog form({environment, screen, boxes, shell, fileDialog});
        dialog::AboutBox about;
        form.setAboutBox(&about);
        platform::RunEnd end;
        platform::EndOnClose ending(end);
        form.installEventFilter(&ending);
        form.show();
        qt.app.exec();
    }
    // Every file the dialog wrote is written and closed now. On Wayland the toolkit's teardown
    // can hang: its display connection waits for its event thread, which can sit in a read that
    // never returns. Nothing is left to write and the compositor frees whatever the connection
    // held when it closes, so the program leaves without that teardown.
    if (QGuiApplication::platformName().startsWith("wayland")) {
        std::fflush(nullptr);
        ::_exit(0);
    }
    return 0;
}

using PwdChangePassword = unsigned int (*)(const char* key, std::uintptr_t parent,
                                           unsigned int reserved1, unsigned int reserved2);

// Hands the change of the password to the provider in the system folder, for the saver's window.
int runPasswordChange(platform::Environment& environment, platform::Libraries& libraries,
                      std::uintptr_t saverWindow) {
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
    // Joined and split again because screen-saver daemons and users hand the switch over as one
    // command line ("/c 5678", '"/s"'): what counts is how that line splits, not how a shell did.
    const std::vector<std::string> parameters = splitParameters(joinArguments(argc, argv));
    const watch::WatchOptions options = watch::parseWatchOptions(parameters);
    switch (options.kind) {
        case watch::WatchOptions::Kind::Help:
            std::fputs(watch::watchHelp().c_str(), stdout);
            return 0;
        case watch::WatchOptions::Kind::Invalid:
            say(options.message);
            return 2;
        case watch::WatchOptions::Kind::Watch:
            return startIdleWatch(argc, argv);
        case watch::WatchOptions::Kind::NotOurs:
            break;
    }
    switch (chooseRunMode(parameters)) {
        case RunMode::Saver:
            return runSaver(argv[0]);
        case RunMode::Settings:
            return runSettings(argv[0]);
        case RunMode::PasswordChange: {
            platform::PosixEnvironment environment;
            platform::DlLibraries libraries;
            // Looked up only where it is used: another X connection before the toolkit's
            // would let a server without other clients reset between the two.
            return runPasswordChange(
                environment, libraries,
                platform::X11WindowFinder().find(saver::kSaverClassName, saver::kSaverWindowName));
        }
        case RunMode::None:
            break;
    }
    return 0;
}

}  // namespace fellridge::entry
