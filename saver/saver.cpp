#include "saver/saver.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "platform/text.h"
#include "saver/log.h"
#include "settings/profile.h"
#include "settings/settings.h"

namespace fellridge::saver {

namespace {

// The registry value that says whether the saver asks for the screen-saver password.
constexpr const char* kDesktopKey = "Control Panel\\desktop";
constexpr const char* kUsePasswordValue = "ScreenSaveUsePassword";
constexpr const char* kPasswordLibrary = "PASSWORD.CPL";
constexpr const char* kVerifyEntry = "VerifyScreenSavePwd";

extern "C" {
using VerifyScreenSavePwdFn = int (*)(std::uintptr_t window);
}

constexpr int kRollDownPauseMs = 10;

// Runs a function when the scope ends, however it ends.
template <class F>
class ScopeExit {
  public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

  private:
    F f_;
};

bool isInputMessage(int message) {
    switch (message) {
        case message::KeyDown:
        case message::KeyUp:
        case message::SysKeyDown:
        case message::SysKeyUp:
        case message::LButtonDown:
        case message::RButtonDown:
        case message::MButtonDown:
            return true;
        default:
            return false;
    }
}

// Whether the registry asks for the password. A value stored as text is taken as the number it
// spells (blanks around it allowed); text that spells no number still counts as "asked", so a
// damaged value never silently drops the password. Input can always end the saver all the same:
// a missing library or entry ends it.
bool passwordWanted(const platform::Registry::Value& value) {
    if (value.isDword) return value.dword != 0;
    const std::string_view text = platform::text::trim(value.text);
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size()) return number != 0;
    return true;
}

std::int32_t half(std::int32_t size) {
    return static_cast<std::int32_t>(platform::text::divideRoundHalfEven(size, 2));
}

}  // namespace

Rgb schemeColour(settings::ColourScheme scheme, std::int32_t tickCounter) {
    static constexpr Rgb kBlack{0, 0, 0};
    static constexpr Rgb kSchemes[3][4] = {
        {kBlack, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}},
        {{0, 0, 128}, kBlack, {128, 0, 128}, {128, 0, 0}},
        {{0, 128, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}},
    };
    const auto row = static_cast<std::int32_t>(scheme) - 1;
    if (row < 0 || row > 2) return kBlack;  // black only
    int column = 3;
    if (tickCounter <= 4) {
        column = 0;
    } else if (tickCounter <= 9) {
        column = 1;
    } else if (tickCounter <= 14) {
        column = 2;
    }
    return kSchemes[row][column];
}

Saver::Saver(platform::Services& services, Surface& surface, platform::Timer& timer,
             platform::SoundPlayer& player, SaverHost& window)
    : services_(services),
      surface_(surface),
      timer_(timer),
      player_(player),
      window_(window),
      random_(*services.clock),
      sound_(state_, player, random_),
      pictures_(state_, surface, *services.boxes, random_, [this] { sound_.chooseNext(); }) {
    // A failing tick ends that tick only: its text is shown and the slideshow goes on.
    timer_.setHandler([this] { platform::runHandler(*services_.boxes, [this] { tick(); }); });
    player_.setNotify([this] { onPlaybackEnded(); });
}

Saver::~Saver() {
    timer_.setHandler({});
    player_.setNotify({});
}

