// Host: the one object between the platform and the emulated machine.
//
// It owns the Machine, the 256 x 192 RGB565 screen surface, the sound feed
// and the sound recorder (SoundRecorder), the key state with the paste
// sequencer (PasteSequencer), and the frame pacer; it knows the program directory (the executable's directory,
// ending with '/') and carries every user command to the Machine. It reaches
// the platform only through the Platform interface and reads and writes the
// user's choices in the Settings record it is given.
//
// Everything runs on one thread: the platform's event handling calls the
// command, key and paste operations between frames, and its main loop calls
// pacer_pass whenever no event is waiting.
//
// Files the host writes in the program directory (or the recording directory
// it is given): the sound recording, "sound.tmp" while recording and
// "sound.wav" after (see SoundRecorder).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_media.h"
#include "host/file_stream.h"
#include "host/frame_pacer.h"
#include "host/media_rules.h"
#include "host/paste_sequencer.h"
#include "host/sound_recorder.h"
#include "m5/machine.h"
#include "machine/machine_host.h"

namespace m5 {

class Platform;
class StateWriter;
struct Settings;

// Tapes the caller offers for a state to resume: the tape that was playing,
// or a recording that holds what was recorded up to the save.
struct StateMedia {
    std::unique_ptr<TapeImage> tape;
    std::unique_ptr<TapeRecording> recording;
};

// The IPL ROM's file name in the program directory.
inline constexpr const char* IPL_ROM_NAME = "IPL.ROM";

inline constexpr int32_t SURFACE_ROW_BYTES = SURFACE_WIDTH * 2;

// Key state byte: bit 7 held, bits 6..0 frames still reported after release.
inline constexpr uint8_t KEY_HELD = 0x80;
inline constexpr uint8_t KEY_PRESS = 0x83;  // held, plus 3 frames
inline constexpr uint8_t KEY_PULSE = 3;     // 3 frames, not held
inline constexpr uint8_t KEY_COUNTDOWN_MASK = 0x7F;

// The directory part of a path, up to and including its last '/'; "" when
// there is none.
std::string program_directory_of(const std::string& executable_path);

// Samples in one sound block for the given rate and buffer length:
// rate x seconds in double precision, truncated (44100 Hz, 100 ms -> 4410).
int32_t block_samples_for(int32_t sample_rate, int32_t buffer_ms);

class Host final : public MachineHost, public FrameTarget, public KeyTarget {
public:
    // Builds everything in this order: the screen surface; the Machine (with
    // the CPU speed of `settings`) and the frame pacer at its frame rate; the
    // program directory from the platform's executable path; the sound
    // choices validated (an index out of range is corrected and written back
    // into `settings`); the IPL ROM from the program directory; the key
    // state; the sound output (which may fail; everything else still runs). The platform and the settings must outlive
    // the Host. `extensions` are components added to the machine (and to the
    // staging machine a state is first loaded into), for tests; they must
    // outlive the Host too. The machine is the M5 of `config` (the 60 Hz
    // one with 32 KiB when none is given), and its free boot ROM that
    // model's build.
    Host(Platform& platform, Settings& settings, MachineExtensions extensions = {})
        : Host(platform, settings, MachineConfig{}, extensions) {}
    Host(Platform& platform, Settings& settings, const MachineConfig& config, MachineExtensions extensions = {});
    // Frees the pasted text, closes the sound output (a recording in progress
    // is written as "sound.wav"), releases every component and destroys the
    // Machine.
    ~Host() override;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // --- MachineHost --------------------------------------------------------
    // The directory of the program, ending with '/'.
    std::string program_directory() const { return program_dir; }
    uint16_t* surface_row(int32_t row) override;
    const uint8_t* key_state() const override { return keys.data(); }
    const uint8_t* joy_bits() const override { return joy.data(); }
    int32_t& cpu_speed() override;

    // --- Frames -------------------------------------------------------------
    // The input step, the sound feed, then one machine frame.
    void emulate_frame() override;
    // The same for a frame whose picture nobody will look at: the video chip
    // works out its status and interrupt as ever but draws nothing, so the
    // picture (and a state saved next) keeps the last frame drawn.
    void emulate_unseen_frame();
    // The Machine renders its picture into the surface; then a repaint is
    // requested.
    void present_frame() override;
    // The tape deck's activity flag since the last call (reading clears it).
    bool tape_active() override;
    // Frame pacer of the main loop: start once before the loop, then one pass
    // whenever no platform event is waiting.
    void start_pacer() { pacer.start(); }
    void pacer_pass() { pacer.pass(); }
    // Draw every frame while keeping time, instead of every second one.
    void set_draw_every_frame(bool every) { pacer.set_draw_every_frame(every); }
    // Hide the fifth and later sprites of a line as the real video chip does
    // (off: draw them all). A choice of the user's, kept over resets and
    // loaded states.
    void set_sprite_limit(bool on);
    bool sprite_limit() const;

