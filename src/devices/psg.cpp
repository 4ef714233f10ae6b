#include "devices/psg.h"

#include <algorithm>

#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

void Psg::init() { muted = false; }

void Psg::reset() {
    for (PsgChannel& channel : channels) channel = PsgChannel{};
    for (int32_t r = 0; r < 8; r += 2) {
        reg_images[r] = 0;       // periods and noise control
        reg_images[r + 1] = 15;  // attenuations: silent
    }
    channels[PSG_NOISE_CHANNEL].output = true;
    noise_shift = NOISE_SHIFT_RESET;
}

void Psg::set_sample_rate(int32_t rate_hz, int32_t chip_clock_hz, int32_t full_volume) {
    double volume = full_volume;
    for (int32_t i = 0; i < 15; ++i) {
        volume_table[i] = static_cast<int32_t>(volume);
        volume *= PSG_ATTENUATION_STEP;
    }
    volume_table[15] = 0;
    // A rate of 0 cannot come from the host; it would leave the chip frozen
    // rather than divide by zero.
    sample_step = rate_hz > 0 ? static_cast<int32_t>((static_cast<int64_t>(chip_clock_hz) * 16) / rate_hz) : 0;
    // Attenuations written before the table existed take their amplitude now.
    for (int32_t c = 0; c < PSG_CHANNELS; ++c) channels[c].amplitude = volume_table[reg_images[c * 2 + 1] & 0x0F];
}

void Psg::set_tone_period(int32_t reg) {
    const int32_t period = reg_images[reg];
    channels[reg / 2].period = period != 0 ? period : 1;
}

void Psg::write_noise_control(int32_t value) {
    reg_images[6] = static_cast<uint16_t>(value);
    noise_taps = (value & 0x04) ? NOISE_TAPS_WHITE : NOISE_TAPS_PERIODIC;
    PsgChannel& noise = channels[PSG_NOISE_CHANNEL];
    noise.output = true;
    noise_shift = NOISE_SHIFT_RESET;
    const int32_t rate = value & 3;
    noise.period = rate == 3 ? channels[2].period * 2 : 1 << (rate + 5);
}

void Psg::port_write8(int32_t port, int32_t data) {
    (void)port;
    if (machine != nullptr) machine->mix_sound_to_now();
    const int32_t v = data & 0xFF;
    if (v & 0x80) {
        const int32_t r = (v >> 4) & 7;
        latched_reg = r;
        if (r == 6) {
            write_noise_control(v);
        } else if (r & 1) {
            reg_images[r] = static_cast<uint16_t>(v & 0x0F);
            channels[r / 2].amplitude = volume_table[v & 0x0F];
        } else {
            reg_images[r] = static_cast<uint16_t>((reg_images[r] & 0x3F0) | (v & 0x0F));
            set_tone_period(r);
        }
        return;
    }
    const int32_t r = latched_reg;
    if (r != 0 && r != 2 && r != 4) return;  // data after an attenuation or noise latch
    reg_images[r] = static_cast<uint16_t>((reg_images[r] & 0x0F) | ((v & 0x3F) << 4));
    set_tone_period(r);
    if (r == 4 && (reg_images[6] & 3) == 3) channels[PSG_NOISE_CHANNEL].period = channels[2].period * 2;
}

void Psg::signal_in(int32_t signal, uint32_t data, uint32_t mask) {
    if (signal != 0) return;
    if (machine != nullptr) machine->mix_sound_to_now();
    muted = (data & mask) != 0;
}

