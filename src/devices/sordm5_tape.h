// SORDM5 tape files: the M5's tape blocks written out as bytes.
//
// The tape files that M5 tools write (z88dk's among them) are not recordings
// but the blocks the machine saves, as bytes:
//
//   "SORDM5", 10 zero bytes (16 in all), then blocks. A block is a type byte
//   ('H' the header, 'D' data), a length byte (0 = 256), that many bytes and
//   a checksum byte: the sum of those bytes modulo 256.
//   The header block holds 31 bytes: the file type (3: a machine-code
//   program, loaded and started), a 9-byte name padded with zeros, the load
//   address, the length and the start address (16 bits each, low byte
//   first) and 15 zero bytes. Data blocks of 256 bytes follow, the last one
//   padded with zeros.
//
// On tape each block is a leader of one-bits, then its bytes: a start bit 0,
// the eight data bits from the lowest up, a stop bit 1. A bit is a low and
// then a high half-period; the block's last byte has no stop bit but a short
// low and a longer high level. The lengths below are those of the published
// writer, in samples at 44.1 kHz.
//
// This unit tells such files apart, lists their blocks and turns them into
// the signal they stand for: half-periods, or the tape deck's run-length
// CAS bytes (one byte a run, bit 7 the level, bits 0-6 the run in tape ticks
// of TAPE_TICKS_PER_SECOND). A truncated file, or a block whose length runs
// past the end, plays what is there and stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace m5 {

// The signature and the file header's length.
inline constexpr char SORDM5_SIGNATURE[] = "SORDM5";
inline constexpr size_t SORDM5_SIGNATURE_SIZE = 6;
inline constexpr size_t SORDM5_FILE_HEADER_SIZE = 16;
inline constexpr uint8_t SORDM5_HEADER_BLOCK = 'H';
inline constexpr uint8_t SORDM5_DATA_BLOCK = 'D';
inline constexpr int32_t SORDM5_HEADER_LENGTH = 31;
inline constexpr int32_t SORDM5_NAME_SIZE = 9;
// File type of a machine-code program that is loaded and started.
inline constexpr uint8_t SORDM5_MACHINE_CODE = 3;
// The most of a file that is read: a header and data blocks for a program
// filling the whole address space, with room to spare. The tape deck plays
// what lies before it.
inline constexpr uint64_t SORDM5_MAX_FILE_BYTES = 1u << 20;

// The signal, in samples at SORDM5_SAMPLE_RATE_HZ.
inline constexpr int32_t SORDM5_SAMPLE_RATE_HZ = 44100;
inline constexpr int32_t SORDM5_ONE_LOW = 7;  // a 1: about 160 + 180 us
inline constexpr int32_t SORDM5_ONE_HIGH = 8;
inline constexpr int32_t SORDM5_ZERO_LOW = 14;  // a 0: about 320 + 340 us
inline constexpr int32_t SORDM5_ZERO_HIGH = 15;
inline constexpr int32_t SORDM5_END_LOW = 8;  // after a block's last byte
inline constexpr int32_t SORDM5_END_HIGH = 14;
inline constexpr int32_t SORDM5_LEADER_BITS = 200;

// True when the image begins with "SORDM5".
bool is_sordm5_image(const uint8_t* data, size_t size);

// The fields of a header block.
struct Sordm5Header {
    uint8_t file_type = 0;
    std::string name;  // up to the first zero byte
    uint16_t load_address = 0;
    uint16_t length = 0;
    uint16_t start_address = 0;
};

// One block as the file holds it.
struct Sordm5Block {
    size_t offset = 0;  // of the type byte in the image
    uint8_t type = 0;
    bool has_length = false;    // the length byte is in the file
    int32_t length = 0;         // bytes the length byte announces (1-256)
    int32_t present = 0;        // of those, the bytes the file holds
    bool has_checksum = false;  // all bytes and the checksum byte are there
    uint8_t checksum = 0;       // the checksum byte
    uint8_t sum = 0;            // the sum of the bytes present
    bool checksum_good() const { return has_checksum && checksum == sum; }
    // Set for an 'H' block that holds at least the type, name and addresses.
    bool has_header = false;
    Sordm5Header header;
};

// The blocks after the file header, in order; the last may be cut short.
// Empty when the image is not SORDM5 or holds no block.
std::vector<Sordm5Block> parse_sordm5_blocks(const uint8_t* data, size_t size);

// Calls `half` for each half-period of the tape signal of the image, in
// order: its level (0 low, 1 high) and its length in samples at 44.1 kHz.
// Nothing for an image that is not SORDM5.
void sordm5_signal(const uint8_t* data, size_t size, const std::function<void(uint8_t level, int32_t samples)>& half);

// The signal as level runs at `rate_hz`: calls `run` with each level and its
// length in whole steps of the rate. Fractions of a step are carried on, so
// the runs add up to the signal's exact length and every half-period is
// within one step of its true length. Consecutive halves of one level are
// one run.
void sordm5_runs(const uint8_t* data, size_t size, int32_t rate_hz,
                 const std::function<void(uint8_t level, int64_t steps)>& run);

// The tape deck's run-length CAS bytes for the image: bit 7 the level, bits
// 0-6 the run in tape ticks (1-127; longer runs are split). Empty for an
// image that is not SORDM5 or holds no block.
std::vector<uint8_t> sordm5_to_cas(const uint8_t* data, size_t size);

}  // namespace m5
