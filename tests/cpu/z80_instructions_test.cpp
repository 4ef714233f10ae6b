// Z80 instructions: flags from the tables, DAA, branch clocks, block
// instructions, the index pages and the DD/FD prefix before an opcode that has
// no index form.
#include "cpu/z80_tables.h"
#include "z80_bench.h"

namespace m5::test {
namespace {

using namespace m5::z80;

// --- Flags of the arithmetic group and the tables ----------------------------

TEST_F(Z80Bench, daa_after_bcd_addition_corrects_the_low_digit) {
    cpu.af.w = 0x1500;
    load(0x0000, {0xC6, 0x27, 0x27});  // ADD A,0x27; DAA
    step();
    EXPECT_EQ(a(), 0x3C);
    EXPECT_EQ(f() & (FLAG_H | FLAG_N | FLAG_C), 0);
    step();
    EXPECT_EQ(a(), 0x42);
    EXPECT_EQ(f(), FLAG_H | FLAG_PV);
}

TEST_F(Z80Bench, daa_of_9a_wraps_to_zero_with_carry) {
    cpu.af.w = 0x9A00;
    load(0x0000, {0x27});
    step();
    EXPECT_EQ(a(), 0x00);
    EXPECT_EQ(f(), 0x55);
}

TEST(Z80Tables, daa_after_subtraction_borrows_from_the_digits) {
    // 0x10 - 0x01 = 0x0F with H and N set: DAA gives 0x09.
    const uint16_t af = DAA_RESULTS[0x0F | 1 << 9 | 1 << 10];
    EXPECT_EQ(af >> 8, 0x09);
    EXPECT_EQ(af & (FLAG_N | FLAG_C | FLAG_H), FLAG_N);
}

TEST(Z80Tables, flag_tables_follow_their_rules) {
    EXPECT_EQ(SZ53P_FLAGS[0x00], 0x44);
    EXPECT_EQ(SZ53P_FLAGS[0x01], 0x00);
    EXPECT_EQ(SZ53P_FLAGS[0xA8], FLAG_S | FLAG_5 | FLAG_3);  // three bits: odd
    EXPECT_EQ(BIT_FLAGS[0x00], 0x44);
    EXPECT_EQ(INC_FLAGS[0x80], FLAG_S | FLAG_H | FLAG_PV);
    EXPECT_EQ(DEC_FLAGS[0x7F], FLAG_5 | FLAG_H | FLAG_3 | FLAG_PV | FLAG_N);
    EXPECT_EQ(BLOCK_IO_B[0x02], 1);
    EXPECT_EQ(BLOCK_IO_B[0x40], 0);
    EXPECT_EQ(BLOCK_IO_B[0xC0], 1);
}

TEST(Z80Tables, clock_tables_carry_the_published_counts) {
    EXPECT_EQ(CYCLES_MAIN[0x00], 4);
    EXPECT_EQ(CYCLES_MAIN[0x36], 10);  // LD (HL),n
    EXPECT_EQ(CYCLES_MAIN[0xE3], 19);  // EX (SP),HL
    EXPECT_EQ(CYCLES_MAIN[0xCD], 17);
    EXPECT_EQ(CYCLES_MAIN[0xC4], 10);  // CALL cc, not taken
    EXPECT_EQ(CYCLES_MAIN[0x10], 8);   // DJNZ, not taken
    EXPECT_EQ(CYCLES_MAIN[0x2A], 16);
    EXPECT_EQ(CYCLES_MAIN[0x3A], 13);
    EXPECT_EQ(CYCLES_MAIN[0xF9], 6);
    EXPECT_EQ(CYCLES_MAIN[0xDD] + CYCLES_MAIN[0xED] + CYCLES_MAIN[0xFD] + CYCLES_MAIN[0xCB], 0);
    EXPECT_EQ(CYCLES_CB[0x46], 12);
    EXPECT_EQ(CYCLES_CB[0x06], 15);
    EXPECT_EQ(CYCLES_ED[0x67], 18);
    EXPECT_EQ(CYCLES_ED[0x4D], 8);
    EXPECT_EQ(CYCLES_ED[0xB0], 16);
    EXPECT_EQ(CYCLES_ED[0x7B], 20);
    EXPECT_EQ(CYCLES_INDEX[0x66], 19);
    EXPECT_EQ(CYCLES_INDEX[0x74], 19);
    EXPECT_EQ(CYCLES_INDEX[0x64], 9);
    EXPECT_EQ(CYCLES_INDEX[0x26], 9);
    EXPECT_EQ(CYCLES_INDEX[0x76], 4);
    EXPECT_EQ(CYCLES_INDEX[0x3E], 4);
    EXPECT_EQ(CYCLES_INDEX_CB[0x46], 20);
    EXPECT_EQ(CYCLES_INDEX_CB[0x06], 23);
}

struct FlagCase {
    const char* name;
    uint16_t af_before;
    std::initializer_list<uint8_t> program;
    uint8_t a_after;
    uint8_t f_after;
};

TEST_F(Z80Bench, arithmetic_and_logic_set_the_documented_flags) {
    const FlagCase cases[] = {
        {"ADD A,1 overflows", 0x7F00, {0xC6, 0x01}, 0x80, FLAG_S | FLAG_H | FLAG_PV},
        {"SUB 1 borrows", 0x0000, {0xD6, 0x01}, 0xFF, 0xBB},
        {"CP takes bits 5 and 3 from the operand", 0x1000, {0xFE, 0x28}, 0x10, 0xBB},  // 0x10 - 0x28 = 0xE8
        {"INC A wraps and keeps C", 0xFF01, {0x3C}, 0x00, FLAG_Z | FLAG_H | FLAG_C},
        {"XOR A", 0x5AFF, {0xAF}, 0x00, 0x44},
        {"CPL", 0x0000, {0x2F}, 0xFF, FLAG_5 | FLAG_H | FLAG_3 | FLAG_N},
        {"ADC carries in", 0x0F01, {0xCE, 0x00}, 0x10, FLAG_H},
        {"SBC borrows in", 0x1001, {0xDE, 0x00}, 0x0F, FLAG_H | FLAG_N | FLAG_3},
        {"AND sets H", 0xF000, {0xE6, 0x0F}, 0x00, FLAG_Z | FLAG_H | FLAG_PV},
        {"RLCA", 0x8100, {0x07}, 0x03, FLAG_C},
        {"RRA takes C in", 0x0101, {0x1F}, 0x80, FLAG_C},
        {"SCF", 0x2800, {0x37}, 0x28, FLAG_5 | FLAG_3 | FLAG_C},
        {"CCF moves C to H", 0x00C5, {0x3F}, 0x00, FLAG_S | FLAG_Z | FLAG_PV | FLAG_H},
        {"NEG of 0x80", 0x8000, {0xED, 0x44}, 0x80, FLAG_S | FLAG_PV | FLAG_N | FLAG_C},
        {"NEG of 0", 0x0000, {0xED, 0x44}, 0x00, FLAG_Z | FLAG_N},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.name);
        cpu.pc = 0x0000;
        cpu.af.w = c.af_before;
        load(0x0000, c.program);
        step();
        EXPECT_EQ(a(), c.a_after);
        EXPECT_EQ(f(), c.f_after);
    }
}

TEST_F(Z80Bench, dec_b_from_0x80_sets_overflow_and_keeps_carry) {
    cpu.bc.b.hi = 0x80;
    cpu.af.b.lo = FLAG_C;
    load(0x0000, {0x05});
    step();
    EXPECT_EQ(cpu.bc.b.hi, 0x7F);
    EXPECT_EQ(f(), 0x3E | FLAG_C);
}

TEST_F(Z80Bench, add_hl_sets_h_from_bit_11_and_keeps_s_z_pv) {
    cpu.hl.w = 0x0FFF;
    cpu.de.w = 0x0001;
    cpu.af.b.lo = FLAG_S | FLAG_Z | FLAG_PV;
    load(0x0000, {0x19});
    EXPECT_EQ(step(), 11);
    EXPECT_EQ(cpu.hl.w, 0x1000);
    EXPECT_EQ(f(), FLAG_S | FLAG_Z | FLAG_PV | FLAG_H);
}

TEST_F(Z80Bench, sbc_hl_overflows_from_0x8000) {
    cpu.hl.w = 0x8000;
    cpu.de.w = 0x0001;
    load(0x0000, {0xED, 0x52});
    EXPECT_EQ(step(), 15);
    EXPECT_EQ(cpu.hl.w, 0x7FFF);
    EXPECT_EQ(f(), FLAG_5 | FLAG_H | FLAG_3 | FLAG_PV | FLAG_N);
}

TEST_F(Z80Bench, sll_on_hl_shifts_a_one_in) {
    cpu.hl.w = 0x4000;
    load(0x4000, {0x80});
    load(0x0000, {0xCB, 0x36});
    EXPECT_EQ(step(), 15);
    EXPECT_EQ(ram->bytes[0x4000], 0x01);
    EXPECT_EQ(f(), FLAG_C);
}

TEST_F(Z80Bench, bit_copies_bits_5_and_3_from_the_register_and_from_h_for_hl) {
    cpu.af.w = 0x8001;  // BIT 7,A: S and H, C kept
    load(0x0000, {0xCB, 0x7F});
    step();
    EXPECT_EQ(f(), FLAG_S | FLAG_H | FLAG_C);

    cpu.pc = 0;
    cpu.af.w = 0xFE00;  // BIT 0,A on 0xFE: Z and P/V; bits 5 and 3 come from A
    load(0x0000, {0xCB, 0x47});
    step();
    EXPECT_EQ(f(), FLAG_Z | FLAG_PV | FLAG_H | FLAG_5 | FLAG_3);

    cpu.pc = 0;
    cpu.af.w = 0x0000;
    cpu.hl.w = 0x2804;  // BIT 0,(HL): bits 5 and 3 from H (0x28)
    load(0x2804, {0x01});
    load(0x0000, {0xCB, 0x46});
    EXPECT_EQ(step(), 12);
    EXPECT_EQ(f(), FLAG_H | FLAG_5 | FLAG_3);
}

TEST_F(Z80Bench, ld_a_r_reports_iff2_in_pv) {
    load(0x0000, {0xFB, 0xED, 0x5F, 0xF3, 0xED, 0x5F});  // EI; LD A,R; DI; LD A,R
    step();                                              // EI and LD A,R together
    EXPECT_TRUE(f() & FLAG_PV);
    step(2);
    EXPECT_FALSE(f() & FLAG_PV);
    EXPECT_EQ(a(), 6);  // R counted EI, ED, 5F, DI, ED, 5F
}

TEST_F(Z80Bench, rrd_and_rld_rotate_digits_through_memory) {
    cpu.hl.w = 0x5000;
    cpu.af.w = 0x1200;
    load(0x5000, {0x34});
    load(0x0000, {0xED, 0x67, 0xED, 0x6F});
    EXPECT_EQ(step(), 18);
    EXPECT_EQ(a(), 0x14);
    EXPECT_EQ(ram->bytes[0x5000], 0x23);
    step();
    EXPECT_EQ(a(), 0x12);
    EXPECT_EQ(ram->bytes[0x5000], 0x34);
}

// --- Branch clocks -------------------------------------------------------------

TEST_F(Z80Bench, conditional_branches_charge_the_taken_extra) {
    load(0x0000, {0x20, 0x02});  // JR NZ,+2
    cpu.af.b.lo = 0;
    EXPECT_EQ(step(), 12);
    EXPECT_EQ(cpu.pc, 0x0004);
    cpu.pc = 0;
    cpu.af.b.lo = FLAG_Z;
    EXPECT_EQ(step(), 7);
    EXPECT_EQ(cpu.pc, 0x0002);

    load(0x0010, {0x10, 0xFE});  // DJNZ $
    cpu.pc = 0x0010;
    cpu.bc.b.hi = 2;
    EXPECT_EQ(step(), 13);
    EXPECT_EQ(cpu.pc, 0x0010);
    EXPECT_EQ(step(), 8);
    EXPECT_EQ(cpu.pc, 0x0012);

    cpu.sp = 0x8000;
    load(0x7FFE, {0x00, 0x30});
    load(0x0020, {0xC8});  // RET Z
    cpu.pc = 0x0020;
    cpu.af.b.lo = 0;
    EXPECT_EQ(step(), 5);
    cpu.pc = 0x0020;
    cpu.sp = 0x7FFE;
    cpu.af.b.lo = FLAG_Z;
    EXPECT_EQ(step(), 11);
    EXPECT_EQ(cpu.pc, 0x3000);
}

TEST_F(Z80Bench, call_not_taken_skips_its_address_without_reading_it) {
    CountingRam counting;
    cpu.memory = &counting;
    cpu.sp = 0x8000;
    counting.ram.bytes[0] = 0xC4;  // CALL NZ,0x1234
    counting.ram.bytes[1] = 0x34;
    counting.ram.bytes[2] = 0x12;
    cpu.af.b.lo = FLAG_Z;
    EXPECT_EQ(step(), 10);
    EXPECT_EQ(cpu.pc, 3);
    EXPECT_EQ(counting.reads, 1);  // the opcode only

    cpu.pc = 0;
    cpu.af.b.lo = 0;
    EXPECT_EQ(step(), 17);
    EXPECT_EQ(cpu.pc, 0x1234);
    EXPECT_EQ(counting.ram.bytes[0x7FFE], 0x03);
}

// --- Block instructions ----------------------------------------------------------

TEST_F(Z80Bench, ldir_repeats_through_the_run_loop) {
    cpu.hl.w = 0x4000;
    cpu.de.w = 0x5000;
    cpu.bc.w = 3;
    load(0x4000, {1, 2, 3});
    load(0x0000, {0xED, 0xB0});
    EXPECT_EQ(step(), 21);
    EXPECT_EQ(cpu.pc, 0x0000);
    EXPECT_EQ(step(2), 21 + 16);
    EXPECT_EQ(cpu.pc, 0x0002);
    EXPECT_EQ(cpu.r, 6);
    EXPECT_EQ(cpu.bc.w, 0);
    EXPECT_FALSE(f() & FLAG_PV);
    EXPECT_EQ(ram->bytes[0x5002], 3);
}

TEST_F(Z80Bench, lddr_runs_to_the_end_inside_one_instruction) {
    cpu.hl.w = 0x4002;
    cpu.de.w = 0x5002;
    cpu.bc.w = 3;
    load(0x4000, {1, 2, 3});
    load(0x0000, {0xED, 0xB8});
    EXPECT_EQ(step(), 16 + 5 + 5);
    EXPECT_EQ(cpu.pc, 0x0002);
    EXPECT_EQ(cpu.r, 2);
    EXPECT_EQ(cpu.hl.w, 0x3FFF);
    EXPECT_EQ(ram->bytes[0x5000], 1);
}

TEST_F(Z80Bench, cpir_stops_on_the_match) {
    cpu.hl.w = 0x4000;
    cpu.bc.w = 10;
    cpu.af.w = 0x4401;
    load(0x4000, {0x10, 0x20, 0x30, 0x44, 0x50});
    load(0x0000, {0xED, 0xB1});
    EXPECT_EQ(step(), 16 + 3 * 5);
    EXPECT_EQ(cpu.bc.w, 6);
    EXPECT_EQ(cpu.hl.w, 0x4004);
    EXPECT_TRUE(f() & FLAG_Z);
    EXPECT_TRUE(f() & FLAG_PV);
    EXPECT_TRUE(f() & FLAG_C);  // kept
}

TEST_F(Z80Bench, ldi_takes_bits_5_and_3_from_a_plus_the_byte) {
    cpu.hl.w = 0x4000;
    cpu.de.w = 0x5000;
    cpu.bc.w = 2;
    load(0x4000, {0x0A});
    load(0x0000, {0xED, 0xA0});
    step();
    EXPECT_EQ(f(), FLAG_5 | FLAG_3 | FLAG_PV);
}

TEST_F(Z80Bench, outi_puts_the_decremented_b_on_the_port_and_ini_the_original) {
    cpu.bc.w = 0x0120;
    cpu.hl.w = 0x4000;
    load(0x4000, {0x5A});
    load(0x0000, {0xED, 0xA3, 0xED, 0xA2});  // OUTI; INI
    step();
    ASSERT_EQ(ports.log.size(), 1u);
    EXPECT_EQ(ports.log[0].port, 0x0020);
    EXPECT_EQ(ports.log[0].value, 0x5A);
    EXPECT_EQ(cpu.bc.b.hi, 0);
    EXPECT_TRUE(f() & FLAG_Z);

    cpu.bc.b.hi = 1;
    ports.read_value = 0x99;
    step();
    ASSERT_EQ(ports.log.size(), 2u);
    EXPECT_EQ(ports.log[1].port, 0x0120);
    EXPECT_EQ(ram->bytes[0x4001], 0x99);
    EXPECT_TRUE(f() & FLAG_N);  // bit 7 of the byte
}

TEST_F(Z80Bench, otir_sends_the_whole_block_in_one_instruction) {
    cpu.bc.w = 0x0340;
    cpu.hl.w = 0x4000;
    load(0x4000, {7, 8, 9});
    load(0x0000, {0xED, 0xB3});
    EXPECT_EQ(step(), 16 + 2 * 5);
    ASSERT_EQ(ports.log.size(), 3u);
    EXPECT_EQ(ports.log[0].port, 0x0240);
    EXPECT_EQ(ports.log[2].port, 0x0040);
    EXPECT_EQ(ports.log[2].value, 9);
    EXPECT_EQ(cpu.pc, 2);
}

TEST_F(Z80Bench, unused_ed_opcodes_are_eight_clock_no_operations) {
    load(0x0000, {0xED, 0x00, 0xED, 0xFF, 0xED, 0x77});
    const uint16_t af = cpu.af.w;
    EXPECT_EQ(step(), 8);
    EXPECT_EQ(cpu.pc, 2);
    EXPECT_EQ(cpu.r, 2);
    EXPECT_EQ(step(2), 16);
    EXPECT_EQ(cpu.pc, 6);
    EXPECT_EQ(cpu.af.w, af);
}

// --- Index pages ------------------------------------------------------------------

TEST_F(Z80Bench, index_loads_and_displacements) {
    load(0x0000, {0xDD, 0x21, 0x34, 0x12});  // LD IX,0x1234
    EXPECT_EQ(step(), 14);
    EXPECT_EQ(cpu.ix.w, 0x1234);

    cpu.ix.w = 0x1000;
    load(0x0FFF, {0x5C});
    load(0x0004, {0xDD, 0x7E, 0xFF});  // LD A,(IX-1)
    EXPECT_EQ(step(), 19);
    EXPECT_EQ(a(), 0x5C);
    EXPECT_EQ(cpu.operand_address, 0x0FFF);

    cpu.hl.w = 0xAAAA;
    load(0x0007, {0xDD, 0x66, 0xFF});  // LD H,(IX-1) loads the real H
    step();
    EXPECT_EQ(cpu.hl.w, 0x5CAA);

    load(0x000A, {0xDD, 0x36, 0x02, 0x99});  // LD (IX+2),0x99: displacement first
    EXPECT_EQ(step(), 19);
    EXPECT_EQ(ram->bytes[0x1002], 0x99);
}

TEST_F(Z80Bench, index_halves_cost_nine_clocks) {
    cpu.ix.w = 0x12FF;
    load(0x0000, {0xDD, 0x2C, 0xDD, 0x7C, 0xDD, 0x26, 0x55});  // INC IXL; LD A,IXH; LD IXH,0x55
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(cpu.ix.w, 0x1200);
    EXPECT_TRUE(f() & FLAG_Z);
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(a(), 0x12);
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(cpu.ix.w, 0x5500);
}

TEST_F(Z80Bench, fd_works_as_dd_with_iy) {
    cpu.iy.w = 0x3000;
    load(0x3005, {0x81});
    load(0x0000, {0xFD, 0xCB, 0x05, 0x06, 0xFD, 0x86, 0x05});  // RLC (IY+5); ADD A,(IY+5)
    EXPECT_EQ(step(), 23);
    EXPECT_EQ(ram->bytes[0x3005], 0x03);
    EXPECT_EQ(step(), 19);
    EXPECT_EQ(a(), 0x03);
    EXPECT_EQ(cpu.ix.w, 0);
}

TEST_F(Z80Bench, dd_cb_rotates_memory_and_copies_into_a_register) {
    cpu.ix.w = 0x2000;
    cpu.bc.w = 0x1111;
    load(0x2005, {0x81});
    load(0x0000, {0xDD, 0xCB, 0x05, 0x06, 0xDD, 0xCB, 0x05, 0x00});  // RLC (IX+5); RLC (IX+5),B
    EXPECT_EQ(step(), 23);
    EXPECT_EQ(ram->bytes[0x2005], 0x03);
    EXPECT_EQ(cpu.bc.w, 0x1111);
    EXPECT_EQ(step(), 23);
    EXPECT_EQ(ram->bytes[0x2005], 0x06);
    EXPECT_EQ(cpu.bc.b.hi, 0x06);
}

TEST_F(Z80Bench, dd_cb_set_and_res_copy_into_the_real_h) {
    cpu.ix.w = 0x2000;
    cpu.hl.w = 0x0000;
    load(0x0000, {0xDD, 0xCB, 0x01, 0xFC});  // SET 7,(IX+1),H
    step();
    EXPECT_EQ(ram->bytes[0x2001], 0x80);
    EXPECT_EQ(cpu.hl.w, 0x8000);
    EXPECT_EQ(cpu.ix.w, 0x2000);
}

TEST_F(Z80Bench, dd_cb_bit_takes_bits_5_and_3_from_the_address) {
    cpu.ix.w = 0x2800;
    load(0x2800, {0x01});
    load(0x0000, {0xDD, 0xCB, 0x00, 0x46});  // BIT 0,(IX+0)
    EXPECT_EQ(step(), 20);
    EXPECT_EQ(f(), FLAG_H | FLAG_5 | FLAG_3);
    EXPECT_EQ(ram->bytes[0x2800], 0x01);
}

// A DD or FD before an opcode without an index form costs 4 clocks and one R
// step; the opcode then runs as the ordinary unprefixed instruction.

TEST_F(Z80Bench, dd_before_ld_a_n_loads_a) {
    load(0x0000, {0xDD, 0x3E, 0x05, 0x00});
    EXPECT_EQ(step(), 4 + 7);
    EXPECT_EQ(a(), 0x05);
    EXPECT_EQ(cpu.pc, 3);
    EXPECT_EQ(cpu.r, 2);
    EXPECT_EQ(cpu.bc.b.hi, 0x00);  // no DEC B from the operand byte
}

TEST_F(Z80Bench, dd_ld_ixh_ixh_is_a_nine_clock_no_operation) {
    cpu.ix.w = 0x1234;
    load(0x0000, {0xDD, 0x64, 0xDD, 0x6D});
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(cpu.pc, 2);
    EXPECT_EQ(step(), 9);
    EXPECT_EQ(cpu.ix.w, 0x1234);
}

TEST_F(Z80Bench, dd_before_halt_halts) {
    load(0x0000, {0xDD, 0x76});
    EXPECT_EQ(step(), 4 + 4);
    EXPECT_EQ(cpu.halted, 1);
    EXPECT_EQ(cpu.pc, 1);  // on the HALT opcode
    EXPECT_EQ(step(), 4);
    EXPECT_EQ(cpu.pc, 1);
}

TEST_F(Z80Bench, the_last_of_several_prefixes_decides) {
    load(0x0000, {0xDD, 0xDD, 0x21, 0x34, 0x12});  // IX
    EXPECT_EQ(step(), 4 + 14);
    EXPECT_EQ(cpu.ix.w, 0x1234);
    EXPECT_EQ(cpu.r, 3);

    load(0x0005, {0xDD, 0xFD, 0x21, 0x78, 0x56});  // IY
    EXPECT_EQ(step(), 4 + 14);
    EXPECT_EQ(cpu.iy.w, 0x5678);
    EXPECT_EQ(cpu.ix.w, 0x1234);

    cpu.af.b.hi = 0x01;
    load(0x000A, {0xFD, 0xED, 0x44});  // the prefix is dropped before ED: NEG
    EXPECT_EQ(step(), 4 + 8);
    EXPECT_EQ(a(), 0xFF);
}

TEST_F(Z80Bench, dd_before_plain_instructions_runs_them_unchanged) {
    cpu.hl.w = 0x4000;
    cpu.ix.w = 0x5000;
    cpu.bc.w = 0x0100;
    load(0x0000, {0xDD, 0x03, 0xDD, 0xEB, 0xDD, 0xC3, 0x40, 0x00});  // INC BC; EX DE,HL; JP 0x0040
    EXPECT_EQ(step(), 4 + 6);
    EXPECT_EQ(cpu.bc.w, 0x0101);
    step();
    EXPECT_EQ(cpu.de.w, 0x4000);
    EXPECT_EQ(cpu.ix.w, 0x5000);
    EXPECT_EQ(step(), 4 + 10);
    EXPECT_EQ(cpu.pc, 0x0040);
}

}  // namespace
}  // namespace m5::test
