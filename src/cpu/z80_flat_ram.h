// FlatRam: 64 KiB of plain read/write memory behind the Component memory
// operations, with no mapping and no ROM. The processor's test bench: the
// z80check tool, the processor tests and the benchmarks run the Z80Cpu on it.
// It is final, so a Z80Bus<FlatRam, ...> reaches it with direct calls; its
// page table (`pages`, for both of the processor's tables) reaches every byte
// without a call.
#pragma once

#include <array>
#include <cstdint>

#include "cpu/z80_cpu.h"
#include "machine/component.h"

namespace m5 {

class FlatRam final : public Component {
public:
    static constexpr int32_t SIZE = 0x10000;

    FlatRam() : Component(nullptr, nullptr) {
        for (int32_t page = 0; page < Z80_PAGE_COUNT; ++page) pages[page] = bytes.data() + page * Z80_PAGE_SIZE;
    }

    int32_t mem_read8(int32_t address) override { return bytes[address & 0xFFFF]; }
    void mem_write8(int32_t address, int32_t data) override { bytes[address & 0xFFFF] = static_cast<uint8_t>(data); }
    int32_t mem_read16(int32_t address) override {
        return bytes[address & 0xFFFF] | bytes[(address + 1) & 0xFFFF] << 8;
    }
    void mem_write16(int32_t address, int32_t data16) override {
        bytes[address & 0xFFFF] = static_cast<uint8_t>(data16);
        bytes[(address + 1) & 0xFFFF] = static_cast<uint8_t>(data16 >> 8);
    }

    // Makes this `cpu`'s memory, with `io` for its ports and `int_chain` for
    // its interrupts; `paged`, it reaches the bytes through the page table as
    // the machine's processor does, else through the handlers alone.
    void connect(Z80Cpu& cpu, Component& io, Component& int_chain, bool paged = true) {
        cpu.memory = this;
        if (paged) cpu.read_pages = cpu.write_pages = pages.data();
        cpu.io = &io;
        cpu.int_chain = &int_chain;
    }

    std::array<uint8_t, SIZE> bytes{};
    std::array<uint8_t*, Z80_PAGE_COUNT> pages{};
};

}  // namespace m5
