// Gamepads: game controllers as the M5's two joysticks, through SDL2's game
// controller API.
//
// The first controller attached drives joystick 1, the second joystick 2; a
// further one waits until one of them is removed and then takes its place.
// Controllers are tracked by SDL instance id, so hot-plugging in any order
// works. Each controller gives its joystick the directions of its d-pad and
// of its left stick (past a dead zone) and the two fire buttons, which the
// machine reads in the keyboard row of the keys 1 to 8. Buttons may also
// press an M5 key.
//
// Default buttons: A fires button 1, B button 2, and X presses the space bar
// (the fire button of programs built with z88dk's M5 joystick library).
//
// Everything runs on the main loop's thread: poll() once per frame, before
// the frame runs.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>

#include "machine/machine_host.h"

namespace m5 {

class Host;

struct GamepadMapping {
    // Joystick bits (JOY_UP ... JOY_BUTTON_2) given by each controller button.
    std::array<uint8_t, SDL_CONTROLLER_BUTTON_MAX> joystick_bits{};
    // The virtual key each controller button presses (0: none).
    std::array<uint8_t, SDL_CONTROLLER_BUTTON_MAX> keys{};
    // Left stick travel, out of 32767, that a direction needs.
    int32_t dead_zone = 8000;

    bool operator==(const GamepadMapping&) const = default;
};

GamepadMapping default_gamepad_mapping();

class DesktopChoices;

// The mapping kept in the desktop's choices file, group [Gamepad]: a key per
// controller button by SDL's name for it (a, b, x, y, back, start,
// leftshoulder, dpup, dpdown, dpleft, dpright, ...) naming what the button
// gives: up, down, left, right, fire1, fire2, an M5 key by name (space,
// return, a letter or digit, f1, ...) or none; and dead_zone (0 to 32767).
// A button the group does not list gives nothing. Without the group the
// defaults hold, and are written into it so that the file shows them.
GamepadMapping load_gamepad_mapping(DesktopChoices& choices);
// Writes the mapping into the group in the form load reads (a button that
// gives nothing is left out); other keys of the group stay.
void save_gamepad_mapping(const GamepadMapping& mapping, DesktopChoices& choices);

// A button's label for people ("A", "D-pad up", "Left shoulder").
std::string gamepad_button_label(int32_t button);

class Gamepads {
public:
    // Starts SDL's game controller subsystem (controllers already attached
    // are announced to the first poll). Without it, poll does nothing.
    explicit Gamepads(const GamepadMapping& mapping = default_gamepad_mapping());
    // Closes the controllers and stops the subsystem.
    ~Gamepads();
    Gamepads(const Gamepads&) = delete;
    Gamepads& operator=(const Gamepads&) = delete;

    bool ready() const { return started; }
    void set_mapping(const GamepadMapping& chosen) { mapping = chosen; }

    // Takes SDL's controller events (attached, removed, buttons pressed) and
    // gives the host both joysticks' bits and the mapped keys' presses and
    // releases. A button pressed and released since the last poll counts as
    // pressed in this one.
    void poll(Host& host);

    // For the Controls dialog, while the main loop does not poll: takes SDL's
    // controller events as poll does and returns the first button pressed
    // since the last call (-1 for none). The presses go to no joystick.
    int32_t take_button_press();

    // SDL instance id of the controller driving joystick 0 or 1; -1 when none.
    SDL_JoystickID instance_of(int32_t stick) const;

private:
    struct Pad {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID id = -1;
        uint32_t pressed_buttons = 0;  // bit per button pressed since the last poll
    };

    // Takes the queued controller events: attaches and removes controllers,
    // marks pressed buttons.
    void read_events();
    void attach(int32_t device_index);
    void detach(SDL_JoystickID id);
    void close(Pad& pad);
    Pad* pad_of(SDL_JoystickID id);
    // Buttons held now or pressed since the last poll, one bit per button.
    uint32_t buttons_of(const Pad& pad) const;
    uint8_t joystick_bits_of(const Pad& pad, uint32_t buttons) const;

    GamepadMapping mapping;
    bool started = false;
    std::array<Pad, JOY_PORTS> pads{};
    std::array<bool, 256> keys_down{};  // keys the controllers hold on the host
    int32_t first_press = -1;           // the first button pressed since it was taken
};

}  // namespace m5
