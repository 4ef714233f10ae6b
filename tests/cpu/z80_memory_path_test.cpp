// The processor's memory path: pages with a pointer are read and written
// directly, null pages and words that cross a page go to the memory
// component's handlers, and a page changed from inside an instruction is
// seen by the next access. LDIR's passes run inside one call, as they
// would through the run loop.
#include <array>
#include <vector>

#include "cpu/z80_execute.h"
#include "z80_bench.h"

namespace m5::test {
namespace {

// Memory whose handlers count the accesses that reach them.
class CountingHandlers final : public Component {
public:
    CountingHandlers() : Component(nullptr, nullptr) {}
    int32_t mem_read8(int32_t address) override {
        ++reads8;
        return ram.mem_read8(address);
    }
    void mem_write8(int32_t address, int32_t data) override {
        ++writes8;
        ram.mem_write8(address, data);
    }
    int32_t mem_read16(int32_t address) override {
        ++reads16;
        return ram.mem_read16(address);
    }
    void mem_write16(int32_t address, int32_t data16) override {
        ++writes16;
        ram.mem_write16(address, data16);
    }

    FlatRam ram;
    int reads8 = 0, writes8 = 0, reads16 = 0, writes16 = 0;
};

// A processor on counting handlers, every page read and written directly
// until a test takes a page away.
struct PagedZ80 {
    PagedZ80() {
        read_pages = memory.ram.pages;
        write_pages = memory.ram.pages;
        cpu.memory = &memory;
        cpu.read_pages = read_pages.data();
        cpu.write_pages = write_pages.data();
        cpu.io = &ports;
        cpu.int_chain = &chain;
        cpu.reset();
    }

    CountingHandlers memory;
    std::array<uint8_t*, Z80_PAGE_COUNT> read_pages{};
    std::array<uint8_t*, Z80_PAGE_COUNT> write_pages{};
    LoggingPorts ports;
    FakeChain chain;
    Z80Cpu cpu{nullptr, nullptr};
};

class Z80MemoryPath : public ::testing::Test, protected PagedZ80 {
protected:
    Z80MemoryPath() { cpu.sp = 0x3000; }

    void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) memory.ram.bytes[address++] = b;
    }
    void run_instructions(int count) {
        for (int n = 0; n < count; ++n) {
            cpu.clocks_left = 0;
            cpu.execute(1);
        }
    }
};

TEST_F(Z80MemoryPath, only_null_pages_reach_the_handlers) {
    read_pages[8] = write_pages[8] = nullptr;  // 0x8000-0x8FFF
    memory.ram.bytes[0x8000] = 0x42;
    memory.ram.bytes[0x2000] = 0x34;
    memory.ram.bytes[0x2001] = 0x12;
    load(0x0000, {0x3A, 0x00, 0x80,    // LD A,(8000h)
                  0x32, 0x01, 0x80,    // LD (8001h),A
                  0x32, 0x00, 0x10,    // LD (1000h),A
                  0x2A, 0x00, 0x20,    // LD HL,(2000h)
                  0xE5,                // PUSH HL
                  0xC3, 0x02, 0x80});  // JP 8002h (a NOP there)
    run_instructions(7);
    EXPECT_EQ(memory.ram.bytes[0x8001], 0x42);
    EXPECT_EQ(memory.ram.bytes[0x1000], 0x42);
    EXPECT_EQ(memory.ram.bytes[0x2FFE] | memory.ram.bytes[0x2FFF] << 8, 0x1234);
    EXPECT_EQ(cpu.pc, 0x8003);
    EXPECT_EQ(memory.reads8, 2);  // the data byte and the opcode fetch at 8002h
    EXPECT_EQ(memory.writes8, 1);
    EXPECT_EQ(memory.reads16 + memory.writes16, 0);
}

TEST_F(Z80MemoryPath, words_across_a_page_or_the_top_go_to_the_handlers) {
    memory.ram.bytes[0x0FFF] = 0xCD;
    memory.ram.bytes[0x1000] = 0xAB;
    memory.ram.bytes[0xFFFF] = 0x01;
    load(0x0000, {0x2A, 0xFF, 0x0F,          // LD HL,(0FFFh)
                  0x22, 0xFF, 0x1F,          // LD (1FFFh),HL
                  0xED, 0x5B, 0xFF, 0xFF});  // LD DE,(0FFFFh)
    run_instructions(3);
    EXPECT_EQ(cpu.hl.w, 0xABCD);
    EXPECT_EQ(memory.ram.bytes[0x1FFF] | memory.ram.bytes[0x2000] << 8, 0xABCD);
    EXPECT_EQ(cpu.de.w, 0x2A01);  // wraps to 0x0000, the first opcode
    EXPECT_EQ(memory.reads16, 2);
    EXPECT_EQ(memory.writes16, 1);
    EXPECT_EQ(memory.reads8 + memory.writes8, 0);
}

