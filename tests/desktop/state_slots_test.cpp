// Quick save slots kept per cartridge, and the move of the old shared slots
// into that layout.
#include "desktop/state_slots.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/state_file.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

// A state file naming the cartridge, its thumbnail bytes marking it.
void write_state(const std::string& path, const Sha256Digest& cartridge, uint8_t mark) {
    StateFile state;
    state.cartridge = cartridge;
    state.thumbnail = {mark, mark};
    const std::vector<uint8_t> bytes = encode_state_file(state);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const Sha256Digest GAME_A = cartridge_window_digest({0x02, 0x10});
const Sha256Digest GAME_B = cartridge_window_digest({0x02, 0x20});

TEST(StateSlots, two_cartridges_do_not_see_each_others_slots) {
    test::TempDir dir;
    const std::string states = dir.dir() + "states/";
    ASSERT_TRUE(prepare_slot_folder(states, GAME_A, "a.rom"));
    write_state(slot_file(states, GAME_A, 0), GAME_A, 0xA);

    EXPECT_NE(slot_file(states, GAME_A, 0), slot_file(states, GAME_B, 0));
    EXPECT_EQ(read_slot(slot_file(states, GAME_B, 0)).status, SlotStatus::empty);
    const SlotInfo a = read_slot(slot_file(states, GAME_A, 0));
    EXPECT_EQ(a.status, SlotStatus::ready);
    EXPECT_EQ(a.thumbnail, (std::vector<uint8_t>{0xA, 0xA}));
    EXPECT_EQ(a.saved_at.size(), 16U) << a.saved_at;  // "YYYY-MM-DD HH:MM"
    EXPECT_EQ(test::read_file(slot_folder(states, GAME_A) + SLOT_NAME_FILE), "a.rom\n");
    // No cartridge is a cartridge window of its own, all 0xFF.
    EXPECT_EQ(cartridge_window_digest({}), cartridge_window_digest(std::vector<uint8_t>(CARTRIDGE_SIZE, 0xFF)));
}

TEST(StateSlots, unreadable_slot_is_shown_as_such_and_kept) {
    test::TempDir dir;
    const std::string states = dir.dir() + "states/";
    ASSERT_TRUE(prepare_slot_folder(states, GAME_A, "a.rom"));
    const std::string path = slot_file(states, GAME_A, 2);
    std::ofstream(path) << "not a state";
    EXPECT_EQ(read_slot(path).status, SlotStatus::unreadable);
    EXPECT_EQ(test::read_file(path), "not a state");
}

TEST(StateSlots, old_shared_slots_move_to_their_cartridges_without_loss) {
    test::TempDir dir;
    const std::string states = dir.dir() + "states/";
    write_state(dir.file("state1.m5s"), GAME_A, 1);
    write_state(dir.file("state2.m5s"), GAME_B, 2);
    write_state(dir.file("state3.m5s"), GAME_A, 3);
    std::ofstream(dir.file("state4.m5s")) << "damaged";
    // Game B's slot 2 is taken already: the old one goes to B's first free slot.
    write_state(slot_file(states, GAME_B, 1), GAME_B, 9);

    const SlotMigration result = migrate_old_slots(dir.dir(), states, [](const Sha256Digest& digest) {
        return digest == GAME_A ? std::string("a.rom") : std::string();
    });
    EXPECT_EQ(result.moved, 3);
    EXPECT_EQ(result.kept, std::vector<std::string>{dir.file("state4.m5s")});
    EXPECT_EQ(read_slot(slot_file(states, GAME_A, 0)).thumbnail, (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(read_slot(slot_file(states, GAME_A, 2)).thumbnail, (std::vector<uint8_t>{3, 3}));
    EXPECT_EQ(read_slot(slot_file(states, GAME_B, 1)).thumbnail, (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(read_slot(slot_file(states, GAME_B, 0)).thumbnail, (std::vector<uint8_t>{2, 2}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("state1.m5s")));
    EXPECT_EQ(test::read_file(dir.file("state4.m5s")), "damaged");
    EXPECT_EQ(test::read_file(slot_folder(states, GAME_A) + SLOT_NAME_FILE), "a.rom\n");
    EXPECT_EQ(test::read_file(slot_folder(states, GAME_B) + SLOT_NAME_FILE), "unknown cartridge\n");
}

}  // namespace
}  // namespace m5
