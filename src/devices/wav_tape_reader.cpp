#include "devices/wav_tape_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "machine/state_io.h"

namespace m5 {
namespace {

constexpr uint16_t FORMAT_TAG_PCM = 0x0001;
constexpr uint16_t FORMAT_TAG_FLOAT = 0x0003;
constexpr uint16_t FORMAT_TAG_EXTENSIBLE = 0xFFFE;
// The 14 bytes that follow the format tag in the sub-format GUID of a
// WAVE_FORMAT_EXTENSIBLE chunk ({tag}-0000-0010-8000-00AA00389B71).
constexpr std::array<uint8_t, 14> EXTENSIBLE_GUID_TAIL = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int64_t FORMAT_CHUNK_MIN_BYTES = 16;
constexpr int64_t EXTENSIBLE_CHUNK_BYTES = 40;
// A header is walked through at most this many chunks; a file of endless
// tiny chunks is not understood rather than read for ever.
constexpr int32_t MAX_CHUNKS = 1024;
constexpr uint32_t MIN_RATE_HZ = 8000;
constexpr uint32_t MAX_RATE_HZ = 192000;

// The samples are read into the part of the tick buffer the ticks have not
// reached yet; the last few hundred ticks of a buffer read theirs through a
// block this size on the stack.
constexpr int32_t SCRATCH_BYTES = 512;

// Level detector. The envelope decays towards the signal with a time
// constant of a quarter of a second, slow against the bits of a tape (well
// under a millisecond) and the silences between blocks of data. It decays
// once every UPDATE_SAMPLES samples.
constexpr float ENVELOPE_SECONDS = 0.25f;
constexpr int32_t UPDATE_SAMPLES = 64;
// The envelope follows a sample past it at once when the step is at most
// SNAP_SHARE of the envelope, else by ATTACK_SHARE of the step a sample.
constexpr float SNAP_SHARE = 0.25f;
constexpr float ATTACK_SHARE = 0.25f;
// Hysteresis on each side of the midpoint, as a share of the envelope.
constexpr float HYSTERESIS_SHARE = 0.125f;
// Nothing quieter than this (about -46 dB of full scale) counts as a swing:
// hiss and dither on a silent stretch do not move the level.
constexpr float MIN_HYSTERESIS = 0.005f;

// The first swing of a recording is one of at least this share of the
// largest distance from its first value in its first LOUDNESS_SECONDS, so
// that hiss before the signal does not decide its polarity.
constexpr float SWING_SHARE = 0.3f;
constexpr int32_t LOUDNESS_SECONDS = 30;
// ... and lasts this long (a few samples: longer than a click, shorter than
// the shortest pulse of a tape).
constexpr float SWING_SECONDS = 100e-6f;

// Tick positions are input sample indexes in 32.32 fixed point.
constexpr int32_t POSITION_FRACTION_BITS = 32;

uint32_t le16(const uint8_t* at) { return static_cast<uint32_t>(at[0] | (at[1] << 8)); }
uint32_t le32(const uint8_t* at) { return le16(at) | (le16(at + 2) << 16); }

// Reads `count` bytes at `offset`; false when they are not all inside the
// file or the read comes up short.
bool read_at(TapeCursor& file, int64_t offset, uint8_t* into, int64_t count, int64_t file_size) {
    if (offset < 0 || count < 0 || offset > file_size || count > file_size - offset) return false;
    file.seek(static_cast<uint64_t>(offset));
    return file.read(into, 1, static_cast<size_t>(count)) == static_cast<size_t>(count);
}

bool supported(WavSampleFormat format, uint16_t bits) {
    if (format == WavSampleFormat::IEEE_FLOAT) return bits == 32;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

WavTapeFormat read_wav_tape_format(TapeCursor& file, int64_t file_size) {
    WavTapeFormat result;
    std::array<uint8_t, 12> riff{};
    if (!read_at(file, 0, riff.data(), riff.size(), file_size)) return result;
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return result;

    bool have_format = false;
    bool have_data = false;
    uint32_t tag = 0;
    // The RIFF size is not trusted: the chunks are walked to the real end of
    // the file (a recording that was never finished has a size of 0 there).
    int64_t at = static_cast<int64_t>(riff.size());
    for (int32_t chunk = 0; chunk < MAX_CHUNKS && !(have_format && have_data); ++chunk) {
        std::array<uint8_t, 8> head{};
        if (!read_at(file, at, head.data(), head.size(), file_size)) break;
        const int64_t size = le32(head.data() + 4);
        const int64_t body = at + 8;
        if (std::memcmp(head.data(), "fmt ", 4) == 0 && !have_format) {
            std::array<uint8_t, EXTENSIBLE_CHUNK_BYTES> fmt{};
            const int64_t length = std::min<int64_t>(size, EXTENSIBLE_CHUNK_BYTES);
            if (size < FORMAT_CHUNK_MIN_BYTES || !read_at(file, body, fmt.data(), length, file_size)) return result;
            tag = le16(fmt.data());
            result.channels = static_cast<uint16_t>(le16(fmt.data() + 2));
            result.sample_rate_hz = le32(fmt.data() + 4);
            result.bits_per_sample = static_cast<uint16_t>(le16(fmt.data() + 14));
            if (tag == FORMAT_TAG_EXTENSIBLE) {
                // The real format is the sub-format GUID's first two bytes.
                if (length < EXTENSIBLE_CHUNK_BYTES) return result;
                if (std::memcmp(fmt.data() + 26, EXTENSIBLE_GUID_TAIL.data(), EXTENSIBLE_GUID_TAIL.size()) != 0)
                    return result;
                tag = le16(fmt.data() + 24);
            }
            have_format = true;
        } else if (std::memcmp(head.data(), "data", 4) == 0 && !have_data) {
            // Trust the file over the header: a size past the end of the file,
            // or 0 (a recording whose header was never completed), means the
            // rest of the file.
            const int64_t rest = std::max<int64_t>(file_size - body, 0);
            result.data_offset = body;
            result.data_bytes = (size == 0 || size > rest) ? rest : size;
            have_data = true;
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
    }
    if (!have_format || !have_data) return result;

    if (tag == FORMAT_TAG_PCM) {
        result.sample_format = WavSampleFormat::PCM_INTEGER;
    } else if (tag == FORMAT_TAG_FLOAT) {
        result.sample_format = WavSampleFormat::IEEE_FLOAT;
    } else {
        return result;
    }
    if (!supported(result.sample_format, result.bits_per_sample)) return result;
    if (result.channels < 1 || result.channels > 2) return result;
    if (result.sample_rate_hz < MIN_RATE_HZ || result.sample_rate_hz > MAX_RATE_HZ) return result;

    result.understood = true;
    const bool deck_own = result.sample_format == WavSampleFormat::PCM_INTEGER && result.bits_per_sample == 8 &&
                          result.channels == 1 &&
                          (result.sample_rate_hz == TAPE_TICKS_PER_SECOND || result.sample_rate_hz == 48000);
    result.converted = !deck_own;
    result.frames = result.data_bytes / (result.channels * (result.bits_per_sample / 8));
    if (result.converted) result.ticks = result.frames * TAPE_TICKS_PER_SECOND / result.sample_rate_hz;
    return result;
}

void TapeLevelDetector::start(uint32_t sample_rate_hz) {
    *this = TapeLevelDetector{};
    release = static_cast<float>(UPDATE_SAMPLES) / (ENVELOPE_SECONDS * static_cast<float>(sample_rate_hz));
    swing_samples = std::max(1, static_cast<int32_t>(static_cast<float>(sample_rate_hz) * SWING_SECONDS));
}

bool TapeLevelDetector::find_swing(float value) {
    if (!started) {
        started = true;
        rest = value;
    }
    const float swing = value - rest;
    const int32_t direction = swing > swing_threshold ? 1 : swing < -swing_threshold ? -1 : 0;
    swing_run = direction != 0 && direction == swing_direction ? swing_run + 1 : 1;
    swing_direction = direction;
    if (direction == 0 || swing_run < swing_samples) return false;
    // The first clear swing that lasts (a click does not): its direction is
    // the rise of the machine's output, so a downward one means the
    // recording is inverted.
    swing_seen = true;
    polarity = static_cast<float>(direction);
    high = low = rest * polarity;
    samples_to_update = UPDATE_SAMPLES;
    return true;
}

namespace {

// Runs `frames` frames of `block` through the detector, writing each frame's
// level byte over the start of the block (byte k holds frame k's level; a
// frame's own bytes start at or after k, so they are read before they are
// overwritten). `mix_at` gives a frame's channels summed, in the units of the
// sample format; `gain` scales that sum to a mono value in -1..1.
template <typename MixAt>
void detect_levels(TapeLevelDetector& detector, uint8_t* block, int32_t frames, int32_t frame_bytes, float gain,
                   MixAt mix_at) {
    auto value_at = [&](int32_t k) {
        return static_cast<float>(mix_at(block + static_cast<ptrdiff_t>(k) * frame_bytes)) * gain;
    };
    int32_t k = 0;
    for (; k < frames && !detector.swing_seen; ++k) {
        if (detector.find_swing(value_at(k))) break;
        block[k] = TAPE_LEVEL_LOW;
    }
    // The state lives in locals while the loop runs: the byte stores could
    // otherwise alias it and force it through memory at every sample.
    float high = detector.high;
    float low = detector.low;
    int32_t to_update = detector.samples_to_update;
    uint8_t level = detector.level;
    const float release = detector.release;
    const float signed_gain = gain * detector.polarity;
    float rise_above = 0.0f;
    float fall_below = 0.0f;
    // The thresholds change only with the envelope: when a sample passes it,
    // and when it decays.
    auto set_thresholds = [&] {
        const float middle = 0.5f * (high + low);
        const float hysteresis = std::max((high - low) * HYSTERESIS_SHARE, MIN_HYSTERESIS);
        rise_above = middle + hysteresis;
        fall_below = middle - hysteresis;
    };
    set_thresholds();
    for (; k < frames; ++k) {
        const float y = static_cast<float>(mix_at(block + static_cast<ptrdiff_t>(k) * frame_bytes)) * signed_gain;
        if (y > high || y < low) {
            // A small step past the envelope moves it at once; a large one
            // (the start of the signal, a louder passage, a click) moves it
            // by a share a sample, so a spike of a sample or two does not
            // carry the thresholds away from the signal.
            const float span = high - low;
            const float past = y > high ? y - high : y - low;
            const float step = (past > span * SNAP_SHARE || past < -span * SNAP_SHARE) ? past * ATTACK_SHARE : past;
            if (y > high) {
                high += step;
            } else {
                low += step;
            }
            set_thresholds();
        }
        level = static_cast<uint8_t>((level | (y > rise_above)) & !(y < fall_below));
        block[k] = static_cast<uint8_t>(level << 7);
        if (--to_update == 0) {
            high += (y - high) * release;
            low += (y - low) * release;
            set_thresholds();
            to_update = UPDATE_SAMPLES;
        }
    }
    detector.high = high;
    detector.low = low;
    detector.samples_to_update = to_update;
    detector.level = level;
}

float float_sample(const uint8_t* at) {
    float value = 0.0f;
    std::memcpy(&value, at, sizeof value);  // little-endian hosts
    // Out-of-range values (and infinities, and NaN) are clipped so the
    // detector's envelope stays finite.
    return value > 1.0f ? 1.0f : (value >= -1.0f ? value : -1.0f);
}

// Calls body(mix_at, gain, frame_bytes) with, for the recording's sample
// format and channel count, `mix_at` giving a frame's channels summed in the
// units of the format (integer samples as int32_t of at most 24 bits, so two
// channels add up without overflow) and `gain` scaling that sum to a mono
// value in -1..1.
template <typename Body>
void with_mixer(WavSampleFormat format, int32_t sample_bytes, int32_t channels, Body body) {
    auto mix = [&](auto sample_at, float full_scale) {
        if (channels == 1) {
            body(sample_at, 1.0f / full_scale, sample_bytes);
        } else {
            body([=](const uint8_t* frame) { return sample_at(frame) + sample_at(frame + sample_bytes); },
                 0.5f / full_scale, 2 * sample_bytes);
        }
    };
    if (format == WavSampleFormat::IEEE_FLOAT) {
        mix(float_sample, 1.0f);
        return;
    }
    switch (sample_bytes) {
        case 1: mix([](const uint8_t* at) { return static_cast<int32_t>(at[0]) - 128; }, 128.0f); break;
        case 2:
            mix([](const uint8_t* at) { return static_cast<int32_t>(static_cast<int16_t>(le16(at))); }, 32768.0f);
            break;
        case 3:
            mix(
                [](const uint8_t* at) {
                    return static_cast<int32_t>((at[0] << 8) | (at[1] << 16) | (static_cast<uint32_t>(at[2]) << 24)) >>
                           8;
                },
                8388608.0f);
            break;
        default:  // 32 bits, of which the top 24 are plenty
            mix([](const uint8_t* at) { return static_cast<int32_t>(le32(at)) >> 8; }, 8388608.0f);
            break;
    }
}

}  // namespace

void WavTapeConverter::start(TapeCursor& file, const WavTapeFormat& format) {
    active_ = format.understood && format.converted;
    sample_format_ = format.sample_format;
    sample_bytes_ = format.bits_per_sample / 8;
    channels_ = format.channels;
    frame_bytes_ = sample_bytes_ * channels_;
    frames_read_ = 0;
    frames_left_ = format.frames;
    ticks_left_ = format.ticks;
    // Each tick takes the sample nearest to it: the first tick is half a
    // sample before sample 0 is passed.
    position_ = uint64_t{1} << (POSITION_FRACTION_BITS - 1);
    step_ = format.sample_rate_hz == 0
                ? 0
                : ((uint64_t{format.sample_rate_hz} << POSITION_FRACTION_BITS) + TAPE_TICKS_PER_SECOND / 2) /
                      TAPE_TICKS_PER_SECOND;
    last_level_ = TAPE_LEVEL_LOW;
    sample_rate_hz_ = format.sample_rate_hz;
    data_offset_ = format.data_offset;
    loudness_known_ = false;
    detector_.start(format.sample_rate_hz);
    if (active_) file.seek(static_cast<uint64_t>(format.data_offset));
}

void WavTapeConverter::detect(uint8_t* block, int32_t frames) {
    with_mixer(sample_format_, sample_bytes_, channels_, [&](auto mix_at, float gain, int32_t frame_bytes) {
        detect_levels(detector_, block, frames, frame_bytes, gain, mix_at);
    });
}

void WavTapeConverter::find_loudness(TapeCursor& file, uint8_t* scratch, int32_t scratch_bytes) {
    const auto frames_fit = scratch_bytes / frame_bytes_;
    int64_t left = std::min<int64_t>(frames_left_, int64_t{LOUDNESS_SECONDS} * sample_rate_hz_);
    bool first = true;
    float rest = 0.0f;
    float loudest = 0.0f;
    while (left > 0) {
        const size_t got = file.read(scratch, static_cast<size_t>(frame_bytes_),
                                     static_cast<size_t>(std::min<int64_t>(left, frames_fit)));
        if (got == 0) break;
        left -= static_cast<int64_t>(got);
        with_mixer(sample_format_, sample_bytes_, channels_, [&](auto mix_at, float gain, int32_t frame_bytes) {
            for (size_t k = 0; k < got; ++k) {
                const float value = static_cast<float>(mix_at(scratch + k * static_cast<size_t>(frame_bytes))) * gain;
                if (first) rest = value, first = false;
                loudest = std::max(loudest, std::abs(value - rest));
            }
        });
    }
    detector_.swing_threshold = std::max(MIN_HYSTERESIS, SWING_SHARE * loudest);
    file.seek(static_cast<uint64_t>(data_offset_));
}

void WavTapeConverter::fill(TapeCursor& file, uint8_t* out, int32_t count) {
    if (!active_) return;
    const auto played = static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(count, ticks_left_), 0));
    std::array<uint8_t, SCRATCH_BYTES> scratch;
    if (!loudness_known_) {
        loudness_known_ = true;
        if (count >= SCRATCH_BYTES) {
            find_loudness(file, out, count);
        } else {
            find_loudness(file, scratch.data(), SCRATCH_BYTES);
        }
    }
    uint64_t position = position_;
    int32_t i = 0;
    while (i < played) {
        // Ticks that take a sample read before: the last one read.
        const uint64_t read_end = static_cast<uint64_t>(frames_read_) << POSITION_FRACTION_BITS;
        while (i < played && position < read_end) {
            out[i++] = last_level_;
            position += step_;
        }
        if (i == played) break;
        // The samples are read into the part of `out` that the ticks have
        // not reached yet (a small block on the stack when little is left),
        // and no further than the sample the last tick of this call takes,
        // so nothing read ahead has to be kept for the next call.
        const bool in_place = played - i >= SCRATCH_BYTES;
        uint8_t* block = in_place ? out + i : scratch.data();
        const int64_t room = in_place ? played - i : SCRATCH_BYTES;
        const auto last = static_cast<int64_t>((position + uint64_t(played - i - 1) * step_) >> POSITION_FRACTION_BITS);
        const int64_t wanted = std::min({last + 1 - frames_read_, frames_left_, room / frame_bytes_});
        const size_t got =
            wanted > 0 ? file.read(block, static_cast<size_t>(frame_bytes_), static_cast<size_t>(wanted)) : 0;
        if (got == 0) {
            // The data ends early (a short file): the last level holds.
            frames_left_ = 0;
            std::fill(out + i, out + played, last_level_);
            break;
        }
        detect(block, static_cast<int32_t>(got));
        const uint64_t first = static_cast<uint64_t>(frames_read_) << POSITION_FRACTION_BITS;
        frames_read_ += static_cast<int64_t>(got);
        frames_left_ -= static_cast<int64_t>(got);
        last_level_ = block[got - 1];
        // The ticks whose samples are in this block. The first takes the
        // block's first sample, and tick t a sample at most t after it when
        // the recording is slower than the ticks (at least t after it when
        // faster). Written in place, the ticks therefore go from the last to
        // the first in the one case and from the first to the last in the
        // other, so no level is overwritten before the ticks that take it.
        // (None when a short read or the end of the data stopped before the
        // sample the next tick takes.)
        const uint64_t end = static_cast<uint64_t>(frames_read_) << POSITION_FRACTION_BITS;
        const auto ticks =
            static_cast<int32_t>(position >= end ? 0
                                                 : std::min<uint64_t>(static_cast<uint64_t>(played - i),
                                                                      (end - position + step_ - 1) / step_));
        const uint64_t from = position - first;
        uint8_t* into = out + i;
        if (step_ < (uint64_t{1} << POSITION_FRACTION_BITS)) {
            for (int32_t t = ticks - 1; t >= 0; --t)
                into[t] = block[(from + static_cast<uint64_t>(t) * step_) >> POSITION_FRACTION_BITS];
        } else {
            for (int32_t t = 0; t < ticks; ++t)
                into[t] = block[(from + static_cast<uint64_t>(t) * step_) >> POSITION_FRACTION_BITS];
        }
        position += static_cast<uint64_t>(ticks) * step_;
        i += ticks;
    }
    position_ = position;
    std::fill(out + played, out + count, TAPE_LEVEL_LOW);
    ticks_left_ -= played;
}

// A field added to the converter or its detector must be saved as well.
static_assert(sizeof(TapeLevelDetector) == 48, "save and load every field of TapeLevelDetector");
static_assert(sizeof(WavTapeConverter) == 136, "save and load every field of WavTapeConverter");

namespace {
// A count or offset kept signed and saved as 64 bits; a load takes it
// without the sign bit.
void field_count(StateArchive& a, int64_t& v) {
    auto stored = static_cast<uint64_t>(v);
    a.field(stored);
    if (a.loading()) v = static_cast<int64_t>(stored & INT64_MAX);
}
}  // namespace

void WavTapeConverter::describe_state(StateArchive& a) {
    a.field(active_);
    a.field_as<uint8_t>(sample_format_);
    if (!a.valid(sample_format_ <= WavSampleFormat::IEEE_FLOAT)) sample_format_ = WavSampleFormat::PCM_INTEGER;
    a.i32_in(sample_bytes_, 0, 8);
    a.i32_in(channels_, 0, 65535);
    a.i32_in(frame_bytes_, 0, 8 * 65535);
    // A running conversion reads whole frames of 1 to 4 bytes a sample.
    if (active_ && !a.valid(sample_bytes_ >= 1 && sample_bytes_ <= 4 && channels_ >= 1 &&
                            frame_bytes_ == sample_bytes_ * channels_)) {
        active_ = false;
    }
    for (int64_t* v : {&frames_read_, &frames_left_, &ticks_left_}) field_count(a, *v);
    a.field(position_);
    a.field(step_);
    // The step between ticks is that of a rate the header reader accepts.
    if (active_ && !a.valid(step_ != 0 &&
                            step_ <= (uint64_t{MAX_RATE_HZ} << POSITION_FRACTION_BITS) / TAPE_TICKS_PER_SECOND + 1)) {
        active_ = false;
    }
    a.field(last_level_, TAPE_LEVEL_HIGH);
    a.field(sample_rate_hz_);
    field_count(a, data_offset_);
    a.field(loudness_known_);
    TapeLevelDetector& d = detector_;
    a.field(d.started);
    a.field(d.swing_seen);
    for (float* v : {&d.swing_threshold, &d.rest, &d.polarity, &d.high, &d.low, &d.release}) a.field(*v);
    for (int32_t* v : {&d.swing_samples, &d.swing_direction, &d.swing_run, &d.samples_to_update}) a.field(*v);
    a.field(d.level);
    // A stopped converter keeps whatever its detector held; a running one
    // must have counts it can go on from.
    if (active_ && !a.valid(d.swing_samples >= 1 && d.swing_direction >= -1 && d.swing_direction <= 1 &&
                            d.swing_run >= 0 && d.samples_to_update >= 0 && d.samples_to_update <= UPDATE_SAMPLES)) {
        active_ = false;
    }
}

void WavTapeConverter::save_state(StateWriter& out) {
    StateArchive archive(out);
    describe_state(archive);
}

void WavTapeConverter::load_state(StateReader& in) {
    StateArchive archive(in);
    describe_state(archive);
}

}  // namespace m5
