// Reading WAV recordings of real cassettes as tape levels.
//
// The tape deck's own WAV files hold one 8-bit sample per tape tick. Tapes
// digitised elsewhere are ordinary PCM WAV files at their own rate, sample
// format and channel count. This unit reads the RIFF header of a WAV tape,
// decides how the deck plays it, and turns a recording that is not in the
// deck's own format into one level per tape tick:
//
// 1. The channels are mixed to mono and the samples scaled to -1..1.
// 2. The signal is resampled to the tick rate (TAPE_TICKS_PER_SECOND) by
//    linear interpolation, with an exact integer phase so long tapes do not
//    drift.
// 3. A level detector turns it into levels. Its midpoint is the middle of a
//    slowly decaying envelope of the signal's peaks, so it follows the
//    recording's DC offset and amplitude, and a hysteresis of a fraction of
//    the envelope keeps noise near the midpoint from toggling the level. The
//    machine's cassette output rests low, so the first clear swing away from
//    the level a recording starts at is taken as a rise; a recording whose
//    first swing goes down has its polarity turned.
//
// The conversion is streamed: the converter keeps a few numbers of state
// between calls and decodes the file through a small block on the stack, so
// a recording of any length costs no more memory than the deck's own buffer.
#pragma once

#include <cstdint>

#include "host/file_stream.h"

namespace m5 {

// Tape ticks a second of machine time (one every 80 machine clocks).
inline constexpr int32_t TAPE_TICKS_PER_SECOND = 47500;
// The playback byte of a converted tick: bit 7 is the level.
inline constexpr uint8_t TAPE_LEVEL_HIGH = 0x80;
inline constexpr uint8_t TAPE_LEVEL_LOW = 0x00;

enum class WavSampleFormat : uint8_t { PCM_INTEGER, IEEE_FLOAT };

// What the deck makes of a WAV tape.
struct WavTapeFormat {
    // The header was understood: a RIFF/WAVE file with a PCM integer or float
    // format chunk the converter reads and a data chunk. When false, the
    // deck falls back to skipping 44 bytes and playing one byte a tick.
    bool understood = false;
    // True when the samples are converted; false when they play one byte a
    // tick as they stand (the deck's own 8-bit mono files at 47500 or 48000
    // Hz, and every file whose header is not understood).
    bool converted = false;
    WavSampleFormat sample_format = WavSampleFormat::PCM_INTEGER;
    uint16_t bits_per_sample = 0;
    uint16_t channels = 0;
    uint32_t sample_rate_hz = 0;
    // Where the samples start in the file, and how many bytes of them the
    // file really holds (never more than lies between data_offset and the
    // end of the file).
    int64_t data_offset = 0;
    int64_t data_bytes = 0;
    // Whole sample frames (one sample of every channel) in the data.
    int64_t frames = 0;
    // Ticks the converted recording lasts (0 when played raw).
    int64_t ticks = 0;
};

// Reads the header of the WAV file open in `file`, whose size is
// `file_size` bytes. Walks the RIFF chunks from the start of the file and
// leaves the stream position anywhere; never reads past `file_size`.
WavTapeFormat read_wav_tape_format(FileStream& file, int64_t file_size);

// Converts a recording to one byte per tape tick (TAPE_LEVEL_HIGH or
// TAPE_LEVEL_LOW), block by block.
class WavTapeConverter {
public:
    // Starts converting the recording described by `format` (which must be
    // understood and converted), from the beginning of its data.
    void start(FileStream& file, const WavTapeFormat& format);
    // Stops converting; fill() then does nothing.
    void stop() { active_ = false; }
    bool active() const { return active_; }

    // Writes the next `count` ticks to `out`. Ticks after the end of the
    // recording are TAPE_LEVEL_LOW. The stream is left where the next call
    // continues.
    void fill(FileStream& file, uint8_t* out, int32_t count);

private:
    // Decodes `frames` whole frames from `bytes` into mono samples.
    void decode(const uint8_t* bytes, int32_t frames, float* mono) const;
    // One resampled value through the level detector: the tick's byte.
    uint8_t detect(float value);

    bool active_ = false;
    WavSampleFormat sample_format_ = WavSampleFormat::PCM_INTEGER;
    int32_t bytes_per_sample_ = 0;
    int32_t channels_ = 0;
    int32_t frame_bytes_ = 0;
    uint32_t sample_rate_hz_ = 0;
    // Frames of the data not yet read from the file; ticks not yet played.
    int64_t frames_left_ = 0;
    int64_t ticks_left_ = 0;

    // Resampler: the two input samples around the next tick, and the tick's
    // position between them in 1/TAPE_TICKS_PER_SECOND of an input sample.
    float previous_ = 0.0f;
    float current_ = 0.0f;
    int64_t phase_ = 0;
    bool primed_ = false;

    // Level detector.
    bool swing_seen_ = false;  // the first swing (and so the polarity) is known
    float rest_ = 0.0f;        // the value the recording starts at
    float polarity_ = 1.0f;    // -1 for a recording whose first swing goes down
    float high_ = 0.0f;        // envelope of the peaks
    float low_ = 0.0f;
    uint8_t level_ = 0;
};

}  // namespace m5
