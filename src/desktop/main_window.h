// MainWindow: the desktop program's one window and its main loop.
//
// Start-up, in this order: the program's paths are found (the program
// directory, or the user's XDG directories when it cannot be written); the
// settings are loaded from "m5ce.cfg" there (a first run, with no such file,
// chooses 48000 Hz) and the desktop's own choices from "m5emu.conf"; the
// window "SORD m5" is built with its menu bar (the popups Control, Machine,
// Cart, Tape, Screen, Sound, State, Settings, Debug and Help) and a drawing area that shows the picture;
// the Host is created; the IPL ROM is found (the one chosen in Machine / IPL
// ROM..., remembered in m5emu.conf, or IPL.ROM; else the free boot ROM, with
// a notice); the files of the command line are opened; the frame pacer starts.
// The main loop always handles a waiting GTK event first and otherwise runs
// one pacer pass; while a popup menu is open or the emulation is paused it
// only waits for events, so no frames run, and the sound is silenced. Closing
// the window (its close box or Control / Exit) destroys the Host, saves the
// settings and the choices and ends the loop.
//
// Keys reach the machine by physical key and never the toolkit: the window
// swallows every key event, so neither menu mnemonics, accelerators nor F10
// take Alt or function-key combinations away from the emulated keyboard. The
// exceptions are keys the M5 has no use for (window_shortcut): F11 toggles
// fullscreen, Pause/Break pauses, Escape leaves fullscreen (only while
// fullscreen), Shift+F1..F8 save quick slots 1..8 and F1..F8 load them,
// Backspace held rewinds and F9 held runs fast forward. Which host key gives
// which M5 key is the user's choice (Settings / Controls..., controls.h).
//
// Messages for the user (a file that could not be opened or is refused, no
// sound device) and notices of what a command did ("Saved to slot 1") show in
// a status line below the picture, never over it, and the emulation runs on
// (status_line.h); m5emu.conf can switch the notices off. The right end of
// the line shows the tape and the speed while fast-forwarding.
//
// Quick slots belong to the inserted cartridge (state_slots.h); the title
// names it. F12 resets, Print takes a screenshot into the user's pictures
// folder.
//
// With the environment variable M5EMU_TRACE_MENUS set (to anything), the
// menu bar prints its popup titles once ("menubar Control | Cart | ..."), each
// popup prints its items on standard output as it opens, each command prints
// its id, each message "message <text>", each notice "notice <text>" (also
// when notices are switched off), each screenshot "screenshot <path>", each
// dropped file "drop <path>", old quick slots moved at start "slots moved
// <n>", and each change of the window "window scale <n>", "window resized
// scale <n>" (by hand), "window fullscreen <0|1>", "window paused <0|1>",
// "window help" or "window about <version>" (and the Controls dialog's
// lines, controls_dialog.h), for tests that drive the window from outside.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/command_line.h"
#include "desktop/controls.h"
#include "desktop/debug_window.h"
#include "desktop/desktop_choices.h"
#include "desktop/desktop_platform.h"
#include "desktop/gamepad.h"
#include "desktop/key_translation.h"
#include "desktop/menu_model.h"
#include "desktop/program_paths.h"
#include "desktop/status_line.h"
#include "desktop/tape_timeline.h"
#include "host/checksums.h"
#include "host/gif_writer.h"
#include "host/settings.h"
#include "host/state_ring.h"
#include "host/whole_file.h"

