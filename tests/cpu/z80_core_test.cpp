// The Z80 run loop: clock budget and overshoot, executed_cycles, interrupt
// acceptance in every mode, EI and HALT timing, request hold bits, the NMI
// latch, the stop line and the refresh register.
#include "z80_bench.h"

namespace m5::test {
namespace {

using Cpu = Z80Cpu;

TEST_F(Z80Bench, budget_overshoot_is_paid_by_the_next_call) {
    // RAM is all NOPs (4 clocks each).
    cpu.execute(10);  // 10 -> 6 -> 2 -> -2
    EXPECT_EQ(cpu.pc, 3);
    EXPECT_EQ(cpu.clocks_left, -2);
    EXPECT_EQ(cpu.executed_cycles(), 0);
    cpu.execute(10);  // starts from 8: 8 -> 4 -> 0
    EXPECT_EQ(cpu.pc, 5);
    EXPECT_EQ(cpu.clocks_left, 0);
}

TEST_F(Z80Bench, executed_cycles_inside_an_out_counts_the_whole_instruction) {
    load(0x0000, {0xD3, 0x10});  // OUT (0x10),A
    int32_t seen = -1;
    ports.on_write = [&](int32_t, int32_t) { seen = cpu.executed_cycles(); };
    cpu.execute(100);
    EXPECT_EQ(seen, 11);
    EXPECT_EQ(cpu.executed_cycles(), 0);
}

TEST_F(Z80Bench, port_addresses_carry_a_or_b_in_the_high_byte) {
    cpu.af.b.hi = 0x12;
    cpu.bc.w = 0x3456;
    load(0x0000, {0xD3, 0x78, 0xDB, 0x9A, 0xED, 0x41, 0xED, 0x50});  // OUT (n),A; IN A,(n); OUT (C),B; IN D,(C)
    ports.read_value = 0x77;
    step(4);
    ASSERT_EQ(ports.log.size(), 4u);
    EXPECT_EQ(ports.log[0].port, 0x1278);
    EXPECT_EQ(ports.log[1].port, 0x129A);
    EXPECT_EQ(ports.log[2].port, 0x3456);
    EXPECT_EQ(ports.log[2].value, 0x34);
    EXPECT_EQ(ports.log[3].port, 0x3456);
    EXPECT_EQ(cpu.de.b.hi, 0x77);
}

TEST_F(Z80Bench, halt_then_mode_1_interrupt_pushes_the_address_after_halt) {
    load(0x0100, {0x76});
    cpu.pc = 0x0100;
    cpu.sp = 0x8000;
    cpu.im = 1;
    cpu.iff1 = cpu.iff2 = 1;
    EXPECT_EQ(step(3), 12);  // HALT runs again and again
    EXPECT_EQ(cpu.halted, 1);
    EXPECT_EQ(cpu.pc, 0x0100);

    cpu.set_irq_request(1, 1, 0);
    EXPECT_EQ(step(), 4 + Cpu::IRQ_ACCEPT_CLOCKS);
    EXPECT_EQ(word_at(0x7FFE), 0x0101);
    EXPECT_EQ(cpu.pc, 0x0038);
    EXPECT_EQ(cpu.halted, 0);
    EXPECT_EQ(cpu.iff1, 0);
    EXPECT_EQ(cpu.iff2, 0);
    EXPECT_EQ(cpu.irq_pending, 0u);
    EXPECT_EQ(chain.acknowledges, 1);
    EXPECT_EQ(cpu.r, 4);  // four HALT fetches; the acceptance itself leaves R alone
}

TEST_F(Z80Bench, halt_repeated_advances_r_and_clocks_once_per_pass) {
    load(0x0000, {0x76});
    EXPECT_EQ(step(100), 400);
    EXPECT_EQ(cpu.r, 100);
    EXPECT_EQ(cpu.pc, 0);
}

TEST_F(Z80Bench, mode_2_reads_the_vector_table_with_all_eight_vector_bits) {
    cpu.sp = 0x8000;
    cpu.im = 2;
    cpu.i = 0x80;
    cpu.iff1 = cpu.iff2 = 1;
    load(0x8010, {0x00, 0x40, 0x34, 0x12});
    chain.vector = 0x11;  // odd: bit 0 is used
    int32_t sp_at_acknowledge = -1;
    chain.on_acknowledge = [&] { sp_at_acknowledge = cpu.sp; };
    cpu.set_irq_request(1, 1, 3);
    EXPECT_EQ(step(), 4 + Cpu::IRQ_ACCEPT_CLOCKS);  // neither the push nor the table read is charged
    EXPECT_EQ(sp_at_acknowledge, 0x8000);           // acknowledged before the push
    EXPECT_EQ(cpu.pc, 0x3440);
    EXPECT_EQ(word_at(0x7FFE), 0x0001);
}

TEST_F(Z80Bench, mode_0_decodes_rst_and_call_from_the_data_bus) {
    cpu.sp = 0x8000;
    cpu.iff1 = cpu.iff2 = 1;
    chain.vector = 0xFF;  // RST 38
    cpu.set_irq_request(1, 1, 0);
    EXPECT_EQ(step(), 4 + Cpu::IRQ_ACCEPT_CLOCKS);
    EXPECT_EQ(cpu.pc, 0x0038);
    EXPECT_EQ(word_at(0x7FFE), 0x0001);

    cpu.iff1 = cpu.iff2 = 1;
    chain.vector = 0x00;  // not an instruction the core decodes: PC stays
    cpu.set_irq_request(1, 1, 0);
    step();
    EXPECT_EQ(cpu.pc, 0x0039);
    EXPECT_EQ(word_at(0x7FFC), 0x0039);

    cpu.iff1 = cpu.iff2 = 1;
    chain.vector = 0x1234CD;  // CALL 0x1234
    cpu.set_irq_request(1, 1, 0);
    step();
    EXPECT_EQ(cpu.pc, 0x1234);
    EXPECT_EQ(chain.acknowledges, 3);
}

TEST_F(Z80Bench, acceptance_clears_every_request_line) {
    cpu.sp = 0x8000;
    cpu.im = 1;
    cpu.iff1 = cpu.iff2 = 1;
    cpu.set_irq_request(1, 1, 0);
    cpu.set_irq_request(1, 1, 5);
    step();
    EXPECT_EQ(cpu.pc, 0x0038);
    EXPECT_EQ(cpu.irq_pending, 0u);
}

TEST_F(Z80Bench, ei_lets_one_more_instruction_run_before_a_pending_request) {
    cpu.sp = 0x8000;
    cpu.im = 1;
    load(0x0000, {0xFB, 0x00, 0x00});  // EI; NOP; NOP
    cpu.set_irq_request(1, 1, 0);
    EXPECT_EQ(step(), 4 + 4 + Cpu::IRQ_ACCEPT_CLOCKS);
    EXPECT_EQ(word_at(0x7FFE), 0x0002);
    EXPECT_EQ(cpu.pc, 0x0038);
}

TEST_F(Z80Bench, ei_ei_nop_all_run_before_the_request) {
    cpu.sp = 0x8000;
    cpu.im = 1;
    load(0x0000, {0xFB, 0xFB, 0x00, 0x00});
    cpu.set_irq_request(1, 1, 0);
    step();
    EXPECT_EQ(word_at(0x7FFE), 0x0003);
    EXPECT_EQ(cpu.instr_pc, 0x0002);  // the last instruction run was the NOP
}

TEST_F(Z80Bench, request_without_hold_is_dropped_while_disabled) {
    cpu.sp = 0x8000;
    cpu.im = 1;
    load(0x0000, {0x00, 0xFB, 0x00, 0x00});  // NOP; EI; NOP; NOP
    cpu.set_irq_request(1, 0, 2);
    step();  // NOP ends with iff1 = 0: the request goes
    EXPECT_EQ(cpu.irq_pending, 0u);
    step(2);
    EXPECT_EQ(cpu.pc, 0x0004);
    EXPECT_EQ(chain.acknowledges, 0);
}

TEST_F(Z80Bench, request_with_hold_waits_for_ei) {
    cpu.sp = 0x8000;
    cpu.im = 1;
    load(0x0000, {0x00, 0xFB, 0x00, 0x00});
    cpu.set_irq_request(1, 1, 2);
    step();
    EXPECT_EQ(cpu.irq_pending, 1u << 2);
    step();  // EI and the NOP after it, then acceptance
    EXPECT_EQ(cpu.pc, 0x0038);
    EXPECT_EQ(word_at(0x7FFE), 0x0003);
}

TEST_F(Z80Bench, request_lines_beyond_31_change_nothing) {
    cpu.set_irq_request(1, 1, 32);
    cpu.set_irq_request(1, 1, -1);
    EXPECT_EQ(cpu.irq_pending, 0u);
    EXPECT_EQ(cpu.irq_hold, 0u);
    cpu.set_irq_request(1, 1, 4);
    cpu.set_irq_request(0, 0, 4);
    EXPECT_EQ(cpu.irq_pending, 0u);
    EXPECT_EQ(cpu.irq_hold, 0u);
}

TEST_F(Z80Bench, nmi_while_enabled_keeps_iff2_and_retn_restores_iff1) {
    cpu.sp = 0x8000;
    cpu.iff1 = cpu.iff2 = 1;
    load(0x0066, {0xED, 0x45});  // RETN
    cpu.signal_in(Cpu::NMI_SIGNAL, 1, 1);
    EXPECT_EQ(step(), 4 + Cpu::NMI_ACCEPT_CLOCKS);
    EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR);
    EXPECT_EQ(word_at(0x7FFE), 0x0001);
    EXPECT_EQ(cpu.iff1, 0);
    EXPECT_EQ(cpu.iff2, 1);
    EXPECT_EQ(chain.acknowledges, 0);
    step();
    EXPECT_EQ(cpu.pc, 0x0001);
    EXPECT_EQ(cpu.iff1, 1);
    EXPECT_EQ(chain.returns, 0);  // RETN does not tell the chain
}

TEST_F(Z80Bench, nmi_during_di_wakes_halt_and_retn_keeps_interrupts_off) {
    cpu.sp = 0x8000;
    load(0x0000, {0x76});  // HALT
    load(0x0066, {0xED, 0x45});
    cpu.signal_in(Cpu::NMI_SIGNAL, 0xFF, 0x01);
    step();
    EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR);
    EXPECT_EQ(cpu.halted, 0);
    EXPECT_EQ(word_at(0x7FFE), 0x0001);  // the address after the HALT
    step();
    EXPECT_EQ(cpu.pc, 0x0001);
    EXPECT_EQ(cpu.iff1, 0);
}

