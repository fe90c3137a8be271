// The platform services the saver and the settings dialog rely on.
//
// Every service is a small abstract interface so that the system's logic runs without a display:
// the program wires in the real implementations (Qt, X11, POSIX, dlopen, SDL), tests wire in
// fakes. Nothing here knows about Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fellridge {

// A failure that nobody handles locally: it ends the handler in which it happened and the
// message loop shows its text in an error box (see platform::runHandler).
class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file operation the platform refused, carrying the platform's (Windows-style) error code.
class IoFailure : public Failure {
  public:
    explicit IoFailure(int code) : Failure(textFor(code)), code_(code) {}
    int code() const { return code_; }
    // 2 "File not found", 3 "Invalid filename", 4 "Too many open files", 5 "File access denied",
    // anything else "I/O error <code>".
    static std::string textFor(int code);
    // Maps a POSIX errno to the error code above (ENOENT -> 2, EACCES/EPERM/EROFS -> 5, ...).
    static int codeForErrno(int err);

  private:
    int code_;
};

namespace platform {

// Directories and the version query.
class Environment {
  public:
    virtual ~Environment() = default;
    // The "Windows directory": $FELLRIDGE_WINDOWS_DIR, else $XDG_DATA_HOME/fellridge-wildlife
    // (~/.local/share/fellridge-wildlife). nullopt when it can't be determined (the query failed).
    virtual std::optional<std::string> windowsDirectory() = 0;
    // The "system directory": $FELLRIDGE_SYSTEM_DIR, else the one beside the executable (the
    // build tree's data/system, or lib/fellridge-wildlife/system of an installation). Empty on
    // failure.
    virtual std::string systemDirectory() = 0;
    // The folders that hold the shipped stored pictures when the Windows directory holds none,
    // in the order they are tried: the installation's share/fellridge-wildlife, then
    // fellridge-wildlife in each $XDG_DATA_DIRS folder. None unless a platform has them.
    virtual std::vector<std::string> storedPictureFolders() { return {}; }
    // Platform id of the version query: 2 is the NT family. $FELLRIDGE_PLATFORM_ID, default 2.
    virtual int platformId() = 0;
};

// Read-only access to values under HKEY_CURRENT_USER.
class Registry {
  public:
    virtual ~Registry() = default;
    struct Value {
        bool isDword = false;
        std::uint32_t dword = 0;
        std::string text;  // for non-dword values
    };
    // Opens an existing key (never creates it). Key paths use backslashes, e.g.
    // "Control Panel\\desktop"; names compare without regard to case.
    virtual bool keyExists(const std::string& key) = 0;
    // The named value of the key, or nullopt when the key or the value is missing.
    virtual std::optional<Value> value(const std::string& key, const std::string& name) = 0;
};

// Shared-library loading (LoadLibraryA, GetProcAddress, FreeLibrary).
class Libraries {
  public:
    virtual ~Libraries() = default;
    using Handle = void*;
    virtual Handle load(const std::string& path) = 0;            // nullptr when it can't be loaded
    virtual void* symbol(Handle library, const char* name) = 0;  // nullptr when missing
    virtual void unload(Handle library) = 0;
};

// FindWindowA on the display: a top-level window by class and name, 0 when there is none.
class WindowFinder {
  public:
    virtual ~WindowFinder() = default;
    virtual std::uintptr_t find(const std::string& className, const std::string& windowName) = 0;
};

enum class BoxKind { Plain, Warning, Error, Information, Confirm };
enum class BoxButtons { Ok, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// Modal message boxes. A plain box carries the application title, no icon and one OK button;
// a box of a kind carries "Warning", "Error", "Information" or "Confirm" with the kind's icon.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(BoxKind kind, const std::string& text,
                           BoxButtons buttons = BoxButtons::Ok) = 0;
};

// The title of a box of a kind; nullptr for a plain box, which carries the application title.
const char* boxKindTitle(BoxKind kind);

// The name under which the running program is known (set per run mode; plain boxes use it).
class ApplicationTitle {
  public:
    virtual ~ApplicationTitle() = default;
    virtual void set(const std::string& title) = 0;
    virtual std::string get() const = 0;
};

// UTC time of day, and sleeping on the user-interface thread.
struct TimeOfDay {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
class Clock {
  public:
    virtual ~Clock() = default;
    virtual TimeOfDay utcNow() = 0;
    virtual void sleep(int milliseconds) = 0;
};

// Lets the message loop handle every pending message from inside a handler.
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void processPending() = 0;
};

// The primary screen in device pixels.
class Screen {
  public:
    virtual ~Screen() = default;
    virtual int width() = 0;
    virtual int height() = 0;
    virtual int depth() = 0;  // bits per pixel
};

// ShowCursor: a display counter; the pointer is hidden over our windows while it is below 0.
class Cursor {
  public:
    virtual ~Cursor() = default;
    virtual int show(bool visible) = 0;  // returns the new counter
};

// SystemParametersInfoA action 97: the platform's "screen saver running" flag.
class SaverRunningFlag {
  public:
    virtual ~SaverRunningFlag() = default;
    virtual void set(bool running) = 0;
};

// ShellExecuteA "open" on a web address: the result is below 32 on failure.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual int open(const std::string& address) = 0;
};

// The common open-file dialog. filter is in the "Name|*.a;*.b|Name2|*.c" form; the first
// choice is preselected. nullopt when the user cancels.
class FileDialog {
  public:
    virtual ~FileDialog() = default;
    virtual std::optional<std::string> openFile(const std::string& filter) = 0;
};

// The application-wide message hook: handed every input message once, as its Windows message
// number (key down 256, key up 257, system key down/up 260/261, left/right/middle button down
// 513/516/519, anything else another number). It only watches; messages are dispatched as usual.
class MessageHook {
  public:
    virtual ~MessageHook() = default;
    virtual void install(std::function<void(int message)> hook) = 0;
};

// A window timer on the user-interface thread. It ticks every interval while enabled; an
// interval of 0 or a negative one gives no ticks at all.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setHandler(std::function<void()> onTick) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setInterval(std::int32_t milliseconds) = 0;
    virtual std::int32_t interval() const = 0;
};

// What the program's run modes need of the platform, in one place. The pointers are owned by
// whoever builds the Services (the program's main or a test) and outlive every user.
struct Services {
    Environment* environment = nullptr;
    Registry* registry = nullptr;
    Libraries* libraries = nullptr;
    WindowFinder* windowFinder = nullptr;
    MessageBoxes* boxes = nullptr;
    ApplicationTitle* title = nullptr;
    Clock* clock = nullptr;
    EventPump* events = nullptr;
    Screen* screen = nullptr;
    Cursor* cursor = nullptr;
    SaverRunningFlag* saverRunning = nullptr;
    Shell* shell = nullptr;
    FileDialog* fileDialog = nullptr;
    MessageHook* hook = nullptr;
};

// Runs an event handler as the message loop does: a Failure (or any std::exception) ends the
// handler and its text is shown in an error box; the program carries on. Returns false when
// the handler failed.
bool runHandler(MessageBoxes& boxes, const std::function<void()>& handler);

}  // namespace platform
}  // namespace fellridge
