// m5run's --break, --watch, --symbols and --trace on our test programs: the
// stop's instruction, status, report and outputs; the trace's lines; and the
// same machine with and without the debugger.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "m5run_harness.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

class M5RunDebugTest : public test::M5RunDirTest {
protected:
    // The symbol table pasmo writes for a test program.
    std::string symbols_of(const std::string& name) const {
        const std::string source = std::string(M5_SOURCE_DIR) + "/roms/test/";
        const std::string command = std::string(M5_PASMO) + " -I " + source + " -I " + M5_SOURCE_DIR + "/roms/common " +
                                    source + name + ".asm " + path("out.bin") + " " + path(name + ".sym") +
                                    " > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path(name + ".sym");
    }
    std::vector<std::string> cart_args(const std::string& cart) const {
        return {"--ipl", test::rom_path("boot"), "--cart", test::rom_path(cart)};
    }
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(M5RunDebugTest, a_breakpoint_at_a_label_stops_there_with_status_3_and_the_outputs_of_that_moment) {
    std::vector<std::string> args = cart_args("cart_id02");
    args.insert(args.end(), {"--symbols", symbols_of("cart_id02"), "--break", "start", "--frames", "100", "--dump-ram",
                             path("ram.bin"), "--save-state", path("state.m5s")});
    const test::RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("breakpoint at 200A (start)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("PC=200A"), std::string::npos) << lines[1];
    EXPECT_NE(r.out.find("start:\n> 200A  3E 53        LD A,$53"), std::string::npos) << r.out;
    // The code before the entry logged 'I'; the entry has not logged 'S' yet.
    const std::string ram = test::read_file(path("ram.bin"));
    ASSERT_EQ(ram.size(), static_cast<size_t>(RAM_SIZE));
    EXPECT_EQ(ram[0x7800 - RAM_START], 1);
    EXPECT_EQ(ram[0x7801 - RAM_START], 'I');
    EXPECT_FALSE(fs::exists(path("state.m5s")));  // inside a frame, no state
}

// cart_frames enables interrupts just before `first_wait: JR first_wait`:
// the stop comes at its first arrival there, right after the EI.
TEST_F(M5RunDebugTest, the_instruction_after_ei_is_stopped_on_and_traced) {
    std::vector<std::string> args = cart_args("cart_frames");
    args.insert(args.end(), {"--frames", "3", "--trace", path("trace.txt")});
    ASSERT_EQ(run(args).exit_code, 0);
    const std::vector<std::string> trace = lines_of(test::read_file(path("trace.txt")));
    std::string ei, after_ei;  // the first EI before a JR onto itself, and the line after it
    for (size_t i = 0; i + 1 < trace.size() && after_ei.empty(); ++i) {
        if (trace[i].find("  EI  ") != std::string::npos && trace[i + 1].find("18 FE") != std::string::npos) {
            ei = trace[i];
            after_ei = trace[i + 1];
        }
    }
    ASSERT_FALSE(after_ei.empty()) << "no EI before the JR";
    const std::string clock = after_ei.substr(11, 10);  // "%10u" after frame and scanline
    // The JR's own line, 4 clocks after the EI's (not the JR's next pass).
    EXPECT_EQ(std::stoul(clock), std::stoul(ei.substr(11, 10)) + 4) << ei << "\n" << after_ei;
    const std::string pc = after_ei.substr(23, 4);

    args = cart_args("cart_frames");
    args.insert(args.end(), {"--symbols", symbols_of("cart_frames"), "--break", "first_wait", "--frames", "100"});
    const test::RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("clock " + clock.substr(clock.find_first_not_of(' ')) + ": breakpoint at " + pc +
                            " (first_wait)"),
              std::string::npos)
        << lines[0] << "\n"
        << after_ei;
    EXPECT_NE(lines[1].find("PC=" + pc), std::string::npos) << lines[1];
}

TEST_F(M5RunDebugTest, a_write_watchpoint_stops_after_the_instruction_that_writes) {
    std::vector<std::string> args = cart_args("cart_id02");
    args.insert(args.end(), {"--symbols", symbols_of("cart_id02"), "--watch", "7801:2:w", "--frames", "100",
                             "--dump-ram", path("ram.bin")});
    const test::RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    // log_event's LD (HL),A writes 'I' to the first log byte.
    EXPECT_NE(r.out.find("watchpoint: write to 7801 (LOG_BYTES) by the instruction at 2019"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("> 201A  C9           RET"), std::string::npos) << r.out;
    EXPECT_EQ(test::read_file(path("ram.bin"))[0x7801 - RAM_START], 'I');
}

TEST_F(M5RunDebugTest, a_read_watchpoint_sees_reads_and_not_writes) {
    // host_busy reads its frame counter (LD HL,(FRAMES)) in the interrupt
    // handler before it writes it.
    const test::RunResult r = run({"--ipl", test::rom_path("host_busy"), "--watch", "7000:r", "--frames", "10"});
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_NE(r.out.find("watchpoint: read of 7000 by the instruction at 0066"), std::string::npos) << r.out;
}

TEST_F(M5RunDebugTest, an_address_never_reached_lets_the_run_end_normally) {
    const test::RunResult r = run({"--ipl", test::rom_path("host_busy"), "--break", "$6FFF", "--frames", "5"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(M5RunDebugTest, bad_debugging_options_are_refused) {
    for (const std::vector<std::string>& extra : std::vector<std::vector<std::string>>{
             {"--break", "nolabel"}, {"--watch", "7000:x"}, {"--watch", "7000:0"}, {"--gdb", "host:"}}) {
        std::vector<std::string> args = {"--ipl", test::rom_path("host_busy")};
        args.insert(args.end(), extra.begin(), extra.end());
        const test::RunResult r = run(args);
        EXPECT_EQ(r.exit_code, 2) << extra[1];
        EXPECT_EQ(r.err.rfind("m5run: ", 0), 0u) << r.err;
    }
}

TEST_F(M5RunDebugTest, the_trace_of_a_known_program_has_its_lines) {
    const test::RunResult r = run({"--ipl", test::rom_path("host_busy"), "--frames", "3", "--trace", path("trace.txt"),
                                   "--trace-from", "2", "--trace-frames", "1"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> lines = lines_of(test::read_file(path("trace.txt")));
    ASSERT_GT(lines.size(), 1000u);
    for (const std::string& line : lines) ASSERT_EQ(line.substr(0, 7), "     2 ") << line;

    const test::RunResult first = run({"--ipl", test::rom_path("host_busy"), "--frames", "1", "--trace", "-"});
    const std::vector<std::string> start = lines_of(first.out);
    ASSERT_GE(start.size(), 3u);
    const std::string registers =
        "AF=0000 BC=0000 DE=0000 HL=0000 AF'=0000 BC'=0000 DE'=0000 HL'=0000 IX=0000 "
        "IY=0000 SP=0000 ";
    EXPECT_EQ(start[0], "     1   0          0  0000  F3           DI                " + registers +
                            "PC=0000 I=00 R=00 IM0 IFF00 F=--------");
    EXPECT_EQ(start[1], "     1   0          4  0001  31 00 00     LD SP,$0000       " + registers +
                            "PC=0001 I=00 R=01 IM0 IFF00 F=--------");
    EXPECT_EQ(start[2].substr(0, 50), "     1   0         14  0004  3E 01        LD A,$01");
}

// The debugged run is the same machine: RAM and the picture after 30 frames
// are those of the plain run.
TEST_F(M5RunDebugTest, a_debugged_run_ends_as_the_plain_one) {
    std::vector<std::string> plain = cart_args("cart_frames");
    plain.insert(plain.end(), {"--frames", "30", "--dump-ram", path("plain.bin"), "--screenshot", path("plain.png")});
    std::vector<std::string> debugged = cart_args("cart_frames");
    debugged.insert(debugged.end(),
                    {"--frames", "30", "--dump-ram", path("debugged.bin"), "--screenshot", path("debugged.png"),
                     "--break", "6FFF", "--watch", "6F00:16:rw", "--trace", path("trace.txt"), "--trace-frames", "2"});
    ASSERT_EQ(run(plain).exit_code, 0);
    ASSERT_EQ(run(debugged).exit_code, 0);
    EXPECT_EQ(test::read_file(path("plain.bin")), test::read_file(path("debugged.bin")));
    EXPECT_EQ(test::read_file(path("plain.png")), test::read_file(path("debugged.png")));
}

}  // namespace
}  // namespace m5
