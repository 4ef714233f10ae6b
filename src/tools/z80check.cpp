// z80check: runs the Z80 core alone on a flat 64 KiB RAM and checks it
// against third-party conformance material.
//
//   z80check cpm [--direct-bus] FILE.COM
//       Runs a CP/M program (zexdoc, zexall, ...) loaded at 0x0100 with a tiny
//       BDOS at 0x0005 (C=2 prints E, C=9 prints the '$'-terminated string at
//       DE) and prints its output, then the T-states run, the wall time and
//       the effective speed. Reaching 0x0000 ends the program. Memory and
//       ports are reached through the Component virtual calls, as in the
//       machine; --direct-bus instantiates the run loop for the concrete RAM
//       and console components instead (direct, inlined calls).
//   z80check fuse [--expect-differences LIST] [--show-known] TESTS.IN TESTS.EXPECTED
//       Runs the per-instruction tests and compares registers, memory, the
//       halted state and T-states. With a list of deliberate differences,
//       mismatches it covers are counted apart and do not fail the run.
//   z80check json [--quiet] FILE.json...
//       Runs single-step tests in the widely used JSON format: one instruction
//       per test, registers, iff1/iff2/im, listed RAM and T-states compared.
//
// Exit status: 0 when everything matched, 1 on mismatches, 2 on bad usage or
// unreadable input (with one error line on stderr).
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_execute.h"
#include "cpu/z80_flat_ram.h"
#include "host/file_stream.h"

namespace {

using m5::Component;
using m5::FlatRam;
using m5::Z80Cpu;

constexpr int EXIT_MISMATCH = 1;
constexpr int EXIT_USAGE = 2;

const char* const USAGE =
    "usage: z80check cpm [--direct-bus] FILE.COM\n"
    "       z80check fuse [--expect-differences LIST] [--show-known] TESTS.IN TESTS.EXPECTED\n"
    "       z80check json [--quiet] FILE.json...\n";

// A failure that ends the tool with one line on stderr.
struct ToolError {
    std::string message;
};

// The whole of a regular file; a directory or a device is not one (FileStream
// refuses to open it) and fails like a missing file.
std::string read_file_or_fail(const std::string& path) {
    m5::FileStream file;
    if (!file.open(path, m5::FILE_READ_BINARY)) throw ToolError{"cannot read " + path};
    std::string contents;
    char buffer[1 << 16];
    while (const size_t count = file.read(buffer, 1, sizeof buffer)) contents.append(buffer, count);
    return contents;
}

std::vector<std::string> split_words(std::string_view line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) ++at;
        const size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r') ++at;
        if (at > start) words.emplace_back(line.substr(start, at - start));
    }
    return words;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Parses a whole word as a number in `base`; false when it is not one.
bool parse_number(const std::string& word, int base, long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtol(word.c_str(), &end, base);
    return *end == '\0';
}

// A port component that answers reads with the high byte of the port address
// (the convention of the per-instruction tests) and ignores writes.
class EchoPorts final : public Component {
public:
    EchoPorts() : Component(nullptr, nullptr) {}
    int32_t port_read8(int32_t port) override { return (port >> 8) & 0xFF; }
};

// ================================================================================
// cpm
// ================================================================================

// Console and exit traps of the CP/M run. The BDOS stub executes OUT (0xFF),A
// and the warm-boot vector OUT (0xFE),A; the traps read the registers they
// need from the processor.
class CpmConsole final : public Component {
public:
    static constexpr int32_t BDOS_PORT = 0xFF;
    static constexpr int32_t EXIT_PORT = 0xFE;
    static constexpr int32_t TRAP_CLOCKS = 11;  // the OUT (n),A of a trap

    CpmConsole(Z80Cpu& cpu, FlatRam& ram) : Component(nullptr, nullptr), cpu_(cpu), ram_(ram) {}

    void port_write8(int32_t port, int32_t data) override {
        (void)data;
        if ((port & 0xFF) == BDOS_PORT) {
            bdos();
        } else if ((port & 0xFF) == EXIT_PORT) {
            finish();
        }
    }

    bool finished = false;
    int64_t clocks_at_exit = 0;  // clocks of the last execute call up to the exit trap

private:
    void bdos() {
        switch (cpu_.bc.b.lo) {
            case 0: finish(); break;
            case 2: put(cpu_.de.b.lo); break;
            case 9: {
                uint16_t address = cpu_.de.w;
                for (int n = 0; n < FlatRam::SIZE && ram_.bytes[address] != '$'; ++n) put(ram_.bytes[address++]);
                break;
            }
            default: break;
        }
    }

