// MachineConfig: which M5 a Machine is, chosen when it is built.
//
// The model is the television standard the machine was made for: the
// Japanese 60 Hz M5 with its TMS9918A (M5Model::NTSC, the default) or the
// European 50 Hz one with a TMS9929A (M5Model::PAL). The memory is what is
// fitted beyond the board's 4 KiB (memory/memory_expansion.h): nothing, the
// 32 KiB expansion (the default) or the 64KBF module, 2B or 2C.
//
// Each has a name for people ("50 Hz", "64KBF 2B") and a key for options and
// settings files ("pal", "64kbf-2b"); the front ends show and take these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "machine/video_standard.h"
#include "memory/memory_expansion.h"

namespace m5 {

// The values are saved in states and settings: never renumber.
enum class M5Model : uint8_t {
    NTSC = 0,  // 60 Hz, TMS9918A
    PAL = 1,   // 50 Hz, TMS9929A
};
inline constexpr int32_t M5_MODEL_COUNT = 2;

struct MachineConfig {
    M5Model model = M5Model::NTSC;
    MemoryFit memory = MemoryFit::RAM_32K;
    bool operator==(const MachineConfig&) const = default;
};

// The video standard of a model.
constexpr const VideoStandard& video_standard_of(M5Model model) {
    return model == M5Model::PAL ? VIDEO_PAL : VIDEO_NTSC;
}

// "60 Hz", "50 Hz"; "4 KiB", "32 KiB", "64KBF 2B", "64KBF 2C".
const char* model_name(M5Model model);
const char* memory_name(MemoryFit memory);
// "ntsc", "pal"; "4k", "32k", "64kbf-2b", "64kbf-2c".
const char* model_key(M5Model model);
const char* memory_key(MemoryFit memory);
// The model or memory of a key (as the *_key functions give them, in any
// case); false for anything else.
bool model_from_key(std::string_view key, M5Model& model);
bool memory_from_key(std::string_view key, MemoryFit& memory);
// "the 50 Hz M5 with 64KBF 2B".
std::string describe_config(const MachineConfig& config);

}  // namespace m5
