// Writing tapes in tests: SORDM5 files, from the format as the published
// tools write it (the signature and 10 zero bytes, a 31-byte header block
// ('H'), then 256-byte data blocks ('D'), the last one padded with zeros;
// each block a type, a length (0 = 256), the bytes and their sum modulo 256),
// and WAV recordings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace m5::test {

using TapeBytes = std::vector<uint8_t>;

// One block: type, length byte, bytes, checksum.
TapeBytes sordm5_block(uint8_t type, const TapeBytes& bytes);

// A whole file holding a machine-code program (file type 3) named `name`,
// loaded at `load` and started at `start`.
TapeBytes sordm5_program(const std::string& name, uint16_t load, uint16_t start, const TapeBytes& program);

// Where the checksum byte of block `index` (0 = the header) lies in a file
// sordm5_program wrote.
size_t sordm5_checksum_offset(size_t index);

// A 44.1 kHz 8-bit mono WAV recording of the file's tape signal, its samples
// taken `sample_rate_hz` times a second of the signal: at 44100 the true
// speed, below it the recording plays fast, above it slow. It starts and
// ends with a tenth of a second of the low level.
TapeBytes sordm5_wav(const TapeBytes& image, int32_t sample_rate_hz);

// A WAV file as the header writer makes it, with `data_bytes` bytes of 0x80.
TapeBytes wav_file(uint16_t channels, uint32_t rate_hz, uint16_t bits, uint32_t data_bytes);

// A second of a 16-bit mono recording at 44.1 kHz: a square wave of 1200 Hz
// with a little offset, as a real recording has.
TapeBytes square_wave_wav();

}  // namespace m5::test