// Channel by channel: each channel's counter and output, and the noise
// register, stay in locals through the block, where a store to the
// accumulators would otherwise make the compiler reload them (the channels
// are independent, and the sums are the same in any order).
void Psg::mix_audio(int32_t* accumulators, int32_t count) {
    if (muted) return;
    const int32_t step = sample_step;
    int32_t shift = noise_shift;
    const int32_t taps = noise_taps;
    for (int32_t c = 0; c < PSG_CHANNELS; ++c) {
        PsgChannel& ch = channels[c];
        if (ch.amplitude == 0) continue;  // silent: holds its phase
        const int32_t reload = ch.period * 256;
        const int32_t amplitude = ch.amplitude;
        const bool noise = c == PSG_NOISE_CHANNEL;
        int32_t counter = ch.counter;
        bool output = ch.output;
        // Each sample takes `step` off the counter; the sample in which it
        // falls below 0 flips the output and is heard flipped. So the output
        // holds for whole runs of samples, added run by run.
        int32_t i = 0;
        while (i < count) {
            const int32_t held = step > 0 ? std::max(counter / step, 0) : count;  // samples before the next flip
            const int32_t run = std::min(held, count - i);
            const int32_t level = output ? amplitude : -amplitude;
            for (int32_t end = i + run; i < end; ++i) accumulators[i] += level;
            if (i == count) {
                counter -= run * step;
                break;
            }
            counter -= (run + 1) * step;
            counter += reload;
            // A period shorter than one sample would leave the counter
            // falling further every sample; reload it to where repeated
            // reloads would bring it, and flip once.
            if (counter < 0) {
                counter %= reload;
                if (counter < 0) counter += reload;
            }
            if (!noise) {
                output = !output;
            } else {
                if (shift & 1) shift ^= taps;
                shift >>= 1;
                output = (shift & 1) != 0;
            }
            accumulators[i++] += output ? amplitude : -amplitude;
        }
        ch.counter = counter;
        ch.output = output;
    }
    noise_shift = shift;
}

void Psg::describe_state(StateArchive& a) {
    // Each register as a write leaves it: a 10-bit tone period, a 4-bit
    // attenuation, and the noise control as its whole latch byte (0 until
    // the first noise write).
    for (int32_t r = 0; r < 8; ++r) {
        uint16_t& image = reg_images[r];
        a.field(image);
        const bool reachable =
            r == 6 ? image == 0 || (image >= 0xE0 && image <= 0xEF) : image <= ((r & 1) ? 0x0F : PSG_MAX_TONE_PERIOD);
        if (!a.valid(reachable)) image = 0;
    }
    a.i32_in(latched_reg, 0, 7);
    for (int32_t c = 0; c < PSG_CHANNELS; ++c) {
        PsgChannel& ch = channels[c];
        // A counter never exceeds the longest reload, which keeps the
        // mixer's arithmetic in range.
        a.i32_in(ch.counter, 0, PSG_MAX_PERIOD * 256 - 1);
        a.i32_in(ch.period, 1, PSG_MAX_PERIOD);
        a.field(ch.output);
        if (c != PSG_NOISE_CHANNEL && !a.valid(ch.period == std::max<int32_t>(reg_images[c * 2], 1))) ch.period = 1;
    }
    // The noise period follows its control: a fixed rate, or twice tone 2's
    // period as it stood when either was last written; 1 before any write.
    const int32_t control = reg_images[6];
    const int32_t noise_period = channels[PSG_NOISE_CHANNEL].period;
    const bool noise_ok = control == 0         ? noise_period == 1
                          : (control & 3) == 3 ? noise_period % 2 == 0
                                               : noise_period == 1 << ((control & 3) + 5);
    if (!a.valid(noise_ok)) channels[PSG_NOISE_CHANNEL].period = 1;
    a.field(noise_taps);
    if (!a.valid(noise_taps == NOISE_TAPS_WHITE || noise_taps == NOISE_TAPS_PERIODIC)) noise_taps = NOISE_TAPS_WHITE;
    a.i32_in(noise_shift, 0, 0xFFFF);
    a.field(muted);
}

void Psg::after_load() {
    for (int32_t c = 0; c < PSG_CHANNELS; ++c) channels[c].amplitude = volume_table[reg_images[c * 2 + 1] & 0x0F];
}

}  // namespace m5