    void put(uint8_t ch) {
        if (ch == '\r') return;
        std::fputc(ch, stdout);
        if (ch == '\n') std::fflush(stdout);
    }

    void finish() {
        finished = true;
        clocks_at_exit = cpu_.executed_cycles() - TRAP_CLOCKS;
        cpu_.signal_in(Z80Cpu::STOP_SIGNAL, 1, 1);
    }

    Z80Cpu& cpu_;
    FlatRam& ram_;
};

int run_cpm(const std::vector<std::string>& args) {
    bool direct_bus = false;
    std::string path;
    for (const std::string& arg : args) {
        if (arg == "--direct-bus")
            direct_bus = true;
        else if (arg.starts_with("--"))
            throw ToolError{"unknown option " + arg};
        else if (path.empty())
            path = arg;
        else
            throw ToolError{"cpm takes one program file"};
    }
    if (path.empty()) throw ToolError{"cpm needs a program file"};

    constexpr uint16_t LOAD_ADDRESS = 0x0100;
    constexpr uint16_t BDOS_ADDRESS = 0xFE00;  // top of the program area
    const std::string program = read_file_or_fail(path);
    if (program.empty()) throw ToolError{path + " is empty"};
    if (program.size() > BDOS_ADDRESS - LOAD_ADDRESS) throw ToolError{path + " is too large for a CP/M program"};

    auto ram = std::make_unique<FlatRam>();
    Z80Cpu cpu(nullptr, nullptr);
    CpmConsole console(cpu, *ram);
    m5::NullComponent chain(nullptr, nullptr);
    cpu.memory = ram.get();
    cpu.io = &console;
    cpu.int_chain = &chain;
    cpu.reset();

    auto& m = ram->bytes;
    for (size_t n = 0; n < program.size(); ++n) m[LOAD_ADDRESS + n] = static_cast<uint8_t>(program[n]);
    const uint8_t exit_trap[] = {0xD3, CpmConsole::EXIT_PORT};                   // 0000: OUT (0xFE),A
    const uint8_t bdos_jump[] = {0xC3, BDOS_ADDRESS & 0xFF, BDOS_ADDRESS >> 8};  // 0005: JP BDOS
    const uint8_t bdos[] = {0xD3, CpmConsole::BDOS_PORT, 0xC9};                  // BDOS: OUT (0xFF),A; RET
    std::copy(std::begin(exit_trap), std::end(exit_trap), &m[0x0000]);
    std::copy(std::begin(bdos_jump), std::end(bdos_jump), &m[0x0005]);
    std::copy(std::begin(bdos), std::end(bdos), &m[BDOS_ADDRESS]);
    cpu.sp = BDOS_ADDRESS - 2;  // a final RET returns to 0x0000
    cpu.pc = LOAD_ADDRESS;

    constexpr int32_t SLICE_CLOCKS = 100'000'000;
    const m5::Z80Bus<FlatRam, CpmConsole> concrete_bus{ram.get(), &console};
    int64_t total_clocks = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    while (!console.finished) {
        const int32_t owed = cpu.clocks_left;  // overshoot of the previous slice
        if (direct_bus)
            cpu.execute_on(concrete_bus, SLICE_CLOCKS);
        else
            cpu.execute(SLICE_CLOCKS);
        total_clocks += console.finished ? console.clocks_at_exit : SLICE_CLOCKS + owed - cpu.clocks_left;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    std::fflush(stdout);
    // The wall figure is the one that counts; the processor time tells how
    // much of it a busy machine took away.
    std::printf("\n%" PRId64 " T-states in %.2f s: %.1f MHz effective (%s bus; %.2f s of processor time)\n",
                total_clocks, seconds, seconds > 0 ? static_cast<double>(total_clocks) / seconds / 1e6 : 0.0,
                direct_bus ? "direct" : "virtual", cpu_seconds);
    return 0;
}

// ================================================================================
// fuse
// ================================================================================

// The fields the per-instruction tests compare, by name.
const char* const FUSE_FIELDS[] = {"AF", "BC", "DE", "HL", "AF'",  "BC'",  "DE'", "HL'",    "IX",      "IY",
                                   "SP", "PC", "I",  "R",  "IFF1", "IFF2", "IM",  "halted", "tstates", "memory"};

struct FuseState {
    uint16_t pairs[12] = {};  // AF BC DE HL AF' BC' DE' HL' IX IY SP PC
    int i = 0, r = 0, iff1 = 0, iff2 = 0, im = 0, halted = 0;
    long tstates = 0;
    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> memory;
};

struct FuseTest {
    std::string name;
    FuseState initial, expected;
};

// The register line (13 hex words, the last MEMPTR, which this core does not
// keep) and the state line (I R IFF1 IFF2 IM halted tstates).
void parse_fuse_registers(const std::vector<std::string>& regs, const std::vector<std::string>& state, FuseState& out,
                          const std::string& where) {
    if (regs.size() < 12 || state.size() < 7) throw ToolError{where + ": malformed register lines"};
    long value = 0;
    for (int n = 0; n < 12; ++n) {
        if (!parse_number(regs[n], 16, value)) throw ToolError{where + ": bad register value " + regs[n]};
        out.pairs[n] = static_cast<uint16_t>(value);
    }
    int* const small[] = {&out.i, &out.r, &out.iff1, &out.iff2, &out.im, &out.halted};
    for (int n = 0; n < 6; ++n) {
        if (!parse_number(state[n], n < 2 ? 16 : 10, value)) throw ToolError{where + ": bad state value " + state[n]};
        *small[n] = static_cast<int>(value);
    }
    if (!parse_number(state[6], 10, out.tstates)) throw ToolError{where + ": bad T-state count " + state[6]};
}

// "ADDRESS BYTE BYTE ... -1"
void parse_fuse_memory(const std::vector<std::string>& words, FuseState& out, const std::string& where) {
    long address = 0, value = 0;
    if (!parse_number(words.at(0), 16, address)) throw ToolError{where + ": bad memory address " + words[0]};
    std::vector<uint8_t> bytes;
    for (size_t n = 1; n < words.size() && words[n] != "-1"; ++n) {
        if (!parse_number(words[n], 16, value)) throw ToolError{where + ": bad memory byte " + words[n]};
        bytes.push_back(static_cast<uint8_t>(value));
    }
    out.memory.emplace_back(static_cast<uint16_t>(address), std::move(bytes));
}

std::vector<FuseTest> parse_fuse(const std::string& in_path, const std::string& expected_path) {
    std::vector<FuseTest> tests;
    const std::vector<std::string> in_lines = split_lines(read_file_or_fail(in_path));
    const std::vector<std::string> out_lines = split_lines(read_file_or_fail(expected_path));

    // tests.in: name, registers, state, memory lines, "-1".
    for (size_t at = 0; at < in_lines.size();) {
        std::vector<std::string> words = split_words(in_lines[at]);
        if (words.empty()) {
            ++at;
            continue;
        }
        const std::string where = in_path + ":" + std::to_string(at + 1);
        if (at + 2 >= in_lines.size()) throw ToolError{where + ": test ends early"};
        FuseTest test;
        test.name = words[0];
        parse_fuse_registers(split_words(in_lines[at + 1]), split_words(in_lines[at + 2]), test.initial, where);
        at += 3;
        for (;; ++at) {
            if (at >= in_lines.size()) throw ToolError{where + ": memory list without -1"};
            words = split_words(in_lines[at]);
            if (words.empty()) continue;
            if (words[0] == "-1") break;
            parse_fuse_memory(words, test.initial, where);
        }
        ++at;
        tests.push_back(std::move(test));
    }

    // tests.expected: name, event lines (indented), registers, state, memory
    // lines that changed, then a blank line.
    size_t index = 0;
    for (size_t at = 0; at < out_lines.size();) {
        const std::vector<std::string> first = split_words(out_lines[at]);
        if (first.empty()) {
            ++at;
            continue;
        }
        const std::string where = expected_path + ":" + std::to_string(at + 1);
        const std::string& name = first[0];
        if (index >= tests.size() || tests[index].name != name) {
            throw ToolError{where + ": test " + name + " does not match " + in_path};
        }
        ++at;
        while (at < out_lines.size() && !out_lines[at].empty() && (out_lines[at][0] == ' ' || out_lines[at][0] == '\t'))
            ++at;
        if (at + 1 >= out_lines.size()) throw ToolError{where + ": test ends early"};
        parse_fuse_registers(split_words(out_lines[at]), split_words(out_lines[at + 1]), tests[index].expected, where);
        at += 2;
        for (; at < out_lines.size(); ++at) {
            const std::vector<std::string> words = split_words(out_lines[at]);
            if (words.empty()) break;
            parse_fuse_memory(words, tests[index].expected, where);
        }
        ++index;
    }
    if (index != tests.size())
        throw ToolError{expected_path + ": " + std::to_string(tests.size() - index) + " tests of " + in_path +
                        " have no expected result"};
    if (tests.empty()) throw ToolError{in_path + ": no tests"};  // a run of nothing is no pass
    return tests;
}

// One line of the list of deliberate differences:
//   TEST PATTERNS | FIELDS | why the core differs
// Patterns may use '*' and '?'; FIELDS names fields of FUSE_FIELDS or '*'.
// An entry whose tests and fields are both "-" documents a difference that
// no per-instruction test shows (interrupt timing, for one); it matches nothing.
struct KnownDifference {
    int line = 0;
    std::vector<std::string> tests, fields;
    std::string reason;
    bool used = false;
};

// '*' matches any run of characters, '?' any one character.
bool glob_match(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] == '*') {
        for (size_t skip = 0; skip <= text.size(); ++skip)
            if (glob_match(pattern.substr(1), text.substr(skip))) return true;
        return false;
    }
    return !text.empty() && (pattern[0] == '?' || pattern[0] == text[0]) &&
           glob_match(pattern.substr(1), text.substr(1));
}

