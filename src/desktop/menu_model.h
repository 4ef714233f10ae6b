// The menu of the desktop program, without any toolkit: its popups with
// their command ids and texts, what each popup shows when it is about to
// open (radio marks, enabled states, the recent lists), and the command
// dispatch. The GTK front end builds its menu bar from this and applies the
// items it returns; the unit tests check them directly.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/settings.h"
#include "m5/machine_config.h"

namespace m5 {

// Command ids.
inline constexpr int32_t ID_RESET = 40001;
inline constexpr int32_t ID_CPU_X1 = 40003;  // ... 40007 CPU x16
inline constexpr int32_t ID_CPU_X16 = 40007;
inline constexpr int32_t ID_EXIT = 40008;
inline constexpr int32_t ID_CART_OPEN = 40049;
inline constexpr int32_t ID_CART_CLOSE = 40050;
inline constexpr int32_t ID_CART_RECENT = 40051;  // ... 40058
inline constexpr int32_t ID_TAPE_PLAY = 40059;
inline constexpr int32_t ID_TAPE_REC = 40060;
inline constexpr int32_t ID_TAPE_CLOSE = 40061;
inline constexpr int32_t ID_TAPE_RECENT = 40062;  // ... 40069
inline constexpr int32_t ID_SCREEN_REC_30 = 40080;
inline constexpr int32_t ID_SCREEN_REC_15 = 40081;
inline constexpr int32_t ID_SCREEN_REC_10 = 40082;
inline constexpr int32_t ID_SCREEN_STOP = 40083;
inline constexpr int32_t ID_WINDOW_X1 = 40084;
inline constexpr int32_t ID_WINDOW_X2 = 40085;
inline constexpr int32_t ID_FULLSCREEN_640 = 40086;
inline constexpr int32_t ID_FULLSCREEN_320 = 40087;
inline constexpr int32_t ID_SOUND_REC = 40093;
inline constexpr int32_t ID_SOUND_STOP = 40094;
inline constexpr int32_t ID_RATE_2000 = 40095;  // ... 40101 48000Hz
inline constexpr int32_t ID_RATE_48000 = 40101;
inline constexpr int32_t ID_BUFFER_100 = 40102;  // ... 40105 400msec
inline constexpr int32_t ID_BUFFER_400 = 40105;
inline constexpr int32_t ID_PASTE = 40118;
inline constexpr int32_t ID_PASTE_STOP = 40119;
// The desktop's own commands.
inline constexpr int32_t ID_WINDOW_X3 = 40120;
inline constexpr int32_t ID_WINDOW_X4 = 40121;
inline constexpr int32_t ID_PAUSE = 40122;
inline constexpr int32_t ID_EVERY_FRAME = 40123;
inline constexpr int32_t ID_HELP_KEYS = 40124;
inline constexpr int32_t ID_SPRITE_LIMIT = 40125;
inline constexpr int32_t ID_STATE_SAVE = 40130;
inline constexpr int32_t ID_STATE_LOAD = 40131;
inline constexpr int32_t ID_STATE_SLOT_SAVE = 40132;  // ... 40139 slot 8
inline constexpr int32_t ID_STATE_SLOT_LOAD = 40140;  // ... 40147 slot 8
inline constexpr int32_t ID_STATE_REWIND = 40148;
inline constexpr int32_t ID_SCREENSHOT = 40150;
inline constexpr int32_t ID_MUTE = 40151;
inline constexpr int32_t ID_VOLUME_100 = 40152;  // ... 40155 25 %, a quarter less each
inline constexpr int32_t ID_VOLUME_25 = 40155;
inline constexpr int32_t ID_HELP_ABOUT = 40156;
inline constexpr int32_t ID_IPL_ROM = 40160;
inline constexpr int32_t ID_MODEL_NTSC = 40161;  // 40162 the 50 Hz model, in M5Model order
inline constexpr int32_t ID_MODEL_PAL = 40162;
inline constexpr int32_t ID_MEMORY_4K = 40163;  // ... 40166 64KBF 2C, in MemoryFit order
inline constexpr int32_t ID_MEMORY_KBF_2C = 40166;
inline constexpr int32_t ID_FAST_FORWARD = 40190;
inline constexpr int32_t ID_TAPE_REWIND = 40191;
inline constexpr int32_t ID_TAPE_INFO = 40192;  // the tape's name and position, not a command
inline constexpr int32_t ID_PIXELS_SQUARE = 40193;
inline constexpr int32_t ID_PIXELS_TV = 40194;
inline constexpr int32_t ID_CONTROLS = 40200;
inline constexpr int32_t STATE_SLOTS = 8;
// The Debug popup (debug_window.h carries them out).
inline constexpr int32_t ID_DEBUG_MONITOR = 40170;
inline constexpr int32_t ID_DEBUG_VIDEO = 40171;
inline constexpr int32_t ID_DEBUG_BREAK = 40172;
inline constexpr int32_t ID_DEBUG_CONTINUE = 40173;
inline constexpr int32_t ID_DEBUG_STEP = 40174;
inline constexpr int32_t ID_DEBUG_STEP_OVER = 40175;
inline constexpr int32_t ID_DEBUG_RUN_TO = 40176;
inline constexpr int32_t ID_DEBUG_WAIT_GDB = 40177;
inline constexpr int32_t ID_DEBUG_LOAD_SYMBOLS = 40178;
inline constexpr int32_t ID_SEPARATOR = 0;

inline constexpr int32_t POPUP_CONTROL = 0;
inline constexpr int32_t POPUP_MACHINE = 1;
inline constexpr int32_t POPUP_CART = 2;
inline constexpr int32_t POPUP_TAPE = 3;
inline constexpr int32_t POPUP_SCREEN = 4;
inline constexpr int32_t POPUP_SOUND = 5;
inline constexpr int32_t POPUP_STATE = 6;
inline constexpr int32_t POPUP_SETTINGS = 7;
inline constexpr int32_t POPUP_DEBUG = 8;
inline constexpr int32_t POPUP_HELP = 9;
inline constexpr int32_t POPUP_COUNT = 10;

inline constexpr int32_t MAX_WINDOW_SCALE = 4;

struct MenuItem {
    int32_t id = ID_SEPARATOR;  // ID_SEPARATOR: a separator line
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool radio = false;    // drawn with a radio mark when checked
    std::string shortcut;  // the key that does the same, as a GTK accelerator ("<Shift>F1"); "" for none
    std::string tooltip;   // "" for none

