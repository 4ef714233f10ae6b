// The M5s people own: the 60 Hz and 50 Hz models and the memory fitted, as
// whole machines running our own programs and the free boot ROM.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "devices/vdp.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "memory/io_bus.h"
#include "memory/memory_expansion.h"
#include "memory/memory_map.h"
#include "port_probe.h"
#include "support/temp_dir.h"  // read_file
#include "support/test_host.h"

namespace m5 {
namespace {

uint16_t word_at(const MemoryMap& memory, int32_t address) {
    return static_cast<uint16_t>(memory.peek(address) | memory.peek(address + 1) << 8);
}

TEST(MachineModelTest, the_fifty_hertz_model_runs_313_lines_a_frame_on_a_tms9929a) {
    test::TestHost host;
    Machine machine(&host, MachineConfig{M5Model::PAL, MemoryFit::RAM_32K});
    EXPECT_STREQ(machine.video_standard().name, "PAL");
    EXPECT_EQ(machine.vdp->chip, VideoChip::TMS9929A);
    EXPECT_EQ(machine.vdp->frame_line, 192);
    const MachineTime before = machine.now();
    machine.run_frame();
    EXPECT_EQ(machine.clocks_since(before), 313 * 242);
    EXPECT_EQ(machine.config(), (MachineConfig{M5Model::PAL, MemoryFit::RAM_32K}));
}

// The TMS9929A's colours are the data manual's levels: each has the
// luminance of its level (where no channel had to be clipped), and black,
// grey and white have none of either difference.
TEST(MachineModelTest, tms9929a_colours_keep_the_data_manuals_luminance) {
    for (size_t i = 0; i < 16; ++i) {
        const uint16_t c = TMS9929A_PALETTE[i];
        const double r = (c >> 11) / 31.0, g = ((c >> 5) & 0x3F) / 63.0, b = (c & 0x1F) / 31.0;
        const ColourLevels& level = TMS9929A_LEVELS[i];
        const bool clipped = r == 0.0 || r == 1.0 || g == 0.0 || g == 1.0 || b == 0.0 || b == 1.0;
        if (!clipped) {
            EXPECT_NEAR(0.299 * r + 0.587 * g + 0.114 * b, level.y, 0.02) << i;
        }
        if (level.r_y == 0.47 && level.b_y == 0.47) {
            EXPECT_EQ(c >> 11, c & 0x1F) << i;
            EXPECT_NEAR(((c >> 5) & 0x3F) / 63.0, r, 0.02) << i;
        }
    }
    EXPECT_EQ(TMS9929A_PALETTE[15], 0xFFFF);
    EXPECT_EQ(TMS9929A_PALETTE[1], 0x0000);
}

TEST(MachineModelTest, the_fifty_hertz_picture_is_drawn_in_the_tms9929a_colours) {
    for (const M5Model model : {M5Model::NTSC, M5Model::PAL}) {
        test::TestHost host;
        Machine machine(&host, MachineConfig{model, MemoryFit::RAM_32K});
        machine.vdp->write_register(7, 0x04);  // backdrop: dark blue; the display is off
        machine.run_frame();
        machine.render_screen();
        const uint16_t want = model == M5Model::PAL ? TMS9929A_PALETTE[4] : PALETTE[4];
        EXPECT_EQ(host.surface[0], want) << model_name(model);
        EXPECT_EQ(machine.vdp->colours()[4], want);
    }
    EXPECT_NE(TMS9929A_PALETTE[4], PALETTE[4]);
}

// Our program counts frame interrupts over ten seconds of machine time,
// timed by the counter/timer; the probe takes the machine time of each.
class FrameRateTest : public ::testing::TestWithParam<std::tuple<M5Model, MemoryFit>> {};

TEST_P(FrameRateTest, frame_interrupts_in_ten_seconds_and_their_period) {
    const auto [model, memory] = GetParam();
    test::TestHost host;
    Machine machine(&host, MachineConfig{model, memory});
    ASSERT_FALSE(test::load_ipl(machine, "frame_rate").empty());
    test::PortProbe probe(machine);
    const VideoStandard& standard = machine.video_standard();
    const int32_t frames_in_ten_seconds = 10 * MACHINE_CLOCK_HZ / standard.clocks_per_frame();
    for (int32_t i = 0; i < frames_in_ten_seconds + 20; ++i) machine.run_frame();

    const MemoryMap& ram = *machine.memory_map;
    ASSERT_EQ(ram.peek(0x7000), 0xA5) << "the program never ran";
    ASSERT_EQ(ram.peek(0x7006), 0xA5) << "the ten seconds never ended";
    const int32_t counted = word_at(ram, 0x7002);
    if (model == M5Model::PAL) {
        EXPECT_GE(counted, 501);
        EXPECT_LE(counted, 502);
    } else {
        EXPECT_GE(counted, 600);
        EXPECT_LE(counted, 601);
    }
    ASSERT_EQ(probe.writes.size(), static_cast<size_t>(counted));
    // Each is taken from a HALT, unless the timer's handler (up to 130 clocks)
    // runs first: over the whole count, the period is the frame's lines.
    const int32_t lines = model == M5Model::PAL ? 313 : 262;
    const double period =
        clocks_between(probe.time_of(0), probe.time_of(probe.writes.size() - 1)) / double(counted - 1);
    EXPECT_NEAR(period / lines, model == M5Model::PAL ? 242.0 : 63333.0 / 262, 0.005);
    for (size_t i = 1; i < probe.writes.size(); ++i) {
        EXPECT_NEAR(clocks_between(probe.time_of(i - 1), probe.time_of(i)), standard.clocks_per_frame(), 130);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, FrameRateTest,
                         ::testing::Values(std::make_tuple(M5Model::NTSC, MemoryFit::RAM_32K),
                                           std::make_tuple(M5Model::PAL, MemoryFit::RAM_32K),
                                           std::make_tuple(M5Model::PAL, MemoryFit::RAM_4K)),
                         [](const auto& info) {
                             return std::string(model_key(std::get<0>(info.param))) + "_" +
                                    memory_key(std::get<1>(info.param));
                         });

// kbf_switch.asm copies itself into the module's RAM, chooses the all-RAM
// mode and goes on running there.
TEST(MachineModelTest, a_program_switches_the_64kbf_to_all_ram_and_runs_on_from_its_copy) {
    for (const MemoryFit memory : {MemoryFit::KBF_2B, MemoryFit::KBF_2C, MemoryFit::RAM_32K}) {
        SCOPED_TRACE(memory_name(memory));
        test::TestHost host;
        Machine machine(&host, MachineConfig{M5Model::NTSC, memory});
        ASSERT_FALSE(test::load_ipl(machine, "kbf_switch").empty());
        for (int i = 0; i < 20; ++i) machine.run_frame();  // two copies of 8 KiB: about 6 frames
        const MemoryMap& ram = *machine.memory_map;
        EXPECT_EQ(ram.peek(0xFF00), 0xA5);
        EXPECT_EQ(ram.peek(0xFF03), 0xA5) << "the program stopped";
        EXPECT_EQ(ram.peek(0xFF01), 0xC3);
        if (memory == MemoryFit::RAM_32K) {
            EXPECT_EQ(ram.peek(0xFF02), 0xFF) << "without the module the program stays in ROM";
        } else {
            EXPECT_EQ(machine.memory_expansion->mode(), 1);
            EXPECT_EQ(ram.peek(0xFF02), 0x5A) << "its first 8 KiB are RAM";
            EXPECT_TRUE(ram.is_ram(0x0000));
        }
    }
}

// --- The free boot ROM --------------------------------------------------------

std::vector<uint8_t> rom_bytes(const std::string& name) {
    const std::string bytes = test::read_file(test::rom_path(name));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(FreeBootRomModelTest, the_fifty_hertz_build_differs_in_the_video_standard_and_the_clocks_second) {
    const std::vector<uint8_t> ntsc = rom_bytes("boot");
    const std::vector<uint8_t> pal = rom_bytes("boot_pal");
    ASSERT_FALSE(ntsc.empty());
    ASSERT_EQ(ntsc.size(), pal.size());
    EXPECT_EQ(ntsc[0x1518], 0xE0);
    EXPECT_EQ(pal[0x1518], 0xE1);
    EXPECT_EQ(pal[0x000F], 0xE1);
    std::vector<std::tuple<size_t, int, int>> differences;
    for (size_t i = 0; i < ntsc.size(); ++i) {
        if (ntsc[i] != pal[i]) differences.emplace_back(i, ntsc[i], pal[i]);
    }
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_EQ(std::get<0>(differences[0]), 0x000Fu);
    EXPECT_EQ(std::get<1>(differences[1]), 60);  // the demo's clock: frames a second
    EXPECT_EQ(std::get<2>(differences[1]), 50);
    EXPECT_EQ(std::get<0>(differences[2]), 0x1518u);
}

// The demo's clock (seconds at 0x7006) keeps time on either model, and the
// demo runs on the bare machine with its stack in the 4 KiB.
TEST(FreeBootRomModelTest, the_demo_keeps_time_on_each_model_and_runs_in_4_kib) {
    struct Case {
        MachineConfig config;
        const char* rom;
    };
    for (const Case& c :
         {Case{{M5Model::NTSC, MemoryFit::RAM_32K}, "boot"}, Case{{M5Model::PAL, MemoryFit::RAM_32K}, "boot_pal"},
          Case{{M5Model::NTSC, MemoryFit::RAM_4K}, "boot"}, Case{{M5Model::PAL, MemoryFit::KBF_2C}, "boot_pal"}}) {
        SCOPED_TRACE(describe_config(c.config));
        test::TestHost host;
        Machine machine(&host, c.config);
        ASSERT_FALSE(test::load_ipl(machine, c.rom).empty());
        const int32_t fps = machine.video_standard().frames_per_second;
        for (int32_t i = 0; i < 5 * fps + fps / 2; ++i) machine.run_frame();
        const MemoryMap& ram = *machine.memory_map;
        EXPECT_EQ(ram.peek(0x7006), 5) << "seconds";
        EXPECT_GE(word_at(ram, 0x7002), 5 * fps) << "main loop passes";
    }
}

}  // namespace
}  // namespace m5