void Saver::start() {
    services_.saverRunning->set(true);

    // Without a settings file nothing below can be read. The failure is shown, and the saver
    // still gets as far as its input hook, so that a key or button ends the black window.
    const bool settingsReady = platform::runHandler(*services_.boxes, [this] {
        state_.windowsDirectory = settings::windowsDirectory(*services_.environment);
        state_.settingsPath = settings::settingsPath(state_.windowsDirectory);
        if (!settings::exists(state_.settingsPath))
            settings::writeSaverFirstRun(state_.settingsPath);
    });

    state_.intervalPending = true;
    state_.options = settings::Options{};
    state_.inputGuard = false;
    state_.soundOn = false;
    services_.cursor->show(false);
    state_.pictureMark = 0;
    state_.tickCounter = 0;
    surface_.setBackground({0, 0, 0});
    services_.hook->install([this](int message) {
        platform::runHandler(*services_.boxes, [&] { inputHook(message); });
    });

    if (!settingsReady) return;

    // Settings, pictures and the sound list in one step: a failure ends the start-up here and
    // leaves the window black, without a timer.
    const bool ready = platform::runHandler(*services_.boxes, [this] {
        settings::markSaverStart(state_.settingsPath);
        state_.options = settings::readOptions(state_.settingsPath);
        state_.soundOn = state_.options.sound;
        if (pictures_.prepare(services_.environment->storedPictureFolders()) ==
            PrepareResult::CriticalPicturesMissing)
            return;
        sound_.readSoundList();
    });
    if (!ready) return;

    if (state_.soundOn && !state_.soundList.empty()) {
        state_.currentSound = state_.soundList.front();
        sound_.startSound();
    }

    if (state_.pictureCount > 0) {
        state_.quadrant = 1;
        enableTimer();  // first tick after the interval the window gave the timer (1000 ms)
    } else {
        surface_.setBackground({255, 255, 255});
    }
}

void Saver::inputHook(int message) {
    // A nested call (from a tick's or the password dialog's message processing) leaves the
    // guard to the call that set it.
    if (state_.inputGuard) return;
    if (!isInputMessage(message)) return;
    state_.inputGuard = true;
    ScopeExit clearGuard([this] { state_.inputGuard = false; });

    if (ntFamily()) {
        stopRoutine();
        return;
    }
    passwordCheck();
}

bool Saver::ntFamily() {
    return services_.environment->platformId() == 2;
}

void Saver::passwordCheck() {
    platform::Registry& registry = *services_.registry;
    if (!registry.keyExists(kDesktopKey)) {
        stopRoutine();
        return;
    }
    const std::optional<platform::Registry::Value> value =
        registry.value(kDesktopKey, kUsePasswordValue);
    if (!value || !passwordWanted(*value)) {
        stopRoutine();
        return;
    }

    services_.cursor->show(true);
    ScopeExit hideAgain([this] { services_.cursor->show(false); });

    const std::string path =
        platform::text::joinPath(services_.environment->systemDirectory(), kPasswordLibrary);

    platform::Libraries& libraries = *services_.libraries;
    const platform::Libraries::Handle library = libraries.load(path);
    if (!library) {
        stopRoutine();
        return;
    }
    ScopeExit unload([&] { libraries.unload(library); });
    auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(libraries.symbol(library, kVerifyEntry));
    // A provider without its entry has no way to ask for the password: rather than keep the
    // user in the saver, it ends as if no password were set.
    if (!verify || verify(window_.nativeId()) != 0) stopRoutine();
}

void Saver::stopRoutine() {
    state_.stopped = true;
    timer_.setEnabled(false);
    state_.abort = true;
    // A player failure turns into silence; it must never keep the saver from ending.
    try {
        sound_.stopAtExit();
    } catch (const std::exception& failure) {
        qCInfo(saverLog, "sound not stopped: %s", failure.what());
    }
    services_.saverRunning->set(false);
    pictures_.deleteTemporary();
    settings::profile::removeStaleTemporaries(state_.settingsPath);
    window_.close();
}

void Saver::enableTimer() {
    if (!state_.stopped) timer_.setEnabled(true);
}

void Saver::onPlaybackEnded() {
    sound_.onPlaybackEnded();
}

void Saver::tick() {
    if (state_.stopped) return;

    if (state_.tickCounter > 20) state_.tickCounter = 0;
    ++state_.tickCounter;

    if (state_.intervalPending) {
        state_.intervalPending = false;
        // 0 or negative gives no further ticks (the timer's contract): the first picture stays.
        timer_.setInterval(state_.options.delay);
    }

    sound_.restartIfStopped();

    using settings::DisplayMode;
    switch (state_.options.mode) {
        case DisplayMode::Stretch:
            showStretched();
            break;
        case DisplayMode::Centred:
            showCentred(false);
            break;
        case DisplayMode::PictureInPicture:
            showPictureInPicture();
            break;
        case DisplayMode::Tiled:
            showTiled();
            break;
        case DisplayMode::CustomSize:
            showCentred(true);
            break;
        case DisplayMode::Overlap:
            drawOverlapping();
            break;
        case DisplayMode::Slide:
            slideIn();
            break;
        case DisplayMode::RollDown:
            rollDown();
            break;
    }
}

