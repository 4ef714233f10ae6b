#include "desktop/state_slots.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/state_file.h"
#include "memory/memory_map.h"

namespace m5 {

namespace {

bool read_whole_file(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The file's modification time in local time; "" when it cannot be read.
std::string modified_at(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    std::tm local{};
    if (!localtime_r(&info.st_mtime, &local)) return {};
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}

}  // namespace

Sha256Digest cartridge_window_digest(const std::vector<uint8_t>& file_bytes) {
    std::vector<uint8_t> window(CARTRIDGE_SIZE, 0xFF);
    std::copy_n(file_bytes.begin(), std::min<size_t>(file_bytes.size(), window.size()), window.begin());
    return sha256(window.data(), window.size());
}

std::string digest_hex(const Sha256Digest& digest) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += DIGITS[byte >> 4];
        text += DIGITS[byte & 15];
    }
    return text;
}

std::string slot_folder(const std::string& states_dir, const Sha256Digest& cartridge) {
    return states_dir + digest_hex(cartridge) + "/";
}

std::string slot_file(const std::string& states_dir, const Sha256Digest& cartridge, int32_t slot) {
    return slot_folder(states_dir, cartridge) + "slot" + std::to_string(slot + 1) + ".m5s";
}

bool prepare_slot_folder(const std::string& states_dir, const Sha256Digest& cartridge, const std::string& name) {
    const std::string folder = slot_folder(states_dir, cartridge);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) return false;
    const std::string name_path = folder + SLOT_NAME_FILE;
    if (!name.empty() || !exists(name_path)) {
        std::ofstream out(name_path, std::ios::trunc);
        out << (name.empty() ? "unknown cartridge" : name) << '\n';
    }
    return true;
}

SlotInfo read_slot(const std::string& path) {
    SlotInfo info;
    if (!exists(path)) return info;
    info.status = SlotStatus::unreadable;
    std::vector<uint8_t> bytes;
    StateFile state;
    std::string error;
    if (!read_whole_file(path, bytes) || !decode_state_file(bytes, state, error)) return info;
    info.status = SlotStatus::ready;
    info.saved_at = modified_at(path);
    info.thumbnail = std::move(state.thumbnail);
    return info;
}

SlotMigration migrate_old_slots(const std::string& old_dir, const std::string& states_dir,
                                const std::function<std::string(const Sha256Digest&)>& name_of) {
    SlotMigration result;
    for (int32_t slot = 0; slot < SLOT_COUNT; ++slot) {
        const std::string old_path = old_dir + "state" + std::to_string(slot + 1) + ".m5s";
        if (!exists(old_path)) continue;
        std::vector<uint8_t> bytes;
        StateFile state;
        std::string error;
        if (!read_whole_file(old_path, bytes) || !decode_state_file(bytes, state, error)) {
            result.kept.push_back(old_path);
            continue;
        }
        // The same slot number when it is free, otherwise the first free one.
        std::string target;
        for (int32_t i = 0; i < SLOT_COUNT && target.empty(); ++i) {
            const int32_t candidate = i == 0 ? slot : (i <= slot ? i - 1 : i);
            const std::string path = slot_file(states_dir, state.cartridge, candidate);
            if (!exists(path)) target = path;
        }
        std::error_code moved;
        if (target.empty() || !prepare_slot_folder(states_dir, state.cartridge, name_of(state.cartridge))) {
            result.kept.push_back(old_path);
            continue;
        }
        std::filesystem::rename(old_path, target, moved);
        if (moved) {
            result.kept.push_back(old_path);
        } else {
            ++result.moved;
        }
    }
    return result;
}

}  // namespace m5
