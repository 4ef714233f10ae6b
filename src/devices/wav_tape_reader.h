// Reading WAV recordings of real cassettes as tape levels.
//
// The tape deck's own WAV files hold one 8-bit sample per tape tick. Tapes
// digitised elsewhere are ordinary PCM WAV files at their own rate, sample
// format and channel count. This unit reads the RIFF header of a WAV tape,
// decides how the deck plays it, and turns a recording that is not in the
// deck's own format into one level per tape tick:
//
// 1. The channels are mixed to mono and the samples scaled to -1..1.
// 2. A level detector turns each sample into a level (TapeLevelDetector). The
//    machine's cassette output rests low, so the first clear swing away from
//    the level a recording starts at (clear: at least 30 % of the loudest
//    swing in its first 30 seconds, read once when the first ticks are
//    asked for, and lasting 0.1 ms, longer than a click) is taken as a
//    rise; a recording whose first swing goes down has its polarity turned.
// 3. Each tick (TAPE_TICKS_PER_SECOND a second) takes the level of the sample
//    nearest to it in time.
//
// The conversion is streamed: the converter keeps a few numbers of state
// between calls and reads the samples into the part of the tick buffer it is
// filling that the ticks have not reached yet, so a recording of any length
// costs no memory beyond the deck's own buffer.
#pragma once

#include <cstdint>

#include "devices/tape_media.h"

namespace m5 {

class StateArchive;
class StateReader;
class StateWriter;

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
WavTapeFormat read_wav_tape_format(TapeCursor& file, int64_t file_size);

// Turns a recording's samples into levels. Its midpoint is the middle of an
// envelope of the signal's peaks that follows a new peak at once (a much
// higher one, such as a click, by a quarter of the step a sample) and decays
// slowly towards the signal, so it follows the recording's DC offset and
// amplitude; levels change only when the signal passes the midpoint by a
// hysteresis of a share of the envelope.
struct TapeLevelDetector {
    // Ready for a recording at `sample_rate_hz` (sets the decay per update).
    void start(uint32_t sample_rate_hz);
    // Before the first swing: takes the first value as the resting level and
    // returns true once `value` swings clear of it (setting the polarity).
    bool find_swing(float value);

    bool started = false;
    bool swing_seen = false;       // the first swing (and so the polarity) is known
    float swing_threshold = 0.0f;  // how far from the first value a swing goes
    int32_t swing_samples = 1;     // and for how many samples in a row
    int32_t swing_direction = 0;   // the swing so far: 1 up, -1 down, 0 none
    int32_t swing_run = 0;         // and its length in samples
    float rest = 0.0f;             // the value the recording starts at
    float polarity = 1.0f;         // -1 for a recording whose first swing goes down
    float high = 0.0f;             // the envelope
    float low = 0.0f;
    float release = 0.0f;  // share the envelope decays by at each update
    int32_t samples_to_update = 0;
    uint8_t level = 0;
};

// Converts a recording to one byte per tape tick (TAPE_LEVEL_HIGH or
// TAPE_LEVEL_LOW), block by block.
class WavTapeConverter {
public:
    // Starts converting the recording described by `format` (which must be
    // understood and converted), from the beginning of its data.
    void start(TapeCursor& file, const WavTapeFormat& format);
    // Stops converting; fill() then does nothing.
    void stop() { active_ = false; }
    bool active() const { return active_; }

    // Writes the next `count` ticks to `out`. Ticks after the end of the
    // recording are TAPE_LEVEL_LOW. The stream is left where the next call
    // continues.
    void fill(TapeCursor& file, uint8_t* out, int32_t count);

    // Every field, described once for the tape deck's save state; a load
    // marks the reader failed on a value the converter cannot take.
    void describe_state(StateArchive& archive);
    void save_state(StateWriter& out);
    void load_state(StateReader& in);

private:
    // Runs `frames` frames read into `block` through the detector, leaving
    // frame k's level byte in block[k].
    void detect(uint8_t* block, int32_t frames);
    // Before the first ticks: reads the start of the recording through
    // `scratch` to set how large its first swing must be, then returns to
    // the start of the data.
    void find_loudness(TapeCursor& file, uint8_t* scratch, int32_t scratch_bytes);

    bool active_ = false;
    WavSampleFormat sample_format_ = WavSampleFormat::PCM_INTEGER;
    int32_t sample_bytes_ = 0;
    int32_t channels_ = 0;
    int32_t frame_bytes_ = 0;
    uint32_t sample_rate_hz_ = 0;
    int64_t data_offset_ = 0;
    bool loudness_known_ = false;
    // Frames read from the file so far and still to read; ticks to play.
    int64_t frames_read_ = 0;
    int64_t frames_left_ = 0;
    int64_t ticks_left_ = 0;
    // The next tick's position in the recording, in samples (32.32 fixed
    // point), and the step from one tick to the next: exact to well under a
    // sample over any tape, so long recordings do not drift.
    uint64_t position_ = 0;
    uint64_t step_ = 0;
    // The level of the last sample read.
    uint8_t last_level_ = TAPE_LEVEL_LOW;
    TapeLevelDetector detector_;
};

}  // namespace m5
