// The processor's memory path: pages with a pointer are read and written
// directly, null pages and words that cross a page go to the memory
// component's handlers, and a page changed from inside an instruction is
// seen by the next access.
#include <array>

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

class Z80MemoryPath : public ::testing::Test {
protected:
    Z80MemoryPath() {
        read_pages = memory.ram.pages;
        write_pages = memory.ram.pages;
        cpu.memory = &memory;
        cpu.read_pages = read_pages.data();
        cpu.write_pages = write_pages.data();
        cpu.io = &ports;
        cpu.int_chain = &chain;
        cpu.reset();
        cpu.sp = 0x3000;
    }

    void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) memory.ram.bytes[address++] = b;
    }
    void run_instructions(int count) {
        for (int n = 0; n < count; ++n) {
            cpu.clocks_left = 0;
            cpu.execute(1);
        }
    }

    CountingHandlers memory;
    std::array<uint8_t*, Z80_PAGE_COUNT> read_pages{};
    std::array<uint8_t*, Z80_PAGE_COUNT> write_pages{};
    LoggingPorts ports;
    FakeChain chain;
    Z80Cpu cpu{nullptr, nullptr};
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

}  // namespace
}  // namespace m5::test