std::vector<KnownDifference> parse_known_differences(const std::string& path) {
    std::vector<KnownDifference> list;
    const std::vector<std::string> lines = split_lines(read_file_or_fail(path));
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        const std::vector<std::string> words = split_words(line);
        if (words.empty() || words[0][0] == '#') continue;
        const std::string where = path + ":" + std::to_string(n + 1);
        const size_t bar1 = line.find('|');
        const size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
        if (bar2 == std::string::npos) throw ToolError{where + ": expected TESTS | FIELDS | REASON"};
        KnownDifference entry;
        entry.line = static_cast<int>(n + 1);
        entry.tests = split_words(line.substr(0, bar1));
        entry.fields = split_words(line.substr(bar1 + 1, bar2 - bar1 - 1));
        entry.reason = line.substr(bar2 + 1);
        if (entry.tests.empty() || entry.fields.empty() || split_words(entry.reason).empty())
            throw ToolError{where + ": an entry needs tests, fields and a reason"};
        if (entry.tests[0] == "-" && entry.fields[0] == "-") {
            entry.tests.clear();
            entry.fields.clear();
            entry.used = true;  // documentation only
        }
        for (const std::string& field : entry.fields) {
            bool known = field == "*";
            for (const char* name : FUSE_FIELDS) known = known || field == name;
            if (!known) throw ToolError{where + ": unknown field " + field};
        }
        list.push_back(std::move(entry));
    }
    return list;
}

