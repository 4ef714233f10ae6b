#include "libretro/core_options.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace m5::libretro {

namespace {

constexpr const char* MODEL_KEY = "m5emu_model";
constexpr const char* MEMORY_KEY = "m5emu_memory";
constexpr const char* SPEED_KEY = "m5emu_cpu_speed";
constexpr const char* FIRMWARE_KEY = "m5emu_firmware";
constexpr const char* FIRE1_KEY = "m5emu_fire1_button";
constexpr const char* FIRE2_KEY = "m5emu_fire2_button";
constexpr const char* SPACE_KEY = "m5emu_space_button";
constexpr const char* SPRITE_LIMIT_KEY = "m5emu_sprite_limit";

struct PadButton {
    const char* value;
    const char* label;
    int32_t button;
};

constexpr PadButton PAD_BUTTONS[] = {
    {"b", "B", RETRO_DEVICE_ID_JOYPAD_B},
    {"a", "A", RETRO_DEVICE_ID_JOYPAD_A},
    {"y", "Y", RETRO_DEVICE_ID_JOYPAD_Y},
    {"x", "X", RETRO_DEVICE_ID_JOYPAD_X},
    {"l", "L", RETRO_DEVICE_ID_JOYPAD_L},
    {"r", "R", RETRO_DEVICE_ID_JOYPAD_R},
    {"l2", "L2", RETRO_DEVICE_ID_JOYPAD_L2},
    {"r2", "R2", RETRO_DEVICE_ID_JOYPAD_R2},
    {"none", "None", NO_BUTTON},
};

#define M5_PAD_BUTTON_VALUES                                                                                \
    {                                                                                                       \
        {"b", "B"}, {"a", "A"}, {"y", "Y"}, {"x", "X"}, {"l", "L"}, {"r", "R"}, {"l2", "L2"}, {"r2", "R2"}, \
            {"none", "None"}, {nullptr, nullptr},                                                           \
    }

// The values of the machine's options, in the order of M5EMU_MODEL_* and
// M5EMU_MEMORY_*.
constexpr const char* MODEL_VALUES[] = {"ntsc", "pal"};
constexpr const char* MEMORY_VALUES[] = {"4k", "32k", "64kbf-2b", "64kbf-2c"};

retro_core_option_v2_category CATEGORIES[] = {
    {"system", "System", "The model, the memory fitted, the processor's speed and the IPL ROM."},
    {"video", "Video", "How the video chip draws."},
    {"input", "Input", "Which RetroPad buttons give the joysticks' fire buttons and the space bar."},
    {nullptr, nullptr, nullptr},
};

retro_core_option_v2_definition DEFINITIONS[] = {
    {MODEL_KEY,
     "Model",
     nullptr,
     "The Japanese M5 (60 Hz, TMS9918A) or the European one (50 Hz, TMS9929A): frame rate, picture shape and "
     "colours, and the free boot ROM's video standard byte. Changing it restarts the machine with the same "
     "cartridge and tape.",
     nullptr,
     "system",
     {{"ntsc", "60 Hz"}, {"pal", "50 Hz"}, {nullptr, nullptr}},
     "ntsc"},
    {MEMORY_KEY,
     "Memory",
     nullptr,
     "The bare machine's 4 KiB, the 32 KiB expansion, or the 64KBF module (64 KiB, modes chosen by OUT (0x30)) in "
     "its 2B or 2C version. Changing it restarts the machine with the same cartridge and tape.",
     nullptr,
     "system",
     {{"4k", "4 KiB"}, {"32k", "32 KiB"}, {"64kbf-2b", "64KBF 2B"}, {"64kbf-2c", "64KBF 2C"}, {nullptr, nullptr}},
     "32k"},
    {SPEED_KEY,
     "CPU Speed",
     nullptr,
     "The Z80's speed as a multiple of the M5's 3.8 MHz. Everything else keeps its own time.",
     nullptr,
     "system",
     {{"1", "x1"}, {"2", "x2"}, {"4", "x4"}, {"8", "x8"}, {"16", "x16"}, {nullptr, nullptr}},
     "1"},
    {FIRMWARE_KEY,
     "IPL ROM",
     nullptr,
     "Automatic runs IPL.ROM from RetroArch's system directory when it is there, else the free boot ROM built "
     "into the core. Changing it restarts the machine.",
     nullptr,
     "system",
     {{"auto", "Automatic"},
      {"free", "Free boot ROM"},
      {"user", "IPL.ROM from the system directory"},
      {nullptr, nullptr}},
     "auto"},
    {SPRITE_LIMIT_KEY,
     "Sprite limit as the real chip",
     nullptr,
     "Hide the fifth and later sprites of a line, as the M5's video chip does. Off draws them all; games that hide "
     "sprites behind the limit or share it out between frames look different.",
     nullptr,
     "video",
     {{"disabled", "Off"}, {"enabled", "On"}, {nullptr, nullptr}},
     "disabled"},
    {FIRE1_KEY, "Fire Button 1", nullptr, "The RetroPad button that gives a joystick's first fire button.", nullptr,
     "input", M5_PAD_BUTTON_VALUES, "b"},
    {FIRE2_KEY, "Fire Button 2", nullptr, "The RetroPad button that gives a joystick's second fire button.", nullptr,
     "input", M5_PAD_BUTTON_VALUES, "a"},
    {SPACE_KEY, "Space Bar Button", nullptr, "The RetroPad button that presses the M5's space bar.", nullptr, "input",
     M5_PAD_BUTTON_VALUES, "y"},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, {{nullptr, nullptr}}, nullptr},
};

