// The frame interrupt in the whole machine: our own program (vdp_irq.asm)
// runs as the IPL ROM, takes the video interrupt through counter/timer
// channel 3 in interrupt mode 2 and counts it in RAM.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "devices/vdp.h"
#include "m5/machine.h"
#include "memory/memory_map.h"
#include "support/test_host.h"

namespace m5 {
namespace {

constexpr int32_t COUNT = 0x7000;
constexpr int32_t READ_STATUS = 0x7001;

TEST(VdpMachineTest, frame_interrupt_reaches_the_processor_once_per_frame_while_status_is_read) {
    test::TestHost host;
    Machine machine(&host);
    const std::string rom = test::load_ipl(machine, "vdp_irq");
    ASSERT_FALSE(rom.empty());
    Component& memory = *machine.memory_map;
    ASSERT_EQ(memory.mem_read8(0), static_cast<uint8_t>(rom[0])) << "program not loaded as the IPL ROM";
    machine.run_frame();

    // First frame: set-up, then the first interrupt at the frame line.
    ASSERT_EQ(memory.mem_read8(READ_STATUS), 1);
    EXPECT_EQ(memory.mem_read8(COUNT), 1);
    for (int f = 2; f <= 10; ++f) {
        machine.run_frame();
        ASSERT_EQ(memory.mem_read8(COUNT), f) << "frame " << f;
        EXPECT_EQ(machine.vdp->peek_status() & STATUS_FRAME, 0) << "handler reads the status";
    }

    // The handler stops reading the status: one more interrupt, then the
    // line stays high and nothing follows.
    memory.mem_write8(READ_STATUS, 0);
    machine.run_frame();
    EXPECT_EQ(memory.mem_read8(COUNT), 11);
    for (int f = 0; f < 5; ++f) machine.run_frame();
    EXPECT_EQ(memory.mem_read8(COUNT), 11);
    EXPECT_EQ(machine.vdp->peek_status() & STATUS_FRAME, STATUS_FRAME);
    EXPECT_EQ(machine.vdp->int_level, 1);

    // Reading it again would need a new edge, which never comes while the
    // line is high.
    memory.mem_write8(READ_STATUS, 1);
    for (int f = 0; f < 3; ++f) machine.run_frame();
    EXPECT_EQ(memory.mem_read8(COUNT), 11);
}

}  // namespace
}  // namespace m5