// Marks and reports whether `field` of `test` is covered by the list.
bool covered(std::vector<KnownDifference>& list, const std::string& test, const std::string& field) {
    bool found = false;
    for (KnownDifference& entry : list) {
        bool test_matches = false, field_matches = false;
        for (const std::string& pattern : entry.tests) test_matches = test_matches || glob_match(pattern, test);
        for (const std::string& name : entry.fields) field_matches = field_matches || name == "*" || name == field;
        if (test_matches && field_matches) entry.used = found = true;
    }
    return found;
}

std::string hex(long value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*lx", digits, value);
    return text;
}

int run_fuse(const std::vector<std::string>& args) {
    std::string list_path;
    bool show_known = false;
    std::vector<std::string> files;
    for (size_t n = 0; n < args.size(); ++n) {
        if (args[n] == "--expect-differences") {
            if (n + 1 >= args.size()) throw ToolError{"--expect-differences needs a file"};
            list_path = args[++n];
        } else if (args[n] == "--show-known") {
            show_known = true;
        } else if (args[n].starts_with("--")) {
            throw ToolError{"unknown option " + args[n]};
        } else {
            files.push_back(args[n]);
        }
    }
    if (files.size() != 2) throw ToolError{"fuse needs TESTS.IN and TESTS.EXPECTED"};
    std::vector<KnownDifference> known;
    if (!list_path.empty()) known = parse_known_differences(list_path);
    const std::vector<FuseTest> tests = parse_fuse(files[0], files[1]);

    auto ram = std::make_unique<FlatRam>();
    auto expected_ram = std::make_unique<FlatRam>();
    EchoPorts ports;
    m5::NullComponent chain(nullptr, nullptr);
    int passed = 0, failed = 0, differing = 0;
    for (const FuseTest& test : tests) {
        // Memory not set by the test holds DE AD BE EF repeated.
        constexpr uint8_t FILL[4] = {0xDE, 0xAD, 0xBE, 0xEF};
        for (int a = 0; a < FlatRam::SIZE; ++a) ram->bytes[a] = FILL[a & 3];
        for (const auto& [address, bytes] : test.initial.memory)
            for (size_t n = 0; n < bytes.size(); ++n) ram->bytes[(address + n) & 0xFFFF] = bytes[n];
        expected_ram->bytes = ram->bytes;
        for (const auto& [address, bytes] : test.expected.memory)
            for (size_t n = 0; n < bytes.size(); ++n) expected_ram->bytes[(address + n) & 0xFFFF] = bytes[n];

        Z80Cpu cpu(nullptr, nullptr);
        cpu.memory = ram.get();
        cpu.io = &ports;
        cpu.int_chain = &chain;
        const FuseState& in = test.initial;
        m5::Z80Pair* const pairs[10] = {&cpu.af,     &cpu.bc,     &cpu.de,     &cpu.hl, &cpu.af_alt,
                                        &cpu.bc_alt, &cpu.de_alt, &cpu.hl_alt, &cpu.ix, &cpu.iy};
        for (int n = 0; n < 10; ++n) pairs[n]->w = in.pairs[n];
        cpu.sp = in.pairs[10];
        cpu.pc = in.pairs[11];
        cpu.i = static_cast<uint8_t>(in.i);
        cpu.r = static_cast<uint8_t>(in.r);
        cpu.iff1 = static_cast<uint8_t>(in.iff1);
        cpu.iff2 = static_cast<uint8_t>(in.iff2);
        cpu.im = static_cast<uint8_t>(in.im);
        cpu.halted = static_cast<uint8_t>(in.halted);
        cpu.execute(static_cast<int32_t>(in.tstates));
        const long tstates = in.tstates - cpu.clocks_left;

        // Field by field, in FUSE_FIELDS order.
        const FuseState& want = test.expected;
        const long found[19] = {cpu.af.w,     cpu.bc.w, cpu.de.w, cpu.hl.w,   cpu.af_alt.w, cpu.bc_alt.w, cpu.de_alt.w,
                                cpu.hl_alt.w, cpu.ix.w, cpu.iy.w, cpu.sp,     cpu.pc,       cpu.i,        cpu.r,
                                cpu.iff1,     cpu.iff2, cpu.im,   cpu.halted, tstates};
        const long wanted[19] = {want.pairs[0],  want.pairs[1],  want.pairs[2], want.pairs[3], want.pairs[4],
                                 want.pairs[5],  want.pairs[6],  want.pairs[7], want.pairs[8], want.pairs[9],
                                 want.pairs[10], want.pairs[11], want.i,        want.r,        want.iff1,
                                 want.iff2,      want.im,        want.halted,   want.tstates};
        std::string unexpected, expected_list;
        auto report = [&](const std::string& field, const std::string& want_text, const std::string& found_text) {
            std::string& target = covered(known, test.name, field) ? expected_list : unexpected;
            target += (target.empty() ? "" : ", ") + field + " expected " + want_text + " found " + found_text;
        };
        for (int n = 0; n < 19; ++n) {
            if (found[n] == wanted[n]) continue;
            const int digits = n < 12 ? 4 : n < 14 ? 2 : 1;
            report(FUSE_FIELDS[n], n < 14 ? hex(wanted[n], digits) : std::to_string(wanted[n]),
                   n < 14 ? hex(found[n], digits) : std::to_string(found[n]));
        }
        for (int a = 0; a < FlatRam::SIZE; ++a) {
            if (ram->bytes[a] == expected_ram->bytes[a]) continue;
            report("memory", hex(a, 4) + "=" + hex(expected_ram->bytes[a], 2), hex(ram->bytes[a], 2));
            break;  // the first differing byte names the fault
        }

        if (unexpected.empty() && expected_list.empty()) {
            ++passed;
        } else if (unexpected.empty()) {
            ++differing;
            if (show_known) std::printf("%s: known difference: %s\n", test.name.c_str(), expected_list.c_str());
        } else {
            ++failed;
            std::printf("%s: %s\n", test.name.c_str(), unexpected.c_str());
        }
    }

    int unused = 0;
    for (const KnownDifference& entry : known) {
        if (entry.used) continue;
        ++unused;
        std::printf("%s:%d: listed difference matches no mismatch\n", list_path.c_str(), entry.line);
    }
    std::printf("%d passed, %d failed", passed, failed);
    if (!list_path.empty()) std::printf(", %d known differences", differing);
    std::printf("\n");
    return failed > 0 || unused > 0 ? EXIT_MISMATCH : 0;
}