const char* option_value(retro_environment_t environment, const char* key) {
    retro_variable variable{key, nullptr};
    if (!environment(RETRO_ENVIRONMENT_GET_VARIABLE, &variable)) return nullptr;
    return variable.value;
}

int32_t pad_button(const char* value, int32_t fallback) {
    if (value == nullptr) return fallback;
    for (const PadButton& button : PAD_BUTTONS) {
        if (std::strcmp(value, button.value) == 0) return button.button;
    }
    return fallback;
}

// The plain variables of older frontends: "Description; first|second|...",
// the default first.
void declare_variables(retro_environment_t environment) {
    static std::vector<std::string> texts;
    static std::vector<retro_variable> variables;
    texts.clear();
    variables.clear();
    for (const retro_core_option_v2_definition* d = DEFINITIONS; d->key != nullptr; ++d) {
        std::string text = std::string(d->desc) + "; " + d->default_value;
        for (const retro_core_option_value* v = d->values; v->value != nullptr; ++v) {
            if (std::strcmp(v->value, d->default_value) != 0) text += std::string("|") + v->value;
        }
        texts.push_back(text);
    }
    size_t i = 0;
    for (const retro_core_option_v2_definition* d = DEFINITIONS; d->key != nullptr; ++d) {
        variables.push_back({d->key, texts[i++].c_str()});
    }
    variables.push_back({nullptr, nullptr});
    environment(RETRO_ENVIRONMENT_SET_VARIABLES, variables.data());
}

}  // namespace

void declare_core_options(retro_environment_t environment) {
    unsigned version = 0;
    if (environment(RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION, &version) && version >= 2) {
        retro_core_options_v2 options{CATEGORIES, DEFINITIONS};
        if (environment(RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2, &options)) return;
    }
    declare_variables(environment);
}

CoreChoices read_core_options(retro_environment_t environment) {
    CoreChoices choices;
    const auto index_of = [](const char* value, const auto& values, int32_t fallback) {
        if (value == nullptr) return fallback;
        for (size_t i = 0; i < std::size(values); ++i) {
            if (std::strcmp(value, values[i]) == 0) return static_cast<int32_t>(i);
        }
        return fallback;
    };
    choices.model = index_of(option_value(environment, MODEL_KEY), MODEL_VALUES, choices.model);
    choices.memory = index_of(option_value(environment, MEMORY_KEY), MEMORY_VALUES, choices.memory);
    if (const char* speed = option_value(environment, SPEED_KEY)) {
        const int32_t multiplier = std::atoi(speed);
        if (multiplier == 1 || multiplier == 2 || multiplier == 4 || multiplier == 8 || multiplier == 16) {
            choices.speed = multiplier;
        }
    }
    if (const char* firmware = option_value(environment, FIRMWARE_KEY)) {
        if (std::strcmp(firmware, "free") == 0) choices.firmware = FirmwareChoice::FREE;
        if (std::strcmp(firmware, "user") == 0) choices.firmware = FirmwareChoice::USER;
    }
    if (const char* limit = option_value(environment, SPRITE_LIMIT_KEY)) {
        choices.sprite_limit = std::strcmp(limit, "enabled") == 0;
    }
    choices.fire1_button = pad_button(option_value(environment, FIRE1_KEY), choices.fire1_button);
    choices.fire2_button = pad_button(option_value(environment, FIRE2_KEY), choices.fire2_button);
    choices.space_button = pad_button(option_value(environment, SPACE_KEY), choices.space_button);
    return choices;
}

const char* retro_pad_button_label(int32_t button) {
    for (const PadButton& pad : PAD_BUTTONS) {
        if (pad.button == button) return pad.label;
    }
    return "";
}

}  // namespace m5::libretro