    // --- Commands -----------------------------------------------------------
    // Every component reset; a recording in progress starts over.
    void reset();
    // Replaces the machine by the M5 of `config`, powered on afresh: the
    // same IPL ROM (the free boot ROM as the new model's build) and the same
    // cartridge; the tape is closed (a recording is written) and the sound
    // recording starts over. The frame rate, the frame pacer and the sound
    // follow the new model. Nothing happens when it is the machine's own.
    void set_machine(const MachineConfig& config);
    // Checks the cartridge image (media_rules.h); when it is taken, loads
    // its first 20 KiB and resets, and a recording starts over. A refused
    // image leaves everything as it was. The answer says why it was refused,
    // or holds a note about it.
    FileCheck open_cartridge(const std::string& path);
    FileCheck open_cartridge(const uint8_t* data, size_t size);
    // Empties the slot and resets; a recording is stopped and written.
    void close_cartridge();
    // Checks a tape (media_rules.h) from a file (the kind follows the name)
    // or from media the caller made; when it is taken, the tape in the deck
    // is closed and this one plays. A refused tape leaves the deck as it was.
    FileCheck tape_play(const std::string& path);
    FileCheck tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format);
    void tape_record(const std::string& path);
    void tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format);
    void tape_close();
    // 0, or the error number of the first failed write of the last tape
    // recording, once the tape is closed: its file is then incomplete.
    int32_t tape_record_error() const;
    // Every component's apply_config (the scheduler takes the CPU speed).
    // Sample rate and buffer length are used from the next start.
    void apply_settings();
    // Closes the sound output and opens it again with the sample rate and
    // buffer length now in the settings (validated as at construction). The
    // machine runs on undisturbed, and a recording in progress goes on at
    // the rate it started with.
    void reopen_sound();
    // The same with a sample rate and block length of the caller's choosing,
    // not the settings' choices.
    void reopen_sound(int32_t rate_hz, int32_t block_samples);
    // Sound by frame from now on, at `rate_hz`: each frame's samples, as many
    // as the machine made, go to the output (and a recording) right after
    // the frame, in one write; the output's halves are not asked. For front
    // ends that queue the sound themselves (the embeddable library, m5run's
    // --buffer frame). reopen_sound goes back to blocks.
    void sound_by_frame(int32_t rate_hz);
    // Replaces the IPL ROM with the first 8 KiB of the file (0xFF beyond its
    // end) and resets. Refused, with nothing changed, when the file cannot be
    // read or is empty.
    FileCheck load_ipl(const std::string& path);
    // The same from bytes.
    void set_ipl(const uint8_t* data, size_t size);
    // The free boot ROM, with the words set_boot_hint gave its demo, and a
    // reset.
    void use_free_boot_rom();
    // True while the IPL ROM in use is the free boot ROM put there by the
    // host (none found, or use_free_boot_rom).
    bool running_free_boot_rom() const { return free_boot_rom_in_use; }
    // The words the free boot ROM's demo shows on where the original IPL ROM
    // goes and how a cartridge is inserted (free_boot_rom.h), for the program
    // running the machine; "" for the ROM's own. While the free boot ROM
    // runs, its image changes at once (only those words differ, so the
    // machine runs on). False, with `error` set and nothing changed, when
    // the hint is not one the ROM can show.
    bool set_boot_hint(const std::string& hint, std::string& error);
    // Where the recordings go from now on (ends with '/'); the program
    // directory until this is called.
    void set_recording_directory(const std::string& dir) { recorder.set_directory(dir); }

    // --- Screen -------------------------------------------------------------
    // Centres the picture on a screen (or drawing area) of the given size:
    // each offset is (size - picture size) shifted right by one as a signed
    // number, so a narrow screen cuts one pixel more on the left or top.
    void place_picture(int32_t screen_width, int32_t screen_height);
    int32_t picture_left() const { return picture_x; }
    int32_t picture_top() const { return picture_y; }
    // The surface: 192 rows of 256 RGB565 pixels, top row first, rows
    // SURFACE_ROW_BYTES apart. It never moves.
    const uint16_t* surface_pixels() const { return surface.get(); }

    // --- Keys and paste -----------------------------------------------------
    // Host key events in virtual-key codes 0..255 (higher bits are ignored).
    void key_down(int32_t code) override;
    void key_up(int32_t code) override;
    // Starts typing the platform's clipboard text (abandoning a paste in
    // progress); stops the sequencer and lets go of its keys. A text longer
    // than the sequencer types (PASTE_MAX_BYTES) is refused with a message,
    // and a paste in progress goes on.
    void paste_start();
    // The same for the given UTF-8 text (the desktop's primary selection).
    // False when the text is refused.
    bool paste_start(const std::string& utf8_text);
    void paste_stop();
    bool pasting() const { return paste.pasting(); }
    // Joystick bits (JOY_UP ... JOY_BUTTON_2) held on a game controller for
    // joystick 0 or 1; from the next frame on they join the arrow keys' bits.
    void set_gamepad_bits(int32_t stick, uint8_t bits);

    // --- Sound --------------------------------------------------------------
    // Clears the output once (a menu is about to hold the thread).
    void silence_sound();
    // Starts recording into "sound.tmp"; nothing when already recording or
    // when the file cannot be created.
    void start_recording();
    // Stops and writes "sound.wav"; nothing when not recording. The WAV file
    // is replaced only by a complete one.
    void stop_recording();
    bool recording() const { return recorder.recording(); }
    // 0, or the error number that kept the last recording from starting or
    // from being written whole as "sound.wav" (which is then unchanged).
    int32_t recording_error() const { return recorder.error(); }
    int32_t sample_rate() const { return sound_rate_hz; }
    int32_t block_samples() const { return block_length; }
    bool sound_ready() const { return sound_on; }
    int32_t recorded_blocks() const { return recorder.blocks(); }

    Machine& machine() { return *emulated; }

    // --- Save states (host_state.cpp) -----------------------------------------
    // The state file of the machine as it stands between frames, with the
    // host's own part (key countdowns, joystick bytes, the paste sequencer,
    // the sound feed's turn) and, when asked, a thumbnail of the picture.
    std::vector<uint8_t> save_state(bool with_thumbnail = true);
    // The chunks of such a state (the machine's, then the host's).
    void write_state_chunks(StateWriter& out);
    // Loads a state file. Everything is read and checked in a staging machine
    // first; on any failure `error` says why in one line and nothing has
    // changed. The IPL ROM and the cartridge in the machine must be the ones
    // the state was saved with. A tape the state names resumes only from
    // `media` (or the tape in the deck now) when its content matches; else
    // the state loads with the tape stopped and state_note() says why.
    bool load_state(const std::vector<uint8_t>& file, std::string& error, StateMedia media = {});
    // "" or one line about the last state loaded (a tape left stopped).
    const std::string& state_note() const { return load_note; }
    // Frames emulated since the machine started (a loaded state brings its own).
    uint64_t frames_run() const { return frame_count; }

