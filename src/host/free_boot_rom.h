// The free boot ROM: the emulator's own IPL ROM (roms/boot), assembled at
// build time and compiled in, so that the machine starts with no file at
// all. Every program uses it when the user has no IPL.ROM. It comes in two
// builds, one for each model: the 60 Hz machine's (0xE0 at 0x1518) and the
// 50 Hz machine's (0xE1 there, and its demo's clock counting 50 frames a
// second); everything else is the same.
//
// Its demo shows a hint on where the original IPL ROM goes and how a
// cartridge is inserted. The words depend on the program (a menu, a web
// page, RetroArch), so the ROM keeps them in a block of its own, found by
// the tag "HINT", that each program may fill with its own lines. A state
// names the free boot ROM by its own image whatever the hint says, so states
// move between the programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "m5/machine_config.h"
#include "machine/sha256.h"

namespace m5 {

// The 60 Hz build and the 50 Hz build.
extern const uint8_t FREE_BOOT_ROM[];
extern const size_t FREE_BOOT_ROM_SIZE;
extern const uint8_t FREE_BOOT_ROM_PAL[];
extern const size_t FREE_BOOT_ROM_PAL_SIZE;

// The build for a model.
struct FreeBootRom {
    const uint8_t* data;
    size_t size;
};
FreeBootRom free_boot_rom(M5Model model);

// Said once by a program that found no IPL.ROM and runs the free boot ROM.
inline constexpr const char* NO_IPL_NOTE = "No IPL.ROM found: running the free boot ROM";

// The longest hint line: a screen row.
inline constexpr size_t BOOT_HINT_LINE_CHARS = 32;

// The free boot ROM with `hint` in place of its own words: up to three lines
// separated by '\n' (two on where the original IPL ROM goes, one on how a
// cartridge is inserted), each centred on its row, at most 32 characters of
// printable ASCII; text between two '*' is highlighted. An empty hint keeps
// the ROM's own words. False, with `error` saying why and `rom` unchanged,
// when the hint has other characters or does not fit. The build is the
// model's.
bool free_boot_rom_with_hint(const std::string& hint, std::vector<uint8_t>& rom, std::string& error,
                             M5Model model = M5Model::NTSC);

// True when the IPL ROM area `image` (IPL_ROM_SIZE bytes) holds a build of
// the free boot ROM, with any hint.
bool is_free_boot_rom(const uint8_t* image);

// The digest by which a save state names the IPL ROM area `image`: its
// SHA-256, the same for a build of the free boot ROM whatever its hint.
Sha256Digest ipl_identity(const uint8_t* image);

}  // namespace m5