// ================================================================================
// json
// ================================================================================

// A small JSON reader: enough for test files (objects, arrays, strings,
// numbers, true/false/null), with the position of the first error.
struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    bool flag = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    const JsonValue* find(std::string_view key) const {
        for (const auto& [name, value] : members)
            if (name == key) return &value;
        return nullptr;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    JsonValue parse_document() {
        JsonValue value = parse_value(0);
        skip_space();
        if (at_ != text_.size()) fail("unexpected text after the value");
        return value;
    }

private:
    static constexpr int MAX_DEPTH = 64;

    [[noreturn]] void fail(const std::string& what) { throw ToolError{"offset " + std::to_string(at_) + ": " + what}; }

    void skip_space() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }

    bool take(char ch) {
        skip_space();
        if (at_ < text_.size() && text_[at_] == ch) {
            ++at_;
            return true;
        }
        return false;
    }

    void expect(char ch) {
        if (!take(ch)) fail(std::string("expected '") + ch + "'");
    }

    bool take_word(std::string_view word) {
        if (text_.compare(at_, word.size(), word) != 0) return false;
        at_ += word.size();
        return true;
    }

    JsonValue parse_value(int depth) {
        if (depth > MAX_DEPTH) fail("nesting too deep");
        skip_space();
        if (at_ >= text_.size()) fail("unexpected end of file");
        JsonValue value;
        const char ch = text_[at_];
        if (ch == '{') {
            ++at_;
            value.kind = JsonValue::Kind::object;
            if (take('}')) return value;
            do {
                skip_space();
                std::string key = parse_string();
                expect(':');
                value.members.emplace_back(std::move(key), parse_value(depth + 1));
            } while (take(','));
            expect('}');
        } else if (ch == '[') {
            ++at_;
            value.kind = JsonValue::Kind::array;
            if (take(']')) return value;
            do value.items.push_back(parse_value(depth + 1));
            while (take(','));
            expect(']');
        } else if (ch == '"') {
            value.kind = JsonValue::Kind::string;
            value.text = parse_string();
        } else if (take_word("true")) {
            value.kind = JsonValue::Kind::boolean;
            value.flag = true;
        } else if (take_word("false")) {
            value.kind = JsonValue::Kind::boolean;
        } else if (take_word("null")) {
            value.kind = JsonValue::Kind::null;
        } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
            const size_t start = at_;
            if (text_[at_] == '-') ++at_;
            while (at_ < text_.size() && std::string_view("0123456789.eE+-").find(text_[at_]) != std::string_view::npos)
                ++at_;
            const std::string number(text_, start, at_ - start);
            char* end = nullptr;
            value.kind = JsonValue::Kind::number;
            value.number = std::strtod(number.c_str(), &end);
            if (*end != '\0') fail("bad number " + number);
        } else {
            fail(std::string("unexpected character '") + ch + "'");
        }
        return value;
    }

    std::string parse_string() {
        if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
        ++at_;
        std::string out;
        while (true) {
            if (at_ >= text_.size()) fail("unterminated string");
            const char ch = text_[at_++];
            if (ch == '"') return out;
            if (ch != '\\') {
                out += ch;
                continue;
            }
            if (at_ >= text_.size()) fail("unterminated string");
            const char escape = text_[at_++];
            switch (escape) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    // Test names are ASCII; other code points are kept as '?'.
                    if (at_ + 4 > text_.size()) fail("short \\u escape");
                    const std::string digits(text_, at_, 4);
                    long code = 0;
                    if (!parse_number(digits, 16, code)) fail("bad \\u escape");
                    at_ += 4;
                    out += code < 0x80 ? static_cast<char>(code) : '?';
                    break;
                }
                default: out += escape; break;  // \" \\ \/
            }
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

