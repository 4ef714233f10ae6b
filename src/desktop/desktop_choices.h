// DesktopChoices: what the desktop program remembers beyond the settings
// record, whose fixed 8340-byte image has no room for it: the window scale,
// fullscreen, drawing every frame, the notices over the picture, the sound
// volume, the folders the file choosers last chose from, the IPL ROM, model
// and memory chosen and the gamepad mapping. Kept in a small key file ("m5emu.conf") beside m5ce.cfg:
//
//   [Window]
//   scale=2
//   fullscreen=false
//   every_frame=true
//   sprite_limit=false    (true: hide the fifth and later sprites of a line)
//   notices=true          (false: no "Saved to slot 1" and such over the picture)
//
//   [Sound]
//   volume=100            (25, 50, 75 or 100 percent)
//   mute=false
//
//   [Folders]
//   cartridge=/home/me/games     (one key per kind of file chooser)
//
//   [Machine]
//   ipl=/home/me/IPL.ROM  (Machine / IPL ROM...: a file, or "free" for the
//                         free boot ROM; none: IPL.ROM where it is found)
//   model=pal             (Machine / Model: ntsc for 60 Hz, the default, or
//                         pal for 50 Hz)
//   memory=64kbf-2b       (Machine / Memory: 4k, 32k (the default),
//                         64kbf-2b or 64kbf-2c)
//
//   [Keyboard]
//   q=Q                   (a physical key by name: the M5 key it presses)
//   ...
//
//   [Gamepad]
//   a=fire1
//   ...
//
// The key and gamepad mappings are read and written by their own code
// (controls.h, gamepad.h) through value/set_value; groups and keys this
// program does not know are kept as they were loaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace m5 {

class DesktopChoices {
public:
    DesktopChoices();
    ~DesktopChoices();
    DesktopChoices(const DesktopChoices&) = delete;
    DesktopChoices& operator=(const DesktopChoices&) = delete;

    // Reads the file; a missing or unreadable file, or a value out of range,
    // leaves that choice at its default.
    void load(const std::string& path);
    // Writes the file through a temporary one; false when nothing was saved.
    bool save(const std::string& path);

    int32_t window_scale = 2;  // 1..4
    bool fullscreen = false;
    bool every_frame = true;
    bool sprite_limit = false;
    bool tv_pixels = false;  // the M5's 8:7 pixels, else square
    bool notices = true;
    int32_t volume_percent = 100;  // 25, 50, 75, 100
    bool muted = false;

    bool has_group(const std::string& group) const;
    // Any other value, as text; "" when absent.
    std::string value(const std::string& group, const std::string& key) const;
    void set_value(const std::string& group, const std::string& key, const std::string& text);
    // The group's keys in file order; none when it is absent.
    std::vector<std::string> keys(const std::string& group) const;
    void remove_value(const std::string& group, const std::string& key);

private:
    struct KeyFile;
    std::unique_ptr<KeyFile> file;
};

}  // namespace m5
