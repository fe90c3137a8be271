#include "entry/toolkit_start.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fellridge::entry {

namespace {

QtMessageHandler previousHandler = nullptr;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return std::string(name) + "=" + (value ? value : "(unset)");
}

void onToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler) previousHandler(type, context, message);
        return;
    }
    const std::string line = "fellridge-wildlife: no display could be opened (" +
                             variable("DISPLAY") + ", " + variable("WAYLAND_DISPLAY") +
                             "): " + message.toStdString() + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    // Nothing of the run exists yet: no file to remove, nothing to save.
    std::_Exit(1);
}

}  // namespace

ToolkitStartGuard::ToolkitStartGuard() {
    previousHandler = qInstallMessageHandler(onToolkitMessage);
}

ToolkitStartGuard::~ToolkitStartGuard() {
    qInstallMessageHandler(previousHandler);
}

}  // namespace fellridge::entry
