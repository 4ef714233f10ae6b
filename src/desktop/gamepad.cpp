#include "desktop/gamepad.h"

#include <string>
#include <utility>

#include "desktop/desktop_choices.h"
#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/key_names.h"

namespace m5 {

namespace {

constexpr int32_t EVENTS_PER_PEEK = 16;

}  // namespace

GamepadMapping default_gamepad_mapping() {
    GamepadMapping mapping;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_DPAD_UP] = JOY_UP;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_DPAD_DOWN] = JOY_DOWN;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_DPAD_LEFT] = JOY_LEFT;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_DPAD_RIGHT] = JOY_RIGHT;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_A] = JOY_BUTTON_1;
    mapping.joystick_bits[SDL_CONTROLLER_BUTTON_B] = JOY_BUTTON_2;
    mapping.keys[SDL_CONTROLLER_BUTTON_X] = VK_SPACE;
    return mapping;
}

namespace {

constexpr const char* GAMEPAD_GROUP = "Gamepad";

const std::pair<const char*, uint8_t> JOYSTICK_NAMES[] = {
    {"up", JOY_UP},       {"down", JOY_DOWN},      {"left", JOY_LEFT},
    {"right", JOY_RIGHT}, {"fire1", JOY_BUTTON_1}, {"fire2", JOY_BUTTON_2},
};

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

void save_gamepad_mapping(const GamepadMapping& mapping, DesktopChoices& choices) {
    for (int32_t b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        const auto button = static_cast<SDL_GameControllerButton>(b);
        std::string given;
        for (const auto& [name, bits] : JOYSTICK_NAMES) {
            if (mapping.joystick_bits[static_cast<size_t>(b)] == bits) given = name;
        }
        if (mapping.keys[static_cast<size_t>(b)])
            given = lower(name_of_virtual_key(mapping.keys[static_cast<size_t>(b)]));
        const char* key = SDL_GameControllerGetStringForButton(button);
        if (given.empty()) {
            choices.remove_value(GAMEPAD_GROUP, key);
        } else {
            choices.set_value(GAMEPAD_GROUP, key, given);
        }
    }
    choices.set_value(GAMEPAD_GROUP, "dead_zone", std::to_string(mapping.dead_zone));
}

std::string gamepad_button_label(int32_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A: return "A";
        case SDL_CONTROLLER_BUTTON_B: return "B";
        case SDL_CONTROLLER_BUTTON_X: return "X";
        case SDL_CONTROLLER_BUTTON_Y: return "Y";
        case SDL_CONTROLLER_BUTTON_BACK: return "Back";
        case SDL_CONTROLLER_BUTTON_GUIDE: return "Guide";
        case SDL_CONTROLLER_BUTTON_START: return "Start";
        case SDL_CONTROLLER_BUTTON_LEFTSTICK: return "Left stick press";
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return "Right stick press";
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return "Left shoulder";
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return "Right shoulder";
        case SDL_CONTROLLER_BUTTON_DPAD_UP: return "D-pad up";
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return "D-pad down";
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return "D-pad left";
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return "D-pad right";
        default: break;
    }
    const char* name = button >= 0 && button < SDL_CONTROLLER_BUTTON_MAX
                           ? SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(button))
                           : nullptr;
    return name ? name : "button " + std::to_string(button);
}

GamepadMapping load_gamepad_mapping(DesktopChoices& choices) {
    if (!choices.has_group(GAMEPAD_GROUP)) {
        const GamepadMapping mapping = default_gamepad_mapping();
        save_gamepad_mapping(mapping, choices);
        return mapping;
    }
    GamepadMapping mapping;
    for (int32_t b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        const auto button = static_cast<SDL_GameControllerButton>(b);
        const std::string given = lower(choices.value(GAMEPAD_GROUP, SDL_GameControllerGetStringForButton(button)));
        for (const auto& [name, bits] : JOYSTICK_NAMES) {
            if (given == name) mapping.joystick_bits[static_cast<size_t>(b)] = bits;
        }
        if (mapping.joystick_bits[static_cast<size_t>(b)] == 0 && !given.empty() && given != "none") {
            mapping.keys[static_cast<size_t>(b)] = static_cast<uint8_t>(virtual_key_named(given));
        }
    }
    const std::string zone = choices.value(GAMEPAD_GROUP, "dead_zone");
    if (!zone.empty() && zone.size() <= 5 && zone.find_first_not_of("0123456789") == std::string::npos) {
        const int32_t value = std::stoi(zone);
        if (value <= 32767) mapping.dead_zone = value;
    }
    return mapping;
}

