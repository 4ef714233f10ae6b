#include "devices/wav_tape_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Frames decoded at a time; the block lives on the stack while fill() runs.
constexpr int32_t BLOCK_FRAMES = 512;
constexpr int32_t MAX_FRAME_BYTES = 8;  // two channels of 32 bits

// Level detector. The envelope decays towards the signal with a time
// constant of about a quarter of a second, slow against the bits of a tape
// (well under a millisecond) and long silences between blocks of data.
constexpr float ENVELOPE_RELEASE = 1.0f / (0.25f * TAPE_TICKS_PER_SECOND);
// Hysteresis on each side of the midpoint, as a share of the envelope.
constexpr float HYSTERESIS_SHARE = 0.125f;
// Nothing quieter than this (about -46 dB of full scale) counts as a swing:
// hiss and dither on a silent stretch do not move the level.
constexpr float MIN_HYSTERESIS = 0.005f;

uint32_t le16(const uint8_t* at) { return static_cast<uint32_t>(at[0] | (at[1] << 8)); }
uint32_t le32(const uint8_t* at) { return le16(at) | (le16(at + 2) << 16); }

// Reads `count` bytes at `offset`; false when they are not all inside the
// file or the read comes up short.
bool read_at(FileStream& file, int64_t offset, uint8_t* into, int64_t count, int64_t file_size) {
    if (offset < 0 || count < 0 || offset > file_size || count > file_size - offset) return false;
    if (file.seek(offset, SEEK_FROM_START) != 0) return false;
    return file.read(into, 1, static_cast<size_t>(count)) == static_cast<size_t>(count);
}

