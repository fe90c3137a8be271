// The decisions behind the saver's layer surfaces, kept apart from the Wayland connection so
// that they run without a compositor: which output shows the slideshow, when a surface may show
// its next frame, and what the seat's events mean to the saver.
#pragma once

#include <QRect>
#include <QRegion>
#include <QSize>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace fellridge::platform::wayland {

// An output as the compositor announced it: its global name and, once told, its own name.
struct OutputName {
    std::uint32_t global = 0;
    std::string name;
};

// The output that shows the slideshow: the one the toolkit calls primary (by name), else the
// first one announced (the toolkit's own choice when it knows no better). Null without outputs.
std::optional<std::uint32_t> slideshowOutput(const std::vector<OutputName>& outputs,
                                             const std::string& primaryName);

// The size of the black buffer that a viewport stretches over a width x height output: smaller
// by the largest power of two (at most 1024) that divides both sides. A power-of-two scale is
// exact in a compositor's fixed-point sampling, where a 1 x 1 pixel stretched to 1080 rows
// lets the last rows sample outside the buffer and show the desktop's colour.
QSize blackBufferSize(int width, int height);

// When one surface shows its next frame. A commit goes only when the compositor has shown the
// previous one (its frame callback came), so that drawing follows the compositor's pace and
// never piles up; changes made meanwhile are gathered into the next commit.
class FramePacer {
  public:
    struct Commit {
        bool whole = false;  // a new buffer or size: everything is shown afresh
        QRegion area;        // otherwise the part that changed
    };

    // The compositor gave the surface its size (the first time, or again).
    void configured();
    // The surface's contents changed in the area, or all of them (another buffer).
    void changed(const QRect& area);
    void changedAll();
    // The compositor showed the last commit.
    void shown();
    // What to commit now, if anything: nothing before the first configure, while a commit is
    // still on its way, or when nothing changed. Returning a commit counts it as on its way.
    std::optional<Commit> take();

  private:
    bool configured_ = false;
    bool waiting_ = false;
    bool whole_ = false;
    QRegion area_;
};

// The seat's events as the saver needs them: the pointer hidden whenever it enters one of our
// surfaces, a press of any key or button reported once as the saver's input (the left, right
// and middle buttons as buttons, the others as other input); releases and motion are nothing.
class SeatInput {
  public:
    class Sink {
      public:
        virtual ~Sink() = default;
        // Show no pointer image for the enter with this serial.
        virtual void hidePointer(std::uint32_t serial) = 0;
        virtual void input(platform::Input input) = 0;
    };
    explicit SeatInput(Sink& sink) : sink_(sink) {}

    void pointerEntered(std::uint32_t serial);
    // Linux input event codes (BTN_LEFT is 0x110) and the protocol's states (1 pressed).
    void button(std::uint32_t code, std::uint32_t state);
    void key(std::uint32_t state);

  private:
    Sink& sink_;
};

}  // namespace fellridge::platform::wayland
