// A small libretro frontend for the tests: it loads the core with dlopen, as
// RetroArch does, answers the environment calls the core makes, keeps what
// the core hands over (pictures, sound, option and input descriptions, the
// memory map, the disk control interface) and feeds it RetroPad and keyboard
// input. One Frontend at a time: libretro's callbacks carry no user pointer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "libretro.h"

namespace m5::test {

class Frontend {
public:
    // Opens the core and calls retro_set_environment and retro_init; ok()
    // says whether that worked. `system_dir` is the system directory.
    explicit Frontend(std::string system_dir);
    ~Frontend();
    Frontend(const Frontend&) = delete;
    Frontend& operator=(const Frontend&) = delete;

    bool ok() const { return core_ != nullptr; }
    const std::string& error() const { return error_; }

    // retro_load_game with the content's path (may be null) and bytes; with
    // neither, no content at all.
    bool load(const char* path, const std::vector<uint8_t>& bytes);
    bool load_nothing();
    // retro_run `frames` times; `picture` holds the last frame's pixels,
    // `sound` every stereo sample handed over.
    void run(int32_t frames);

    std::vector<uint8_t> serialize() const;
    bool unserialize(const std::vector<uint8_t>& state) const;
    void* memory(unsigned id, size_t* size) const;
    // The system RAM; `size` is its length.
    uint8_t* system_ram(size_t& size) const { return static_cast<uint8_t*>(memory(RETRO_MEMORY_SYSTEM_RAM, &size)); }

    // Options: the value the frontend gives for a key; `options_changed`
    // makes the next retro_run see an update.
    void set_option(const std::string& key, const std::string& value);
    // Holds or lets go of a RetroPad button; moves the left stick.
    void press(unsigned port, unsigned button, bool down) { pads_[port][button] = down; }
    void stick(unsigned port, int16_t x, int16_t y) { sticks_[port] = {x, y}; }
    // A key event through the core's keyboard callback.
    void key(unsigned retro_key, bool down);
    // A key of the keyboard on `port` as the input state reports it (what
    // RetroArch's netplay carries for a port whose device is a keyboard).
    void hold_key(unsigned port, unsigned retro_key, bool down) { port_keys_[port][retro_key] = down; }
    // retro_set_controller_port_device.
    void set_port_device(unsigned port, unsigned device);

    retro_system_av_info av_info() const;

    std::vector<uint32_t> picture;
    std::vector<int16_t> sound;
    int32_t batches = 0;  // audio batches handed over since the last run() began
    unsigned pixel_format = ~0u;
    std::vector<retro_core_option_v2_category> categories;
    std::vector<std::string> option_keys;
    std::vector<retro_input_descriptor> input_descriptors;
    std::vector<std::string> input_names;
    std::vector<retro_memory_descriptor> memory_map;
    // What the core told the frontend while running: new timing and
    // geometry (RETRO_ENVIRONMENT_SET_SYSTEM_AV_INFO), messages on screen.
    std::vector<retro_system_av_info> av_changes;
    std::vector<std::string> messages;
    // The devices each port offers (RETRO_ENVIRONMENT_SET_CONTROLLER_INFO).
    std::vector<std::vector<unsigned>> port_devices;
    retro_disk_control_ext_callback disk{};
    retro_keyboard_event_t keyboard = nullptr;
    std::vector<std::string> log;

private:
    friend struct FrontendCallbacks;

    void* core_ = nullptr;
    std::string error_;
    std::string system_dir_;
    bool loaded_ = false;
    std::map<std::string, std::string> options_;
    bool options_changed_ = false;
    std::array<std::array<bool, 16>, 2> pads_{};
    std::array<std::array<int16_t, 2>, 2> sticks_{};
    std::array<std::array<bool, RETROK_LAST>, 2> port_keys_{};
};

}  // namespace m5::test