TEST_F(Z80Bench, nmi_latch_follows_its_line_until_accepted) {
    cpu.sp = 0x8000;
    cpu.signal_in(Cpu::NMI_SIGNAL, 1, 1);
    cpu.signal_in(Cpu::NMI_SIGNAL, 0, 1);
    step();
    EXPECT_EQ(cpu.pc, 0x0001);
    cpu.signal_in(Cpu::NMI_SIGNAL, 1, 1);
    step();
    EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR);
    step();  // the latch was cleared on acceptance; the line staying high does not retrigger
    EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR + 1);
}

TEST_F(Z80Bench, nmi_goes_first_and_the_maskable_request_then_waits_or_drops) {
    for (const uint8_t hold : {uint8_t{1}, uint8_t{0}}) {
        SCOPED_TRACE(hold);
        cpu.reset();
        cpu.sp = 0x8000;
        cpu.im = 1;
        cpu.iff1 = cpu.iff2 = 1;
        cpu.set_irq_request(1, hold, 0);
        cpu.signal_in(Cpu::NMI_SIGNAL, 1, 1);
        step();
        EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR);
        EXPECT_EQ(cpu.irq_pending, 1u);  // the maskable bit stays
        step();                          // iff1 is now 0
        EXPECT_EQ(cpu.pc, Cpu::NMI_VECTOR + 1);
        EXPECT_EQ(cpu.irq_pending, hold ? 1u : 0u);
    }
}

