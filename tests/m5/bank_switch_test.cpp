// A banked memory board as HACKING.md's "Adding a device" walks through it,
// built in the tests only: four 16 KiB RAM banks at 0x8000-0xBFFF, chosen by
// a write to port 0x6F. It shows that such a board is one component and its
// port: the memory map's page tables carry the bank to the processor's reads
// and writes, to peek, and back after a state is loaded.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "m5/machine.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"
#include "memory/memory_map.h"
#include "support/test_host.h"

namespace m5 {
namespace {

constexpr int32_t BANK_PORT = 0x6F;
constexpr int32_t BANK_COUNT = 4;
constexpr int32_t FIRST_PAGE = 8;  // 0x8000
constexpr int32_t BANK_PAGES = 4;  // 16 KiB
constexpr size_t BANK_SIZE = static_cast<size_t>(BANK_PAGES) * MEMORY_PAGE_SIZE;

class BankRam final : public Component {
public:
    using Component::Component;
    void reset() override { select(0); }
    void port_write8(int32_t port, int32_t data) override {
        (void)port;
        select(data % BANK_COUNT);
    }
    void describe_state(StateArchive& a) override {
        a.raw(banks.data(), banks.size());
        a.i32_in(selected, 0, BANK_COUNT - 1);
    }
    void after_load() override { select(selected); }

    void select(int32_t bank) {
        selected = bank;
        uint8_t* memory_of_bank = banks.data() + static_cast<size_t>(bank) * BANK_SIZE;
        memory->map_pages(FIRST_PAGE, BANK_PAGES, memory_of_bank, memory_of_bank);
    }

    MemoryMap* memory = nullptr;
    std::array<uint8_t, BANK_COUNT * BANK_SIZE> banks{};
    int32_t selected = 0;
};

void wire_bank_ram(Machine& machine, Component& component) {
    auto& board = static_cast<BankRam&>(component);
    board.memory = machine.memory_map.get();
    machine.io_bus->map_port_write(BANK_PORT, &board, BANK_PORT);
}

constexpr ComponentExtension BANK_BOARD[] = {
    {state_tag("BANK"), "the RAM expansion", build_extension<BankRam>, wire_bank_ram},
};

TEST(BankSwitchTest, each_bank_holds_its_own_bytes_and_the_board_ram_above_stays) {
    test::TestHost host;
    Machine machine(&host, nullptr, BANK_BOARD);
    MemoryMap& memory = *machine.memory_map;
    for (int32_t bank = 0; bank < BANK_COUNT; ++bank) {
        machine.io_bus->port_write8(BANK_PORT, bank);
        memory.mem_write8(0x8000, 0x10 + bank);
        memory.mem_write8(0xBFFF, 0x20 + bank);
    }
    memory.mem_write8(0xC000, 0x99);
    for (int32_t bank = 0; bank < BANK_COUNT; ++bank) {
        machine.io_bus->port_write8(BANK_PORT, bank);
        EXPECT_EQ(memory.mem_read8(0x8000), 0x10 + bank) << bank;
        EXPECT_EQ(memory.peek(0xBFFF), 0x20 + bank) << bank;
        EXPECT_EQ(memory.mem_read8(0xC000), 0x99);
    }
    machine.reset();
    EXPECT_EQ(memory.mem_read8(0x8000), 0x10) << "reset selects bank 0";
}

TEST(BankSwitchTest, a_loaded_state_maps_its_bank_again) {
    test::TestHost host;
    Machine saved(&host, nullptr, BANK_BOARD);
    saved.io_bus->port_write8(BANK_PORT, 2);
    saved.memory_map->mem_write8(0x9000, 0xAB);
    StateWriter out;
    saved.save_state(out);

    Machine loaded(&host, nullptr, BANK_BOARD);
    StateReader in(out.data().data(), out.data().size());
    ASSERT_TRUE(loaded.load_state(in));
    EXPECT_EQ(loaded.memory_map->mem_read8(0x9000), 0xAB);
    loaded.io_bus->port_write8(BANK_PORT, 0);
    EXPECT_EQ(loaded.memory_map->mem_read8(0x9000), 0x00);
}

}  // namespace
}  // namespace m5
