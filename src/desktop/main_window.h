// MainWindow: the desktop program's one window and its main loop.
//
// Start-up, in this order: the settings are loaded from "m5ce.cfg" in the
// program directory; the window "SORD m5" is built with its menu bar (the
// popups Control, Cart, Tape, Screen and Sound) and a drawing area that shows
// the picture; the Host is created; the frame pacer starts. The main loop
// always handles a waiting GTK event first and otherwise runs one pacer pass;
// while a popup menu is open it only waits for events, so no frames run, and
// the sound is silenced when a popup opens. Closing the window (its close box
// or Control / Exit) destroys the Host, saves the settings and ends the loop.
//
// Messages for the user (a file that could not be opened, no sound device)
// appear in a strip over the top of the picture that leaves the emulation
// running; with the menu trace on they are also printed as "message <text>".
//
// Keys reach the machine by physical key and never the toolkit: the window
// swallows every key event, so neither menu mnemonics, accelerators nor F10
// take Alt or function-key combinations away from the emulated keyboard.
//
// With the environment variable M5EMU_TRACE_MENUS set (to anything), the
// menu bar prints its popup titles once ("menubar Control | Cart | ..."), each
// popup prints its items on standard output as it opens, and each command
// prints its id, for tests that drive the window from outside.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop_platform.h"
#include "desktop/gamepad.h"
#include "desktop/key_translation.h"
#include "desktop/menu_model.h"
#include "host/settings.h"

namespace m5 {

class Host;

class MainWindow final : public CommandWindow {
public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs until the window closes; returns the exit code.
    int run();

    // Shows a line of text in the message strip above the picture, without
    // stopping anything; the strip closes by itself after a while or with its
    // close button. Lines that arrive while it shows are added below (the
    // last few are kept).
    void show_message(const std::string& text);

    // --- CommandWindow ------------------------------------------------------
    std::optional<std::string> choose_file(FileDialogKind kind) override;
    void request_close() override { close_requested = true; }

private:
    class HostCommands;

    void build_window();
    GtkWidget* build_menu_bar();
    void update_popup(int32_t index);
    bool popup_open() const;
    void close_window();
    void release_keys();
    void forget_widgets();

    static gboolean on_delete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void on_destroy(GtkWidget* widget, gpointer self);
    static gboolean on_key_press(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean on_key_release(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean on_focus_out(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static void on_popup_show(GtkWidget* menu, gpointer self);
    static void on_menu_item(GtkMenuItem* item, gpointer self);
    static void on_message_response(GtkInfoBar* bar, gint response, gpointer self);
    static gboolean on_message_timeout(gpointer self);
    void hide_message();

    Settings settings;
    std::string program_dir;
    KeyboardTracker keyboard;
    DesktopPlatform platform;
    Gamepads gamepads;
    std::unique_ptr<Host> host;
    std::unique_ptr<HostCommands> commands;

    GtkWidget* window = nullptr;
    GtkWidget* picture = nullptr;
    std::array<GtkWidget*, POPUP_COUNT> popups{};
    cairo_surface_t* surface = nullptr;  // wraps the host's surface pixels
    GtkWidget* message_bar = nullptr;
    GtkWidget* message_label = nullptr;
    std::vector<std::string> message_lines;  // what the strip shows
    guint message_timer = 0;

    bool trace_menus = false;
    bool updating_menu = false;    // item states are being set: not commands
    bool running_command = false;  // a command is in progress (a nested loop may run)
    bool close_requested = false;
    bool closed = false;
};

}  // namespace m5
