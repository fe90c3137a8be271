// The background-sound player: one music file at a time through SDL2_mixer, audio only.
//
// SDL is brought up for audio alone on the first open. The audio device is open only while a
// piece may play: a stop closes it (and lets go of the decoder) until the next play, so that
// SDL's audio thread doesn't wake many times a second to mix silence between two pieces; the
// file's bytes stay for that play. The destructor shuts SDL down again. SDL2_mixer reports the end
// of a piece from its audio thread (or synchronously inside a halt); the player turns that report
// into a notice queued to the thread that created the player, where the notify handler runs.
// Nothing of the player's own state is touched from the audio thread.
//
// SDL2_mixer has one music stream per process, so a process has at most one SdlPlayer. A file
// opened again while it is unchanged (same device, inode, size and modification time) is not
// read again: the music loaded from it plays again from the start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/sound_player.h"

class QObject;
struct _Mix_Music;

namespace fellridge::platform {

class SdlPlayer : public SoundPlayer {
  public:
    // Must be created on the user-interface thread, which then receives the notices.
    SdlPlayer();
    ~SdlPlayer() override;
    SdlPlayer(const SdlPlayer&) = delete;
    SdlPlayer& operator=(const SdlPlayer&) = delete;

    void setFileName(const std::string& path) override;
    void setDeviceTypeAutomatic() override;
    void open() override;
    void play() override;
    void stop() override;
    PlayerMode mode() override;
    void release() override;
    void setNotify(std::function<void()> onNotify) override;

    // A file as the system describes it: device, inode, size and modification time.
    struct FileIdentity {
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, seconds = 0, nanoseconds = 0;
        friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    };

    // True while the audio device is open: from an open or a play until the next stop.
    bool audioOpen() const { return audioOpen_; }

    // A queued end-of-playback notice arriving on the user-interface thread: calls the notify
    // handler unless the notice belongs to a file that is no longer open.
    void deliverNotice(std::uint64_t generation);

  private:
    void openAudio();
    void closeAudio();
    void closeMusic();
    // After a stop: the decoder and the audio device go, the file stays open (its bytes kept).
    void park();

    std::string fileName_;
    std::function<void()> onNotify_;
    std::unique_ptr<QObject> noticeTarget_;
    _Mix_Music* music_ = nullptr;
    // The content of the open file, which the library reads from while it plays.
    std::vector<std::uint8_t> bytes_;
    // The file the open music was loaded from, while it is the same and unchanged.
    std::string loadedName_;
    FileIdentity loadedIdentity_;
    // Counts the files opened; a notice carries the count of the file it belongs to.
    std::uint64_t generation_ = 0;
    bool sdlUp_ = false;
    bool audioOpen_ = false;
    bool parked_ = false;  // a file is open and stopped, without decoder or audio device
};

}  // namespace fellridge::platform
