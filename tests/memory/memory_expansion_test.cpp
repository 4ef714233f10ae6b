// The memory fitted to the machine: the bare 4 KiB machine, and the 64KBF
// module's eight modes in both its versions, each page written and read and
// checked against the module's table as its makers published it.
#include "memory/memory_expansion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "m5/machine.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"
#include "support/test_host.h"

namespace m5 {
namespace {

// The mode table of the 64KBF as published by the Czech M5 community
// (m5.arigato.cz, "Modul 64KBF"), read and write column per mode.
struct PublishedMode {
    const char* read;
    const char* write;
};
const PublishedMode PUBLISHED_2B[KBF_MODE_COUNT] = {
    {"8 kB MON + 20 kB BF + 36 kB RAM", "64 kB RAM"},
    {"64 kB RAM", "64 kB RAM"},
    {"8 kB MON + 56 kB RAM", "64 kB RAM"},
    {"64 kB RAM", "28 kB DIS + 36 kB RAM"},
    {"64 kB RAM", "16 kB DIS + 48 kB RAM"},
    {"16 kB DIS + 48 kB RAM", "16 kB DIS + 48 kB RAM"},
    {"32 kB RAM + 32 kB DIS", "32 kB RAM + 32 kB DIS"},
    {"64 kB DIS", "64 kB DIS"},
};
const PublishedMode PUBLISHED_2C[KBF_MODE_COUNT] = {
    {"8 kB MON + 20 kB BF + 36 kB RAM", "28 kB DIS + 36 kB RAM"},
    {"64 kB RAM", "64 kB RAM"},
    {"8 kB MON + 56 kB RAM", "64 kB RAM"},
    {"64 kB RAM", "28 kB DIS + 36 kB RAM"},
    {"64 kB RAM", "16 kB DIS + 48 kB RAM"},
    {"8 kB MON + 20 kB BF + 36 kB RAM", "64 kB RAM"},
    {"8 kB MON + 20 kB DIS + 36 kB RAM", "64 kB RAM"},
    {"64 kB DIS", "64 kB DIS"},
};

// "8 kB MON + 56 kB RAM" -> one area name per 4 KiB page.
std::vector<std::string> pages_of(const std::string& column) {
    std::vector<std::string> pages;
    size_t at = 0;
    while (at < column.size()) {
        const size_t end = std::min(column.find(" + ", at), column.size());
        const std::string part = column.substr(at, end - at);
        const int kib = std::stoi(part);
        const std::string area = part.substr(part.rfind(' ') + 1);
        for (int k = 0; k < kib; k += 4) pages.push_back(area);
        at = end + 3;
    }
    return pages;
}

uint8_t ipl_byte(int32_t address) { return static_cast<uint8_t>(0x11 + address * 3); }
uint8_t cart_byte(int32_t address) { return static_cast<uint8_t>(0x77 ^ (address >> 4)); }
uint8_t ram_before(int32_t page) { return static_cast<uint8_t>(0x40 + page); }
uint8_t written(int32_t page) { return static_cast<uint8_t>(0xC0 + page); }

// A machine with the module, an IPL ROM and a cartridge of known bytes.
class KbfTest : public ::testing::TestWithParam<MemoryFit> {
protected:
    KbfTest() : machine(&host, MachineConfig{M5Model::NTSC, GetParam()}) {
        std::vector<uint8_t> ipl(IPL_ROM_SIZE), cart(CARTRIDGE_SIZE);
        for (int32_t a = 0; a < IPL_ROM_SIZE; ++a) ipl[static_cast<size_t>(a)] = ipl_byte(a);
        for (int32_t a = 0; a < CARTRIDGE_SIZE; ++a) cart[static_cast<size_t>(a)] = cart_byte(CARTRIDGE_START + a);
        machine.load_ipl(ipl.data(), ipl.size());
        machine.open_cartridge(cart.data(), cart.size());
    }
    void choose(int32_t mode) { machine.io_bus->port_write8(KBF_PORT, mode); }
    const PublishedMode* table() const { return GetParam() == MemoryFit::KBF_2B ? PUBLISHED_2B : PUBLISHED_2C; }

