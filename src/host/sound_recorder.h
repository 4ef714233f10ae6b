// SoundRecorder: records the sound blocks the host plays into a WAV file.
//
// While recording, each block of 16-bit mono samples is appended to
// "sound.tmp" in the recording directory; stopping turns it into
// "sound.wav" (16-bit stereo PCM, each sample in both channels), written
// whole or not at all. An existing "sound.wav" is kept: it is renamed
// "sound-1.wav" (or the first free "sound-N.wav") first.
//
// A recording keeps the sample rate it started with: blocks played at
// another rate (the sound output was reopened) are resampled to it by linear
// interpolation, the position carried from block to block. Units: samples
// and hertz.
//
// The user is told, through the platform's message, of a recording that
// cannot start or cannot be written whole (earlier recordings then stay as
// they were).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/file_stream.h"

namespace m5 {

class Platform;

class SoundRecorder {
public:
    explicit SoundRecorder(Platform& platform);
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Where "sound.tmp" and "sound.wav" go (ends with '/', or "" for the
    // working directory); used from the next start.
    void set_directory(const std::string& dir) { files_dir = dir; }

    // Starts recording blocks of `rate_hz` into "sound.tmp"; nothing when
    // already recording, or when the file cannot be created (error() says
    // why and the user is told).
    void start(int32_t rate_hz);
    // Stops and writes "sound.wav"; nothing when not recording.
    void stop();
    // A recording in progress is dropped and starts again, empty, at
    // `rate_hz`; nothing when not recording.
    void restart(int32_t rate_hz);
    // Appends one block of `count` samples played at `rate_hz`.
    void record_block(const int16_t* block, int32_t count, int32_t rate_hz);

    bool recording() const { return is_recording; }
    // 0, or the error number that kept the last recording from starting or
    // from being written whole as "sound.wav" (which is then unchanged).
    int32_t error() const { return record_error; }
    // Blocks recorded since the recording started.
    int32_t blocks() const { return record_blocks; }

private:
    // stop's work: turns "sound.tmp" into "sound.wav", setting record_error
    // on failure.
    void write_recording();
    // Moves an earlier "sound.wav" aside to the first free "sound-N.wav";
    // false when it is still in the way.
    bool keep_earlier_recording(const std::string& wav_path);

    Platform& platform;
    std::string files_dir;
    std::unique_ptr<FileStream> record_stream;
    int32_t record_blocks = 0;
    int32_t record_error = 0;
    bool is_recording = false;
    int32_t record_rate_hz = 0;
    uint32_t record_samples = 0;
    double record_phase = 0.0;  // input position of the next output sample
    int16_t record_last = 0;    // last input sample of the previous block
    std::vector<int16_t> resampled;
};

}  // namespace m5
