#include "devices/key_matrix.h"

#include "machine/machine_host.h"

namespace m5 {

namespace {

constexpr uint8_t NO_KEYS[KEY_STATE_SIZE] = {};
constexpr uint8_t NO_JOYSTICKS[JOY_PORTS] = {};

// Joystick bits in the order of the joystick row: right, up, left, down.
constexpr uint8_t JOYSTICK_ROW_ORDER[4] = {JOY_RIGHT, JOY_UP, JOY_LEFT, JOY_DOWN};

}  // namespace

KeyMatrix::KeyMatrix(MachineServices* owner, MachineHost* host_services)
    : Component(owner, host_services), host_keys(NO_KEYS), host_joysticks(NO_JOYSTICKS) {}

void KeyMatrix::init() {
    if (host == nullptr) return;
    host_keys = host->key_state();
    host_joysticks = host->joy_bits();
}

int32_t KeyMatrix::port_read8(int32_t port) {
    const int32_t p = port & 0xFF;
    if (p < KEY_PORT_FIRST || p > JOYSTICK_PORT) return 0xFF;

    int32_t bits = 0;
    if (p == JOYSTICK_PORT) {
        for (int32_t stick = 0; stick < JOY_PORTS; ++stick) {
            for (int32_t b = 0; b < 4; ++b) {
                if (host_joysticks[stick] & JOYSTICK_ROW_ORDER[b]) bits |= 1 << (stick * 4 + b);
            }
        }
        return bits;
    }

    const VirtualKey* row = KEY_ROWS[p - KEY_PORT_FIRST];
    for (int32_t b = 0; b < 8; ++b) {
        if (host_keys[row[b]] != 0) bits |= 1 << b;
    }
    if (p == KEY_PORT_FIRST + 1) {
        // The fire buttons share row 1 with the digit keys.
        if (host_joysticks[0] & JOY_BUTTON_1) bits |= 0x01;
        if (host_joysticks[0] & JOY_BUTTON_2) bits |= 0x02;
        if (host_joysticks[1] & JOY_BUTTON_1) bits |= 0x10;
        if (host_joysticks[1] & JOY_BUTTON_2) bits |= 0x20;
    }
    return bits;
}

}  // namespace m5
