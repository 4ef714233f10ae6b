// What the frontend hands the core as content: a cartridge or a tape, told
// apart by the file's extension (.rom and .bin cartridges, .cas and .wav
// tapes) or, without one, by the bytes (a WAV file begins "RIFF", a SORDM5
// tape file "SORDM5"). Whether the content is one the machine can use is the
// library's rule (m5emu_insert_cartridge, m5emu_check_tape), applied before
// the machine is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace m5::libretro {

enum class ContentKind : uint8_t { CARTRIDGE, TAPE_CAS, TAPE_WAV };

// The longest file the core reads (a tape is held in memory twice).
inline constexpr size_t MAX_TAPE_BYTES = size_t{1} << 30;

// The kind of content. `path` may be null or have no extension.
ContentKind content_kind(const char* path, const uint8_t* data, size_t size);

// The file name of `path` without its folders ("" for null).
std::string file_name_of(const char* path);

}  // namespace m5::libretro
