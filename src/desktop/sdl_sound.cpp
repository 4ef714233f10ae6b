#include "desktop/sdl_sound.h"

#include <SDL.h>

namespace m5 {

namespace {

// Device buffer in sample frames: a power of two of about 10 ms, so the
// queue, not the device, decides the latency.
uint16_t device_frames(int32_t sample_rate) {
    uint16_t frames = 64;
    while (frames < 4096 && frames * 100 < sample_rate) frames = static_cast<uint16_t>(frames * 2);
    return frames;
}

}  // namespace

bool SdlSound::open(int32_t sample_rate, int32_t block_samples) {
    close();
    if (sample_rate <= 0 || block_samples <= 0) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    sdl_started = true;

    SDL_AudioSpec wanted{};
    wanted.freq = sample_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = device_frames(sample_rate);
    wanted.callback = nullptr;  // queued output
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device plays.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        close();
        return false;
    }
    block_bytes = static_cast<uint32_t>(block_samples) * 2;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

bool SdlSound::half_free() const { return device != 0 && SDL_GetQueuedAudioSize(device) <= block_bytes; }

bool SdlSound::write(const int16_t* samples, int32_t count) {
    if (device == 0 || count <= 0) return false;
    return SDL_QueueAudio(device, samples, static_cast<uint32_t>(count) * 2) == 0;
}

void SdlSound::clear() {
    if (device != 0) SDL_ClearQueuedAudio(device);
}

void SdlSound::close() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    if (sdl_started) {
        // Only the audio part: the game controllers use SDL as well.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdl_started = false;
    }
    block_bytes = 0;
}

}  // namespace m5
