#include "entry/run_modes.h"

#include <QApplication>
#include <cstdint>

#include "dialog/about_box.h"
#include "dialog/look.h"
#include "dialog/settings_dialog.h"
#include "entry/command_line.h"
#include "platform/posix_services.h"
#include "platform/qt_services.h"
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

// Ends the message loop when the watched main window is hidden (closed).
class EndOnHide : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) QCoreApplication::quit();
        return false;
    }
};

void prepareToolkit() {
    // Pictures are drawn pixel for pixel and the dialog is laid out in device pixels.
    dialog::useDevicePixels();
}

int runSaver(char* program) {
    saver::SaverWindow::watchSignals();
    prepareToolkit();
    QtApplication qt(program);
    platform::RealServices real;
    real.services.title->set(kSaverTitle);
    saver::SaverWindow form(real.services);
    if (!form.showSaver()) return 0;
    qt.app.exec();
    return 0;
}

int runSettings(char* program) {
    prepareToolkit();
    QtApplication qt(program);
    platform::RealServices real;
    real.services.title->set(kSettingsTitle);
    dialog::SettingsDialog form(real.services);
    dialog::AboutBox about;
    form.setAboutBox(&about);
    EndOnHide ending;
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
    std::string directory = environment.systemDirectory();
    if (!directory.empty() && directory.back() != '/') directory += '/';
    platform::Libraries::Handle library = libraries.load(directory + "MPR.DLL");
    if (!library) return 0;
    if (auto change =
            reinterpret_cast<PwdChangePassword>(libraries.symbol(library, "PwdChangePasswordA")))
        change("SCRSAVE", saverWindow, 0, 0);
    libraries.unload(library);
    return 0;
}

}  // namespace

int run(int argc, char** argv) {
    // Looked up at every start, whatever the switch; only the password change uses it.
    const std::uintptr_t saverWindow =
        platform::X11WindowFinder().find(saver::kSaverClassName, saver::kSaverWindowName);

    const std::vector<std::string> parameters = splitParameters(joinArguments(argc, argv));
    switch (chooseRunMode(parameters)) {
        case RunMode::Saver:
            return runSaver(argv[0]);
        case RunMode::Settings:
            return runSettings(argv[0]);
        case RunMode::PasswordChange:
            return runPasswordChange(saverWindow);
        case RunMode::None:
            break;
    }
    return 0;
}

}  // namespace fellridge::entry