// Port reads answered from the test's list of port accesses.
class ScriptedPorts final : public Component {
public:
    ScriptedPorts() : Component(nullptr, nullptr) {}

    int32_t port_read8(int32_t port) override {
        for (Access& access : reads) {
            if (!access.used && access.port == (port & 0xFFFF)) {
                access.used = true;
                return access.value;
            }
        }
        return 0xFF;
    }

    struct Access {
        int32_t port, value;
        bool used;
    };
    std::vector<Access> reads;
};

// True for a whole number from 0 to `max`.
bool json_whole_number(const JsonValue& value, double max) {
    return value.kind == JsonValue::Kind::number && value.number >= 0 && value.number <= max &&
           value.number == static_cast<double>(static_cast<long>(value.number));
}

// An integer field of a test state, from 0 to `max`; -1 when absent.
long json_integer(const JsonValue& state, std::string_view key, long max, const std::string& where) {
    const JsonValue* value = state.find(key);
    if (value == nullptr) return -1;
    if (!json_whole_number(*value, static_cast<double>(max)))
        throw ToolError{where + ": field " + std::string(key) + " is not a whole number from 0 to " +
                        std::to_string(max)};
    return static_cast<long>(value->number);
}

// The registers of the JSON format, in this order, and where they live in the core.
struct JsonRegister {
    const char* name;
    int digits;
};
const JsonRegister JSON_REGISTERS[] = {
    {"pc", 4},  {"sp", 4},  {"a", 2},   {"f", 2},   {"b", 2},    {"c", 2},    {"d", 2},
    {"e", 2},   {"h", 2},   {"l", 2},   {"i", 2},   {"r", 2},    {"ix", 4},   {"iy", 4},
    {"af_", 4}, {"bc_", 4}, {"de_", 4}, {"hl_", 4}, {"iff1", 1}, {"iff2", 1}, {"im", 1},
};

