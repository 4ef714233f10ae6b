// z80check: the Z80 core alone against conformance material.
//
//   z80check cpm [--direct-bus] FILE.COM
//       Runs a CP/M program (zexdoc, zexall, ...) loaded at 0x0100 with a tiny
//       BDOS at 0x0005 (C=2 prints E, C=9 prints the '$'-terminated string at
//       DE) and prints its output, then the T-states run, the wall time and
//       the effective speed. Reaching 0x0000 ends the program. Memory is
//       reached through the RAM's page table and ports through the Component
//       virtual calls, as in the machine; --direct-bus instantiates the run
//       loop for the concrete RAM and console components instead (direct,
//       inlined calls).
//   z80check fuse [--expect-differences LIST] [--show-known] TESTS.IN TESTS.EXPECTED
//       Runs the per-instruction tests and compares registers, memory, the
//       halted state and T-states. Each test runs on the RAM's page table and
//       again through its handlers alone; the two must end alike. With a list
//       of deliberate differences, mismatches it covers are counted apart and
//       do not fail the run.
//   z80check json [--quiet] FILE.json...
//       Runs single-step tests in the widely used JSON format: one instruction
//       per test, registers, iff1/iff2/im, listed RAM and T-states compared.
//
// Exit status: 0 when everything matched, 1 on mismatches, 2 on bad usage or
// unreadable input (with one error line on stderr).
#include <cstdio>
#include <string>
#include <vector>

#include "tools/z80check/z80check.h"

namespace {

const char* const USAGE =
    "usage: z80check cpm [--direct-bus] FILE.COM\n"
    "       z80check fuse [--expect-differences LIST] [--show-known] TESTS.IN TESTS.EXPECTED\n"
    "       z80check json [--quiet] FILE.json...\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace m5::z80check;
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return EXIT_USAGE;
    }
    const std::string mode = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (mode == "cpm") return run_cpm(args);
        if (mode == "fuse") return run_fuse(args);
        if (mode == "json") return run_json(args);
        if (mode == "--help" || mode == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        throw ToolError{"unknown mode " + mode + " (cpm, fuse or json)"};
    } catch (const ToolError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "z80check: %s\n", error.message.c_str());
        return EXIT_USAGE;
    }
}
