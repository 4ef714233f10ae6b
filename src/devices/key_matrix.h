// KeyMatrix: the M5 keyboard and joystick inputs.
//
// Stands for the keyboard matrix read through ports 0x30-0x37: seven rows of
// eight keys (port 0x30 + row) and one row of joystick directions (port
// 0x37). A result bit is 1 while its key is pressed. There is no state of
// its own: every read looks at the host's key-state array (indexed by host
// virtual-key code, a key pressed while its byte is non-zero) and joystick
// bytes at that moment.
//
// Ports: read 0x30-0x37 (low byte decoded; anything else reads 0xFF).
// Time: none.
//
// Port 0x31 also carries the fire buttons (joystick 1 on bits 0 and 1,
// joystick 2 on bits 4 and 5), ORed over the keys 1, 2, 5 and 6.
//
// Known differences from the real machine:
// - The host has one Shift key, which presses both of the M5's shift keys
//   (row 0 bits 2 and 3). Row 0 bits 4 and 5 are wired to no host key and
//   always read 0.
// - No key ghosting or bouncing: any combination of keys reads cleanly.
#pragma once

#include <cstdint>

#include "devices/virtual_keys.h"
#include "machine/component.h"

namespace m5 {

inline constexpr int32_t KEY_ROW_COUNT = 7;
inline constexpr int32_t KEY_PORT_FIRST = 0x30;
inline constexpr int32_t JOYSTICK_PORT = 0x37;

// The host key read for each bit of rows 0..6. Row 1 (keys 1 to 8) is
// listed for completeness; port 0x31 reads those keys directly.
inline constexpr VirtualKey KEY_ROWS[KEY_ROW_COUNT][8] = {
    {VK_CONTROL, VK_TAB, VK_SHIFT, VK_SHIFT, VK_NONE, VK_NONE, VK_SPACE, VK_RETURN},
    {VK_1, VK_2, VK_3, VK_4, VK_5, VK_6, VK_7, VK_8},
    {VK_Q, VK_W, VK_E, VK_R, VK_T, VK_Y, VK_U, VK_I},
    {VK_A, VK_S, VK_D, VK_F, VK_G, VK_H, VK_J, VK_K},
    {VK_Z, VK_X, VK_C, VK_V, VK_B, VK_N, VK_M, VK_OEM_COMMA},
    {VK_9, VK_0, VK_OEM_MINUS, VK_OEM_7, VK_OEM_PERIOD, VK_OEM_2, VK_OEM_102, VK_OEM_5},
    {VK_O, VK_P, VK_OEM_3, VK_OEM_4, VK_L, VK_OEM_PLUS, VK_OEM_1, VK_OEM_6},
};

class KeyMatrix final : public Component {
public:
    KeyMatrix(MachineServices* machine, MachineHost* host);

    // Takes the addresses of the host's key-state and joystick arrays.
    void init() override;
    int32_t port_read8(int32_t port) override;

    // Until init (or without a host) both point at all-zero arrays: no key.
    const uint8_t* host_keys;
    const uint8_t* host_joysticks;
};

}  // namespace m5
