// The platform services the saver and the settings dialog rely on.
//
// Every service is a small abstract interface so that the system's logic runs without a display:
// the program wires in the real implementations (Qt, X11, POSIX, dlopen, SDL), tests wire in
// fakes. Each part takes the few it uses as references (the saver's, the dialog's and the
// password change's sets live beside them). Nothing here knows about Qt.
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

// A file operation the system refused, carrying the error code whose text the user sees.
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
    // The saver's folder (settings file, the user's stored pictures): $FELLRIDGE_WINDOWS_DIR,
    // else $XDG_DATA_HOME/fellridge-wildlife (~/.local/share/fellridge-wildlife). nullopt when it
    // can't be determined.
    virtual std::optional<std::string> saverFolder() = 0;
    // The folder of the password providers: $FELLRIDGE_SYSTEM_DIR, else the one beside the
    // executable (the build tree's data/system, or lib/fellridge-wildlife/system of an
    // installation). Empty on failure.
    virtual std::string systemDirectory() = 0;
    // The folders that hold the shipped stored pictures when the saver's folder holds none,
    // in the order they are tried: the installation's share/fellridge-wildlife, then
    // fellridge-wildlife in each $XDG_DATA_DIRS folder. None unless a platform has them.
    virtual std::vector<std::string> storedPictureFolders() { return {}; }
    // Whether the first key or button ends the slideshow at once (true), or first asks the
    // password provider when the user wants a password. $FELLRIDGE_PLATFORM_ID: 2 (the default,
    // also for anything but a whole number) ends at once, any other number asks.
    virtual bool inputEndsAtOnce() = 0;
};

// Read-only access to the user's registry (the keys under HKEY_CURRENT_USER).
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

// Shared libraries: load one by its path, look up a symbol, unload it.
class Libraries {
  public:
    virtual ~Libraries() = default;
    using Handle = void*;
    virtual Handle load(const std::string& path) = 0;            // nullptr when it can't be loaded
    virtual void* symbol(Handle library, const char* name) = 0;  // nullptr when missing
    virtual void unload(Handle library) = 0;
};

enum class BoxKind { Plain, Warning, Error, Information, Confirm };
enum class BoxButtons { Ok, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// Modal message boxes. A plain box carries the program's title, no icon and one OK button;
// a box of a kind carries "Warning", "Error", "Information" or "Confirm" with the kind's icon.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(BoxKind kind, const std::string& text,
                           BoxButtons buttons = BoxButtons::Ok) = 0;
};

// The title of a box of a kind; nullptr for a plain box, which carries the program's title.
const char* boxKindTitle(BoxKind kind);

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

// The pointer over our windows, with a display counter: hidden while the counter is below 0.
class Cursor {
  public:
    virtual ~Cursor() = default;
    virtual int show(bool visible) = 0;  // returns the new counter
};

// Opens a web address in the user's browser.
class Shell {
  public:
    virtual ~Shell() = default;
    // Whether a browser took the address.
    virtual bool open(const std::string& address) = 0;
};

// The common open-file dialog. filter is in the "Name|*.a;*.b|Name2|*.c" form; the first
// choice is preselected. nullopt when the user cancels.
class FileDialog {
  public:
    virtual ~FileDialog() = default;
    virtual std::optional<std::string> openFile(const std::string& filter) = 0;
};

// What a piece of the user's input is: a key pressed or released, the same with Alt (a system
// key), a press of the left, right or middle button, or other input (moves, wheel, releases,
// double clicks, extra buttons).
enum class Input { Key, SystemKey, Button, Other };

// The program-wide input hook: handed each piece of input once. It only watches; the input is
// dispatched as usual.
class InputHook {
  public:
    virtual ~InputHook() = default;
    virtual void install(std::function<void(Input input)> hook) = 0;
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

// Runs an event handler as the message loop does: a Failure (or any std::exception) ends the
// handler and its text is shown in an error box; the program carries on. Returns false when
// the handler failed.
bool runHandler(MessageBoxes& boxes, const std::function<void()>& handler);

}  // namespace platform
}  // namespace fellridge
