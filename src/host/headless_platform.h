// HeadlessPlatform: the platform of the programs that run the machine with
// no window and no sound device (m5run, the embeddable library). Time is the
// steady clock, the title and repaints are counted, the clipboard is a text
// given at the start, and the sound device is virtual: its play position
// advances with emulated time, a frame's worth of samples a frame (1/60 s at
// the M5's frame rate), looping over the two halves of its buffer, so the host's feed takes blocks exactly as it would
// from a real device, and every run with the same inputs is the same.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/platform.h"
#include "machine/video_standard.h"

namespace m5 {

class Host;

// The virtual sound device.
class VirtualSound {
public:
    void open(int32_t rate_hz, int32_t samples) {
        sample_rate = rate_hz;
        block_samples = samples;
        frames_elapsed = 0;
    }
    // Frames a second of the machine it plays for (its video standard's).
    void set_frame_rate(int32_t frames_per_second) { frame_rate = frames_per_second; }
    void advance_frame() { ++frames_elapsed; }
    // A run started from a save state continues the play position it had.
    void set_frames(int64_t frames) { frames_elapsed = frames; }
    bool half_free(bool first_half) const {
        const int64_t buffer = 2 * static_cast<int64_t>(block_samples);
        // The position repeats every frame_rate * buffer frames, which keeps
        // the product small for any frame count.
        const int64_t frames = frames_elapsed % (frame_rate * buffer);
        const int64_t position = frames * sample_rate / frame_rate % buffer;
        return first_half ? position >= block_samples : position <= block_samples;
    }

private:
    int64_t frame_rate = VIDEO_NTSC.frames_per_second;
    int64_t sample_rate = 0;
    int64_t block_samples = 1;
    int64_t frames_elapsed = 0;
};

class HeadlessPlatform final : public Platform {
public:
    HeadlessPlatform(std::string program_dir, std::optional<std::string> clipboard)
        : directory(std::move(program_dir)), paste_text(std::move(clipboard)) {}

    uint32_t ticks_ms() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void sleep_ms(uint32_t milliseconds) override {
        if (milliseconds == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        }
    }
    void set_title(const std::string& text) override { title = text; }
    void request_repaint() override { ++repaints; }
    // In the program directory given (none: no file is ever read from it).
    std::string executable_path() override { return directory.empty() ? std::string() : directory + "m5run"; }
    bool modifier_down(int32_t virtual_key) override { return held_sides.count(virtual_key) != 0; }
    std::optional<std::string> clipboard_text() override { return paste_text; }

    void set_frame_rate(int32_t frames_per_second) override { sound.set_frame_rate(frames_per_second); }
    bool sound_open(int32_t sample_rate, int32_t block_samples) override {
        sound.open(sample_rate, block_samples);
        return true;
    }
    bool sound_half_free(bool first_half) override { return sound.half_free(first_half); }
    // The blocks played are added to `played` when it is set.
    bool sound_write_half(bool, const int16_t* samples, int32_t count) override {
        if (played != nullptr) played->insert(played->end(), samples, samples + count);
        return true;
    }
    void sound_clear() override {}
    void sound_close() override {}

    std::string directory;
    std::optional<std::string> paste_text;
    std::string title;
    int64_t repaints = 0;
    std::set<int32_t> held_sides;  // side-specific modifiers held by --key
    VirtualSound sound;
    std::vector<int16_t>* played = nullptr;
};

// Presses or releases a key by its virtual-key code as a keyboard does: a
// side-specific modifier (left or right Shift, Control, Alt) is held
// physically and reported to the host as its generic key.
void press_virtual_key(HeadlessPlatform& platform, Host& host, int32_t code, bool down);

}  // namespace m5
