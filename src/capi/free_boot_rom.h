// The free boot ROM, assembled from roms/boot at build time and compiled in,
// so that an embedder needs no file at all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace m5 {

extern const uint8_t FREE_BOOT_ROM[];
extern const size_t FREE_BOOT_ROM_SIZE;

}  // namespace m5
