#include "support/sordm5_writer.h"

#include <cstring>

#include "devices/sordm5_tape.h"
#include "devices/wav_header.h"

namespace m5::test {

TapeBytes sordm5_block(uint8_t type, const TapeBytes& bytes) {
    TapeBytes block = {type, static_cast<uint8_t>(bytes.size())};
    uint8_t sum = 0;
    for (const uint8_t b : bytes) {
        block.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    block.push_back(sum);
    return block;
}

TapeBytes sordm5_program(const std::string& name, uint16_t load, uint16_t start, const TapeBytes& program) {
    TapeBytes file(SORDM5_FILE_HEADER_SIZE, 0);
    std::memcpy(file.data(), SORDM5_SIGNATURE, SORDM5_SIGNATURE_SIZE);
    TapeBytes header(SORDM5_HEADER_LENGTH, 0);
    header[0] = SORDM5_MACHINE_CODE;
    for (size_t i = 0; i < name.size() && i < SORDM5_NAME_SIZE; ++i) header[1 + i] = static_cast<uint8_t>(name[i]);
    const auto length = static_cast<uint16_t>(program.size());
    for (const auto& [at, value] : {std::pair<size_t, uint16_t>{10, load}, {12, length}, {14, start}}) {
        header[at] = static_cast<uint8_t>(value);
        header[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    const TapeBytes h = sordm5_block(SORDM5_HEADER_BLOCK, header);
    file.insert(file.end(), h.begin(), h.end());
    for (size_t at = 0; at < program.size(); at += 256) {
        TapeBytes data(256, 0);
        for (size_t i = 0; i < 256 && at + i < program.size(); ++i) data[i] = program[at + i];
        const TapeBytes d = sordm5_block(SORDM5_DATA_BLOCK, data);
        file.insert(file.end(), d.begin(), d.end());
    }
    return file;
}

size_t sordm5_checksum_offset(size_t index) {
    const size_t header_end = SORDM5_FILE_HEADER_SIZE + 2 + SORDM5_HEADER_LENGTH;
    return index == 0 ? header_end : header_end + 1 + index * (2 + 256 + 1) - 1;
}

TapeBytes sordm5_wav(const TapeBytes& image, int32_t sample_rate_hz) {
    constexpr uint8_t LOW = 0x30, HIGH = 0xD0;
    TapeBytes samples(static_cast<size_t>(sample_rate_hz / 10), LOW);
    sordm5_runs(image.data(), image.size(), sample_rate_hz, [&](uint8_t level, int64_t steps) {
        samples.insert(samples.end(), static_cast<size_t>(steps), level != 0 ? HIGH : LOW);
    });
    samples.insert(samples.end(), static_cast<size_t>(sample_rate_hz / 10), LOW);
    const auto header = wav_header({.channels = 1, .sample_rate_hz = SORDM5_SAMPLE_RATE_HZ, .bits_per_sample = 8},
                                   static_cast<uint32_t>(samples.size()));
    TapeBytes wav(header.size() + samples.size());
    std::memcpy(wav.data(), header.data(), header.size());
    std::memcpy(wav.data() + header.size(), samples.data(), samples.size());
    return wav;
}

TapeBytes wav_file(uint16_t channels, uint32_t rate_hz, uint16_t bits, uint32_t data_bytes) {
    const auto header =
        wav_header({.channels = channels, .sample_rate_hz = rate_hz, .bits_per_sample = bits}, data_bytes);
    TapeBytes file(header.size() + data_bytes, 0x80);
    std::memcpy(file.data(), header.data(), header.size());
    return file;
}

TapeBytes square_wave_wav() {
    constexpr uint32_t SAMPLES = 44100;
    TapeBytes file = wav_file(1, SAMPLES, 16, SAMPLES * 2);
    for (uint32_t i = 0; i < SAMPLES; ++i) {
        const uint16_t sample = static_cast<uint16_t>((i / 18) % 2 ? 9000 : -7000);
        file[WAV_HEADER_SIZE + 2 * i] = static_cast<uint8_t>(sample);
        file[WAV_HEADER_SIZE + 2 * i + 1] = static_cast<uint8_t>(sample >> 8);
    }
    return file;
}

}  // namespace m5::test