uint16_t& json_register_word(Z80Cpu& cpu, int index) {
    m5::Z80Pair* const pairs[] = {&cpu.ix, &cpu.iy, &cpu.af_alt, &cpu.bc_alt, &cpu.de_alt, &cpu.hl_alt};
    return index == 0 ? cpu.pc : index == 1 ? cpu.sp : pairs[index - 12]->w;
}

uint8_t& json_register_byte(Z80Cpu& cpu, int index) {
    uint8_t* const bytes[] = {&cpu.af.b.hi, &cpu.af.b.lo, &cpu.bc.b.hi, &cpu.bc.b.lo, &cpu.de.b.hi,
                              &cpu.de.b.lo, &cpu.hl.b.hi, &cpu.hl.b.lo, &cpu.i,       &cpu.r};
    uint8_t* const flags[] = {&cpu.iff1, &cpu.iff2, &cpu.im};
    return index < 12 ? *bytes[index - 2] : *flags[index - 18];
}

bool json_register_is_word(int index) { return index < 2 || (index >= 12 && index < 18); }
long json_register_max(int index) { return json_register_is_word(index) ? 0xFFFF : 0xFF; }

long get_json_register(Z80Cpu& cpu, int index) {
    return json_register_is_word(index) ? json_register_word(cpu, index) : json_register_byte(cpu, index);
}

void set_json_register(Z80Cpu& cpu, int index, long value) {
    if (json_register_is_word(index))
        json_register_word(cpu, index) = static_cast<uint16_t>(value);
    else
        json_register_byte(cpu, index) = static_cast<uint8_t>(value);
}

