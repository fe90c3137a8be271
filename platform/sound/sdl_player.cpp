#include "platform/sound/sdl_player.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <QObject>
#include <mutex>
#include <optional>

#include "platform/files/files.h"
#include "platform/services.h"
#include "platform/sound/sound_check.h"
#include "platform/sound/sound_loader.h"

namespace fellridge::platform {

namespace {

constexpr const char* kNoDevice = "No MCI device open";
constexpr const char* kUnknownError = "Unknown error code";
constexpr const char* kCannotPlay = "The file cannot be played";

// What the finished hook needs to queue a notice: the object living on the user-interface
// thread and the generation of the file that is open. Guarded by hookMutex; the hook never
// calls into SDL2_mixer while holding it, and the player never holds it while calling into
// SDL2_mixer (whose audio lock the hook runs under).
std::mutex hookMutex;
QObject* hookTarget = nullptr;
SdlPlayer* hookPlayer = nullptr;
std::uint64_t hookGeneration = 0;

// The error text of a call that has just reported failure. Each call that may fail is preceded
// by SDL_ClearError, so an old text never stands in for a missing one.
std::string sdlErrorText() {
    const char* text = SDL_GetError();
    return (text && *text) ? std::string(text) : std::string(kUnknownError);
}

// What tells a file's content unchanged without reading it.
std::optional<SdlPlayer::FileIdentity> identify(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return SdlPlayer::FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec,
                                   st.st_mtim.tv_nsec};
}

}  // namespace

// Runs on SDL's audio thread at the natural end of a piece, or on the calling thread inside
// Mix_HaltMusic. It only queues a notice.
extern "C" {
static void fellridgeMusicFinished() {
    std::lock_guard<std::mutex> lock(hookMutex);
    if (!hookTarget) return;
    SdlPlayer* player = hookPlayer;
    const std::uint64_t generation = hookGeneration;
    QMetaObject::invokeMethod(
        hookTarget, [player, generation] { player->deliverNotice(generation); },
        Qt::QueuedConnection);
}
}

SdlPlayer::SdlPlayer() : noticeTarget_(std::make_unique<QObject>()) {}

SdlPlayer::~SdlPlayer() {
    {
        std::lock_guard<std::mutex> lock(hookMutex);
        if (hookPlayer == this) {
            hookTarget = nullptr;
            hookPlayer = nullptr;
        }
    }
    closeMusic();
    closeAudio();
    if (sdlUp_) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_Quit();
        sdlUp_ = false;
    }
    // Deleting the target drops any notice still queued to it.
    noticeTarget_.reset();
}

void SdlPlayer::setFileName(const std::string& path) {
    fileName_ = path;
}

// SDL2_mixer always chooses the decoder from the file itself.
void SdlPlayer::setDeviceTypeAutomatic() {}

void SdlPlayer::openAudio() {
    if (audioOpen_) return;
    if (!sdlUp_) {
        // The saver handles SIGINT, SIGTERM and SIGHUP itself; SDL must not take them over.
        SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
        SDL_ClearError();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw Failure(sdlErrorText());
        sdlUp_ = true;
        // MIDI goes through FluidSynth, which takes the system's General MIDI soundfont
        // (/usr/share/sounds/sf2/default-GM.sf2 on Debian) unless SDL_SOUNDFONTS names another.
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
    }
    SDL_ClearError();
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        throw Failure(sdlErrorText());
    }
    audioOpen_ = true;
    Mix_HookMusicFinished(fellridgeMusicFinished);
}

void SdlPlayer::closeAudio() {
    if (!audioOpen_) return;
    Mix_HookMusicFinished(nullptr);
    Mix_CloseAudio();
    audioOpen_ = false;
}

void SdlPlayer::closeMusic() {
    parked_ = false;
    if (music_) {
        Mix_Music* music = music_;
        music_ = nullptr;
        // Freeing music that plays stops it without calling the finished hook.
        Mix_FreeMusic(music);
    }
    // The library read from these bytes until now.
    std::vector<std::uint8_t>().swap(bytes_);
    loadedName_.clear();
}

void SdlPlayer::open() {
    // Whatever happens next, a notice of the file open until now is stale.
    ++generation_;
    openAudio();
    // The slideshow opens the sound again each time it ends (a short sound: every tick): the
    // one loaded stays while its file is the same, unchanged, and plays again from the start.
    const std::optional<FileIdentity> identity = identify(fileName_);
    const bool same = identity && loadedName_ == fileName_ && loadedIdentity_ == *identity;
    if (same && parked_) {
        // Stopped, it let go of its decoder: a new one over the bytes it kept.
        Mix_Music* music = loadMusicFromMemory(bytes_);
        if (!music) {
            closeMusic();
            throw Failure(kCannotPlay);
        }
        music_ = music;
        parked_ = false;
    } else if (!music_ || !same) {
        closeMusic();
        // The library never opens the path itself: it gets the bytes of a regular file, read
        // with a bound, whose header has passed the check of its format.
        auto bytes = files::readRegular(fileName_, kMaxSoundFileSize);
        if (!bytes) throw Failure(kCannotPlay);
        Mix_Music* music = loadMusicFromMemory(*bytes);
        if (!music) throw Failure(kCannotPlay);
        music_ = music;
        // A move hands over the buffer itself, so the library's reader still points into it.
        bytes_ = std::move(*bytes);
        loadedName_ = identity ? fileName_ : std::string();
        loadedIdentity_ = identity.value_or(FileIdentity{});
    }
    std::lock_guard<std::mutex> lock(hookMutex);
    hookTarget = noticeTarget_.get();
    hookPlayer = this;
    hookGeneration = generation_;
}

void SdlPlayer::park() {
    Mix_Music* music = music_;
    music_ = nullptr;
    Mix_FreeMusic(music);
    closeAudio();
    parked_ = true;
}

void SdlPlayer::play() {
    if (parked_) {
        // The file is still open: the device and the decoder come back for it. A device that
        // refuses now leaves the player stopped, as a refused play does.
        try {
            openAudio();
        } catch (const Failure&) {
            return;
        }
        Mix_Music* music = loadMusicFromMemory(bytes_);
        if (!music) return;
        music_ = music;
        parked_ = false;
    }
    if (!music_) throw Failure(kNoDevice);
    // Once from the start (1 play, no loop); a refusal is not a failure: the mode then stays
    // stopped and the next restart tries again.
    Mix_PlayMusic(music_, 1);
}

void SdlPlayer::stop() {
    if (parked_) return;
    if (!music_) throw Failure(kNoDevice);
    Mix_HaltMusic();
    park();
}

PlayerMode SdlPlayer::mode() {
    if (parked_) return PlayerMode::Stopped;
    if (!music_) return PlayerMode::NotReady;
    return Mix_PlayingMusic() ? PlayerMode::Playing : PlayerMode::Stopped;
}

void SdlPlayer::release() {
    closeMusic();
    ++generation_;
    std::lock_guard<std::mutex> lock(hookMutex);
    if (hookPlayer == this) hookGeneration = generation_;
}

void SdlPlayer::setNotify(std::function<void()> onNotify) {
    onNotify_ = std::move(onNotify);
}

void SdlPlayer::deliverNotice(std::uint64_t generation) {
    if (generation != generation_ || !onNotify_) return;
    onNotify_();
}

}  // namespace fellridge::platform
