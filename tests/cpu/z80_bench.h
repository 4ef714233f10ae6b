// A test bench for the Z80 core alone: 64 KiB of RAM, ports that log every
// access, and an interrupt chain head that answers a chosen vector.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_flat_ram.h"

namespace m5::test {

// Ports: reads answer `read_value` (or the high address byte when
// `echo_high_byte`), every access is logged, and a test may hook writes.
class LoggingPorts final : public Component {
public:
    LoggingPorts() : Component(nullptr, nullptr) {}

    struct Access {
        int32_t port;
        int32_t value;
        bool write;
    };

    int32_t port_read8(int32_t port) override {
        const int32_t value = echo_high_byte ? (port >> 8) & 0xFF : read_value;
        log.push_back({port, value, false});
        return value;
    }
    void port_write8(int32_t port, int32_t data) override {
        log.push_back({port, data, true});
        if (on_write) on_write(port, data);
    }

    int32_t read_value = 0xFF;
    bool echo_high_byte = false;
    std::vector<Access> log;
    std::function<void(int32_t, int32_t)> on_write;
};

// The daisy-chain head: answers `vector`, counts acknowledges and returns,
// and lets a test look at the processor while it acknowledges.
class FakeChain final : public Component {
public:
    FakeChain() : Component(nullptr, nullptr) {}
    int32_t irq_acknowledge() override {
        ++acknowledges;
        if (on_acknowledge) on_acknowledge();
        return vector;
    }
    void irq_return() override { ++returns; }

    int32_t vector = 0xFF;
    int acknowledges = 0;
    int returns = 0;
    std::function<void()> on_acknowledge;
};

// Memory that counts reads, for the "no operand read" checks.
class CountingRam final : public Component {
public:
    CountingRam() : Component(nullptr, nullptr) {}
    int32_t mem_read8(int32_t address) override {
        ++reads;
        return ram.mem_read8(address);
    }
    void mem_write8(int32_t address, int32_t data) override { ram.mem_write8(address, data); }

    FlatRam ram;
    int reads = 0;
};

class Z80Bench : public ::testing::Test {
protected:
    Z80Bench() {
        cpu.memory = ram.get();
        cpu.io = &ports;
        cpu.int_chain = &chain;
        cpu.reset();
    }

    // Writes bytes at `address`.
    void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) ram->bytes[address++] = b;
    }

    // Runs whole instructions until `count` have run (each execute(1) runs one
    // step: an instruction, or EI with the one after it, plus any interrupt
    // acceptance). Returns the clocks they took.
    int32_t step(int count = 1) {
        int32_t clocks = 0;
        for (int n = 0; n < count; ++n) {
            cpu.clocks_left = 0;
            cpu.execute(1);
            clocks += 1 - cpu.clocks_left;
        }
        cpu.clocks_left = 0;
        return clocks;
    }

    uint16_t word_at(uint16_t address) const { return ram->bytes[address] | ram->bytes[(address + 1) & 0xFFFF] << 8; }

    uint8_t a() const { return cpu.af.b.hi; }
    uint8_t f() const { return cpu.af.b.lo; }

    std::unique_ptr<FlatRam> ram = std::make_unique<FlatRam>();
    LoggingPorts ports;
    FakeChain chain;
    Z80Cpu cpu{nullptr, nullptr};
};

}  // namespace m5::test
