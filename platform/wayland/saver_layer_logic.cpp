#include "platform/wayland/saver_layer_logic.h"

namespace fellridge::platform::wayland {

std::optional<std::uint32_t> slideshowOutput(const std::vector<OutputName>& outputs,
                                             const std::string& primaryName) {
    if (outputs.empty()) return std::nullopt;
    if (!primaryName.empty())
        for (const OutputName& output : outputs)
            if (output.name == primaryName) return output.global;
    return outputs.front().global;
}

QSize blackBufferSize(int width, int height) {
    if (width <= 0 || height <= 0) return QSize();
    int k = 1;
    while (k < 1024 && width % (2 * k) == 0 && height % (2 * k) == 0) k *= 2;
    return QSize(width / k, height / k);
}

void FramePacer::configured() {
    configured_ = true;
    whole_ = true;
}

void FramePacer::changed(const QRect& area) {
    if (!area.isEmpty()) area_ += area;
}

void FramePacer::changedAll() {
    whole_ = true;
}

void FramePacer::shown() {
    waiting_ = false;
}

std::optional<FramePacer::Commit> FramePacer::take() {
    if (!configured_ || waiting_ || (!whole_ && area_.isEmpty())) return std::nullopt;
    Commit commit{whole_, whole_ ? QRegion() : area_};
    whole_ = false;
    area_ = QRegion();
    waiting_ = true;
    return commit;
}

namespace {
constexpr std::uint32_t kPressed = 1;
constexpr std::uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112;
}  // namespace

void SeatInput::pointerEntered(std::uint32_t serial) {
    sink_.hidePointer(serial);
}

void SeatInput::button(std::uint32_t code, std::uint32_t state) {
    if (state != kPressed) return;
    const bool button = code == kButtonLeft || code == kButtonRight || code == kButtonMiddle;
    sink_.input(button ? Input::Button : Input::Other);
}

void SeatInput::key(std::uint32_t state) {
    if (state == kPressed) sink_.input(Input::Key);
}

}  // namespace fellridge::platform::wayland
