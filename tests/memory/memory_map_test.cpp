#include "memory/memory_map.h"

#include <gtest/gtest.h>

#include <vector>

#include "m5/machine.h"
#include "support/test_host.h"

namespace m5 {
namespace {

std::vector<uint8_t> pattern_bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

class MemoryMapTest : public ::testing::Test {
protected:
    // A map initialised and given an IPL ROM of `rom_size` bytes (none if
    // negative).
    void start(int rom_size) {
        memory.init();
        if (rom_size >= 0) {
            rom = pattern_bytes(static_cast<size_t>(rom_size), 0x11);
            memory.load_ipl(rom.data(), rom.size());
        }
    }

    MemoryMap memory{nullptr, nullptr};
    std::vector<uint8_t> rom;
};

TEST_F(MemoryMapTest, ipl_rom_reads_back_and_ignores_writes) {
    start(IPL_ROM_SIZE);
    EXPECT_EQ(memory.mem_read8(0x0000), rom[0]);
    memory.mem_write8(0x0000, 0x55);
    memory.mem_write8(0x1FFF, static_cast<uint8_t>(~rom[0x1FFF]));
    EXPECT_EQ(memory.mem_read8(0x0000), rom[0]);
    for (int32_t a = 0; a < IPL_ROM_SIZE; ++a) ASSERT_EQ(memory.mem_read8(a), rom[static_cast<size_t>(a)]) << a;
}

TEST_F(MemoryMapTest, missing_ipl_rom_leaves_all_ones_and_ram_zero) {
    start(-1);
    for (int32_t a = 0; a < RAM_START; ++a) ASSERT_EQ(memory.mem_read8(a), 0xFF) << a;
    for (int32_t a = RAM_START; a < ADDRESS_SPACE_SIZE; ++a) ASSERT_EQ(memory.mem_read8(a), 0x00) << a;
}

TEST_F(MemoryMapTest, empty_ipl_rom_leaves_all_ones) {
    start(0);
    EXPECT_EQ(memory.mem_read8(0x0000), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x1FFF), 0xFF);
}

TEST_F(MemoryMapTest, short_ipl_rom_is_padded_with_ones) {
    start(100);
    EXPECT_EQ(memory.mem_read8(99), rom[99]);
    EXPECT_EQ(memory.mem_read8(100), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x1FFF), 0xFF);
}

TEST_F(MemoryMapTest, long_ipl_rom_is_cut_at_eight_kilobytes) {
    start(IPL_ROM_SIZE + 4000);
    EXPECT_EQ(memory.mem_read8(0x1FFF), rom[0x1FFF]);
    EXPECT_EQ(memory.mem_read8(0x2000), 0xFF);  // the cartridge window stays empty
}

TEST_F(MemoryMapTest, empty_cartridge_window_reads_ones_and_ignores_writes) {
    start(IPL_ROM_SIZE);
    for (int32_t a = CARTRIDGE_START; a < RAM_START; a += 0x123) memory.mem_write8(a, 0x00);
    for (int32_t a = CARTRIDGE_START; a < RAM_START; ++a) ASSERT_EQ(memory.mem_read8(a), 0xFF) << a;
}

TEST_F(MemoryMapTest, sixteen_kilobyte_cartridge_leaves_the_last_page_empty) {
    start(IPL_ROM_SIZE);
    const auto cart = pattern_bytes(16384, 0x40);
    memory.load_cartridge(cart.data(), cart.size());
    EXPECT_EQ(memory.mem_read8(0x2000), cart[0]);
    EXPECT_EQ(memory.mem_read8(0x5FFF), cart[16383]);
    for (int32_t a = 0x6000; a < 0x7000; ++a) ASSERT_EQ(memory.mem_read8(a), 0xFF) << a;
    memory.mem_write8(0x2000, static_cast<uint8_t>(~cart[0]));
    EXPECT_EQ(memory.mem_read8(0x2000), cart[0]);
}