void Saver::showStretched() {
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Front);
    pictures_.loadNext();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);
    surface_.setStretch(Slot::Front, true);
    surface_.setWidth(Slot::Front, surface_.screenWidth());
    surface_.setHeight(Slot::Front, surface_.screenHeight());
    surface_.setLeft(Slot::Front, 0);
    surface_.setTop(Slot::Front, 0);
    surface_.show(Slot::Front);
}

void Saver::showCentred(bool custom) {
    surface_.setBackground(schemeColour(state_.options.scheme, state_.tickCounter));
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Front);
    pictures_.loadNext();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);
    surface_.sizeFrontToPicture();
    if (custom) {
        // A slot has no negative size: a negative setting gives a slot without area, which
        // shows nothing, as a size of 0 does.
        surface_.setStretch(Slot::Front, true);
        surface_.setWidth(Slot::Front, std::max<std::int32_t>(state_.options.width, 0));
        surface_.setHeight(Slot::Front, std::max<std::int32_t>(state_.options.height, 0));
    }
    surface_.centreFront();
    surface_.show(Slot::Front);
}

void Saver::showPictureInPicture() {
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Backdrop);
    surface_.copyPicture(Slot::Front, Slot::Backdrop);
    surface_.setWidth(Slot::Backdrop, surface_.screenWidth());
    surface_.setHeight(Slot::Backdrop, surface_.screenHeight());
    surface_.show(Slot::Backdrop);
    surface_.clear(Slot::Front);
    pictures_.loadNext();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.sizeFrontToPicture();
    surface_.clear(Slot::LoadBuffer);
    surface_.centreFront();
    surface_.bringToFront(Slot::Front);
    surface_.show(Slot::Front);
}

void Saver::showTiled() {
    const std::int32_t q = state_.quadrant;
    Slot slot = Slot::BottomRight;
    if (q == 1) {
        slot = Slot::Front;
    } else if (q == 2) {
        slot = Slot::Backdrop;
    } else if (q == 3) {
        slot = Slot::TopRight;
    }

    surface_.hide(slot);
    pictures_.loadNext();
    surface_.clear(slot);
    surface_.copyPicture(Slot::LoadBuffer, slot);
    surface_.clear(Slot::LoadBuffer);

    // Each half rounded by itself; the right and bottom quarters start one past the half, which
    // leaves a one-pixel cross of background between the quarters.
    const std::int32_t w2 = half(surface_.screenWidth());
    const std::int32_t h2 = half(surface_.screenHeight());
    const bool right = slot == Slot::TopRight || slot == Slot::BottomRight;
    const bool bottom = slot == Slot::Backdrop || slot == Slot::BottomRight;
    surface_.setLeft(slot, right ? w2 + 1 : 0);
    surface_.setTop(slot, bottom ? h2 + 1 : 0);
    surface_.setWidth(slot, w2);
    surface_.setHeight(slot, h2);
    surface_.setStretch(slot, true);

    surface_.show(slot);
    state_.quadrant = (q >= 1 && q <= 3) ? q + 1 : 1;
}

void Saver::drawOverlapping() {
    surface_.hide(Slot::Front);
    pictures_.loadNext();
    // A picture that can't be made or drawn ends this tick's drawing without a message.
    try {
        const WorkingCopy copy = surface_.makeWorkingCopy(Slot::LoadBuffer);
        const std::int32_t w = copy.width();
        const std::int32_t h = copy.height();
        const std::int32_t sw = surface_.screenWidth();
        const std::int32_t sh = surface_.screenHeight();

        random_.reseed();
        const auto range = [](std::int32_t screen, std::int32_t size) -> std::uint32_t {
            // Larger than the screen: it starts in the first quarter and runs past the edge.
            if (size > screen)
                return static_cast<std::uint32_t>(platform::text::divideRoundHalfEven(screen, 4));
            return static_cast<std::uint32_t>(screen - size);
        };
        const auto y = static_cast<std::int32_t>(random_.draw(range(sh, h)));
        const auto x = static_cast<std::int32_t>(random_.draw(range(sw, w)));

        surface_.clear(Slot::LoadBuffer);
        surface_.copyToSurface({x, y, x + w, y + h}, copy, {0, 0, w, h});
    } catch (const std::exception& failure) {
        qCInfo(saverLog, "overlapping picture not drawn: %s", failure.what());
    }
}

