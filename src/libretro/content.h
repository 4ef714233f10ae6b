// What the frontend hands the core as content: a cartridge or a tape, told
// apart by the file's extension (.rom and .bin cartridges, .cas and .wav
// tapes) or, without one, by the bytes (a WAV file begins "RIFF", a SORDM5
// tape file "SORDM5"). Content the machine could not use is refused here
// with one line saying why, before the machine is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace m5::libretro {

enum class ContentKind : uint8_t { CARTRIDGE, TAPE_CAS, TAPE_WAV };

// The longest tape the core takes (a tape is held in memory twice).
inline constexpr size_t MAX_TAPE_BYTES = size_t{1} << 30;

struct ContentCheck {
    ContentKind kind = ContentKind::CARTRIDGE;
    std::string refusal;  // "" when the content is taken
};

// Classifies and checks content. `path` may be null or have no extension.
// Refused: empty content; a cartridge whose first byte is no cartridge
// identifier (0x00, 0x02 or 0xFF), or that holds anything but padding past
// the 20 KiB cartridge window; a WAV tape that is not a RIFF/WAVE file; a
// tape longer than MAX_TAPE_BYTES.
ContentCheck check_content(const char* path, const uint8_t* data, size_t size);

// The file name of `path` without its folders ("" for null).
std::string file_name_of(const char* path);

}  // namespace m5::libretro
