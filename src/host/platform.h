// Platform: all the host sees of the platform it runs on.
//
// The host logic (driver and frame pacer, screen, sound feed and recorder,
// key input and paste, settings) is platform-neutral. It reaches the
// platform only through this interface, which the desktop program implements
// with GTK 3 and SDL2, and the headless runner and the tests implement
// without any window or sound device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace m5 {

class Platform {
public:
    virtual ~Platform() = default;

    // --- Time ---------------------------------------------------------------
    // A millisecond counter that wraps modulo 2^32; only differences count.
    virtual uint32_t ticks_ms() = 0;
    virtual void sleep_ms(uint32_t milliseconds) = 0;

    // --- Window -------------------------------------------------------------
    virtual void set_title(const std::string& title) = 0;
    // Asks for the picture to be drawn again (the host has rendered a frame).
    virtual void request_repaint() = 0;
    // Tells the user something went wrong (a file that could not be written,
    // a missing ROM) without stopping anything. Platforms with no place to
    // show it drop it.
    virtual void show_message(const std::string& /*text*/) {}

    // --- Files --------------------------------------------------------------
    // Full path of the running executable (UTF-8); its directory is the
    // program directory.
    virtual std::string executable_path() = 0;

    // --- Keyboard and clipboard ---------------------------------------------
    // Physical state of a side-specific modifier key, named by its virtual-key
    // code (left/right Shift, Control, Alt).
    virtual bool modifier_down(int32_t virtual_key) = 0;
    // Clipboard text as UTF-8 bytes; nothing when the clipboard holds no
    // text (an empty text is still a text).
    virtual std::optional<std::string> clipboard_text() = 0;

    // --- Sound output: one looping buffer of two halves ---------------------
    // Nothing by default. The host tells its machine's frame rate (its video
    // standard's) once, before the first sound_open; a sound device that
    // plays in machine time (the headless one) plays at it.
    virtual void set_frame_rate(int32_t frames_per_second) { (void)frames_per_second; }
    // Opens the output for 16-bit mono samples, each half holding
    // block_samples samples, and starts it playing. False: no sound this run.
    virtual bool sound_open(int32_t sample_rate, int32_t block_samples) = 0;
    // True when the given half (first or second) has been played and may be
    // refilled now. False also when the position cannot be read.
    virtual bool sound_half_free(bool first_half) = 0;
    // Writes one block into the given half. False when it could not be
    // written (it is then refilled on its next turn).
    virtual bool sound_write_half(bool first_half, const int16_t* samples, int32_t count) = 0;
    // Silences what is queued or looping (a menu is about to hold the thread).
    virtual void sound_clear() = 0;
    virtual void sound_close() = 0;
};

}  // namespace m5
