#include "m5/machine_config.h"

#include <cctype>

namespace m5 {

namespace {

struct Names {
    const char* name;
    const char* key;
};

constexpr Names MODELS[M5_MODEL_COUNT] = {{"60 Hz", "ntsc"}, {"50 Hz", "pal"}};
constexpr Names MEMORIES[MEMORY_FIT_COUNT] = {
    {"4 KiB", "4k"}, {"32 KiB", "32k"}, {"64KBF 2B", "64kbf-2b"}, {"64KBF 2C", "64kbf-2c"}};

bool same_key(std::string_view given, const char* key) {
    const std::string_view wanted(key);
    if (given.size() != wanted.size()) return false;
    for (size_t i = 0; i < given.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(given[i])) != wanted[i]) return false;
    }
    return true;
}

// The entry of `table` whose key `key` is (in any case), as its enumerator.
template <typename Choice, size_t N>
bool from_key(std::string_view key, const Names (&table)[N], Choice& choice) {
    for (size_t i = 0; i < N; ++i) {
        if (same_key(key, table[i].key)) {
            choice = static_cast<Choice>(i);
            return true;
        }
    }
    return false;
}

}  // namespace

const char* model_name(M5Model model) { return MODELS[static_cast<size_t>(model) % M5_MODEL_COUNT].name; }
const char* memory_name(MemoryFit memory) { return MEMORIES[static_cast<size_t>(memory) % MEMORY_FIT_COUNT].name; }
const char* model_key(M5Model model) { return MODELS[static_cast<size_t>(model) % M5_MODEL_COUNT].key; }
const char* memory_key(MemoryFit memory) { return MEMORIES[static_cast<size_t>(memory) % MEMORY_FIT_COUNT].key; }

bool model_from_key(std::string_view key, M5Model& model) { return from_key(key, MODELS, model); }
bool memory_from_key(std::string_view key, MemoryFit& memory) { return from_key(key, MEMORIES, memory); }

std::string describe_config(const MachineConfig& config) {
    return std::string("the ") + model_name(config.model) + " M5 with " + memory_name(config.memory);
}

}  // namespace m5