bool supported(WavSampleFormat format, uint16_t bits) {
    if (format == WavSampleFormat::IEEE_FLOAT) return bits == 32;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

WavTapeFormat read_wav_tape_format(FileStream& file, int64_t file_size) {
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

void WavTapeConverter::start(FileStream& file, const WavTapeFormat& format) {
    active_ = format.understood && format.converted;
    sample_format_ = format.sample_format;
    bytes_per_sample_ = format.bits_per_sample / 8;
    channels_ = format.channels;
    frame_bytes_ = bytes_per_sample_ * channels_;
    sample_rate_hz_ = format.sample_rate_hz;
    frames_left_ = format.frames;
    ticks_left_ = format.ticks;
    previous_ = current_ = 0.0f;
    phase_ = 0;
    primed_ = false;
    swing_seen_ = false;
    rest_ = high_ = low_ = 0.0f;
    polarity_ = 1.0f;
    level_ = 0;
    if (active_) file.seek(format.data_offset, SEEK_FROM_START);
}

void WavTapeConverter::decode(const uint8_t* bytes, int32_t frames, float* mono) const {
    auto mix = [&](auto sample_at) {
        if (channels_ == 1) {
            for (int32_t i = 0; i < frames; ++i) mono[i] = sample_at(bytes + i * frame_bytes_);
        } else {
            for (int32_t i = 0; i < frames; ++i) {
                const uint8_t* frame = bytes + i * frame_bytes_;
                mono[i] = 0.5f * (sample_at(frame) + sample_at(frame + bytes_per_sample_));
            }
        }
    };
    if (sample_format_ == WavSampleFormat::IEEE_FLOAT) {
        mix([](const uint8_t* at) {
            float value = 0.0f;
            std::memcpy(&value, at, sizeof value);  // little-endian hosts
            // Out-of-range values (and infinities, and NaN) are clipped so the
            // detector's envelope stays finite.
            return value > 1.0f ? 1.0f : (value >= -1.0f ? value : -1.0f);
        });
        return;
    }
    switch (bytes_per_sample_) {
        case 1: mix([](const uint8_t* at) { return (static_cast<float>(at[0]) - 128.0f) * (1.0f / 128.0f); }); break;
        case 2:
            mix([](const uint8_t* at) {
                return static_cast<float>(static_cast<int16_t>(le16(at))) * (1.0f / 32768.0f);
            });
            break;
        case 3:
            mix([](const uint8_t* at) {
                const auto value =
                    static_cast<int32_t>((at[0] << 8) | (at[1] << 16) | (static_cast<uint32_t>(at[2]) << 24));
                return static_cast<float>(value) * (1.0f / 2147483648.0f);
            });
            break;
        default:
            mix([](const uint8_t* at) {
                return static_cast<float>(static_cast<int32_t>(le32(at))) * (1.0f / 2147483648.0f);
            });
            break;
    }
}

uint8_t WavTapeConverter::detect(float value) {
    if (!swing_seen_) {
        const float swing = value - rest_;
        if (swing <= MIN_HYSTERESIS && swing >= -MIN_HYSTERESIS) return TAPE_LEVEL_LOW;
        // The first clear swing: its direction is the rise of the machine's
        // output, so a downward one means the recording is inverted.
        swing_seen_ = true;
        polarity_ = swing > 0.0f ? 1.0f : -1.0f;
        high_ = low_ = rest_ * polarity_;
    }
    const float y = value * polarity_;
    high_ = y > high_ ? y : high_ + (y - high_) * ENVELOPE_RELEASE;
    low_ = y < low_ ? y : low_ + (y - low_) * ENVELOPE_RELEASE;
    const float middle = 0.5f * (high_ + low_);
    const float hysteresis = std::max((high_ - low_) * HYSTERESIS_SHARE, MIN_HYSTERESIS);
    if (level_ != 0) {
        if (y < middle - hysteresis) level_ = 0;
    } else if (y > middle + hysteresis) {
        level_ = 1;
    }
    return level_ != 0 ? TAPE_LEVEL_HIGH : TAPE_LEVEL_LOW;
}

void WavTapeConverter::fill(FileStream& file, uint8_t* out, int32_t count) {
    if (!active_) return;
    std::array<uint8_t, BLOCK_FRAMES * MAX_FRAME_BYTES> bytes;
    std::array<float, BLOCK_FRAMES> mono;
    int32_t available = 0;
    int32_t next = 0;
    // The next input sample; the last one is held once the data runs out.
    auto next_sample = [&]() {
        if (next == available) {
            const auto frames = static_cast<int32_t>(std::min<int64_t>(BLOCK_FRAMES, frames_left_));
            const size_t got = frames > 0 ? file.read(bytes.data(), static_cast<size_t>(frame_bytes_), frames) : 0;
            if (got == 0) {
                frames_left_ = 0;
                return current_;
            }
            frames_left_ -= static_cast<int64_t>(got);
            available = static_cast<int32_t>(got);
            next = 0;
            decode(bytes.data(), available, mono.data());
        }
        return mono[static_cast<size_t>(next++)];
    };

    if (!primed_) {
        primed_ = true;
        previous_ = next_sample();
        current_ = frames_left_ > 0 || next < available ? next_sample() : previous_;
        rest_ = previous_;
    }
    const auto played = static_cast<int32_t>(std::min<int64_t>(count, ticks_left_));
    constexpr float PHASE_SCALE = 1.0f / TAPE_TICKS_PER_SECOND;
    for (int32_t i = 0; i < played; ++i) {
        while (phase_ >= TAPE_TICKS_PER_SECOND) {
            previous_ = current_;
            current_ = next_sample();
            phase_ -= TAPE_TICKS_PER_SECOND;
        }
        const float value = previous_ + (current_ - previous_) * (static_cast<float>(phase_) * PHASE_SCALE);
        out[i] = detect(value);
        phase_ += sample_rate_hz_;
    }
    std::fill(out + played, out + count, TAPE_LEVEL_LOW);
    ticks_left_ -= played;
    // Frames read ahead for the next call are read again then.
    if (next < available) {
        file.seek(-static_cast<int64_t>(available - next) * frame_bytes_, SEEK_FROM_CURRENT);
        frames_left_ += available - next;
    }
}

}  // namespace m5
