// Host keyboard to virtual-key codes.
//
// The keyboard matrix and the paste sequencer speak Windows virtual-key
// codes, laid out as on a Japanese (JIS) keyboard. The desktop program gets
// key events from GTK; it translates them by physical key (the evdev scan
// code, which GDK reports as the hardware keycode minus 8 on X11 and
// Wayland), never by key symbol, so a key gives the same code whether Shift
// is held or not and whatever keyboard layout the desktop uses. Each
// position gives an M5 key by its name in the host's key table
// (key_names.h), as the libretro core and the web page map theirs.
//
// KeyboardTracker also keeps what the platform cannot ask the desktop for: the
// physical state of the side-specific Shift, Control and Alt keys, and which
// keys are down, so that all of them can be released when the window loses
// the keyboard focus (their release events then go to another window).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace m5 {

// Offset between an X11/Wayland hardware keycode and the evdev scan code.
inline constexpr uint32_t XKB_EVDEV_OFFSET = 8;

// Virtual-key code of a physical key given by its evdev scan code; 0 when the
// key has none. Shift, Control and Alt give the generic codes 0x10, 0x11 and
// 0x12, as the key messages of the original platform do.
uint8_t virtual_key_for_scancode(uint32_t scancode);

// The same for a GDK hardware keycode (evdev scan code + 8).
inline uint8_t virtual_key_for_keycode(uint32_t keycode) {
    return keycode < XKB_EVDEV_OFFSET ? 0 : virtual_key_for_scancode(keycode - XKB_EVDEV_OFFSET);
}

// Side-specific code (0xA0..0xA5) of a physical Shift, Control or Alt key, or
// 0 for every other key.
uint8_t side_modifier_for_scancode(uint32_t scancode);

class KeyboardTracker {
public:
    // A physical key went down (repeats included). Returns the virtual-key code
    // to hand to the host's key_down, or 0 for a key without one. The
    // side-specific modifier state is updated before the code is returned, so
    // the host's query for it sees the key down.
    uint8_t press(uint32_t scancode);

    // A physical key went up. Returns the code for the host's key_up, or 0.
    // The modifier state is updated first, so the host sees the key up.
    uint8_t release(uint32_t scancode);

    // Releases every key still down and returns, once each, the codes the host
    // should get key_up for. Used when the window loses the keyboard focus.
    std::vector<uint8_t> release_all();

    // Physical state of a side-specific modifier (0xA0..0xA5).
    bool modifier_down(int32_t virtual_key) const;

    // Whether the key is down (a press now is a repeat).
    bool is_down(uint32_t scancode) const { return scancode < MAX_SCANCODE && down_[scancode]; }

private:
    static constexpr uint32_t MAX_SCANCODE = 256;
    std::array<bool, MAX_SCANCODE> down_{};
};

}  // namespace m5