TEST_F(Z80MemoryPath, a_page_switched_inside_a_port_write_is_read_at_once) {
    std::array<uint8_t, Z80_PAGE_SIZE> bank{};
    bank[0x234] = 0x5A;
    ports.on_write = [&](int32_t, int32_t) { read_pages[1] = bank.data(); };
    load(0x0000, {0xD3, 0x00,          // OUT (0),A
                  0x3A, 0x34, 0x12,    // LD A,(1234h)
                  0x32, 0x34, 0x12});  // LD (1234h),A: the write page is unchanged
    cpu.execute(30);
    EXPECT_EQ(cpu.af.b.hi, 0x5A);
    EXPECT_EQ(memory.ram.bytes[0x1234], 0x5A);
    EXPECT_EQ(bank[0x234], 0x5A);
    EXPECT_EQ(memory.reads8 + memory.writes8 + memory.reads16 + memory.writes16, 0);
}

// One LDIR, run by the machine's slices (execute) and by single steps (the
// debugger's step_on, one pass each), must leave everything the same after
// every slice: registers, R, clocks, memory and the handlers' counts.
struct LdirRig : PagedZ80 {
    LdirRig(uint16_t hl, uint16_t de, uint16_t bc) {
        read_pages[9] = write_pages[9] = nullptr;  // 0x9000-0x9FFF through the handlers
        cpu.im = 1;
        cpu.iff1 = cpu.iff2 = 1;
        cpu.pc = 0x1000;
        cpu.hl.w = hl, cpu.de.w = de, cpu.bc.w = bc;
        cpu.af.w = 0x12FF;
        for (int32_t n = 0; n < FlatRam::SIZE; ++n) memory.ram.bytes[n] = static_cast<uint8_t>(n * 7 + (n >> 8));
        memory.ram.bytes[0x1000] = 0xED, memory.ram.bytes[0x1001] = 0xB0;
        memory.ram.bytes[0x1002] = 0x18, memory.ram.bytes[0x1003] = 0xFE;  // JR $
        memory.ram.bytes[0x0038] = 0x18, memory.ram.bytes[0x0039] = 0xFE;
    }
    void slice(int32_t clocks, bool stepping) {
        if (!stepping) return cpu.execute(clocks);
        cpu.clocks_left += clocks;
        while (cpu.clocks_left > 0) cpu.step_on(ComponentBus{&memory, &ports, read_pages.data(), write_pages.data()});
    }
    std::vector<int32_t> seen() const {
        std::vector<int32_t> v{cpu.af.w, cpu.bc.w,     cpu.de.w,        cpu.hl.w,      cpu.sp,         cpu.pc,
                               cpu.r,    cpu.instr_pc, cpu.clocks_left, memory.reads8, memory.writes8, cpu.iff1};
        v.insert(v.end(), memory.ram.bytes.begin(), memory.ram.bytes.end());
        return v;
    }
};

TEST(Z80Ldir, passes_in_one_slice_match_single_steps) {
    struct Case {
        const char* what;
        uint16_t hl, de, bc;
        int request_after_slice;  // an interrupt request raised after that slice, or -1
        uint16_t nops_at;         // eight NOPs from there (0: none)
        uint16_t ed_nop_at = 0;   // ED 00 there (0: none)
    };
    const Case cases[] = {
        {"across pages, up to the top of memory and over", 0xFF80, 0x2FF0, 0x0180, -1, 0},
        {"a fill: each byte copies the one before", 0x4000, 0x4001, 0x0300, -1, 0},
        // Read through the handlers, then directly, then written through them.
        {"out of a page of handlers and into one", 0x9FF0, 0x8FE0, 0x0100, -1, 0},
        // NOPs reach 1000h: NOP, then OR B of the old B0, then JR $.
        {"over its own opcode, then what the copy left there", 0x0FF0, 0x0FF8, 0x0040, -1, 0x0FF0},
        // ED again, then 00 over B0: the copy stops there and ED 00 runs.
        {"over its own opcode with ED, then over B0", 0x3000, 0x0FF0, 0x0040, -1, 0, 0x3010},
        {"with an interrupt request arriving", 0x4000, 0x6000, 0x0400, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LdirRig sliced(c.hl, c.de, c.bc), stepped(c.hl, c.de, c.bc);
        for (int n = 0; n < 8 && c.nops_at != 0; ++n) sliced.memory.ram.bytes[c.nops_at + n] = 0;
        if (c.ed_nop_at != 0) sliced.memory.ram.bytes[c.ed_nop_at] = 0xED, sliced.memory.ram.bytes[c.ed_nop_at + 1] = 0;
        stepped.memory.ram.bytes = sliced.memory.ram.bytes;
        for (int n = 0; n < 60; ++n) {
            const int32_t clocks = 37 + n * 53 % 700;  // uneven slices, some ending inside a pass
            if (n == c.request_after_slice) {
                sliced.cpu.set_irq_request(1, 0, 0);
                stepped.cpu.set_irq_request(1, 0, 0);
            }
            sliced.slice(clocks, false);
            stepped.slice(clocks, true);
            ASSERT_EQ(sliced.seen(), stepped.seen()) << "after slice " << n;
        }
        EXPECT_EQ(sliced.cpu.pc, c.request_after_slice < 0 ? 0x1002 : 0x0038);
    }
}

}  // namespace
}  // namespace m5::test
