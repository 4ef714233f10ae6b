// Host keyboard to virtual-key codes.
//
// The keyboard matrix and the paste sequencer speak Windows virtual-key
// codes, laid out as on a Japanese (JIS) keyboard. The desktop program gets
// key events from GTK; it translates them by physical key (the evdev scan
// code, which GDK reports as the hardware keycode minus 8 on X11 and
// Wayland), never by key symbol, so a key gives the same code whether Shift
// is held or not and whatever keyboard layout the desktop uses. Each
// position gives an M5 key by its name in the host's key table
// (key_names.h), as the libretro core and the web page map theirs. That is
// the built-in layout; Settings / Controls... gives keys other M5 keys
// (controls.h), and the tracker translates by the map it is given.
//
// KeyboardTracker also keeps what the platform cannot ask the desktop for: the
// physical state of the side-specific Shift, Control and Alt keys, and which
// keys are down, so that all of them can be released when the window loses
// the keyboard focus (their release events then go to another window).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
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

// The physical keys that can be given an M5 key: each by its evdev scan
// code, its name in m5emu.conf (the kernel's name for it in lower case,
// without "KEY_": "q", "leftbrace", "kpenter") and its label for people
// ("[ (right of P)"), in scan code order. The keys the window keeps for
// itself (window_shortcut) are not among them.
struct HostKey {
    uint32_t scancode;
    const char* name;
    const char* label;
};
std::span<const HostKey> host_keys();
// The entry of a scan code, or of a name in any letter case; null for none.
const HostKey* host_key(uint32_t scancode);
const HostKey* host_key_named(const std::string& name);

// The M5 key each physical key presses, by scan code: the virtual-key code of
// the key's name in the host's key table (key_names.h; VK_LSHIFT and
// VK_RSHIFT for the two Shift keys), 0 for none.
using KeyMap = std::array<uint8_t, 256>;
// The built-in layout (the positions described above).
const KeyMap& default_key_map();

// The keys that act on the window instead of the machine (the M5 has no use
// for them): F11 fullscreen, Escape leaves it (only while fullscreen),
// Pause/Break pauses, F12 resets, Print takes a screenshot, F1..F8 load quick
// slot 1..8 and Shift+F1..F8 save it, Backspace held rewinds and F9 held
// runs as fast as the host allows.
enum class WindowKey { none, fullscreen, pause, reset, screenshot, load_slot, save_slot, rewind, fast_forward };
struct WindowShortcut {
    WindowKey key = WindowKey::none;
    int32_t slot = 0;  // 0..7 for the slot keys
};
WindowShortcut window_shortcut(uint32_t scancode, bool shift, bool fullscreen);

class KeyboardTracker {
public:
    KeyboardTracker();

    // The M5 keys the physical keys press from now on; the keys the M5 lacks
    // keep their codes. Keys down are not released: call release_all first.
    void set_key_map(const KeyMap& m5_keys);

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

    // Whether a key down gives the side-specific modifier (0xA0..0xA5): a
    // physical Shift, Control or Alt key, or another key that presses one.
    bool modifier_down(int32_t virtual_key) const;

    // Whether the key is down (a press now is a repeat).
    bool is_down(uint32_t scancode) const { return scancode < MAX_SCANCODE && down_[scancode]; }

private:
    static constexpr uint32_t MAX_SCANCODE = 256;
    // The side-specific code of each scan code's key (VK_LSHIFT, VK_LMENU,
    // ...); press and release hand out the generic one.
    std::array<uint8_t, MAX_SCANCODE> codes_{};
    std::array<bool, MAX_SCANCODE> down_{};
};

}  // namespace m5
