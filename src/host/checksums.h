// Checksums of the save-state files: SHA-256 names the ROM images a state was
// made with, CRC-32 (zlib's) guards the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/sha256.h"

namespace m5 {

// CRC-32 (reflected, polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF).
// `crc` continues an earlier result over more bytes; start with 0.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace m5