// Runs one test; returns the mismatch description, empty when it passed.
std::string run_json_test(const JsonValue& test, const std::string& where, FlatRam& ram, ScriptedPorts& ports) {
    const JsonValue* initial = test.find("initial");
    const JsonValue* final_state = test.find("final");
    if (initial == nullptr || final_state == nullptr || initial->kind != JsonValue::Kind::object ||
        final_state->kind != JsonValue::Kind::object)
        throw ToolError{where + ": a test needs \"initial\" and \"final\" objects"};

    auto ram_pairs = [&](const JsonValue& state, auto&& visit) {
        const JsonValue* list = state.find("ram");
        if (list == nullptr) return;
        if (list->kind != JsonValue::Kind::array) throw ToolError{where + ": \"ram\" is not an array"};
        for (const JsonValue& pair : list->items) {
            if (pair.kind != JsonValue::Kind::array || pair.items.size() != 2 ||
                !json_whole_number(pair.items[0], 0xFFFF) || !json_whole_number(pair.items[1], 0xFF))
                throw ToolError{where + ": \"ram\" entries must be [address 0..65535, value 0..255]"};
            visit(static_cast<uint16_t>(pair.items[0].number), static_cast<uint8_t>(pair.items[1].number));
        }
    };

    ram.bytes.fill(0);
    ram_pairs(*initial, [&](uint16_t address, uint8_t value) { ram.bytes[address] = value; });
    ports.reads.clear();
    if (const JsonValue* list = test.find("ports"); list != nullptr && list->kind == JsonValue::Kind::array) {
        for (const JsonValue& access : list->items) {
            if (access.kind != JsonValue::Kind::array || access.items.size() < 3 ||
                !json_whole_number(access.items[0], 0xFFFF) || !json_whole_number(access.items[1], 0xFF) ||
                access.items[2].kind != JsonValue::Kind::string)
                throw ToolError{where + ": \"ports\" entries must be [port, value, \"r\" or \"w\"]"};
            if (access.items[2].text == "r")
                ports.reads.push_back({static_cast<int32_t>(access.items[0].number),
                                       static_cast<int32_t>(access.items[1].number), false});
        }
    }

    m5::NullComponent chain(nullptr, nullptr);
    Z80Cpu cpu(nullptr, nullptr);
    cpu.memory = &ram;
    cpu.io = &ports;
    cpu.int_chain = &chain;
    for (int n = 0; n < static_cast<int>(std::size(JSON_REGISTERS)); ++n) {
        const long value = json_integer(*initial, JSON_REGISTERS[n].name, json_register_max(n), where);
        set_json_register(cpu, n, value < 0 ? 0 : value);
    }
    cpu.execute(1);  // one instruction: any instruction costs at least one clock
    const long tstates = 1 - cpu.clocks_left;

    std::string mismatches;
    auto add = [&](const std::string& text) { mismatches += (mismatches.empty() ? "" : ", ") + text; };
    for (int n = 0; n < static_cast<int>(std::size(JSON_REGISTERS)); ++n) {
        const JsonRegister& reg = JSON_REGISTERS[n];
        const long want = json_integer(*final_state, reg.name, json_register_max(n), where);
        const long found = get_json_register(cpu, n);
        if (want >= 0 && want != found)
            add(std::string(reg.name) + " expected " + hex(want, reg.digits) + " found " + hex(found, reg.digits));
    }
    ram_pairs(*final_state, [&](uint16_t address, uint8_t value) {
        if (ram.bytes[address] != value)
            add("ram[" + hex(address, 4) + "] expected " + hex(value, 2) + " found " + hex(ram.bytes[address], 2));
    });
    if (const JsonValue* cycles = test.find("cycles"); cycles != nullptr && cycles->kind == JsonValue::Kind::array) {
        const long want = static_cast<long>(cycles->items.size());
        if (want != tstates) add("tstates expected " + std::to_string(want) + " found " + std::to_string(tstates));
    }
    return mismatches;
}

int run_json(const std::vector<std::string>& args) {
    bool quiet = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg == "--quiet")
            quiet = true;
        else if (arg.starts_with("--"))
            throw ToolError{"unknown option " + arg};
        else
            files.push_back(arg);
    }
    if (files.empty()) throw ToolError{"json needs at least one test file"};

    // Read and parse every file first, so that bad input stops the tool before
    // any result is printed.
    std::vector<JsonValue> documents;
    for (const std::string& path : files) {
        const std::string text = read_file_or_fail(path);
        try {
            documents.push_back(JsonReader(text).parse_document());
        } catch (const ToolError& error) {
            throw ToolError{path + ": " + error.message};
        }
        if (documents.back().kind != JsonValue::Kind::array) throw ToolError{path + ": expected an array of tests"};
    }

    auto ram = std::make_unique<FlatRam>();
    ScriptedPorts ports;
    int total_passed = 0, total_failed = 0;
    for (size_t n = 0; n < files.size(); ++n) {
        int passed = 0, failed = 0;
        for (size_t t = 0; t < documents[n].items.size(); ++t) {
            const JsonValue& test = documents[n].items[t];
            if (test.kind != JsonValue::Kind::object)
                throw ToolError{files[n] + ": test " + std::to_string(t) + " is not an object"};
            const JsonValue* name = test.find("name");
            std::string label = std::to_string(t);
            if (name != nullptr && name->kind == JsonValue::Kind::string) label = name->text;
            const std::string mismatches = run_json_test(test, files[n] + ": " + label, *ram, ports);
            if (mismatches.empty()) {
                ++passed;
            } else {
                ++failed;
                if (!quiet) std::printf("%s: %s: %s\n", files[n].c_str(), label.c_str(), mismatches.c_str());
            }
        }
        std::printf("%s: %d passed, %d failed\n", files[n].c_str(), passed, failed);
        total_passed += passed;
        total_failed += failed;
    }
    std::printf("total: %d passed, %d failed\n", total_passed, total_failed);
    return total_failed > 0 ? EXIT_MISMATCH : 0;
}

}  // namespace

int main(int argc, char** argv) {
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
