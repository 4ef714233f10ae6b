// Settings / Controls...: the M5's keyboard drawn key by key and its two
// joysticks, each with the host keys and gamepad buttons that give it (what
// controls.h keeps). A click on one waits for the new key or gamepad button
// and gives it that (Escape cancels); a key the emulator keeps for itself
// (F1..F9, F11, F12, Escape, Backspace, Pause, Print) is refused with a
// message in the dialog and the wait goes on. "Reset to defaults" brings
// back the built-in keys and buttons. The dialog is modal: the machine
// waits while it is open.
//
// With a trace function, it tells what a check driving it from outside
// needs: "controls button <id> <x> <y>" for each thing to click, at the
// centre of its button in screen coordinates, then "window controls", once
// it shows and again whenever its size changes (ids "key:<M5 key name>", "pad:<up|down|left|right|fire1|
// fire2>", "reset", "close"), "controls capture <id>" as a wait begins,
// "controls message <text>" for every message and "controls closed".
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "desktop/controls.h"

namespace m5 {

class Gamepads;

// Runs the dialog over `parent`, changing `controls`; true when they differ
// from what they were when it opened.
bool run_controls_dialog(GtkWindow* parent, Controls& controls, Gamepads& gamepads,
                         const std::function<void(const std::string&)>& trace);

}  // namespace m5
