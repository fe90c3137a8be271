#include "fake_audio.h"

#include <SDL.h>
#include <dlfcn.h>
#include <fluidsynth.h>

#include <cstdlib>
#include <vector>

namespace {

SDL_AudioCallback mixCallback = nullptr;
void* mixData = nullptr;
int bufferBytes = 0;

template <typename Function>
Function real(const char* name) {
    void* found = ::dlsym(RTLD_NEXT, name);
    if (!found) std::abort();
    return reinterpret_cast<Function>(found);
}

// The one synthesizer every MIDI file plays on, with the sound font loaded into it once. Its own
// settings (the library's are deleted with each file): the device's rate, and no reverb or chorus,
// which only colour the sound the file's events make.
fluid_settings_t* keptSettings = nullptr;
fluid_synth_t* keptSynth = nullptr;
int keptFont = FLUID_FAILED;

}  // namespace

namespace fellridge::fuzz {

bool fakeAudioOpen() {
    return mixCallback != nullptr;
}

void pullAudio(int blocks) {
    static std::vector<Uint8> buffer;
    buffer.resize(static_cast<std::size_t>(bufferBytes));
    for (int i = 0; i < blocks && mixCallback; ++i)
        mixCallback(mixData, buffer.data(), static_cast<int>(buffer.size()));
}

}  // namespace fellridge::fuzz

extern "C" {

SDL_AudioDeviceID SDL_OpenAudioDevice(const char*, int iscapture, const SDL_AudioSpec* desired,
                                      SDL_AudioSpec* obtained, int) {
    if (iscapture || !desired || !desired->callback || mixCallback) return 0;
    SDL_AudioSpec given = *desired;
    given.silence = 0;
    given.size = given.samples * given.channels * (SDL_AUDIO_BITSIZE(given.format) / 8);
    if (obtained) *obtained = given;
    mixCallback = given.callback;
    mixData = given.userdata;
    bufferBytes = static_cast<int>(given.size);
    return 1;
}

void SDL_CloseAudioDevice(SDL_AudioDeviceID) {
    mixCallback = nullptr;
}
void SDL_PauseAudioDevice(SDL_AudioDeviceID, int) {}
void SDL_LockAudioDevice(SDL_AudioDeviceID) {}
void SDL_UnlockAudioDevice(SDL_AudioDeviceID) {}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings) {
    if (keptSynth) return keptSynth;
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
    double rate = 44100;
    fluid_settings_getnum(settings, "synth.sample-rate", &rate);
    keptSettings = new_fluid_settings();
    fluid_settings_setnum(keptSettings, "synth.sample-rate", rate);
    fluid_settings_setint(keptSettings, "synth.reverb.active", 0);
    fluid_settings_setint(keptSettings, "synth.chorus.active", 0);
    keptSynth = real<fluid_synth_t* (*)(fluid_settings_t*)>("new_fluid_synth")(keptSettings);
    return keptSynth;
}

void delete_fluid_synth(fluid_synth_t* synth) {
    if (synth == keptSynth) {
        fluid_synth_system_reset(synth);
        return;
    }
    real<void (*)(fluid_synth_t*)>("delete_fluid_synth")(synth);
}

int fluid_synth_sfload(fluid_synth_t* synth, const char* file, int resetPresets) {
    if (synth == keptSynth && keptFont != FLUID_FAILED) return keptFont;
    const int font = real<int (*)(fluid_synth_t*, const char*, int)>("fluid_synth_sfload")(
        synth, file, resetPresets);
    if (synth == keptSynth) keptFont = font;
    return font;
}

}  // extern "C"
