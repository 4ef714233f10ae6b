// Settings: the record of the user's choices that persists between runs, and
// the live store the commands, the scheduler and the host read.
//
// The file "m5ce.cfg" in the program directory is the exact 8340-byte
// little-endian image of the record:
//
//   offset  size      field
//   0       4         version (22)
//   4       8 x 520   recent_carts: 8 slots of 260 UTF-16 code units
//   4164    8 x 520   recent_tapes: the same for tapes
//   8324    4         cpu_speed index 0..4 (x1..x16)
//   8328    4         reserved, kept as loaded
//   8332    4         sample_rate_index 0..6 (2000..48000 Hz)
//   8336    4         buffer_length_index 0..3 (100..400 ms)
//
// A path slot holds a zero-terminated path, most recent entry first; an empty
// entry has 0 as its first unit. Units after the terminator are kept exactly
// as loaded and written back. A slot with no terminator in its 260 units is
// read as ending at its last unit, so nothing ever reads past a slot.
//
// In memory, paths cross this interface as UTF-8 strings. A path that does
// not fit a slot (more than 259 UTF-16 units, or not valid UTF-8) can still be
// opened but is never stored in a recent list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace m5 {

inline constexpr int32_t SETTINGS_VERSION = 22;
inline constexpr int32_t SETTINGS_SIZE = 8340;
inline constexpr int32_t RECENT_COUNT = 8;
inline constexpr int32_t PATH_CHARS = 260;  // 259 units and the terminator

inline constexpr int32_t CPU_SPEED_COUNT = 5;
inline constexpr int32_t SAMPLE_RATE_COUNT = 7;
inline constexpr int32_t BUFFER_LENGTH_COUNT = 4;
inline constexpr int32_t SAMPLE_RATES_HZ[SAMPLE_RATE_COUNT] = {2000, 4000, 8000, 11025, 22050, 44100, 48000};
inline constexpr int32_t BUFFER_LENGTHS_MS[BUFFER_LENGTH_COUNT] = {100, 200, 300, 400};

using PathSlot = std::array<char16_t, PATH_CHARS>;
using RecentList = std::array<PathSlot, RECENT_COUNT>;

// "m5ce.cfg" in the given program directory (which ends with '/').
std::string settings_file_name(const std::string& program_dir);

struct Settings {
    int32_t version = SETTINGS_VERSION;
    RecentList recent_carts{};
    RecentList recent_tapes{};
    int32_t cpu_speed = 0;
    int32_t reserved = 0;
    int32_t sample_rate_index = 1;    // 4000 Hz
    int32_t buffer_length_index = 0;  // 100 ms

    // Version 22, every recent entry empty (only its first unit is cleared),
    // speed x1, 4000 Hz, 100 ms.
    void default_settings();

    // Defaults, then as many bytes of the file as it has (up to 8340); a file
    // whose version is not 22 is ignored as a whole. No range checks here:
    // each index is checked where it is used.
    void load_settings(const std::string& program_dir);

    // Writes the image through a temporary file in the same directory, checks
    // it, and renames it over the settings file, so the file is always either
    // the old record or the new one. False when nothing was saved.
    bool save_settings(const std::string& program_dir) const;

    // The record as its 8340-byte file image, and back. `read_image` replaces
    // the first `count` bytes of the image (at most 8340) and leaves the rest.
    std::vector<uint8_t> image() const;
    void read_image(const uint8_t* bytes, size_t count);
};

// True when the recent entry is empty (its first unit is the terminator).
bool recent_empty(const RecentList& list, int32_t index);

// The recent entry as UTF-8 ("" when empty).
std::string recent_path(const RecentList& list, int32_t index);

// True when the path can be stored in a slot: valid UTF-8 of at most 259
// UTF-16 units.
bool path_fits_slot(const std::string& path);

// First index 0..7 whose entry equals the path exactly (unit by unit up to
// the terminator), or 7 when none does.
int32_t find_recent(const RecentList& list, const std::string& path);

// Moves entries 0..n-1 down one place (each copied up to and including its
// terminator) and puts the path in entry 0; entries after n are untouched.
// The path must be a separate copy. Does nothing and returns false when the
// path does not fit a slot or n is outside 0..7.
bool promote_recent(RecentList& list, int32_t n, const std::string& path);

}  // namespace m5
