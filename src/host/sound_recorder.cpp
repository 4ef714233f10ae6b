#include "host/sound_recorder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "devices/wav_header.h"
#include "host/platform.h"
#include "host/whole_file.h"

namespace m5 {

SoundRecorder::SoundRecorder(Platform& platform_services) : platform(platform_services) {}

void SoundRecorder::record_block(const int16_t* block, int32_t count, int32_t rate_hz) {
    record_blocks += 1;
    if (rate_hz == record_rate_hz) {
        record_stream->write(block, sizeof(int16_t), static_cast<size_t>(count));
        record_samples += static_cast<uint32_t>(count);
        record_last = block[count - 1];
        record_phase = 0.0;
        return;
    }
    // Linear interpolation over the block, with the previous block's last
    // sample before it (input position -1), carrying the position across
    // blocks.
    const double step = static_cast<double>(rate_hz) / record_rate_hz;
    resampled.clear();
    while (record_phase < count - 1) {
        const double floor_pos = std::floor(record_phase);
        const auto at = static_cast<int32_t>(floor_pos);
        const double a = at < 0 ? record_last : block[at];
        const double b = block[at + 1];
        resampled.push_back(static_cast<int16_t>(std::lround(a + (b - a) * (record_phase - floor_pos))));
        record_phase += step;
    }
    record_phase -= count;
    record_last = block[count - 1];
    record_stream->write(resampled.data(), sizeof(int16_t), resampled.size());
    record_samples += static_cast<uint32_t>(resampled.size());
}

void SoundRecorder::start(int32_t rate_hz) {
    if (is_recording) return;
    auto stream = std::make_unique<FileStream>();
    if (!stream->open(files_dir + "sound.tmp", FILE_WRITE_BINARY)) {
        record_error = errno != 0 ? errno : EIO;
        platform.show_message("Sound recording cannot start: " + std::string(std::strerror(record_error)) + ".");
        return;
    }
    record_stream = std::move(stream);
    record_blocks = 0;
    record_samples = 0;
    record_rate_hz = rate_hz;
    record_phase = 0.0;
    record_last = 0;
    record_error = 0;
    is_recording = true;
}

void SoundRecorder::stop() {
    if (!is_recording) return;
    write_recording();
    if (record_error != 0) {
        platform.show_message("The sound recording could not be written: " + std::string(std::strerror(record_error)) +
                              "; earlier recordings are kept.");
    }
}

void SoundRecorder::restart(int32_t rate_hz) {
    if (!is_recording) return;
    record_stream.reset();
    is_recording = false;
    start(rate_hz);
}

void SoundRecorder::write_recording() {
    is_recording = false;
    // The stream remembers the first block that failed to reach the file.
    const bool recorded = record_stream->close();
    if (!recorded) record_error = record_stream->error();
    record_stream.reset();

    const std::string wav_path = files_dir + "sound.wav";
    const std::string tmp_path = files_dir + "sound.tmp";
    if (!recorded) {
        // Samples are missing: no whole WAV file can be made of it, and the
        // old one stays.
        FileStream::remove(tmp_path);
        return;
    }
    // The recording must be readable before the new WAV file is written;
    // otherwise both files stay as they are.
    FileStream tmp;
    if (!tmp.open(tmp_path, FILE_READ_BINARY)) {
        record_error = errno != 0 ? errno : EIO;
        return;
    }
    // The WAV file takes its place only once it is complete; should that
    // fail, "sound.tmp" stays.
    WholeFile wav;
    if (const int32_t error = wav.create(wav_path); error != 0) {
        record_error = error;
        return;
    }

    // The sample count, not the temporary file's size, decides the length.
    const uint32_t data_bytes = record_samples * 4;
    // 16-bit stereo: each recorded mono sample in both channels.
    const auto header = wav_header(
        {.channels = 2, .sample_rate_hz = static_cast<uint32_t>(record_rate_hz), .bits_per_sample = 16}, data_bytes);
    wav.write(header.data(), 1, header.size());

    // Each mono sample becomes a stereo frame (left, right). Samples the
    // temporary file falls short of are completed with silence. Failed
    // writes are remembered and reported when the file is finished.
    constexpr size_t CHUNK = 4096;
    std::vector<int16_t> mono(CHUNK);
    std::vector<int16_t> stereo(CHUNK * 2);
    for (uint32_t done = 0; done < record_samples;) {
        const size_t samples = std::min<size_t>(CHUNK, record_samples - done);
        const size_t got = tmp.read(mono.data(), sizeof(int16_t), samples);
        std::fill(mono.begin() + static_cast<std::ptrdiff_t>(got), mono.begin() + static_cast<std::ptrdiff_t>(samples),
                  int16_t{0});
        for (size_t i = 0; i < samples; ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];
        wav.write(stereo.data(), sizeof(int16_t), samples * 2);
        done += static_cast<uint32_t>(samples);
    }
    tmp.close();
    if (const int32_t error = wav.finish(); error != 0) {
        record_error = error;
    } else if (!keep_earlier_recording(wav_path)) {
        record_error = EEXIST;
    } else if (const int32_t rename_error = wav.commit(); rename_error != 0) {
        record_error = rename_error;
    } else {
        FileStream::remove(tmp_path);
    }
}

bool SoundRecorder::keep_earlier_recording(const std::string& wav_path) {
    // An earlier recording is kept under the first free "sound-N.wav".
    std::error_code error;
    if (!std::filesystem::is_regular_file(wav_path, error)) return true;
    for (int32_t n = 1; n < 100000; ++n) {
        const std::string kept = files_dir + "sound-" + std::to_string(n) + ".wav";
        if (std::filesystem::exists(kept, error)) continue;
        std::filesystem::rename(wav_path, kept, error);
        break;
    }
    return !std::filesystem::exists(wav_path, error);  // could not be moved: nothing is replaced
}

}  // namespace m5
