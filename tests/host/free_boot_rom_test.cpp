// The free boot ROM compiled into the host: the words of its demo's hint,
// as each program puts its own there, and states that name it whatever
// the hint says.
#include "host/free_boot_rom.h"

#include <gtest/gtest.h>

#include "devices/vdp.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

const std::vector<uint8_t> OWN(FREE_BOOT_ROM, FREE_BOOT_ROM + FREE_BOOT_ROM_SIZE);
constexpr const char* WEB_HINT =
    "The original *IPL.ROM*: press\n*More*, *Use my IPL.ROM*.\nInsert a cartridge: *Cart*.";

std::vector<uint8_t> hinted(const std::string& hint) {
    std::vector<uint8_t> rom;
    std::string error;
    EXPECT_TRUE(free_boot_rom_with_hint(hint, rom, error)) << error;
    return rom;
}

// The IPL ROM area as the memory map holds a ROM image.
std::vector<uint8_t> area(const std::vector<uint8_t>& rom) {
    std::vector<uint8_t> image(IPL_ROM_SIZE, 0xFF);
    std::copy(rom.begin(), rom.end(), image.begin());
    return image;
}

TEST(FreeBootRom, its_own_words_are_the_lines_centred_on_their_rows) {
    EXPECT_EQ(hinted(""), OWN);
    // The ROM's own list, written by hand in roms/boot, is what the host
    // makes of its words.
    EXPECT_EQ(hinted("The original *IPL.ROM* goes in\nthe program's directory.\nInsert a cartridge: *Cart* menu."),
              OWN);
}

TEST(FreeBootRom, another_hint_changes_only_the_hint_and_not_the_roms_identity) {
    const std::vector<uint8_t> web = hinted(WEB_HINT);
    ASSERT_EQ(web.size(), OWN.size());
    EXPECT_NE(web, OWN);
    size_t first = 0, last = 0;
    for (size_t i = 0; i < web.size(); ++i) {
        if (web[i] == OWN[i]) continue;
        if (first == 0) first = i;
        last = i;
    }
    EXPECT_LT(last - first, 104u) << "only the hint block differs";
    EXPECT_TRUE(is_free_boot_rom(area(web).data()));
    EXPECT_EQ(ipl_identity(area(web).data()), ipl_identity(area(OWN).data()));
    std::vector<uint8_t> other = area(OWN);
    other[0x100] ^= 1;
    EXPECT_FALSE(is_free_boot_rom(other.data()));
    EXPECT_NE(ipl_identity(other.data()), ipl_identity(area(OWN).data()));
}

TEST(FreeBootRom, hints_the_screen_cannot_show_are_refused) {
    std::vector<uint8_t> rom = {1, 2, 3};
    std::string error;
    EXPECT_FALSE(free_boot_rom_with_hint("a\nb\nc\nd", rom, error));
    EXPECT_FALSE(free_boot_rom_with_hint("caf\xC3\xA9", rom, error));
    EXPECT_FALSE(free_boot_rom_with_hint(std::string(33, 'x'), rom, error));
    EXPECT_FALSE(free_boot_rom_with_hint(
        std::string(32, 'x') + "\n" + std::string(32, 'y') + "\n" + std::string(32, 'z') + "\n", rom, error));
    EXPECT_EQ(rom, (std::vector<uint8_t>{1, 2, 3})) << "nothing changed";
    EXPECT_TRUE(free_boot_rom_with_hint(std::string(32, 'x') + "\n\n*" + std::string(30, 'z') + "*", rom, error));
}

class FreeBootRomHost : public ::testing::Test {
protected:
    void SetUp() override { platform.executable = dir.file("m5emu"); }
    test::TempDir dir;
    test::TestPlatform platform;
    Settings settings;
};

// The text of row `row` of the demo's screen, highlighted characters as
// plain ones.
std::string screen_row(Host& host, int32_t row) {
    std::string text;
    for (int32_t col = 0; col < 32; ++col) {
        uint8_t code = host.machine().vdp->vram_at(0x3800 + row * 32 + col);
        if (code >= 0x80 && code < 0xE0) code = static_cast<uint8_t>(code - 0x60);
        text += static_cast<char>(code);
    }
    return text;
}

TEST_F(FreeBootRomHost, the_demo_shows_the_programs_hint_and_states_cross_between_hints) {
    Host web(platform, settings);
    ASSERT_TRUE(web.running_free_boot_rom()) << "no IPL.ROM in the program directory";
    std::string error;
    ASSERT_TRUE(web.set_boot_hint(WEB_HINT, error)) << error;
    EXPECT_TRUE(web.running_free_boot_rom());
    for (int i = 0; i < 60; ++i) web.emulate_frame();
    EXPECT_EQ(screen_row(web, 3), "  The original IPL.ROM: press   ");
    EXPECT_EQ(screen_row(web, 4), "     More, Use my IPL.ROM.      ");
    const std::vector<uint8_t> state = web.save_state(false);

    Host plain(platform, settings);
    ASSERT_TRUE(plain.load_state(state, error)) << error;
    for (int i = 0; i < 30; ++i) {
        web.emulate_frame();
        plain.emulate_frame();
    }
    EXPECT_EQ(plain.machine().memory_map->peek(0x7000), web.machine().memory_map->peek(0x7000));
    EXPECT_EQ(plain.frames_run(), web.frames_run());
}

}  // namespace
}  // namespace m5
