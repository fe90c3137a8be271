#include "entry/toolkit_start.h"

#include <malloc.h>

#include <QAccessible>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "entry/say.h"
#include "platform/process/process_signals.h"

namespace fellridge::entry {

namespace {

QtMessageHandler previousHandler = nullptr;
std::terminate_handler previousTerminate = nullptr;
std::atomic<bool> starting{false};
std::atomic<bool> saidDisplayGone{false};

// The toolkit's own words before it ends the process because its display is gone.
constexpr const char* kDisplayGoneTexts[] = {"The Wayland connection broke",
                                             "The Wayland connection experienced a fatal error",
                                             "The X11 connection broke"};
// ... and when a thread it needs could not be started; it would wait for that thread forever.
constexpr const char* kNoThreadText = "QThread::start: Thread creation error";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return std::string(name) + "=" + (value ? value : "(unset)");
}

[[noreturn]] void endRun(const std::string& text) {
    say(text);
    platform::process_signals::removeNamedNow();
    std::_Exit(1);
}

void onToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const std::string text = message.toStdString();
    if (type == QtFatalMsg && starting)
        endRun("no display could be opened (" + variable("DISPLAY") + ", " +
               variable("WAYLAND_DISPLAY") + "): " + text);
    if (text.starts_with(kNoThreadText)) endRun("too little memory to go on (" + text + ")");
    for (const char* gone : kDisplayGoneTexts) {
        if (!text.starts_with(gone)) continue;
        // The toolkit ends the process as soon as this returns.
        sayDisplayGone(text);
        platform::process_signals::removeNamedNow();
        return;
    }
    if (previousHandler) previousHandler(type, context, message);
}

void onTerminate() {
    try {
        if (const std::exception_ptr failure = std::current_exception())
            std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        endRun("too little memory to go on");
    } catch (...) {
    }
    platform::process_signals::removeNamedNow();
    previousTerminate();
}

}  // namespace

ToolkitStartGuard::ToolkitStartGuard() {
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(onToolkitMessage);
        previousTerminate = std::set_terminate(onTerminate);
        // Every thread shares one heap: each new one would otherwise reserve an arena of its
        // own (64 MB of address space apiece), which a limited address space can't spare.
        ::mallopt(M_ARENA_MAX, 1);
        return true;
    }();
    (void)installed;
    starting = true;
}

ToolkitStartGuard::~ToolkitStartGuard() {
    starting = false;
}

void sayDisplayGone(const std::string& detail) {
    if (!saidDisplayGone.exchange(true))
        say("the display went away" + (detail.empty() ? "" : " (" + detail + ")"));
}

void startNoSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || !*address) ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

void startToolkitServices() {
    QAccessible::isActive();
}

}  // namespace fellridge::entry
