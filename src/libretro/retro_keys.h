// The host keyboard as RetroArch reports it (RETROK_* codes) and the M5 keys
// it gives, by the names of the library's key table (m5emu_key_name). The
// keys are placed as the desktop program places them: by position on a US
// keyboard for the M5's Japanese symbol keys ("@" right of P, ";" and ":"
// right of L, the yen key left of 1, "_" beside the left Shift), with the
// Japanese keyboard's own symbols (@, ^, :, _) giving their keys too. The
// arrow keys give joystick 1, as on the desktop.
#pragma once

#include <cstdint>
#include <span>

namespace m5::libretro {

struct RetroKey {
    uint32_t retro_key;  // a RETROK_* code
    const char* m5_key;  // the name of an M5 key in the library's table
};

// Every host key that gives an M5 key.
std::span<const RetroKey> retro_keys();

// The name of the M5 key that the host key `retro_key` gives; null when it
// gives none.
const char* m5_key_for_retro_key(uint32_t retro_key);

}  // namespace m5::libretro
