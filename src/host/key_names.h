// Key names: the M5 keys by the names scripts and configuration files give
// them ("SPACE", "RETURN", "F1", a single letter or digit), as virtual-key
// codes. Names are matched without regard to case.
#pragma once

#include <cstdint>
#include <string>

namespace m5 {

// The virtual-key code of `name`; 0 when no key has that name.
int32_t virtual_key_named(const std::string& name);

// The first name of the virtual key `code` ("" when it has none).
std::string name_of_virtual_key(int32_t code);

}  // namespace m5
