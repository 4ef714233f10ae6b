// Psg: the machine's sound generator, an SN76489-compatible chip.
//
// Real part: a TI SN76489 (on the M5 board clocked at 3.579545 MHz): three
// square-wave tone channels (0, 1, 2) and one noise channel (3), each with a
// 4-bit attenuation in 2 dB steps.
//
// Ports and signals: write-only port 0x20 (the port number is ignored);
// signal 0 is the mute input (while its level is 1 nothing is added).
//
// Units of time: one count unit is 16 chip clocks (the chip's divide-by-16);
// tone and noise periods are in count units; channel counters are in 1/256
// count unit; sample_step is the count units x 256 that pass per output
// sample. The chip is stepped per output sample, not per chip clock: the
// Scheduler asks for each scanline's samples after the scanline has run, at
// the latest before the chip changes (every write and the mute input ask it
// to mix the finished lines first).
//
// Known differences from the real chip:
// - A tone period of 0 plays as period 1 (the real chip plays 0 as 1024).
// - Output is stepped at the host's sample rate with no band limiting, so
//   tones above half the sample rate alias; a counter that would flip more
//   than once per sample flips once.
// - Register writes are heard from the start of the scanline in which they
//   happened (sound is quantised to scanlines).
// - Output is a bipolar square wave per channel (+A / -A) instead of the
//   chip's unipolar one, so silence and full-on steady levels differ.
#pragma once

#include <cstdint>

#include "machine/component.h"

namespace m5 {

inline constexpr int32_t PSG_CHANNELS = 4;
inline constexpr int32_t PSG_NOISE_CHANNEL = 3;
inline constexpr int32_t NOISE_SHIFT_RESET = 0x0F35;
inline constexpr int32_t NOISE_TAPS_WHITE = 0x14002;
inline constexpr int32_t NOISE_TAPS_PERIODIC = 0x8000;
// The longest tone period a register holds, and the longest period of any
// channel (the noise channel at twice tone 2's).
inline constexpr int32_t PSG_MAX_TONE_PERIOD = 0x3FF;
inline constexpr int32_t PSG_MAX_PERIOD = 2 * PSG_MAX_TONE_PERIOD;
// 10 to the power -0.1: one attenuation step of 2 dB.
inline constexpr double PSG_ATTENUATION_STEP = 0.7943282345944098;

struct PsgChannel {
    int32_t counter = 0;    // 1/256 count units left until the next flip
    int32_t period = 1;     // count units between flips, never 0
    int32_t amplitude = 0;  // added as +amplitude or -amplitude
    bool output = false;    // tone: square wave level; noise: current noise bit
};

class Psg final : public Component {
public:
    using Component::Component;

    void init() override;
    void reset() override;
    // Latch/data protocol: a byte with bit 7 set selects a register and writes
    // its low 4 bits; a byte with bit 7 clear writes the high 6 bits of a
    // latched tone period. The finished scanlines are mixed first.
    void port_write8(int32_t port, int32_t data) override;
    // Signal 0: mute input (the finished scanlines are mixed first). Other
    // signals are ignored.
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override;
    // Adds `count` samples of the four channels into the accumulators.
    void mix_audio(int32_t* accumulators, int32_t count) override;
    // Registers, counters, output levels, the noise shift register and the
    // mute input; the volume table and the step per sample come from the
    // sample rate in use. A load takes only what register writes and mixing
    // can leave: periods that match their registers, counters within the
    // longest reload.
    void describe_state(StateArchive& archive) override;
    // Each tone channel's amplitude from its attenuation register.
    void after_load() override;

    // Builds the volume table (full volume at attenuation 0, 2 dB less per
    // step, silence at 15) and the step per output sample. The machine passes
    // chip clock 3579545 Hz and full volume 8000.
    void set_sample_rate(int32_t rate_hz, int32_t chip_clock_hz, int32_t full_volume);

    // 0: tone 0 period, 1: tone 0 attenuation, 2: tone 1 period, 3: tone 1
    // attenuation, 4: tone 2 period, 5: tone 2 attenuation, 6: noise control,
    // 7: noise attenuation.
    uint16_t reg_images[8] = {};
    int32_t latched_reg = 0;
    PsgChannel channels[PSG_CHANNELS] = {};
    // Set by each noise-control write; white noise until the first one.
    int32_t noise_taps = NOISE_TAPS_WHITE;
    int32_t noise_shift = NOISE_SHIFT_RESET;
    int32_t volume_table[16] = {};
    int32_t sample_step = 0;
    bool muted = false;

private:
    void set_tone_period(int32_t reg);
    void write_noise_control(int32_t value);
};

}  // namespace m5