private:
    // Input step of a frame: countdowns, joystick bytes, one paste step.
    void input_frame();
    void set_side_keys(int32_t left, int32_t right);
    void release_side_keys(int32_t left, int32_t right);

    void open_sound(int32_t rate_hz, int32_t samples);
    void validate_sound_choices();
    void feed_sound();
    void feed_frame_sound();
    void close_sound();
    void restart_recording();
    // Shows, once, that the last tape recording could not be written whole.
    void report_tape_failure();

    Platform& platform;
    Settings& user_settings;
    std::string program_dir;
    // The IPL ROM in use is the free boot ROM the host put there, with the
    // words of this hint.
    bool free_boot_rom_in_use = false;
    std::string boot_hint;

    // Screen surface, created before the Machine so that its rows exist
    // whenever the video chip asks for them, and freed after it.
    std::unique_ptr<uint16_t[]> surface;
    int32_t picture_x = 0;
    int32_t picture_y = 0;

    // Key state and joystick bytes; the keyboard matrix keeps their addresses.
    std::array<uint8_t, KEY_STATE_SIZE> keys{};
    std::array<uint8_t, JOY_PORTS> joy{};
    // Joystick bits held on the game controllers.
    std::array<uint8_t, JOY_PORTS> gamepad_bits{};

    // Types pasted text through key_down and key_up.
    PasteSequencer paste;

    // Sound output and recorder.
    int32_t sound_rate_hz = 0;
    int32_t block_length = 0;
    bool sound_on = false;
    bool sound_silenced = false;
    bool fill_first_half = true;
    bool sound_framed = false;
    SoundRecorder recorder;
    bool tape_failure_reported = false;

    MachineExtensions extensions;
    std::unique_ptr<Machine> emulated;
    uint64_t frame_count = 0;
    std::string load_note;
    FramePacer pacer;
};

}  // namespace m5
