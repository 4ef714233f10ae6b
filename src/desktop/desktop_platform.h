// DesktopPlatform: the Platform the host runs on in the desktop program.
//
// Time from GLib's monotonic clock, the window title and repaints through
// GTK, the clipboard through GTK's clipboard, the side-specific modifier
// state from the key events the window has seen, and sound through SDL2 at
// the user's volume. The window title is the frame pacer's with the inserted
// cartridge's name, or a status in place of the frame rate (window_title).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/key_translation.h"
#include "desktop/sdl_sound.h"
#include "host/platform.h"

namespace m5 {

class DesktopPlatform final : public Platform {
public:
    explicit DesktopPlatform(const KeyboardTracker& keyboard) : keyboard(keyboard) {}

    // The window whose title is set and the widget that shows the picture;
    // null while they do not exist.
    void attach(GtkWindow* window, GtkWidget* picture);
    // Where show_message goes (the window's message strip); none: dropped.
    void set_message_sink(std::function<void(const std::string&)> sink) { message_sink = std::move(sink); }
    // The cartridge's file name ("" for none) and a status ("Paused", "no
    // IPL.ROM"; "" for the frame rate) the title shows from now on.
    void set_title_parts(const std::string& cartridge, const std::string& status);
    // Forgets the last frame rate (it is stale after a pause).
    void clear_frame_rate();
    // Output volume 0..100 percent (0: silent); recordings are not affected.
    void set_volume(int32_t percent) { volume_percent = percent; }

    uint32_t ticks_ms() override;
    void sleep_ms(uint32_t milliseconds) override;
    void set_title(const std::string& title) override;
    void request_repaint() override;
    void show_message(const std::string& text) override {
        if (message_sink) message_sink(text);
    }
    std::string executable_path() override;
    bool modifier_down(int32_t virtual_key) override;
    std::optional<std::string> clipboard_text() override;
    bool sound_open(int32_t sample_rate, int32_t block_samples) override;
    bool sound_half_free(bool first_half) override;
    bool sound_write_half(bool first_half, const int16_t* samples, int32_t count) override;
    void sound_clear() override;
    void sound_close() override;

private:
    const KeyboardTracker& keyboard;
    GtkWindow* window = nullptr;
    GtkWidget* picture = nullptr;
    std::function<void(const std::string&)> message_sink;
    SdlSound sound;
    std::string pacer_title;
    std::string title_cartridge;
    std::string title_status;
    int32_t volume_percent = 100;
    std::vector<int16_t> scaled;  // a block at the volume; grows once to the block size

    void show_title();
};

}  // namespace m5
