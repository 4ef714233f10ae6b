// The core's options, as RetroArch shows them (version 2 options in two
// categories, with a fallback for frontends that only know plain variables),
// and the choices read back from them.
#pragma once

#include <cstdint>

#include "libretro.h"

namespace m5::libretro {

// Where the IPL ROM comes from.
enum class FirmwareChoice : uint8_t {
    AUTOMATIC,  // IPL.ROM from the system directory when it is there, else the free boot ROM
    FREE,       // always the free boot ROM compiled into the core
    USER,       // always IPL.ROM from the system directory (no content starts without it)
};

// A RetroPad button (RETRO_DEVICE_ID_JOYPAD_*), or NO_BUTTON.
inline constexpr int32_t NO_BUTTON = -1;

struct CoreChoices {
    // The machine (M5EMU_MODEL_*, M5EMU_MEMORY_*); a change restarts it.
    int32_t model = 0;   // the 60 Hz M5
    int32_t memory = 1;  // 32 KiB
    int32_t speed = 1;   // 1, 2, 4, 8 or 16
    FirmwareChoice firmware = FirmwareChoice::AUTOMATIC;
    bool sprite_limit = false;  // hide the fifth and later sprites of a line
    int32_t fire1_button = RETRO_DEVICE_ID_JOYPAD_B;
    int32_t fire2_button = RETRO_DEVICE_ID_JOYPAD_A;
    int32_t space_button = RETRO_DEVICE_ID_JOYPAD_Y;
};

// Declares the options to the frontend.
void declare_core_options(retro_environment_t environment);

// The choices the frontend holds now (the defaults where it gives none).
CoreChoices read_core_options(retro_environment_t environment);

// The label of a RetroPad button for the input descriptors ("B", "L2").
const char* retro_pad_button_label(int32_t button);

}  // namespace m5::libretro
