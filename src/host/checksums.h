// Checksums of the save-state files: SHA-256 names the ROM images a state was
// made with, CRC-32 (the zlib/PNG polynomial) guards the file's bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace m5 {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(const uint8_t* data, size_t size);

// CRC-32 (reflected, polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF).
// `crc` continues an earlier result over more bytes; start with 0.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace m5
