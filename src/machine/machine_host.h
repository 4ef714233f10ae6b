// MachineHost: everything the emulated machine asks of the program hosting it.
//
// The machine (processor, memory, chips) depends on the standard library only;
// host-side data reaches it through this small interface, which the real host
// and the test hosts implement.
#pragma once

#include <cstddef>
#include <cstdint>

namespace m5 {

inline constexpr int KEY_STATE_SIZE = 256;  // one byte per host virtual-key code
inline constexpr int JOY_PORTS = 2;
inline constexpr int SURFACE_WIDTH = 256;
inline constexpr int SURFACE_HEIGHT = 192;

// Joystick bits in a joy_bits byte.
inline constexpr uint8_t JOY_UP = 0x01;
inline constexpr uint8_t JOY_DOWN = 0x02;
inline constexpr uint8_t JOY_LEFT = 0x04;
inline constexpr uint8_t JOY_RIGHT = 0x08;
inline constexpr uint8_t JOY_BUTTON_1 = 0x10;
inline constexpr uint8_t JOY_BUTTON_2 = 0x20;

class MachineHost {
public:
    virtual ~MachineHost() = default;

    // Address of row 0..191 of the 256 x 192 RGB565 screen surface. Each row
    // keeps its address for the host's lifetime.
    virtual uint16_t* surface_row(int32_t row) = 0;

    // KEY_STATE_SIZE bytes indexed by host virtual-key code; a key counts as
    // pressed while its byte is non-zero. The array never moves.
    virtual const uint8_t* key_state() const = 0;

    // JOY_PORTS bytes of joystick bits (byte 0 joystick 1). Never moves.
    virtual const uint8_t* joy_bits() const = 0;

    // The CPU speed setting, an index 0..4 for x1..x16, held in the host's
    // settings record. The scheduler reads it and writes 0 back when it finds
    // a value out of range.
    virtual int32_t& cpu_speed() = 0;
};

}  // namespace m5