TEST_F(MemoryMapTest, oversized_cartridge_fills_only_its_window) {
    start(IPL_ROM_SIZE);
    const auto cart = pattern_bytes(24576, 0x40);
    memory.load_cartridge(cart.data(), cart.size());
    EXPECT_EQ(memory.mem_read8(0x6FFF), cart[CARTRIDGE_SIZE - 1]);
    EXPECT_EQ(memory.mem_read8(0x7000), 0x00);  // RAM untouched
    EXPECT_EQ(memory.mem_read8(0x1FFF), rom[0x1FFF]);
}

TEST_F(MemoryMapTest, shorter_second_cartridge_leaves_nothing_of_the_first) {
    start(IPL_ROM_SIZE);
    const std::vector<uint8_t> a(CARTRIDGE_SIZE, 0x5A), b(4096, 0x33);
    memory.load_cartridge(a.data(), a.size());
    memory.load_cartridge(b.data(), b.size());
    EXPECT_EQ(memory.mem_read8(0x2FFF), 0x33);
    for (int32_t a = 0x3000; a < RAM_START; ++a) ASSERT_EQ(memory.mem_read8(a), 0xFF) << a;
}

TEST_F(MemoryMapTest, empty_cartridge_and_unload_empty_the_window) {
    start(IPL_ROM_SIZE);
    const std::vector<uint8_t> a(CARTRIDGE_SIZE, 0x5A);
    memory.load_cartridge(a.data(), a.size());
    memory.load_cartridge(nullptr, 0);
    EXPECT_EQ(memory.mem_read8(0x2000), 0xFF);

    memory.load_cartridge(a.data(), a.size());
    memory.unload_cartridge();
    for (int32_t a = CARTRIDGE_START; a < RAM_START; ++a) ASSERT_EQ(memory.mem_read8(a), 0xFF) << a;
}

TEST_F(MemoryMapTest, sixteen_bit_accesses_are_low_byte_first_and_wrap_at_the_top) {
    start(IPL_ROM_SIZE);
    memory.mem_write16(0x8000, 0x1234);
    EXPECT_EQ(memory.mem_read8(0x8000), 0x34);
    EXPECT_EQ(memory.mem_read8(0x8001), 0x12);
    EXPECT_EQ(memory.mem_read16(0x8000), 0x1234);

    memory.mem_write16(0xFFFF, 0xABCD);
    EXPECT_EQ(memory.mem_read8(0xFFFF), 0xCD);
    EXPECT_EQ(memory.mem_read8(0x0000), rom[0]);  // the high byte went to ROM and vanished
    EXPECT_EQ(memory.mem_read16(0xFFFF), 0xCD | (rom[0] << 8));
    // Addresses beyond 16 bits are taken modulo 64 KiB.
    EXPECT_EQ(memory.mem_read8(0x1FFFF), 0xCD);
}

TEST_F(MemoryMapTest, ram_page_boundaries_are_writable) {
    start(IPL_ROM_SIZE);
    memory.mem_write8(0x6FFF, 0x12);
    memory.mem_write8(0x7000, 0x34);
    memory.mem_write8(0xFFFF, 0x56);
    EXPECT_EQ(memory.mem_read8(0x6FFF), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x7000), 0x34);
    EXPECT_EQ(memory.mem_read8(0xFFFF), 0x56);
}

// --- Side-effect-free access and mapping --------------------------------------

TEST_F(MemoryMapTest, poke_patches_what_a_read_gives_rom_included_and_copy_out_wraps) {
    start(IPL_ROM_SIZE);
    memory.poke(0x0001, 0x76);
    memory.poke(0xFFFF, 0x42);
    EXPECT_EQ(memory.mem_read8(0x0001), 0x76);
    EXPECT_EQ(memory.peek(0xFFFF), 0x42);
    uint8_t bytes[3] = {};
    memory.copy_out(0xFFFF, bytes, sizeof bytes);
    EXPECT_EQ(bytes[0], 0x42);
    EXPECT_EQ(bytes[1], rom[0]);
    EXPECT_EQ(bytes[2], 0x76);
    EXPECT_FALSE(memory.is_ram(0x6FFF));
    EXPECT_TRUE(memory.is_ram(0x7000));
}

