// Debugger: breakpoints, watchpoints, stepping and the instruction trace of a
// running machine.
//
// Attached, it takes the processor's place in the scheduler's list of
// processors and runs it one instruction at a time (Z80Cpu::step_on) on a bus
// of its own that notes accesses to watched addresses; detached, the
// scheduler calls the processor directly again and the normal run loop is
// untouched. The machine runs exactly as without it: a stop happens between
// two instructions, inside the scheduler's slice, and no machine time passes
// while stopped. Every instruction is a step of its own, the one after EI
// too: that one runs at once after EI (no interrupt, event or end of slice
// between them, as in the normal run loop), but a breakpoint, a step or the
// trace sees it on its own.
//
// A stop calls the front end's DebugClient, which inspects the machine and
// says how to go on (continue, one step, or detach); it may also throw to end
// the run there.
//
// Time: the trace names the frame the front end says it is running
// (begin_frame), the scanline within it and the machine clock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "machine/clock.h"
#include "machine/component.h"

namespace m5 {
class Machine;
class MemoryMap;
class Z80Cpu;
}  // namespace m5

namespace m5::debug {

// Which accesses a watchpoint sees (bit values).
enum WatchAccess : uint8_t { WATCH_READ = 1, WATCH_WRITE = 2, WATCH_ACCESS = 3 };

// The set a breakpoint or watchpoint belongs to: the front end's own, or one
// of a GDB client's (one for each kind of its Z packets, Z0 to Z4). Removing
// a point from one set never removes the same point of another.
inline constexpr uint8_t USER_POINTS = 0;
inline constexpr uint8_t CLIENT_POINTS = 1;     // CLIENT_POINTS + 0..4 for Z0..Z4
inline constexpr uint8_t TEMPORARY_POINTS = 6;  // the front end's own stops of Step over and Run to

struct StopReason {
    enum Kind : uint8_t { BREAK_REQUEST, BREAKPOINT, WATCHPOINT, STEP };
    Kind kind = BREAK_REQUEST;
    uint16_t address = 0;    // breakpoint: PC; watchpoint: the byte accessed
    uint8_t access = 0;      // watchpoint: WATCH_READ or WATCH_WRITE
    uint8_t watch_kind = 0;  // watchpoint: what it was set to see
};

enum class Resume : uint8_t { CONTINUE, STEP, DETACH };

class Debugger;

// The front end's side of a stop.
class DebugClient {
public:
    virtual ~DebugClient() = default;
    // The machine is stopped between two instructions; returns how to go on.
    virtual Resume stopped(Debugger& debugger, const StopReason& reason) = 0;
};

// The 16-bit registers in the order debuggers use: AF BC DE HL AF' BC' DE'
// HL' IX IY SP PC.
inline constexpr int REGISTER_COUNT = 12;
inline constexpr int PC_REGISTER = 11;

class Debugger final : public Component {
public:
    Debugger(Machine& machine, DebugClient* client);
    ~Debugger() override;

    // Takes the processor's place in the scheduler (or gives it back).
    void attach();
    void detach();
    bool attached() const { return is_attached; }

