// Key names: the M5 keys by the names scripts and configuration files give
// them ("SPACE", "RETURN", "F1", a single letter or digit), as virtual-key
// codes. Names are matched without regard to case.
//
// The M5's own keys are listed once, by name and by where the keyboard
// matrix reads them (M5_KEYS); every program maps its own keys (a physical
// key's position, a browser's key code, RetroArch's key) onto these names.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace m5 {

// A key of the M5: its name, and the row (port 0x30 + row) and bit at which
// the keyboard matrix reads it. Row 7 is the joystick row: the arrow keys
// give joystick 1's directions there.
struct M5Key {
    const char* name;
    int8_t row;
    int8_t bit;
};

// The M5's keys in matrix order, row by row, then the arrow keys. The two
// Shift keys are LSHIFT and RSHIFT; FUNC is TAB.
std::span<const M5Key> m5_keys();

// The virtual-key code of `name`; 0 when no key has that name.
int32_t virtual_key_named(const std::string& name);

// The first name of the virtual key `code` ("" when it has none).
std::string name_of_virtual_key(int32_t code);

}  // namespace m5
