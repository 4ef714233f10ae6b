// z80check fuse: the per-instruction tests (tests.in and tests.expected),
// with a list of the core's deliberate differences.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_flat_ram.h"
#include "tools/z80check/z80check.h"

namespace m5::z80check {

namespace {

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

}  // namespace

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
    auto handler_ram = std::make_unique<FlatRam>();
    auto expected_ram = std::make_unique<FlatRam>();
    EchoPorts ports;
    NullComponent chain(nullptr, nullptr);
    int passed = 0, failed = 0, differing = 0;
    for (const FuseTest& test : tests) {
        // Memory not set by the test holds DE AD BE EF repeated.
        constexpr uint8_t FILL[4] = {0xDE, 0xAD, 0xBE, 0xEF};
        for (int a = 0; a < FlatRam::SIZE; ++a) ram->bytes[a] = FILL[a & 3];
        for (const auto& [address, bytes] : test.initial.memory)
            for (size_t n = 0; n < bytes.size(); ++n) ram->bytes[(address + n) & 0xFFFF] = bytes[n];
        expected_ram->bytes = ram->bytes;
        handler_ram->bytes = ram->bytes;
        for (const auto& [address, bytes] : test.expected.memory)
            for (size_t n = 0; n < bytes.size(); ++n) expected_ram->bytes[(address + n) & 0xFFFF] = bytes[n];

        // The test runs twice: on the RAM's page table, as the machine runs,
        // and through its handlers alone; both must end alike. Returns the
        // fields in FUSE_FIELDS order.
        const FuseState& in = test.initial;
        auto run = [&](FlatRam& memory, bool paged) {
            Z80Cpu cpu(nullptr, nullptr);
            memory.connect(cpu, ports, chain, paged);
            Z80Pair* const pairs[10] = {&cpu.af,     &cpu.bc,     &cpu.de,     &cpu.hl, &cpu.af_alt,
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
            return std::array<long, 19>{cpu.af.w,     cpu.bc.w,     cpu.de.w,     cpu.hl.w, cpu.af_alt.w,
                                        cpu.bc_alt.w, cpu.de_alt.w, cpu.hl_alt.w, cpu.ix.w, cpu.iy.w,
                                        cpu.sp,       cpu.pc,       cpu.i,        cpu.r,    cpu.iff1,
                                        cpu.iff2,     cpu.im,       cpu.halted,   tstates};
        };
        const std::array<long, 19> found = run(*ram, true);
        const bool paths_agree = run(*handler_ram, false) == found && handler_ram->bytes == ram->bytes;

        // Field by field, in FUSE_FIELDS order.
        const FuseState& want = test.expected;
        const long wanted[19] = {want.pairs[0],  want.pairs[1],  want.pairs[2], want.pairs[3], want.pairs[4],
                                 want.pairs[5],  want.pairs[6],  want.pairs[7], want.pairs[8], want.pairs[9],
                                 want.pairs[10], want.pairs[11], want.i,        want.r,        want.iff1,
                                 want.iff2,      want.im,        want.halted,   want.tstates};
        std::string unexpected = paths_agree ? "" : "the page table and the handlers end differently";
        std::string expected_list;
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

}  // namespace m5::z80check
