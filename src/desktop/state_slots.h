// Quick save slots, eight for each cartridge.
//
// The slots of a cartridge live in a folder of their own below the state
// directory, named by the SHA-256 of the 20 KiB cartridge window the machine
// sees (the file's first 20 KiB, 0xFF beyond its end; all 0xFF without a
// cartridge), which is also how a state file names its cartridge:
//
//   <states_dir>/<64 hex digits>/slot1.m5s ... slot8.m5s
//   <states_dir>/<64 hex digits>/cartridge.txt   the cartridge's file name,
//                                                for people looking around
//
// Earlier versions kept eight slots for all cartridges as state1.m5s ...
// state8.m5s in the files directory; migrate_old_slots moves each of them
// into the folder of the cartridge its state names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/checksums.h"

namespace m5 {

inline constexpr const char* SLOT_NAME_FILE = "cartridge.txt";
inline constexpr const char* NO_CARTRIDGE_NAME = "no cartridge";
inline constexpr int32_t SLOT_COUNT = 8;

// The digest of the cartridge window holding these file bytes.
Sha256Digest cartridge_window_digest(const std::vector<uint8_t>& file_bytes);

// The 64 lower-case hex digits of a digest.
std::string digest_hex(const Sha256Digest& digest);

// The folder of a cartridge's slots (ending with '/'), and the file of its
// slot 0..7. `states_dir` ends with '/'.
std::string slot_folder(const std::string& states_dir, const Sha256Digest& cartridge);
std::string slot_file(const std::string& states_dir, const Sha256Digest& cartridge, int32_t slot);

// Creates the cartridge's slot folder and writes its name file (the name
// given, replacing an earlier one only when `name` is not empty). False when
// the folder cannot be created.
bool prepare_slot_folder(const std::string& states_dir, const Sha256Digest& cartridge, const std::string& name);

enum class SlotStatus { empty, ready, unreadable };

struct SlotInfo {
    SlotStatus status = SlotStatus::empty;
    std::string saved_at;            // local date and time of the file, "2024-05-01 14:03"
    std::vector<uint8_t> thumbnail;  // PNG; may be empty
};

// What the slot file holds: nothing, a state file that reads and checks, or
// a file that does not (it is left where it is).
SlotInfo read_slot(const std::string& path);

struct SlotMigration {
    int32_t moved = 0;
    std::vector<std::string> kept;  // old slot files left in place (unreadable, or no free slot)
};

// Moves the old slot files state1.m5s ... state8.m5s of `old_dir` into the
// slot folder of the cartridge each state names: to the same slot number, or
// the first free slot of that cartridge when it is taken. A file that cannot
// be read as a state, or finds no free slot, stays where it is. `name_of`
// gives the name file's text for a cartridge ("" when unknown).
SlotMigration migrate_old_slots(const std::string& old_dir, const std::string& states_dir,
                                const std::function<std::string(const Sha256Digest&)>& name_of);

}  // namespace m5
