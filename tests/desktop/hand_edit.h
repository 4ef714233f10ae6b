// A group of m5emu.conf as a user's hand edit leaves it, for the tests of
// what the program makes of such lines.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "desktop/desktop_choices.h"

namespace m5::test {

// Sets each key of `group` to its text, in order.
inline void hand_edit(DesktopChoices& choices, const std::string& group,
                      std::initializer_list<std::pair<const char*, const char*>> lines) {
    for (const auto& [key, text] : lines) choices.set_value(group, key, text);
}

}  // namespace m5::test
