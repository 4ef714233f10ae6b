// The save-state file: a whole machine between two frames, as the host's
// save_state writes it.
//
// Layout, integers little-endian:
//   magic "M5STATE" 0x1A
//   u32 format version
//   text emulator version (u32 length, characters)
//   u64 frames run since the machine started, u32 machine time (clocks)
//   32 bytes SHA-256 of the IPL ROM window, 32 bytes of the cartridge window
//   u32 length of the chunks, u32 length packed, the chunks packed by zlib
//     (one listing the machine's components, one per component and one of
//     the host: tag, length, layout version, fields)
//   u32 length, a PNG thumbnail of the picture
//   u32 CRC-32 of every byte before it
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/checksums.h"

namespace m5 {

// 3: each chunk with its own layout version, and the components listed.
// Older formats still load: 1 (tapes named by a path) and 2 (tapes named by
// their content), whose chunks have no versions.
inline constexpr uint32_t STATE_FORMAT_VERSION = 3;
inline constexpr int32_t THUMBNAIL_WIDTH = 128;
inline constexpr int32_t THUMBNAIL_HEIGHT = 96;
// The first bytes of every state file: "M5STATE" 0x1A.
inline constexpr uint8_t STATE_FILE_MAGIC[8] = {'M', '5', 'S', 'T', 'A', 'T', 'E', 0x1A};

struct StateFile {
    uint32_t format_version = STATE_FORMAT_VERSION;
    std::string emulator_version;
    uint64_t frames = 0;
    uint32_t machine_time = 0;
    Sha256Digest ipl{};
    Sha256Digest cartridge{};
    std::vector<uint8_t> chunks;
    std::vector<uint8_t> thumbnail;  // PNG; may be empty
};

std::vector<uint8_t> encode_state_file(const StateFile& state);

// Reads a state file. False with a one-line reason when it is not a state
// file, is damaged anywhere (the CRC), or has another format version; `out`
// is then unspecified.
bool decode_state_file(const std::vector<uint8_t>& bytes, StateFile& out, std::string& error);

// The emulator's version, as written into state files.
const char* emulator_version();

}  // namespace m5
