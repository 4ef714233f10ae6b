// Sound output through SDL2's audio queue.
//
// The host feeds the output as one looping buffer of two halves: each half
// holds one block of 16-bit mono samples and is refilled once it has been
// played. Here the halves are blocks in SDL's queue: a half counts as free
// while no more than one block is queued, writing queues the block, and
// silencing drops whatever is queued. Only the audio subsystem of SDL is
// started and stopped, so the game controllers keep working whatever the
// sound output does. When no audio device can be opened the program runs
// silently.
#pragma once

#include <cstdint>

namespace m5 {

class SdlSound {
public:
    SdlSound() = default;
    ~SdlSound() { close(); }
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    // Opens the default output for 16-bit mono at sample_rate and starts it.
    // False when there is no usable device.
    bool open(int32_t sample_rate, int32_t block_samples);
    // True while no more than one block waits in the queue.
    bool half_free() const;
    // Queues one block; false when SDL refuses it.
    bool write(const int16_t* samples, int32_t count);
    void clear();
    void close();

    bool is_open() const { return device != 0; }

private:
    uint32_t device = 0;  // SDL_AudioDeviceID, 0 when closed
    uint32_t block_bytes = 0;
    bool sdl_started = false;
};

}  // namespace m5
