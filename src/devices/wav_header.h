// The 44-byte header of a PCM WAV file, as the tape deck writes its tapes and
// the sound recorder its recordings. All fields little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace m5 {

inline constexpr int32_t WAV_HEADER_SIZE = 44;

struct WavFormat {
    uint16_t channels;
    uint32_t sample_rate_hz;
    uint16_t bits_per_sample;
};

inline void put_le16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void put_le32(uint8_t* at, uint32_t value) {
    put_le16(at, value);
    put_le16(at + 2, value >> 16);
}

// The header for `data_bytes` bytes of samples in the given format.
inline std::array<uint8_t, WAV_HEADER_SIZE> wav_header(const WavFormat& format, uint32_t data_bytes) {
    const uint32_t block_align = format.channels * format.bits_per_sample / 8u;
    std::array<uint8_t, WAV_HEADER_SIZE> header{};
    uint8_t* h = header.data();
    std::memcpy(h + 0, "RIFF", 4);
    put_le32(h + 4, data_bytes + (WAV_HEADER_SIZE - 8));
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    put_le32(h + 16, 16);  // format chunk length
    put_le16(h + 20, 1);   // PCM
    put_le16(h + 22, format.channels);
    put_le32(h + 24, format.sample_rate_hz);
    put_le32(h + 28, format.sample_rate_hz * block_align);  // bytes a second
    put_le16(h + 32, block_align);
    put_le16(h + 34, format.bits_per_sample);
    std::memcpy(h + 36, "data", 4);
    put_le32(h + 40, data_bytes);
    return header;
}

}  // namespace m5