    test::TestHost host;
    Machine machine;
    MemoryMap& memory = *machine.memory_map;
};

TEST_P(KbfTest, every_page_of_every_mode_reads_and_writes_as_the_published_table) {
    for (int32_t mode = 0; mode < KBF_MODE_COUNT; ++mode) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        const std::vector<std::string> reads = pages_of(table()[mode].read);
        const std::vector<std::string> writes = pages_of(table()[mode].write);
        ASSERT_EQ(reads.size(), static_cast<size_t>(PAGE_COUNT));
        ASSERT_EQ(writes.size(), static_cast<size_t>(PAGE_COUNT));

        choose(1);  // all RAM: a known byte in every page
        for (int32_t page = 0; page < PAGE_COUNT; ++page) memory.mem_write8(page * 0x1000 + 0x123, ram_before(page));
        choose(mode);
        EXPECT_EQ(machine.memory_expansion->mode(), mode);
        for (int32_t page = 0; page < PAGE_COUNT; ++page) {
            SCOPED_TRACE("page " + std::to_string(page) + ", " + reads[static_cast<size_t>(page)]);
            const int32_t address = page * 0x1000 + 0x123;
            const std::string& area = reads[static_cast<size_t>(page)];
            const bool window = address >= CARTRIDGE_START && address < RAM_START;
            uint8_t want = 0xFF;
            if (area == "MON") want = ipl_byte(address);
            if (area == "BF" || (area == "DIS" && window)) want = cart_byte(address);
            if (area == "RAM") want = ram_before(page);
            EXPECT_EQ(memory.mem_read8(address), want);
            EXPECT_EQ(memory.peek(address), want);
            memory.mem_write8(address, written(page));
        }
        choose(1);
        for (int32_t page = 0; page < PAGE_COUNT; ++page) {
            const bool to_ram = writes[static_cast<size_t>(page)] == "RAM";
            EXPECT_EQ(memory.mem_read8(page * 0x1000 + 0x123), to_ram ? written(page) : ram_before(page))
                << "page " << page << ", " << writes[static_cast<size_t>(page)];
        }
    }
}

TEST_P(KbfTest, the_mode_register_takes_the_low_three_bits_and_reset_chooses_mode_0) {
    choose(0xF9);
    EXPECT_EQ(machine.memory_expansion->mode(), 1);
    EXPECT_NE(memory.mem_read8(0x0000), ipl_byte(0));
    machine.reset();
    EXPECT_EQ(machine.memory_expansion->mode(), 0);
    EXPECT_EQ(memory.mem_read8(0x0000), ipl_byte(0));
}

TEST_P(KbfTest, a_state_brings_back_the_mode_and_the_modules_ram) {
    choose(1);
    memory.mem_write8(0x0456, 0x9C);
    memory.mem_write8(0xE000, 0x3D);
    choose(3);
    StateWriter out;
    machine.save_state(out);

    Machine again(&host, MachineConfig{M5Model::NTSC, GetParam()});
    StateReader in(out.data().data(), out.data().size());
    ASSERT_TRUE(again.load_state(in));
    EXPECT_EQ(again.memory_expansion->mode(), 3);
    EXPECT_EQ(again.memory_map->mem_read8(0x0456), 0x9C);
    again.memory_map->mem_write8(0x0456, 0x00);  // mode 3: 0x0000-0x6FFF read only
    EXPECT_EQ(again.memory_map->mem_read8(0x0456), 0x9C);
    EXPECT_EQ(again.memory_map->mem_read8(0xE000), 0x3D);
}

INSTANTIATE_TEST_SUITE_P(Versions, KbfTest, ::testing::Values(MemoryFit::KBF_2B, MemoryFit::KBF_2C),
                         [](const auto& info) { return std::string(memory_key(info.param)).substr(6); });

TEST(MemoryFitTest, the_bare_machine_has_ram_at_0x7000_only) {
    test::TestHost host;
    Machine machine(&host, MachineConfig{M5Model::NTSC, MemoryFit::RAM_4K});
    MemoryMap& memory = *machine.memory_map;
    memory.mem_write8(0x7FFF, 0x12);
    EXPECT_EQ(memory.mem_read8(0x7FFF), 0x12);
    for (int32_t address = 0x8000; address <= 0xFFFF; address += 0x0FFF) {
        memory.mem_write8(address, 0x34);
        EXPECT_EQ(memory.mem_read8(address), 0xFF) << std::hex << address;
        memory.poke(address, 0x56);
        EXPECT_EQ(memory.peek(address), 0xFF) << std::hex << address;
        EXPECT_FALSE(memory.is_ram(address));
    }
    machine.io_bus->port_write8(KBF_PORT, 1);  // no module to answer
    machine.reset();
    EXPECT_EQ(memory.mem_read8(0x8000), 0xFF);
    EXPECT_EQ(memory.mem_read8(0x7FFF), 0x12);
}

TEST(MemoryFitTest, without_the_module_port_0x30_changes_no_memory) {
    test::TestHost host;
    Machine machine(&host);
    const uint8_t ipl[] = {0xAB};
    machine.load_ipl(ipl, sizeof ipl);
    machine.io_bus->port_write8(KBF_PORT, 1);
    EXPECT_EQ(machine.memory_map->mem_read8(0x0000), 0xAB);
    machine.memory_map->mem_write8(0x9000, 0x21);
    EXPECT_EQ(machine.memory_map->mem_read8(0x9000), 0x21);
}

TEST(MemoryFitTest, a_state_of_another_memory_is_refused_by_the_memory_expansion) {
    test::TestHost host;
    Machine bare(&host, MachineConfig{M5Model::NTSC, MemoryFit::RAM_4K});
    StateWriter out;
    bare.save_state(out);
    Machine full(&host);
    StateReader in(out.data().data(), out.data().size());
    StateFailure failed;
    EXPECT_FALSE(full.load_state(in, &failed));
    EXPECT_EQ(failed.id, MEMORY_EXPANSION_ID);
    EXPECT_EQ(failed.kind, StateFailure::BAD_DATA);
}

}  // namespace
}  // namespace m5
