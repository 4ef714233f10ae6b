#include "host/settings.h"

#include <algorithm>
#include <cstring>

#include "host/file_stream.h"
#include "host/text_codes.h"
#include "host/whole_file.h"

namespace m5 {
namespace {

constexpr size_t RECENT_CARTS_OFFSET = 4;
constexpr size_t RECENT_TAPES_OFFSET = RECENT_CARTS_OFFSET + RECENT_COUNT * PATH_CHARS * 2;
constexpr size_t CPU_SPEED_OFFSET = RECENT_TAPES_OFFSET + RECENT_COUNT * PATH_CHARS * 2;
constexpr size_t RESERVED_OFFSET = CPU_SPEED_OFFSET + 4;
constexpr size_t SAMPLE_RATE_OFFSET = RESERVED_OFFSET + 4;
constexpr size_t BUFFER_LENGTH_OFFSET = SAMPLE_RATE_OFFSET + 4;
static_assert(BUFFER_LENGTH_OFFSET + 4 == SETTINGS_SIZE, "the settings image is 8340 bytes");

void put_i32(uint8_t* at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t get_i32(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

void put_list(uint8_t* at, const RecentList& list) {
    for (const PathSlot& slot : list) {
        for (char16_t unit : slot) {
            at[0] = static_cast<uint8_t>(unit);
            at[1] = static_cast<uint8_t>(unit >> 8);
            at += 2;
        }
    }
}

void get_list(const uint8_t* at, RecentList& list) {
    for (PathSlot& slot : list) {
        for (char16_t& unit : slot) {
            unit = static_cast<char16_t>(at[0] | (at[1] << 8));
            at += 2;
        }
    }
}

// Units of a slot before its terminator; the whole slot when it has none.
size_t slot_length(const PathSlot& slot) {
    size_t length = 0;
    while (length < slot.size() && slot[length] != 0) ++length;
    return length;
}

// The path as slot units, or false when it does not fit a slot.
bool path_units(const std::string& path, std::u16string& units) {
    return utf8_to_utf16(path, units) && units.size() < static_cast<size_t>(PATH_CHARS);
}

}  // namespace

std::string settings_file_name(const std::string& program_dir) { return program_dir + "m5" + "ce.cfg"; }

void Settings::default_settings() {
    version = SETTINGS_VERSION;
    for (PathSlot& slot : recent_carts) slot[0] = 0;
    for (PathSlot& slot : recent_tapes) slot[0] = 0;
    cpu_speed = 0;
    reserved = 0;
    sample_rate_index = 1;
    buffer_length_index = 0;
}

std::vector<uint8_t> Settings::image() const {
    std::vector<uint8_t> bytes(SETTINGS_SIZE);
    put_i32(&bytes[0], version);
    put_list(&bytes[RECENT_CARTS_OFFSET], recent_carts);
    put_list(&bytes[RECENT_TAPES_OFFSET], recent_tapes);
    put_i32(&bytes[CPU_SPEED_OFFSET], cpu_speed);
    put_i32(&bytes[RESERVED_OFFSET], reserved);
    put_i32(&bytes[SAMPLE_RATE_OFFSET], sample_rate_index);
    put_i32(&bytes[BUFFER_LENGTH_OFFSET], buffer_length_index);
    return bytes;
}

void Settings::read_image(const uint8_t* bytes, size_t count) {
    std::vector<uint8_t> merged = image();
    std::memcpy(merged.data(), bytes, count < merged.size() ? count : merged.size());
    version = get_i32(&merged[0]);
    get_list(&merged[RECENT_CARTS_OFFSET], recent_carts);
    get_list(&merged[RECENT_TAPES_OFFSET], recent_tapes);
    cpu_speed = get_i32(&merged[CPU_SPEED_OFFSET]);
    reserved = get_i32(&merged[RESERVED_OFFSET]);
    sample_rate_index = get_i32(&merged[SAMPLE_RATE_OFFSET]);
    buffer_length_index = get_i32(&merged[BUFFER_LENGTH_OFFSET]);
}

void Settings::load_settings(const std::string& program_dir) {
    default_settings();
    FileStream file;
    if (file.open(settings_file_name(program_dir), FILE_READ_BINARY)) {
        std::vector<uint8_t> bytes(SETTINGS_SIZE);
        const size_t count = file.read(bytes.data(), 1, bytes.size());
        file.close();
        read_image(bytes.data(), count);
    }
    if (version != SETTINGS_VERSION) default_settings();
}

bool Settings::save_settings(const std::string& program_dir) const {
    const std::vector<uint8_t> bytes = image();

    // Written beside the old file and read back: only a complete, correct
    // copy replaces the settings file.
    WholeFile file;
    if (file.create(settings_file_name(program_dir)) != 0) return false;
    file.write(bytes.data(), 1, bytes.size());
    if (file.finish() != 0) return false;
    FileStream back_file;
    if (!back_file.open(file.temporary_path(), FILE_READ_BINARY)) return false;
    std::vector<uint8_t> back(bytes.size() + 1);
    const bool same = back_file.read(back.data(), 1, back.size()) == bytes.size() &&
                      std::memcmp(back.data(), bytes.data(), bytes.size()) == 0;
    back_file.close();
    return same && file.commit() == 0;
}

bool recent_empty(const RecentList& list, int32_t index) {
    return index < 0 || index >= RECENT_COUNT || list[static_cast<size_t>(index)][0] == 0;
}

std::string recent_path(const RecentList& list, int32_t index) {
    if (index < 0 || index >= RECENT_COUNT) return {};
    const PathSlot& slot = list[static_cast<size_t>(index)];
    return utf16_to_utf8(slot.data(), slot_length(slot));
}

bool path_fits_slot(const std::string& path) {
    std::u16string units;
    return path_units(path, units);
}

int32_t find_recent(const RecentList& list, const std::string& path) {
    std::u16string units;
    if (!path_units(path, units)) return RECENT_COUNT - 1;
    for (int32_t i = 0; i < RECENT_COUNT; ++i) {
        const PathSlot& slot = list[static_cast<size_t>(i)];
        const size_t length = slot_length(slot);
        if (length == units.size() && std::equal(units.begin(), units.end(), slot.begin())) return i;
    }
    return RECENT_COUNT - 1;
}

bool promote_recent(RecentList& list, int32_t n, const std::string& path) {
    std::u16string units;
    if (n < 0 || n >= RECENT_COUNT || !path_units(path, units)) return false;
    for (int32_t k = n; k >= 1; --k) {
        const PathSlot& from = list[static_cast<size_t>(k - 1)];
        PathSlot& to = list[static_cast<size_t>(k)];
        // Up to and including the terminator; a slot without one is copied whole.
        const size_t count = std::min(slot_length(from) + 1, from.size());
        std::copy_n(from.begin(), count, to.begin());
    }
    PathSlot& first = list[0];
    std::copy(units.begin(), units.end(), first.begin());
    first[units.size()] = 0;
    return true;
}

}  // namespace m5