    // --- Breakpoints and watchpoints ---------------------------------------
    // Each set counts: a point set twice stops until it has been removed
    // twice. A disabled point stays listed and never stops the machine.
    struct Breakpoint {
        uint16_t address;
        uint8_t set;
        bool enabled;
        int32_t count;
    };
    struct Watchpoint {
        uint16_t address;
        int32_t length;  // bytes from `address`, wrapping
        uint8_t access;  // WatchAccess
        uint8_t set;
        bool enabled;
        int32_t count;
    };
    void add_breakpoint(uint16_t address, uint8_t set = USER_POINTS);
    // False when the set holds no breakpoint there.
    bool remove_breakpoint(uint16_t address, uint8_t set = USER_POINTS);
    // An enabled breakpoint of any set.
    bool has_breakpoint(uint16_t address) const { return breakpoint_map[address] != 0; }
    // `access` a WatchAccess; `length` 1 to 0x10000.
    void add_watchpoint(uint16_t address, int32_t length, uint8_t access, uint8_t set = USER_POINTS);
    bool remove_watchpoint(uint16_t address, int32_t length, uint8_t access, uint8_t set = USER_POINTS);
    const std::vector<Breakpoint>& breakpoints() const { return breakpoint_list; }
    const std::vector<Watchpoint>& watchpoints() const { return watch_list; }
    // The point at `index` of breakpoints() or watchpoints(): enabled or
    // disabled, or removed whatever its count.
    void enable_breakpoint(size_t index, bool enabled);
    void erase_breakpoint(size_t index);
    void enable_watchpoint(size_t index, bool enabled);
    void erase_watchpoint(size_t index);
    // Every point of one set, or of all.
    void clear_set(uint8_t set);
    void clear_all();

    // --- Control ------------------------------------------------------------
    // Stops at the next instruction boundary.
    void request_break() { break_requested = true; }
    // The front end's frame number and the start of that frame (for the trace).
    void begin_frame(int32_t frame);
    // Writes one line per instruction of frames first..first+count-1 to `file`
    // (not owned); nullptr stops tracing.
    void set_trace(std::FILE* file, int32_t first_frame, int32_t frame_count);

    // --- Inspection and change, without side effects -------------------------
    uint16_t register_value(int index) const;
    void set_register(int index, uint16_t value);
    uint8_t peek(uint16_t address) const;
    // Changes a byte of RAM; false (and nothing changed) for ROM.
    bool poke(uint16_t address, uint8_t value);
    // True where a write is read back (RAM as the memory map stands now).
    bool writable(uint16_t address) const;
    int32_t frame() const { return current_frame; }
    int32_t scanline() const;
    MachineTime clock() const;

    // Writes the registers and flags (one line), for reports and the trace.
    void format_registers(char* out, size_t size) const;
    // Writes "PPPP  BB BB BB BB  TEXT" for the instruction at `address`;
    // returns its length.
    int format_instruction(uint16_t address, char* out, size_t size) const;
    // The starts of the `count` instructions before `address`: from the
    // furthest start (up to `count` longest instructions back) whose
    // instructions lead exactly to it. Fewer when none does.
    std::vector<uint16_t> code_before(uint16_t address, int count) const;

    // --- Component (the scheduler's processor while attached) ------------
    void execute(int32_t clocks) override;
    // Slice by slice through execute; a detach inside the run hands the rest
    // of it to the processor.
    void execute_slices(SliceRun& run) override;
    int32_t executed_cycles() override;
    int32_t current_pc() override;

    // Called by the bus on an access to a watched byte.
    void note_access(uint16_t address, uint8_t access);

    Z80Cpu& cpu;
    MemoryMap& memory;
    // Per address: the number of enabled breakpoints; the watched accesses.
    std::vector<uint8_t> breakpoint_map;
    std::vector<uint8_t> watch_map;

private:
    void stop(const StopReason& reason);
    void rebuild_breakpoint_map();
    void rebuild_watch_map();
    void trace_instruction();

    Machine& owner;
    DebugClient* client;
    bool is_attached = false;
    bool break_requested = false;
    bool stepping = false;
    bool skip_breakpoint = false;  // the instruction at a stop's PC runs once before it can stop again
    bool detach_pending = false;
    bool watch_hit = false;
    bool after_ei = false;  // the instruction after EI runs before anything else
    StopReason hit;
    std::vector<Breakpoint> breakpoint_list;  // as set; breakpoint_map is made from it
    std::vector<Watchpoint> watch_list;       // as set; watch_map is made from it
    std::FILE* trace_file = nullptr;
    int32_t trace_first = 0;
    int32_t trace_end = 0;
    bool tracing = false;
    int32_t current_frame = 0;
    MachineTime frame_start = 0;
};

}  // namespace m5::debug