    bool operator==(const MenuItem&) const = default;
};

struct MenuPopup {
    std::string title;
    std::vector<MenuItem> items;
};

// The menu as the program defines it, popups in position order. The recent
// entries are placeholders ("Recent 1" ... "Recent 8"), replaced whenever
// their popup opens.
const std::array<MenuPopup, POPUP_COUNT>& menu_resource();

// What the popups read when they open.
struct MenuView {
    int32_t cpu_speed = 0;
    int32_t sample_rate_index = 0;
    int32_t buffer_length_index = 0;
    std::array<std::string, 8> recent_carts;  // "" = empty entry
    std::array<std::string, 8> recent_tapes;
    bool host_exists = false;
    bool recording = false;
    // The desktop's own state.
    bool clipboard_has_text = false;
    bool pasting = false;
    bool paused = false;
    bool fast_forward = false;
    bool recording_pictures = false;  // Screen / Rec makes a GIF
    bool tv_pixels = false;
    // The tape in the deck ("oscar.cas  1:05 / 4:10, motor on"); "" for none.
    std::string tape_text;
    bool tape_playing = false;
    int32_t window_scale = 2;  // 1..MAX_WINDOW_SCALE
    bool fullscreen = false;
    bool every_frame = true;
    bool sprite_limit = false;
    // The machine's model and memory.
    MachineConfig machine;
    // Per quick slot of the inserted cartridge, what its Load item says
    // after "Slot n" (the date and time the state was saved); "" for an
    // empty slot. A slot whose file cannot be read is shown as unreadable.
    std::array<std::string, STATE_SLOTS> slot_times;
    std::array<bool, STATE_SLOTS> slot_unreadable{};
    bool can_rewind = false;
    bool muted = false;
    int32_t volume_percent = 100;  // 25, 50, 75 or 100
    // The debugger: the machine stopped between two instructions; a GDB
    // client awaited or connected.
    bool debug_stopped = false;
    bool debugger_serving = false;
};

MenuView menu_view(const Settings& settings, bool host_exists, bool recording);

// The items of popup `index` as they show when it opens: the stored CPU
// speed, sample rate and buffer length carry the radio mark; Paste is enabled
// while the clipboard holds text and Stop while a paste runs; Pause is checked
// while paused; the recent lists are rebuilt from the settings ("None",
// disabled, when empty); the window size of the current scale is marked (the fullscreen items while
// fullscreen); the Rec items of the Screen popup are enabled while no GIF
// is being recorded, its Stop while one is; the Tape popup begins with the
// tape's name and position (when one is in the deck), and Rewind is enabled
// while a tape plays; Rec or Stop of the Sound popup is enabled by the recording
// state, Mute is checked while muted and the volume marked; the State popup's
// slot Load items carry the date and time of their state and are disabled
// for an empty or unreadable slot, Rewind while there is nothing to go back
// to; the Debug popup's Break is enabled while the machine runs, Continue,
// Step, Step over and Run to while it is stopped, Wait for debugger while no
// client is awaited or connected. Recent entries show the file's name, its
// whole path as their tooltip. Items with a shortcut key carry its name.
// Empty for an unknown index.
std::vector<MenuItem> popup_items(int32_t index, const MenuView& view);

// The one-line description of a popup's items that the menu trace prints:
// "<title>: <id> \"<text>\"[ key <shortcut>][ checked][ disabled] | ...",
// separators as "-".
std::string describe_popup(const std::string& title, const std::vector<MenuItem>& items);

// --- Command dispatch -------------------------------------------------------

// The host operations the commands reach; the desktop forwards them to the
// Host, tests record them.
class CommandReceiver {
public:
    virtual ~CommandReceiver() = default;
    virtual void reset() = 0;
    virtual void apply_settings() = 0;
    // The sample rate or buffer length changed: the sound output reopens.
    virtual void apply_sound_settings() = 0;
    virtual void paste_start() = 0;
    virtual void paste_stop() = 0;
    // The open commands answer whether the file could be used; only a file
    // that could goes to the front of its recent list.
    virtual bool open_cartridge(const std::string& path) = 0;
    virtual void close_cartridge() = 0;
    virtual bool tape_play(const std::string& path) = 0;
    virtual bool tape_record(const std::string& path) = 0;
    virtual void tape_close() = 0;
    virtual void start_recording() = 0;
    virtual void stop_recording() = 0;
    // Save states: to and from a file or quick slot 0..7, and one step of
    // rewinding. Nothing by default.
    virtual void save_state(const std::string& path) { (void)path; }
    virtual void load_state(const std::string& path) { (void)path; }
    virtual void save_slot(int32_t slot) { (void)slot; }
    virtual void load_slot(int32_t slot) { (void)slot; }
    virtual void rewind_step() {}
};

// The tape dialog is the same for Play and Rec; Rec also accepts the name of
// a file that does not exist yet.
enum class FileDialogKind { cartridge, tape_play, tape_record, state_save, state_load };

// The name Save... proposes for a state: the cartridge's file name without
// its extension ("m5" without a cartridge), a space and the date and time
// ("2026-12-09 14-05-33", colons being unsafe in file names), then ".m5s".
std::string proposed_state_name(const std::string& cartridge, const std::string& stamp);

// The path with ".m5s" added when it does not end in it (in any case).
std::string with_state_extension(const std::string& path);

// What the commands need of the window itself.
class CommandWindow {
public:
    virtual ~CommandWindow() = default;
    // Asks for a file; nothing when the dialog is cancelled.
    virtual std::optional<std::string> choose_file(FileDialogKind kind) = 0;
    // Asks for the window to close (as if its close box was pressed).
    virtual void request_close() = 0;
    // Window x1..x4: the picture at that scale, leaving fullscreen.
    virtual void set_window_scale(int32_t /*scale*/) {}
    virtual void toggle_fullscreen() {}
    virtual void toggle_pause() {}
    virtual void toggle_every_frame() {}
    // Screen / Sprite limit as the real chip.
    virtual void toggle_sprite_limit() {}
    virtual void show_keyboard_help() {}
    // Settings / Controls...: the keys and buttons of the M5's keyboard and
    // joysticks.
    virtual void show_controls() {}
    virtual void show_about() {}
    // Screen / Screenshot: the machine's picture as a PNG file.
    virtual void take_screenshot() {}
    virtual void toggle_mute() {}
    // Sound volume in percent (25, 50, 75, 100).
    virtual void set_volume(int32_t /*percent*/) {}
    // The commands of the Debug popup.
    virtual void debug_command(int32_t id) { (void)id; }
    // Machine / IPL ROM...: asks for an IPL ROM file or the free boot ROM.
    virtual void choose_ipl_rom() {}
    // Control / Fast forward: the machine as fast as the host allows.
    virtual void toggle_fast_forward() {}
    // Screen / Rec: an animated GIF of the picture at 30, 15 or 10 frames a
    // second, until Screen / Stop.
    virtual void start_picture_recording(int32_t /*frames_per_second*/) {}
    virtual void stop_picture_recording() {}
    // Tape / Rewind: the tape in the deck plays again from its start.
    virtual void rewind_tape() {}
    // Screen / Pixels: square, or 8:7 as on a TV.
    virtual void set_tv_pixels(bool /*on*/) {}
    // Machine / Model ... and Memory ...: the machine restarts as the M5 of
    // that model or with that memory.
    virtual void choose_model(M5Model /*model*/) {}
    virtual void choose_memory(MemoryFit /*memory*/) {}
};

// The window title: the frame pacer's title ("SORD m5 - 60 fps (100 %)")
// with the inserted cartridge's name after "SORD m5" ("SORD m5 - viboritas -
// 60 fps (100 %)"); a non-empty `status` ("Paused", "no IPL.ROM") takes the
// frame rate's place. `cartridge` is the cartridge file's name ("" for none),
// shown without its extension.
std::string window_title(const std::string& pacer_title, const std::string& cartridge, const std::string& status);

// Puts the path at the front of the list (moving it there when it is listed
// already), as the file dialogs do.
void add_recent(RecentList& list, const std::string& path);

// What a file given on the command line or dropped on the window is, by its
// extension in any letter case: *.rom a cartridge, *.wav and *.cas a tape,
// *.m5s a save state.
enum class MediaKind { cartridge, tape, state, unknown };
MediaKind media_kind(const std::string& path);

// Inserts a cartridge, plays a tape or loads a state by the file's kind; a
// cartridge or tape that could be used goes to the front of its recent list.
// False when it could not (or the kind is unknown).
bool open_media_file(const std::string& path, Settings& settings, CommandReceiver& host);

// Carries out one menu command. `host` is null while no Host exists: the
// commands that need it do nothing then, while the settings commands still
// store their values and the recent commands still reorder their list.
void dispatch_command(int32_t id, Settings& settings, CommandReceiver* host, CommandWindow& window);

}  // namespace m5
