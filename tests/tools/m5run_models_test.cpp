// m5run on the models and memories: --model and --memory build the machine
// the run uses, frames are the model's, and states stay on their machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "m5run_harness.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

using test::read_file;
using test::RunResult;

class M5RunModelTest : public test::M5RunDirTest {
protected:
    // The RAM dump's word at `address`.
    static int32_t word(const std::string& ram, int32_t address) {
        return static_cast<uint8_t>(ram.at(address - 0x7000)) | static_cast<uint8_t>(ram.at(address - 0x6FFF)) << 8;
    }
};

// frame_rate.asm counts the frame interrupts in ten seconds of machine time:
// --frames counts the model's frames, so 520 of them are more than ten
// seconds on the 50 Hz machine, and --stats reports them.
TEST_F(M5RunModelTest, frames_are_the_models_and_the_fifty_hertz_machine_counts_501_or_502_in_ten_seconds) {
    struct Case {
        const char* model;
        int32_t frames, low, high;
    };
    for (const Case& c : {Case{"pal", 520, 501, 502}, Case{"ntsc", 620, 600, 601}}) {
        SCOPED_TRACE(c.model);
        const RunResult r = run({"--model", c.model, "--ipl", test::rom_path("frame_rate"), "--frames",
                                 std::to_string(c.frames), "--stats", "--dump-ram", path("ram.bin")});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(r.out.find("frames: " + std::to_string(c.frames) + "\n"), std::string::npos) << r.out;
        const std::string ram = read_file(path("ram.bin"));
        ASSERT_EQ(static_cast<uint8_t>(ram.at(6)), 0xA5) << "the ten seconds are over";
        EXPECT_GE(word(ram, 0x7002), c.low);
        EXPECT_LE(word(ram, 0x7002), c.high);
    }
}

// Paced to real time, 60 frames of the 50 Hz machine last 1.2 s.
TEST_F(M5RunModelTest, realtime_paces_the_fifty_hertz_machine_at_50_frames_a_second) {
    const RunResult r =
        run({"--model", "pal", "--ipl", test::rom_path("host_busy"), "--frames", "60", "--realtime", "--stats"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const size_t at = r.out.find("wall seconds: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::atof(r.out.c_str() + at + 14), 1.1) << r.out;
}

// Without an IPL.ROM the free boot ROM runs in the model's build.
TEST_F(M5RunModelTest, the_free_boot_rom_is_the_models_build) {
    fs::create_directories(path("empty"));
    for (const char* model : {"ntsc", "pal"}) {
        SCOPED_TRACE(model);
        const RunResult given = run({"--model", model, "--memory", "4k", "--ipl",
                                     test::rom_path(model == std::string("pal") ? "boot_pal" : "boot"), "--frames",
                                     "200", "--dump-ram", path("given.bin")});
        const RunResult free = run({"--model", model, "--memory", "4k", "--dir", path("empty"), "--frames", "200",
                                    "--dump-ram", path("free.bin")});
        ASSERT_EQ(given.exit_code, 0) << given.err;
        ASSERT_EQ(free.exit_code, 0) << free.err;
        EXPECT_EQ(read_file(path("free.bin")), read_file(path("given.bin")));
    }
}

// The bare machine: a program's writes above 0x8000 read back 0xFF, and
// the RAM dump shows nothing there.
TEST_F(M5RunModelTest, the_bare_machine_reads_0xff_above_0x8000) {
    for (const char* memory : {"4k", "32k"}) {
        SCOPED_TRACE(memory);
        const RunResult r = run(
            {"--memory", memory, "--ipl", test::rom_path("ram_probe"), "--frames", "2", "--dump-ram", path("ram.bin")});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        const std::string ram = read_file(path("ram.bin"));
        ASSERT_EQ(static_cast<uint8_t>(ram.at(0)), 0xA5) << "the program ran";
        const bool bare = memory == std::string("4k");
        // What each write read back: 0x7800, 0x8000, 0xC000, 0xFFFF.
        EXPECT_EQ(static_cast<uint8_t>(ram.at(0x10)), 0x5A);
        for (int32_t i = 1; i < 4; ++i) EXPECT_EQ(static_cast<uint8_t>(ram.at(0x10 + i)), bare ? 0xFF : 0x5A) << i;
        EXPECT_EQ(static_cast<uint8_t>(ram.at(0x8000 - 0x7000)), bare ? 0xFF : 0x5A);
    }
}

// A state names its machine: m5run refuses it on another model or memory in
// one line naming both, and an older state (none named) is the 60 Hz
// machine's with 32 KiB.
TEST_F(M5RunModelTest, a_state_is_refused_on_another_machine) {
    ASSERT_EQ(run({"--model", "pal", "--memory", "64kbf-2b", "--ipl", test::rom_path("frame_rate"), "--frames", "30",
                   "--save-state", path("pal.m5s")})
                  .exit_code,
              0);
    RunResult r = run({"--model", "pal", "--memory", "64kbf-2b", "--ipl", test::rom_path("frame_rate"), "--load-state",
                       path("pal.m5s"), "--frames", "10"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    r = run({"--ipl", test::rom_path("frame_rate"), "--load-state", path("pal.m5s"), "--frames", "10"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_EQ(r.err, "m5run: cannot load '" + path("pal.m5s") +
                         "': the save state was made on the 50 Hz M5 with 64KBF 2B, not on the 60 Hz M5 with 32 KiB\n");

    const std::string old_state = std::string(M5_SOURCE_DIR) + "/tests/fixtures/states/ctc_event_pending.m5s";
    r = run({"--model", "pal", "--ipl", test::rom_path("ctc_im2"), "--load-state", old_state, "--frames", "1"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.err.find("made on the 60 Hz M5 with 32 KiB, not on the 50 Hz M5 with 32 KiB"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace m5