Gamepads::Gamepads(const GamepadMapping& chosen) : mapping(chosen) {
    started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

Gamepads::~Gamepads() {
    if (!started) return;
    for (Pad& pad : pads) close(pad);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

SDL_JoystickID Gamepads::instance_of(int32_t stick) const {
    return stick >= 0 && stick < JOY_PORTS ? pads[static_cast<size_t>(stick)].id : -1;
}

Gamepads::Pad* Gamepads::pad_of(SDL_JoystickID id) {
    for (Pad& pad : pads) {
        if (pad.controller && pad.id == id) return &pad;
    }
    return nullptr;
}

void Gamepads::attach(int32_t device_index) {
    if (!SDL_IsGameController(device_index)) return;
    if (pad_of(SDL_JoystickGetDeviceInstanceID(device_index))) return;  // already driving a joystick
    for (Pad& pad : pads) {
        if (pad.controller) continue;
        pad.controller = SDL_GameControllerOpen(device_index);
        if (!pad.controller) return;
        pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad.controller));
        pad.pressed_buttons = 0;
        return;
    }
}

void Gamepads::close(Pad& pad) {
    if (pad.controller) SDL_GameControllerClose(pad.controller);
    pad = Pad{};
}

void Gamepads::detach(SDL_JoystickID id) {
    Pad* pad = pad_of(id);
    if (!pad) return;
    close(*pad);
    // A controller that found no free joystick takes the one just freed.
    for (int32_t index = 0; index < SDL_NumJoysticks(); ++index) attach(index);
}

uint32_t Gamepads::buttons_of(const Pad& pad) const {
    uint32_t buttons = pad.pressed_buttons;
    for (int32_t b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        if (SDL_GameControllerGetButton(pad.controller, static_cast<SDL_GameControllerButton>(b))) buttons |= 1u << b;
    }
    return buttons;
}

uint8_t Gamepads::joystick_bits_of(const Pad& pad, uint32_t buttons) const {
    uint8_t bits = 0;
    for (size_t b = 0; b < mapping.joystick_bits.size(); ++b) {
        if (buttons & (1u << b)) bits |= mapping.joystick_bits[b];
    }
    const int32_t x = SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTX);
    const int32_t y = SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTY);
    if (x < -mapping.dead_zone) bits |= JOY_LEFT;
    if (x > mapping.dead_zone) bits |= JOY_RIGHT;
    if (y < -mapping.dead_zone) bits |= JOY_UP;  // the stick's y axis grows downwards
    if (y > mapping.dead_zone) bits |= JOY_DOWN;
    return bits;
}

void Gamepads::read_events() {
    // Every joystick and controller event is taken off SDL's queue here; only
    // these three matter, the rest is read as state.
    SDL_Event events[EVENTS_PER_PEEK];
    int32_t count = 0;
    while ((count = SDL_PeepEvents(events, EVENTS_PER_PEEK, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_FINGERDOWN - 1)) > 0) {
        for (int32_t i = 0; i < count; ++i) {
            const SDL_Event& event = events[i];
            if (event.type == SDL_CONTROLLERDEVICEADDED) {
                attach(event.cdevice.which);
            } else if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
                detach(event.cdevice.which);
            } else if (event.type == SDL_CONTROLLERBUTTONDOWN && event.cbutton.button < SDL_CONTROLLER_BUTTON_MAX) {
                if (Pad* pad = pad_of(event.cbutton.which)) {
                    pad->pressed_buttons |= 1u << event.cbutton.button;
                    if (first_press < 0) first_press = event.cbutton.button;
                }
            }
        }
    }
}

int32_t Gamepads::take_button_press() {
    if (!started) return -1;
    SDL_GameControllerUpdate();
    read_events();
    for (Pad& pad : pads) pad.pressed_buttons = 0;
    const int32_t button = first_press;
    first_press = -1;
    return button;
}

void Gamepads::poll(Host& host) {
    if (!started) return;
    SDL_GameControllerUpdate();
    read_events();
    first_press = -1;

    std::array<bool, 256> keys_wanted{};
    for (size_t stick = 0; stick < pads.size(); ++stick) {
        Pad& pad = pads[stick];
        uint8_t bits = 0;
        if (pad.controller) {
            const uint32_t buttons = buttons_of(pad);
            pad.pressed_buttons = 0;
            bits = joystick_bits_of(pad, buttons);
            for (size_t b = 0; b < mapping.keys.size(); ++b) {
                if (!(buttons & (1u << b)) || mapping.keys[b] == 0) continue;
                // One host Shift presses both of the M5's.
                const uint8_t code =
                    mapping.keys[b] == VK_LSHIFT || mapping.keys[b] == VK_RSHIFT ? VK_SHIFT : mapping.keys[b];
                keys_wanted[code] = true;
            }
        }
        host.set_gamepad_bits(static_cast<int32_t>(stick), bits);
    }
    for (size_t code = 1; code < keys_wanted.size(); ++code) {
        if (keys_wanted[code] == keys_down[code]) continue;
        keys_down[code] = keys_wanted[code];
        if (keys_wanted[code]) {
            host.key_down(static_cast<int32_t>(code));
        } else {
            host.key_up(static_cast<int32_t>(code));
        }
    }
}

}  // namespace m5
