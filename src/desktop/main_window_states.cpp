// The main window's save states: files, the quick slots of the inserted
// cartridge, the slots of earlier versions, and rewind.
#include <filesystem>

#include "desktop/main_window.h"
#include "desktop/main_window_parts.h"
#include "desktop/state_slots.h"
#include "host/host.h"
#include "host/media_rules.h"
#include "host/state_file.h"
#include "m5/machine.h"
#include "memory/memory_map.h"

namespace m5 {

// --- Save states ---------------------------------------------------------------------

Sha256Digest MainWindow::cartridge_digest() const {
    return sha256(host->machine().memory_map->cartridge_rom(), CARTRIDGE_SIZE);
}

std::string MainWindow::slot_path(int32_t slot) const { return slot_file(paths.states_dir, cartridge_digest(), slot); }

void MainWindow::save_slot(int32_t slot) {
    if (!host) return;
    if (!prepare_slot_folder(paths.states_dir, cartridge_digest(),
                             cartridge_name.empty() ? NO_CARTRIDGE_NAME : cartridge_name)) {
        show_message("The quick slots cannot be kept: " + paths.states_dir + " cannot be created.");
        return;
    }
    if (save_state_file(slot_path(slot))) show_notice("Saved to slot " + std::to_string(slot + 1));
}

void MainWindow::load_slot(int32_t slot) {
    if (host && load_state_file(slot_path(slot))) show_notice("Loaded slot " + std::to_string(slot + 1));
}

// The slots of earlier versions, shared by every cartridge, go to the
// cartridge each state names; the recent cartridges give the folders' names.
void MainWindow::move_old_slots() {
    const auto name_of = [this](const Sha256Digest& digest) -> std::string {
        if (digest == cartridge_window_digest({})) return NO_CARTRIDGE_NAME;
        for (int32_t i = 0; i < RECENT_COUNT; ++i) {
            if (recent_empty(settings.recent_carts, i)) continue;
            const std::string path = recent_path(settings.recent_carts, i);
            gchar* contents = nullptr;
            gsize length = 0;
            if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) continue;
            const std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(contents),
                                             reinterpret_cast<uint8_t*>(contents) + length);
            g_free(contents);
            if (cartridge_window_digest(bytes) == digest) return std::filesystem::path(path).filename().string();
        }
        return {};
    };
    const SlotMigration moved = migrate_old_slots(paths.files_dir, paths.states_dir, name_of);
    if (moved.moved > 0) trace("slots moved " + std::to_string(moved.moved));
    for (const std::string& kept : moved.kept) {
        show_message("The old quick slot " + kept + " could not be moved to " + paths.states_dir +
                     " (it cannot be read, or its cartridge's slots are full); it is left where it is.");
    }
}

bool MainWindow::save_state_file(const std::string& path) {
    if (!host || machine_held_by_debugger()) return false;
    const std::vector<uint8_t> bytes = host->save_state();
    // GLib writes beside the file and renames, so an old state is never half replaced.
    GError* error = nullptr;
    if (!g_file_set_contents(path.c_str(), reinterpret_cast<const gchar*>(bytes.data()),
                             static_cast<gssize>(bytes.size()), &error)) {
        show_message("The state could not be saved to " + quoted_name(path) + ": " + error->message + ".");
        g_error_free(error);
        return false;
    }
    trace("state saved " + path);
    return true;
}

bool MainWindow::load_state_file(const std::string& path) {
    if (!host || machine_held_by_debugger()) return false;
    // A regular file only (a FIFO would hold the window), of a state's size.
    std::vector<uint8_t> bytes;
    const FileCheck check = read_state_file(path, bytes);
    if (!check.taken()) {
        show_message(file_sentence(FileKind::STATE, quoted_name(path), check.refusal) + ".");
        return false;
    }
    std::string error;
    if (!host->load_state(bytes, error)) {
        show_message("The state " + quoted_name(path) + " was not loaded: " + error + ".");
        return false;
    }
    // The tape the state names resumes only when it is the one in the deck.
    if (!host->state_note().empty()) show_message("The state was loaded, but " + host->state_note() + ".");
    ring_frames = host->frames_run();
    host->present_frame();
    trace("state loaded " + path);
    return true;
}

void MainWindow::rewind_step() {
    if (!host || machine_held_by_debugger()) return;
    std::string error;
    if (!rewind_ring.step_back(*host, error)) {
        // A state the machine no longer takes (another cartridge) ends the past.
        rewind_ring.clear();
        return;
    }
    ring_frames = host->frames_run();
    host->present_frame();
    trace("rewound to frame " + std::to_string(host->frames_run()));
}

}  // namespace m5
