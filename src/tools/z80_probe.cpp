#include "tools/z80_probe.h"

#include <ctime>
#include <initializer_list>
#include <memory>

#include "cpu/z80_cpu.h"
#include "cpu/z80_flat_ram.h"

namespace m5::tools {
namespace {

// Builds the CRC-32 table at 8000h, copies 128 bytes of itself to 8400h, then
// updates the CRC at 8480h over that buffer again and again, feeding the CRC
// back into the buffer after each pass.
const std::initializer_list<uint8_t> PROBE = {
    0x31, 0x00, 0x00,        // 0000 start:  LD SP,0
    0xDD, 0x21, 0x00, 0x80,  //              LD IX,8000h      ; the table
    0x0E, 0x00,              //              LD C,0
    0x69,                    // 0009 entry:  LD L,C           ; DEHL = C
    0x26, 0x00,              //              LD H,0
    0x11, 0x00, 0x00,        //              LD DE,0
    0x06, 0x08,              //              LD B,8
    0xCB, 0x3A,              // 0011 bits:   SRL D            ; DEHL >>= 1
    0xCB, 0x1B,              //              RR E
    0xCB, 0x1C,              //              RR H
    0xCB, 0x1D,              //              RR L
    0x30, 0x10,              //              JR NC,same
    0x7A, 0xEE, 0xED, 0x57,  //              LD A,D / XOR 0EDh / LD D,A
    0x7B, 0xEE, 0xB8, 0x5F,  //              LD A,E / XOR 0B8h / LD E,A
    0x7C, 0xEE, 0x83, 0x67,  //              LD A,H / XOR 83h / LD H,A
    0x7D, 0xEE, 0x20, 0x6F,  //              LD A,L / XOR 20h / LD L,A
    0x10, 0xE4,              // 002B same:   DJNZ bits
    0xDD, 0x75, 0x00,        //              LD (IX+0),L
    0xDD, 0x74, 0x01,        //              LD (IX+1),H
    0xDD, 0x73, 0x02,        //              LD (IX+2),E
    0xDD, 0x72, 0x03,        //              LD (IX+3),D
    0x11, 0x04, 0x00,        //              LD DE,4
    0xDD, 0x19,              //              ADD IX,DE
    0x0C,                    //              INC C
    0x20, 0xC8,              //              JR NZ,entry
    0x21, 0x00, 0x00,        //              LD HL,0          ; the buffer
    0x11, 0x00, 0x84,        //              LD DE,8400h
    0x01, 0x80, 0x00,        //              LD BC,128
    0xED, 0xB0,              //              LDIR
    0xDD, 0x21, 0x00, 0x84,  // 004E pass:   LD IX,8400h
    0x0E, 0x80,              //              LD C,128
    0xDD, 0x7E, 0x00,        // 0054 byte:   LD A,(IX+0)
    0xCD, 0x65, 0x00,        //              CALL update
    0xDD, 0x23,              //              INC IX
    0x0D,                    //              DEC C
    0x20, 0xF5,              //              JR NZ,byte
    0x2A, 0x80, 0x84,        //              LD HL,(8480h)
    0x22, 0x00, 0x84,        //              LD (8400h),HL
    0x18, 0xE7,              //              JR pass
    0x21, 0x80, 0x84,        // 0065 update: LD HL,8480h      ; A = the byte
    0xAE,                    //              XOR (HL)
    0x6F,                    //              LD L,A           ; DE = table + 4 * A
    0x26, 0x00,              //              LD H,0
    0x29,                    //              ADD HL,HL
    0x29,                    //              ADD HL,HL
    0x11, 0x00, 0x80,        //              LD DE,8000h
    0x19,                    //              ADD HL,DE
    0xEB,                    //              EX DE,HL
    0x21, 0x80, 0x84,        //              LD HL,8480h      ; CRC = CRC >> 8 ^ entry
    0x06, 0x03,              //              LD B,3
    0x23,                    // 0078 shift:  INC HL
    0x1A,                    //              LD A,(DE)
    0xAE,                    //              XOR (HL)
    0x2B,                    //              DEC HL
    0x77,                    //              LD (HL),A
    0x23,                    //              INC HL
    0x13,                    //              INC DE
    0x10, 0xF7,              //              DJNZ shift
    0x1A,                    //              LD A,(DE)
    0x77,                    //              LD (HL),A
    0xC9,                    //              RET
};

}  // namespace

double z80_only_mhz(double processor_seconds) {
    auto ram = std::make_unique<FlatRam>();
    NullComponent nothing(nullptr, nullptr);
    Z80Cpu cpu(nullptr, nullptr);
    ram->connect(cpu, nothing, nothing);
    cpu.reset();
    uint16_t address = 0;
    for (const uint8_t byte : PROBE) ram->bytes[address++] = byte;

    // Slices of about a millisecond, until the time is spent.
    constexpr int32_t SLICE_CLOCKS = 4'000'000;
    const std::clock_t start = std::clock();
    const auto limit = static_cast<std::clock_t>(processor_seconds * CLOCKS_PER_SEC);
    double clocks = 0;
    std::clock_t spent = 0;
    do {
        const int32_t owed = cpu.clocks_left;
        cpu.execute(SLICE_CLOCKS);
        clocks += SLICE_CLOCKS + owed - cpu.clocks_left;
        spent = std::clock() - start;
    } while (spent < limit);
    return clocks / (static_cast<double>(spent) / CLOCKS_PER_SEC) / 1e6;
}

}  // namespace m5::tools
