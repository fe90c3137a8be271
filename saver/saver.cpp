#include "saver/saver.h"

#include <exception>

#include "platform/files/files.h"
#include "saver/log.h"
#include "saver/scope_exit.h"
#include "settings/settings.h"

namespace fellridge::saver {

namespace {

// Keys (pressed or released, with or without Alt) and presses of the three buttons end the
// slideshow; moves, the wheel and the rest don't.
bool endsTheSlideshow(platform::Input input) {
    return input != platform::Input::Other;
}

}  // namespace

Saver::Saver(const SaverServices& services, Surface& surface, platform::Timer& timer,
             platform::SoundPlayer& player, SaverHost& window)
    : services_(services),
      surface_(surface),
      timer_(timer),
      player_(player),
      window_(window),
      random_(services.clock),
      sound_(state_, player, random_),
      pictures_(state_, surface, services.boxes, random_) {
    // A failing tick ends that tick only: its text is shown and the slideshow goes on.
    timer_.setHandler([this] { platform::runHandler(services_.boxes, [this] { tick(); }); });
    player_.setNotify([this] { onPlaybackEnded(); });
}

Saver::~Saver() {
    timer_.setHandler({});
    player_.setNotify({});
}

void Saver::start() {
    // Without a settings file nothing below can be read. The failure is shown, and the saver
    // still gets as far as its input hook, so that a key or button ends the black window.
    const bool settingsReady = platform::runHandler(services_.boxes, [this] {
        state_.saverFolder = settings::saverFolder(services_.environment);
        state_.settingsPath = settings::settingsPath(state_.saverFolder);
        if (!settings::exists(state_.settingsPath))
            settings::writeSaverFirstRun(state_.settingsPath);
    });

    state_.intervalPending = true;
    state_.options = settings::Options{};
    state_.inputGuard = false;
    sound_.enable(false);
    services_.cursor.show(false);
    pictures_.restart();
    state_.tickCounter = 0;
    surface_.setBackground({0, 0, 0});
    services_.input.install([this](platform::Input input) {
        platform::runHandler(services_.boxes, [&] { inputHook(input); });
    });

    if (!settingsReady) return;

    // Settings, pictures and the sound list in one step: a failure ends the start-up here and
    // leaves the window black, without a timer.
    const bool ready = platform::runHandler(services_.boxes, [this] {
        settings::markSaverStart(state_.settingsPath);
        state_.options = settings::readOptions(state_.settingsPath);
        sound_.enable(state_.options.sound);
        if (pictures_.prepare(services_.environment.storedPictureFolders()) ==
            PrepareResult::CriticalPicturesMissing)
            return;
        sound_.readSoundList();
    });
    if (!ready) return;

    sound_.startFirst();

    if (!pictures_.temporaryFiles().empty()) {
        state_.quadrant = 1;
        enableTimer();  // the first tick comes after the timer's initial interval
    } else {
        surface_.setBackground({255, 255, 255});
    }
}

void Saver::inputHook(platform::Input input) {
    // A nested call (from a tick's or the password dialog's message processing) leaves the
    // guard to the call that set it.
    if (state_.inputGuard) return;
    if (!endsTheSlideshow(input)) return;
    state_.inputGuard = true;
    ScopeExit clearGuard([this] { state_.inputGuard = false; });

    if (services_.environment.inputEndsAtOnce()) {
        stopRoutine();
        return;
    }
    passwordCheck();
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
    pictures_.deleteTemporary();
    platform::files::removeOrphanedTemporaries(state_.settingsPath);
    window_.close();
}

void Saver::enableTimer() {
    if (!state_.stopped) timer_.setEnabled(true);
}

void Saver::onPlaybackEnded() {
    sound_.onPlaybackEnded();
}

}  // namespace fellridge::saver