void Saver::slideIn() {
    timer_.setEnabled(false);
    // The timer comes back on however the slide ends, unless the stop routine has run.
    ScopeExit restart([this] { enableTimer(); });

    surface_.hide(Slot::Front);
    pictures_.loadNext();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);

    try {
        const WorkingCopy copy = surface_.makeWorkingCopy(Slot::Front);
        const std::int32_t w = copy.width();
        const std::int32_t h = copy.height();
        const Rect source{0, 0, w, h};
        state_.abort = false;

        random_.reseed();
        const std::uint32_t direction = random_.draw(4) + 1;
        std::int32_t p = 0;
        if (direction == 2) {
            p = surface_.screenWidth();
        } else if (direction == 3) {
            p = surface_.screenHeight();
        }

        // The abort flag doubles as "slide complete"; the stop routine sets it as well.
        while (!state_.abort) {
            Rect target;
            std::int64_t edge = 0;  // the moved position's end test, on 64 bits
            switch (direction) {
                case 1:
                    target = {p - w, 0, p, h};
                    p += 1;
                    edge = std::int64_t{p} - w;
                    if (edge >= 0) state_.abort = true;
                    break;
                case 2:
                    target = {p, 0, p + w, h};
                    p -= 3;
                    edge = std::int64_t{p} + w;
                    if (edge <= surface_.screenWidth()) state_.abort = true;
                    break;
                case 3:
                    target = {0, p, w, p + h};
                    p -= 3;
                    edge = std::int64_t{p} + h;
                    if (edge <= surface_.screenHeight()) state_.abort = true;
                    break;
                default:
                    target = {0, p - h, w, p};
                    p += 1;
                    edge = std::int64_t{p} - h;
                    if (edge >= 0) state_.abort = true;
                    break;
            }
            // Drawn before the move: the moved position that ends the slide is never drawn.
            surface_.copyToSurface(target, copy, source);
            services_.events->processPending();
        }
    } catch (const std::exception& failure) {
        // A picture that can't be made or drawn ends this slide without a message.
        qCInfo(saverLog, "slide not drawn: %s", failure.what());
    }
}

void Saver::rollDown() {
    timer_.setEnabled(false);
    // Also when a failure propagates: the timer comes back unless the stop routine has run.
    ScopeExit restart([this] {
        if (!state_.abort) enableTimer();
    });

    pictures_.loadNext();
    const WorkingCopy copy = surface_.makeWorkingCopy(Slot::LoadBuffer);
    const std::int32_t w = copy.width();
    const std::int32_t h = copy.height();
    const std::int32_t sw = surface_.screenWidth();
    const std::int32_t sh = surface_.screenHeight();
    const std::int32_t x0 = w < sw ? half(sw) - half(w) : 0;
    const std::int32_t y0 = h < sh ? half(sh) - half(h) : 0;

    state_.abort = false;
    for (std::int32_t r = 0; r < h && !state_.abort && std::int64_t{y0} + r < sh; ++r) {
        const std::span<const std::uint8_t> row = copy.row(r);
        services_.clock->sleep(kRollDownPauseMs);
        services_.events->processPending();
        // Only the message processing can set the abort flag: a row is drawn whole or not at
        // all, its pixels up to the screen's right edge.
        if (state_.abort) break;
        const auto pixels =
            static_cast<std::size_t>(std::min<std::int64_t>(w, std::int64_t{sw} - x0));
        surface_.setPixels(x0, y0 + r, row.first(std::min(row.size(), pixels * 3)));
    }
}

}  // namespace fellridge::saver