TEST_F(Z80Bench, reti_copies_iff2_and_tells_the_chain_once) {
    cpu.sp = 0x7FFE;
    load(0x7FFE, {0x34, 0x12});
    load(0x0000, {0xED, 0x4D});
    cpu.iff2 = 1;
    EXPECT_EQ(step(), 8);
    EXPECT_EQ(cpu.pc, 0x1234);
    EXPECT_EQ(cpu.iff1, 1);
    EXPECT_EQ(chain.returns, 1);
}

TEST_F(Z80Bench, a_missing_chain_answers_ff_and_reti_tells_nobody) {
    cpu.int_chain = nullptr;
    cpu.sp = 0x8000;
    cpu.iff1 = cpu.iff2 = 1;  // mode 0: the floating bus reads as RST 38
    load(0x0038, {0xED, 0x4D});
    cpu.set_irq_request(1, 1, 0);
    step();
    EXPECT_EQ(cpu.pc, 0x0038);
    step();  // RETI
    EXPECT_EQ(cpu.pc, 0x0001);
    EXPECT_EQ(cpu.iff1, 0);
}

TEST_F(Z80Bench, stop_line_runs_nothing_and_discards_the_budget) {
    cpu.execute(10);
    ASSERT_EQ(cpu.clocks_left, -2);
    cpu.signal_in(Cpu::STOP_SIGNAL, 1, 1);
    cpu.execute(1000);
    EXPECT_EQ(cpu.pc, 3);
    EXPECT_EQ(cpu.executed_cycles(), 0);
    EXPECT_EQ(cpu.clocks_left, 0);  // the earlier overshoot is gone
    cpu.signal_in(Cpu::STOP_SIGNAL, 0, 1);
    cpu.execute(8);
    EXPECT_EQ(cpu.pc, 5);
}

