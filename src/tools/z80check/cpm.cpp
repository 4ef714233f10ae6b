// z80check cpm: a CP/M program (zexdoc, zexall, ...) on the bare Z80 core
// with a tiny BDOS, and the effective speed of the run.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_execute.h"
#include "cpu/z80_flat_ram.h"
#include "tools/z80check/z80check.h"

namespace m5::z80check {

namespace {

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

}  // namespace

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
    NullComponent chain(nullptr, nullptr);
    ram->connect(cpu, console, chain);
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
    const Z80Bus<FlatRam, CpmConsole> concrete_bus{ram.get(), &console, cpu.read_pages, cpu.write_pages};
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

}  // namespace m5::z80check
