// A cartridge inserted into the whole machine while the free boot ROM's demo
// runs, as the desktop program does it: the insertion restarts the machine,
// the boot ROM starts the cartridge, and the cartridge finds the RAM the demo
// used as it was at power-on.
#include <gtest/gtest.h>

#include <cstdint>

#include "m5/machine.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

constexpr int32_t DEMO_FRAMES = 0x7000;    // the demo's frame counter (word)
constexpr int32_t CART_END_MARK = 0x7809;  // cart_rst sets it to 1 at its end

TEST(CartridgeInsertTest, a_cartridge_inserted_while_the_demo_runs_starts_on_clean_ram) {
    test::TestHost host;
    Machine machine(&host);
    ASSERT_FALSE(test::load_ipl(machine, "boot").empty());
    machine.setup_audio(22050, 2205);
    const auto peek = [&](int32_t address) { return machine.memory_map->peek(address); };

    for (int32_t i = 0; i < 120; ++i) machine.run_frame();
    ASSERT_GE(peek(DEMO_FRAMES) | (peek(DEMO_FRAMES + 1) << 8), 100) << "the demo runs";

    const std::string cart = test::read_file(test::rom_path("cart_rst"));
    machine.open_cartridge(reinterpret_cast<const uint8_t*>(cart.data()), cart.size());
    for (int32_t i = 0; i < 10; ++i) machine.run_frame();
    EXPECT_EQ(peek(CART_END_MARK), 1) << "the cartridge started and ran to its end";
    int32_t left = 0;
    for (int32_t a = 0x7060; a < 0x7200; ++a) left += peek(a) != 0;
    for (int32_t a = 0xFF00; a <= 0xFFFF; ++a) left += peek(a) != 0;
    EXPECT_EQ(left, 0) << "bytes the demo left in its variables and on its stack";
}

}  // namespace
}  // namespace m5
