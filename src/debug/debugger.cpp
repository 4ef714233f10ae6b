#include "debug/debugger.h"

#include <algorithm>
#include <cstring>

#include "cpu/z80_cpu.h"
#include "cpu/z80_execute.h"
#include "debug/disassembler.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "memory/memory_map.h"

namespace m5::debug {
namespace {

// The processor's bus while debugging: the memory map called directly (it is
// final), the ports as the processor reaches them, and every access to a
// watched byte reported. Operand and opcode fetches (reads at PC) are not
// data accesses and are not reported.
struct WatchingBus {
    MemoryMap* memory;
    Component* io;
    Debugger* debugger;
    const uint8_t* watched;

    void check(uint16_t address, uint8_t access) const {
        if ((watched[address] & access) != 0) [[unlikely]]
            debugger->note_access(address, access);
    }
    uint8_t read8(uint16_t address) const {
        if (address != debugger->cpu.pc) check(address, WATCH_READ);
        return static_cast<uint8_t>(memory->mem_read8(address));
    }
    void write8(uint16_t address, uint8_t value) const {
        check(address, WATCH_WRITE);
        memory->mem_write8(address, value);
    }
    uint16_t read16(uint16_t address) const {
        if (address != debugger->cpu.pc) {
            check(address, WATCH_READ);
            check(static_cast<uint16_t>(address + 1), WATCH_READ);
        }
        return static_cast<uint16_t>(memory->mem_read16(address));
    }
    void write16(uint16_t address, uint16_t value) const {
        check(address, WATCH_WRITE);
        check(static_cast<uint16_t>(address + 1), WATCH_WRITE);
        memory->mem_write16(address, value);
    }
    uint8_t in(uint16_t port) const { return static_cast<uint8_t>(io->port_read8(port)); }
    void out(uint16_t port, uint8_t value) const { io->port_write8(port, value); }
};

constexpr int32_t ADDRESSES = 0x10000;

}  // namespace

Debugger::Debugger(Machine& machine, DebugClient* front_end)
    : Component(nullptr, nullptr),  // not one of the machine's components: no id, no state, no reset
      cpu(*machine.cpu),
      memory(*machine.memory_map),
      breakpoint_map(ADDRESSES, 0),
      watch_map(ADDRESSES, 0),
      owner(machine),
      client(front_end) {}

Debugger::~Debugger() { detach(); }

void Debugger::attach() {
    Scheduler& scheduler = *owner.scheduler;
    for (int32_t i = 0; i < scheduler.cpu_count; ++i) {
        if (scheduler.cpus[i] == &cpu) scheduler.cpus[i] = this;
    }
    is_attached = true;
}

void Debugger::detach() {
    Scheduler& scheduler = *owner.scheduler;
    for (int32_t i = 0; i < scheduler.cpu_count; ++i) {
        if (scheduler.cpus[i] == this) scheduler.cpus[i] = &cpu;
    }
    is_attached = false;
}

// --- Breakpoints and watchpoints ---------------------------------------------------

void Debugger::add_breakpoint(uint16_t address, uint8_t set) {
    for (Breakpoint& b : breakpoint_list) {
        if (b.address == address && b.set == set) {
            ++b.count;
            return;
        }
    }
    breakpoint_list.push_back({address, set, true, 1});
    rebuild_breakpoint_map();
}

bool Debugger::remove_breakpoint(uint16_t address, uint8_t set) {
    for (size_t i = 0; i < breakpoint_list.size(); ++i) {
        Breakpoint& b = breakpoint_list[i];
        if (b.address != address || b.set != set) continue;
        if (--b.count == 0) erase_breakpoint(i);
        return true;
    }
    return false;
}

void Debugger::enable_breakpoint(size_t index, bool enabled) {
    if (index >= breakpoint_list.size()) return;
    breakpoint_list[index].enabled = enabled;
    rebuild_breakpoint_map();
}

void Debugger::erase_breakpoint(size_t index) {
    if (index >= breakpoint_list.size()) return;
    breakpoint_list.erase(breakpoint_list.begin() + static_cast<std::ptrdiff_t>(index));
    rebuild_breakpoint_map();
}

void Debugger::rebuild_breakpoint_map() {
    std::fill(breakpoint_map.begin(), breakpoint_map.end(), uint8_t{0});
    for (const Breakpoint& b : breakpoint_list) {
        if (b.enabled && breakpoint_map[b.address] < UINT8_MAX) ++breakpoint_map[b.address];
    }
}

void Debugger::add_watchpoint(uint16_t address, int32_t length, uint8_t access, uint8_t set) {
    length = std::clamp(length, 1, ADDRESSES);
    access &= WATCH_ACCESS;
    for (Watchpoint& w : watch_list) {
        if (w.address == address && w.length == length && w.access == access && w.set == set) {
            ++w.count;
            return;
        }
    }
    watch_list.push_back({address, length, access, set, true, 1});
    rebuild_watch_map();
}

bool Debugger::remove_watchpoint(uint16_t address, int32_t length, uint8_t access, uint8_t set) {
    length = std::clamp(length, 1, ADDRESSES);
    for (size_t i = 0; i < watch_list.size(); ++i) {
        Watchpoint& w = watch_list[i];
        if (w.address != address || w.length != length || w.access != access || w.set != set) continue;
        if (--w.count == 0) erase_watchpoint(i);
        return true;
    }
    return false;
}

void Debugger::enable_watchpoint(size_t index, bool enabled) {
    if (index >= watch_list.size()) return;
    watch_list[index].enabled = enabled;
    rebuild_watch_map();
}

void Debugger::erase_watchpoint(size_t index) {
    if (index >= watch_list.size()) return;
    watch_list.erase(watch_list.begin() + static_cast<std::ptrdiff_t>(index));
    rebuild_watch_map();
}

void Debugger::rebuild_watch_map() {
    std::fill(watch_map.begin(), watch_map.end(), uint8_t{0});
    for (const Watchpoint& w : watch_list) {
        if (!w.enabled) continue;
        for (int32_t i = 0; i < w.length; ++i) watch_map[(w.address + i) & 0xFFFF] |= w.access;
    }
}

void Debugger::clear_set(uint8_t set) {
    std::erase_if(breakpoint_list, [set](const Breakpoint& b) { return b.set == set; });
    std::erase_if(watch_list, [set](const Watchpoint& w) { return w.set == set; });
    rebuild_breakpoint_map();
    rebuild_watch_map();
}

void Debugger::clear_all() {
    breakpoint_list.clear();
    watch_list.clear();
    rebuild_breakpoint_map();
    rebuild_watch_map();
}

void Debugger::note_access(uint16_t address, uint8_t access) {
    if (watch_hit) return;  // the first access of the instruction is the one reported
    for (const Watchpoint& w : watch_list) {
        if (w.enabled && (w.access & access) != 0 && ((address - w.address) & 0xFFFF) < w.length) {
            watch_hit = true;
            hit = StopReason{StopReason::WATCHPOINT, address, access, w.access};
            return;
        }
    }
}

// --- Running ------------------------------------------------------------------------

void Debugger::begin_frame(int32_t frame) {
    current_frame = frame;
    frame_start = owner.scheduler->clock_counter;
    tracing = trace_file != nullptr && frame >= trace_first && frame < trace_end;
}

void Debugger::set_trace(std::FILE* file, int32_t first_frame, int32_t frame_count) {
    trace_file = file;
    trace_first = first_frame;
    trace_end = static_cast<int32_t>(std::min<int64_t>(int64_t{first_frame} + frame_count, INT32_MAX));
    tracing = trace_file != nullptr && current_frame >= trace_first && current_frame < trace_end;
}

// The processor's run loop, one instruction at a time, with the stops between
// them. The budget is the processor's own, as in Z80Cpu::execute_on.
void Debugger::execute(int32_t clocks) {
    if (cpu.stopped) {
        cpu.clocks_left = 0;
        cpu.slice_mark = 0;
        return;
    }
    cpu.clocks_left += clocks;
    cpu.slice_mark = cpu.clocks_left;
    const WatchingBus bus{&memory, cpu.io, this, watch_map.data()};
    // The instruction after EI belongs to the same stretch of time as EI:
    // it runs even when EI used up the budget.
    while (cpu.clocks_left > 0 || after_ei) {
        if (break_requested) {
            break_requested = false;
            stop(StopReason{StopReason::BREAK_REQUEST, cpu.pc, 0, 0});
        } else if (breakpoint_map[cpu.pc] != 0 && !skip_breakpoint && !cpu.halted) {
            stop(StopReason{StopReason::BREAKPOINT, cpu.pc, 0, 0});
        }
        skip_breakpoint = false;
        if (tracing) trace_instruction();
        after_ei = cpu.step_on(bus);
        if (watch_hit) {
            watch_hit = false;
            stop(hit);
        } else if (stepping) {
            stepping = false;
            stop(StopReason{StopReason::STEP, cpu.pc, 0, 0});
        }
    }
    cpu.slice_mark = cpu.clocks_left;
    if (detach_pending) {
        detach_pending = false;
        detach();
    }
}

void Debugger::stop(const StopReason& reason) {
    const Resume resume = client != nullptr ? client->stopped(*this, reason) : Resume::CONTINUE;
    // The instruction at PC runs before a breakpoint there can stop again.
    skip_breakpoint = true;
    stepping = resume == Resume::STEP;
    if (resume == Resume::DETACH) {
        clear_all();
        detach_pending = true;
    }
}

void Debugger::execute_slices(SliceRun& run) {
    for (; run.running < run.count; ++run.running) {
        if (!is_attached) return cpu.execute_slices(run);
        execute(run.clocks[run.running] << run.shift);
    }
}

int32_t Debugger::executed_cycles() { return cpu.executed_cycles(); }
int32_t Debugger::current_pc() { return cpu.current_pc(); }

// --- Inspection -----------------------------------------------------------------------

uint16_t Debugger::register_value(int index) const {
    switch (index) {
        case 0: return cpu.af.w;
        case 1: return cpu.bc.w;
        case 2: return cpu.de.w;
        case 3: return cpu.hl.w;
        case 4: return cpu.af_alt.w;
        case 5: return cpu.bc_alt.w;
        case 6: return cpu.de_alt.w;
        case 7: return cpu.hl_alt.w;
        case 8: return cpu.ix.w;
        case 9: return cpu.iy.w;
        case 10: return cpu.sp;
        case 11: return cpu.pc;
        default: return 0;
    }
}

void Debugger::set_register(int index, uint16_t value) {
    switch (index) {
        case 0: cpu.af.w = value; break;
        case 1: cpu.bc.w = value; break;
        case 2: cpu.de.w = value; break;
        case 3: cpu.hl.w = value; break;
        case 4: cpu.af_alt.w = value; break;
        case 5: cpu.bc_alt.w = value; break;
        case 6: cpu.de_alt.w = value; break;
        case 7: cpu.hl_alt.w = value; break;
        case 8: cpu.ix.w = value; break;
        case 9: cpu.iy.w = value; break;
        case 10: cpu.sp = value; break;
        case 11:
            // A new PC leaves a HALT.
            cpu.pc = value;
            cpu.halted = 0;
            break;
        default: break;
    }
}

uint8_t Debugger::peek(uint16_t address) const { return memory.peek(address); }

bool Debugger::writable(uint16_t address) const { return memory.is_ram(address); }

bool Debugger::poke(uint16_t address, uint8_t value) {
    if (!writable(address)) return false;
    memory.poke(address, value);
    return true;
}

int32_t Debugger::scanline() const {
    int32_t elapsed = static_cast<int32_t>(clock() - frame_start);
    const Scheduler& scheduler = *owner.scheduler;
    const int32_t lines = scheduler.video_standard().lines_per_frame;
    for (int32_t line = 0; line < lines; ++line) {
        if (elapsed < scheduler.line_clocks[line]) return line;
        elapsed -= scheduler.line_clocks[line];
    }
    return lines - 1;
}

MachineTime Debugger::clock() const { return owner.scheduler->now(); }

void Debugger::format_registers(char* out, size_t size) const {
    const uint8_t f = cpu.af.b.lo;
    char flags[9];
    const char* const names = "SZ5H3PNC";
    for (int bit = 0; bit < 8; ++bit) flags[bit] = (f & (0x80 >> bit)) != 0 ? names[bit] : '-';
    flags[8] = '\0';
    std::snprintf(out, size,
                  "AF=%04X BC=%04X DE=%04X HL=%04X AF'=%04X BC'=%04X DE'=%04X HL'=%04X IX=%04X IY=%04X SP=%04X "
                  "PC=%04X I=%02X R=%02X IM%d IFF%d%d F=%s",
                  cpu.af.w, cpu.bc.w, cpu.de.w, cpu.hl.w, cpu.af_alt.w, cpu.bc_alt.w, cpu.de_alt.w, cpu.hl_alt.w,
                  cpu.ix.w, cpu.iy.w, cpu.sp, cpu.pc, cpu.i, cpu.r, cpu.im > 2 ? 2 : cpu.im, cpu.iff1, cpu.iff2, flags);
}

int Debugger::format_instruction(uint16_t address, char* out, size_t size) const {
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = memory.peek((address + i) & 0xFFFF);
    const Instruction instruction = disassemble(bytes, 16, address);
    char hex[16] = {};
    for (int i = 0; i < std::min(instruction.length, MAX_INSTRUCTION_BYTES); ++i) {
        std::snprintf(hex + i * 3, sizeof hex - static_cast<size_t>(i) * 3, "%02X ", bytes[i]);
    }
    std::snprintf(out, size, "%04X  %-12s %s", address, hex, instruction.text);
    return instruction.length;
}

std::vector<uint16_t> Debugger::code_before(uint16_t address, int count) const {
    char line[64];
    for (int back = count * MAX_INSTRUCTION_BYTES; back > 0; --back) {
        std::vector<uint16_t> starts;
        auto at = static_cast<uint16_t>(address - back);
        while (at != address && static_cast<uint16_t>(address - at) <= back) {
            starts.push_back(at);
            at = static_cast<uint16_t>(at + format_instruction(at, line, sizeof line));
        }
        if (at == address && starts.size() >= static_cast<size_t>(count)) {
            return std::vector<uint16_t>(starts.end() - count, starts.end());
        }
    }
    return {};
}

void Debugger::trace_instruction() {
    char text[64];
    char registers[160];
    format_instruction(cpu.pc, text, sizeof text);
    format_registers(registers, sizeof registers);
    std::fprintf(trace_file, "%6d %3d %10u  %-36s %s\n", current_frame, scanline(), clock(), text, registers);
}

}  // namespace m5::debug