TEST_F(MemoryMapTest, pages_mapped_elsewhere_are_read_written_and_peeked_there_until_the_board_comes_back) {
    start(IPL_ROM_SIZE);
    memory.mem_write8(0x8000, 0x11);
    std::vector<uint8_t> bank(2 * MEMORY_PAGE_SIZE, 0xB0);
    memory.map_pages(8, 2, bank.data(), bank.data());
    EXPECT_EQ(memory.mem_read8(0x8000), 0xB0);
    memory.mem_write8(0x9FFF, 0x5C);
    EXPECT_EQ(bank.back(), 0x5C);
    EXPECT_EQ(memory.peek(0x9FFF), 0x5C);
    EXPECT_TRUE(memory.is_ram(0x9000));
    EXPECT_EQ(memory.ram()[0x8000 - RAM_START], 0x11) << "the board's RAM is left alone";
    EXPECT_EQ(memory.mem_read8(0xA000), 0x00) << "the page after the range";

    memory.map_board_pages(8, 2);
    EXPECT_EQ(memory.mem_read8(0x8000), 0x11);
    EXPECT_EQ(memory.mem_read8(0x9FFF), 0x00);
}

TEST_F(MemoryMapTest, rom_mapped_over_ram_ignores_writes_and_pages_beyond_the_top_are_ignored) {
    start(IPL_ROM_SIZE);
    std::vector<uint8_t> rom_pages(2 * MEMORY_PAGE_SIZE, 0xC9);
    memory.map_pages(15, 2, rom_pages.data(), nullptr);
    memory.mem_write8(0xF000, 0x00);
    EXPECT_EQ(memory.mem_read8(0xF000), 0xC9);
    EXPECT_EQ(rom_pages[0], 0xC9);
    EXPECT_FALSE(memory.is_ram(0xF000));
    EXPECT_EQ(memory.mem_read8(0x0000), rom[0]) << "the range does not wrap to page 0";
    memory.map_board_pages(15, 1);
    memory.mem_write8(0xF000, 0x12);
    EXPECT_EQ(memory.mem_read8(0xF000), 0x12);
}

TEST(MemoryMapMachineTest, ram_survives_reset_and_cartridge_changes) {
    test::TestHost host;
    Machine machine(&host);
    const std::vector<uint8_t> ipl = pattern_bytes(IPL_ROM_SIZE, 0x11);
    machine.load_ipl(ipl.data(), ipl.size());
    MemoryMap& memory = *machine.memory_map;

    EXPECT_EQ(memory.mem_read8(0x7000), 0x00);
    EXPECT_EQ(memory.mem_read8(0xFFFF), 0x00);
    memory.mem_write8(0x7000, 0xA5);
    memory.mem_write8(0xFFFF, 0x5A);
    machine.reset();
    const std::vector<uint8_t> cart(8192, 0x77);
    machine.open_cartridge(cart.data(), cart.size());
    EXPECT_EQ(memory.mem_read8(0x2000), 0x77);
    machine.close_cartridge();
    EXPECT_EQ(memory.mem_read8(0x2000), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x7000), 0xA5);
    EXPECT_EQ(memory.mem_read8(0xFFFF), 0x5A);
}

TEST(MemoryMapMachineTest, memory_map_without_host_or_init_is_safe_to_use) {
    MemoryMap memory(nullptr, nullptr);
    EXPECT_EQ(memory.mem_read8(0x0000), 0xFF);
    memory.mem_write8(0x8000, 0x42);
    EXPECT_EQ(memory.mem_read8(0x8000), 0x42);
    memory.init();
    EXPECT_EQ(memory.mem_read8(0x0000), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x8000), 0x00);
}

}  // namespace
}  // namespace m5