namespace m5 {

class Host;

class MainWindow final : public CommandWindow {
public:
    explicit MainWindow(const DesktopOptions& options = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs until the window closes; returns the exit code.
    int run();

    // A problem in the status line, until it is read (a click or a key).
    void show_message(const std::string& text);
    // A notice in the status line for a while.
    void show_notice(const std::string& text);

    // Opens a cartridge or tape file as a dropped file or the command line
    // does: by its kind, joining the recent list when it could be used.
    void open_file(const std::string& path);

    // --- CommandWindow ------------------------------------------------------
    std::optional<std::string> choose_file(FileDialogKind kind) override;
    void request_close() override { close_requested = true; }
    void set_window_scale(int32_t scale) override;
    void toggle_fullscreen() override;
    void toggle_pause() override;
    void toggle_every_frame() override;
    void toggle_sprite_limit() override;
    void show_keyboard_help() override;
    void show_controls() override;
    void show_about() override;
    void take_screenshot() override;
    void toggle_mute() override;
    void set_volume(int32_t percent) override;
    void debug_command(int32_t id) override;
    void choose_ipl_rom() override;
    void toggle_fast_forward() override;
    void start_picture_recording(int32_t frames_per_second) override;
    void stop_picture_recording() override;
    void rewind_tape() override;
    void set_tv_pixels(bool on) override;
    void choose_model(M5Model model) override;
    void choose_memory(MemoryFit memory) override;

    // --- Save states ----------------------------------------------------------
    // Each reports a problem in the message strip; the machine is left as it
    // was when a state cannot be loaded.
    bool save_state_file(const std::string& path);
    bool load_state_file(const std::string& path);
    // Quick slot 0..7 of the inserted cartridge.
    std::string slot_path(int32_t slot) const;
    void save_slot(int32_t slot);
    void load_slot(int32_t slot);
    // One step back through the rewind ring, the picture shown.
    void rewind_step();

private:
    class HostCommands;

    void build_window();
    GtkWidget* build_menu_bar();
    void update_popup(int32_t index);
    bool popup_open() const;
    void find_ipl(const DesktopOptions& options);
    void start_debug_session();
    void set_machine(const MachineConfig& config);
    void fit_window_to_scale();
    void set_fullscreen(bool on);
    void fullscreen_changed(bool on);
    bool window_manager_fullscreen() const;
    void close_window();
    void release_keys();
    void forget_widgets();
    GtkWidget* build_status_line();
    void update_status();
    void dismiss_problem();
    std::string lasting_status() const;
    int32_t status_line_height() const;
    void trace(const std::string& line) const;
    void request_clipboard_targets();
    void update_title();
    void apply_volume();
    void move_old_slots();
    Sha256Digest cartridge_digest() const;
    void draw_status_fullscreen(cairo_t* cr, int32_t width, int32_t height) const;
    bool fast_forward_on() const { return fast_forward_held || fast_forward_toggled; }
    void fast_forward_changed(bool was_on);
    void fast_forward_pass();
    void stop_rewinding();
    bool machine_locked() const;
    void remember_folder(FileDialogKind kind, const std::string& path);
    void record_pictures();
    void tape_started(const std::string& path, bool recording);
    std::string tape_text() const;
    void update_indicator();
    static gboolean on_indicator_tick(gpointer self);
    std::string picture_file_path(const std::string& extension) const;
    // True (and says so in a notice) while the debugger holds the machine
    // inside a frame.
    bool machine_held_by_debugger();
    void debug_stop_changed();

    static gboolean on_delete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void on_destroy(GtkWidget* widget, gpointer self);
    static gboolean on_key_press(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean on_key_release(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean on_focus_out(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static gboolean on_button_press(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean on_window_state(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
    static void on_popup_show(GtkWidget* menu, gpointer self);
    static void on_menu_item(GtkMenuItem* item, gpointer self);
    static gboolean on_status_tick(gpointer self);
    static gboolean on_status_click(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static void on_picture_size_allocate(GtkWidget* widget, GdkRectangle* allocation, gpointer self);
    static void on_drag_data_received(GtkWidget* widget, GdkDragContext* context, gint x, gint y,
                                      GtkSelectionData* data, guint info, guint time, gpointer self);
    static void on_clipboard_owner_change(GtkClipboard* clipboard, GdkEvent* event, gpointer self);
    static void on_clipboard_targets(GtkClipboard* clipboard, GdkAtom* atoms, gint count, gpointer self);
    static void on_primary_text(GtkClipboard* clipboard, const gchar* text, gpointer self);

    Settings settings;
    DesktopChoices choices;
    ProgramPaths paths;
    std::optional<int32_t> speed_before_override;  // --speed is not saved
    Controls controls;                             // the keys and buttons, kept in m5emu.conf
    KeyboardTracker keyboard;
    DesktopPlatform platform;
    Gamepads gamepads;
    std::unique_ptr<Host> host;
    std::unique_ptr<HostCommands> commands;
    std::unique_ptr<DebugSession> debug_session;

    GtkWidget* window = nullptr;
    GtkWidget* menu_bar = nullptr;
    GtkWidget* picture = nullptr;
    GtkWidget* help_window = nullptr;
    std::array<GtkWidget*, POPUP_COUNT> popups{};
    cairo_surface_t* surface = nullptr;  // wraps the host's surface pixels
    StatusLine status;
    GtkWidget* status_bar = nullptr;
    GtkWidget* status_text = nullptr;
    GtkWidget* status_count = nullptr;
    GtkWidget* status_right = nullptr;
    guint status_timer = 0;
    std::string cartridge_name;  // the inserted cartridge's file name; "" for none
    gulong clipboard_handler = 0;

    bool trace_menus = false;
    bool updating_menu = false;    // item states are being set: not commands
    bool running_command = false;  // a command is in progress (a nested loop may run)
    bool close_requested = false;
    bool closed = false;
    bool fullscreen = false;  // as the window manager reports it
    bool paused = false;
    bool clipboard_has_text = false;
    std::array<bool, 256> shortcut_keys_down{};  // pressed keys that acted on the window
    // Rewind: the ring of recent states, the frames it has seen, and while
    // the rewind key is held the time of the next step back.
    StateRing rewind_ring;
    uint64_t ring_frames = 0;
    bool rewinding = false;
    gint64 next_rewind_us = 0;
    // Fast forward: held key or menu toggle; frames run flat out, counted
    // for the speed shown.
    bool fast_forward_held = false;
    bool fast_forward_toggled = false;
    gint64 speed_since_us = 0;
    uint64_t speed_since_frame = 0;
    double fast_forward_speed = 0.0;
    // Screen / Rec: the GIF being written, a picture every gif_step frames.
    std::unique_ptr<GifWriter> gif;
    WholeFile gif_file;
    std::string gif_path;
    std::vector<uint8_t> gif_bytes;
    uint64_t gif_fps = 30;
    uint64_t gif_rate = 60;        // the machine's frames a second
    uint64_t gif_start_frame = 0;  // the machine's frame count as it began
    uint64_t gif_taken = 0;        // pictures so far
    // The tape in the deck, for the Tape popup and the status line.
    std::string tape_path;  // "" for none
    bool tape_recording = false;
    TapeTimeline tape_timeline;
    guint indicator_timer = 0;
};

}  // namespace m5
