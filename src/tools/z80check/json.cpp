// z80check json: single-step tests in the widely used JSON format, one
// instruction per test; registers, iff1/iff2/im, the listed RAM and the
// T-states are compared.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_flat_ram.h"
#include "tools/z80check/z80check.h"

namespace m5::z80check {

namespace {

using Json = nlohmann::json;

// The member `key` of an object; null when absent or when `value` is not an object.
const Json* member(const Json& value, std::string_view key) {
    if (!value.is_object()) return nullptr;
    const auto found = value.find(key);
    return found == value.end() ? nullptr : &*found;
}

// The whole text of `path` as one JSON document; a syntax error names the
// byte offset where reading stopped.
Json parse_document(const std::string& path) {
    const std::string text = read_file_or_fail(path);
    try {
        return Json::parse(text);
    } catch (const Json::parse_error& error) {
        // The library's message opens with its own error id and position;
        // keep only the description after them.
        std::string what = error.what();
        const size_t position = what.find(": ");
        if (position != std::string::npos) what.erase(0, position + 2);
        throw ToolError{path + ": offset " + std::to_string(error.byte) + ": " + what};
    }
}

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
bool json_whole_number(const Json& value, double max) {
    if (!value.is_number()) return false;
    const double number = value.get<double>();
    return number >= 0 && number <= max && number == static_cast<double>(static_cast<long>(number));
}

// An integer field of a test state, from 0 to `max`; -1 when absent.
long json_integer(const Json& state, std::string_view key, long max, const std::string& where) {
    const Json* value = member(state, key);
    if (value == nullptr) return -1;
    if (!json_whole_number(*value, static_cast<double>(max)))
        throw ToolError{where + ": field " + std::string(key) + " is not a whole number from 0 to " +
                        std::to_string(max)};
    return static_cast<long>(value->get<double>());
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
std::string run_json_test(const Json& test, const std::string& where, FlatRam& ram, ScriptedPorts& ports) {
    const Json* initial = member(test, "initial");
    const Json* final_state = member(test, "final");
    if (initial == nullptr || final_state == nullptr || !initial->is_object() || !final_state->is_object())
        throw ToolError{where + ": a test needs \"initial\" and \"final\" objects"};

    auto ram_pairs = [&](const Json& state, auto&& visit) {
        const Json* list = member(state, "ram");
        if (list == nullptr) return;
        if (!list->is_array()) throw ToolError{where + ": \"ram\" is not an array"};
        for (const Json& pair : *list) {
            if (!pair.is_array() || pair.size() != 2 || !json_whole_number(pair[0], 0xFFFF) ||
                !json_whole_number(pair[1], 0xFF))
                throw ToolError{where + ": \"ram\" entries must be [address 0..65535, value 0..255]"};
            visit(static_cast<uint16_t>(pair[0].get<double>()), static_cast<uint8_t>(pair[1].get<double>()));
        }
    };

    ram.bytes.fill(0);
    ram_pairs(*initial, [&](uint16_t address, uint8_t value) { ram.bytes[address] = value; });
    ports.reads.clear();
    if (const Json* list = member(test, "ports"); list != nullptr && list->is_array()) {
        for (const Json& access : *list) {
            if (!access.is_array() || access.size() < 3 || !json_whole_number(access[0], 0xFFFF) ||
                !json_whole_number(access[1], 0xFF) || !access[2].is_string())
                throw ToolError{where + ": \"ports\" entries must be [port, value, \"r\" or \"w\"]"};
            if (access[2].get_ref<const std::string&>() == "r")
                ports.reads.push_back({static_cast<int32_t>(access[0].get<double>()),
                                       static_cast<int32_t>(access[1].get<double>()), false});
        }
    }

    NullComponent chain(nullptr, nullptr);
    Z80Cpu cpu(nullptr, nullptr);
    ram.connect(cpu, ports, chain);
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
    if (const Json* cycles = member(test, "cycles"); cycles != nullptr && cycles->is_array()) {
        const long want = static_cast<long>(cycles->size());
        if (want != tstates) add("tstates expected " + std::to_string(want) + " found " + std::to_string(tstates));
    }
    return mismatches;
}

}  // namespace

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
    std::vector<Json> documents;
    for (const std::string& path : files) {
        documents.push_back(parse_document(path));
        if (!documents.back().is_array()) throw ToolError{path + ": expected an array of tests"};
    }

    auto ram = std::make_unique<FlatRam>();
    ScriptedPorts ports;
    int total_passed = 0, total_failed = 0;
    for (size_t n = 0; n < files.size(); ++n) {
        int passed = 0, failed = 0;
        for (size_t t = 0; t < documents[n].size(); ++t) {
            const Json& test = documents[n][t];
            if (!test.is_object()) throw ToolError{files[n] + ": test " + std::to_string(t) + " is not an object"};
            const Json* name = member(test, "name");
            std::string label = std::to_string(t);
            if (name != nullptr && name->is_string()) label = name->get<std::string>();
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

}  // namespace m5::z80check