TEST_F(Z80Bench, stop_line_raised_inside_an_instruction_ends_the_call_after_it) {
    load(0x0000, {0xD3, 0x01});  // OUT (1),A, then NOPs
    ports.on_write = [&](int32_t, int32_t) { cpu.signal_in(Cpu::STOP_SIGNAL, 1, 1); };
    cpu.execute(1000);
    EXPECT_EQ(cpu.pc, 2);
    EXPECT_EQ(cpu.stopped, 1);

    // The interrupt check after that instruction still runs.
    cpu.reset();
    cpu.sp = 0x8000;
    cpu.im = 1;
    cpu.iff1 = cpu.iff2 = 1;
    ports.on_write = [&](int32_t, int32_t) {
        cpu.signal_in(Cpu::STOP_SIGNAL, 1, 1);
        cpu.set_irq_request(1, 1, 0);
    };
    cpu.execute(1000);
    EXPECT_EQ(cpu.pc, 0x0038);
    EXPECT_EQ(word_at(0x7FFE), 0x0002);
    EXPECT_EQ(cpu.executed_cycles(), 0);
}

TEST_F(Z80Bench, r_counts_in_seven_bits_and_keeps_bit_7) {
    cpu.execute(200 * 4);
    EXPECT_EQ(cpu.r, 200 & 0x7F);
    EXPECT_EQ(cpu.r, 0x48);

    cpu.reset();
    cpu.af.b.hi = 0x80;
    load(0x0000, {0xED, 0x4F});  // LD R,A: R = 0x80, then 0x7F NOPs
    step();
    EXPECT_EQ(cpu.r, 0x80);
    step(0x7F);
    EXPECT_EQ(cpu.r, 0xFF);
    step();
    EXPECT_EQ(cpu.r, 0x80);
}

TEST_F(Z80Bench, prefixed_instructions_advance_r_twice) {
    load(0x0000, {0xCB, 0x00, 0xED, 0x00, 0xDD, 0xCB, 0x01, 0x06, 0x00});
    step();
    EXPECT_EQ(cpu.r, 2);
    step();
    EXPECT_EQ(cpu.r, 4);
    step();  // DD CB d op: the last byte is a plain read
    EXPECT_EQ(cpu.r, 6);
    step();
    EXPECT_EQ(cpu.r, 7);
}

TEST_F(Z80Bench, reset_clears_control_state_and_keeps_the_registers) {
    cpu.af.w = 0x1234;
    cpu.sp = 0x4321;
    cpu.pc = 0x5555;
    cpu.i = cpu.r = 7;
    cpu.im = 2;
    cpu.iff1 = cpu.iff2 = cpu.halted = cpu.stopped = 1;
    cpu.irq_pending = cpu.irq_hold = 3;
    cpu.reset();
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_EQ(cpu.i, 0);
    EXPECT_EQ(cpu.r, 0);
    EXPECT_EQ(cpu.im, 0);
    EXPECT_EQ(cpu.iff1 | cpu.iff2 | cpu.halted | cpu.stopped, 0);
    EXPECT_EQ(cpu.irq_pending | cpu.irq_hold, 0u);
    EXPECT_EQ(cpu.af.w, 0x1234);
    EXPECT_EQ(cpu.sp, 0x4321);
}

TEST_F(Z80Bench, current_pc_names_the_first_prefix_of_the_running_instruction) {
    load(0x0010, {0xDD, 0xD3, 0x20});  // DD before OUT (n),A: the prefix is spent, OUT runs
    cpu.pc = 0x0010;
    int32_t seen = -1;
    ports.on_write = [&](int32_t, int32_t) { seen = cpu.current_pc(); };
    step();
    EXPECT_EQ(seen, 0x0010);
}

}  // namespace
}  // namespace m5::test
