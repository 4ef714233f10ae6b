#include "machine/machine.h"

#include <gtest/gtest.h>

#include "cpu/z80_cpu.h"
#include "machine/scheduler.h"
#include "memory/memory_map.h"
#include "support/test_host.h"

namespace m5 {
namespace {

// Records which operations reach it, to check the base class defaults.
class WriteRecorder final : public Component {
public:
    using Component::Component;
    void mem_write8(int32_t address, int32_t data) override { writes.push_back({address, data}); }
    void reset() override { ++resets; }
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override {
        signals.push_back({signal, static_cast<int32_t>(data & mask)});
    }
    std::vector<std::pair<int32_t, int32_t>> writes;
    std::vector<std::pair<int32_t, int32_t>> signals;
    int resets = 0;
};

TEST(ComponentTest, null_component_answers_every_read_with_all_ones) {
    NullComponent null(nullptr, nullptr);
    int32_t wait = 99;
    EXPECT_EQ(null.mem_read8(0x1234), 0xFF);
    EXPECT_EQ(null.port_read8(0x10), 0xFF);
    EXPECT_EQ(null.irq_acknowledge(), 0xFF);
    EXPECT_EQ(null.mem_read8_w(0, &wait), 0xFF);
    EXPECT_EQ(wait, 0);
    EXPECT_EQ(null.mem_read16(0x8000), 0xFFFF);
    EXPECT_EQ(null.signal_query(), 0);
    EXPECT_EQ(null.executed_cycles(), 0);
    EXPECT_EQ(null.current_pc(), 0);
}

TEST(ComponentTest, sixteen_bit_write_is_two_byte_writes_low_first) {
    WriteRecorder c(nullptr, nullptr);
    c.mem_write16(0x1234, 0xABCD);
    ASSERT_EQ(c.writes.size(), 2u);
    EXPECT_EQ(c.writes[0], std::make_pair(0x1234, 0xCD));
    EXPECT_EQ(c.writes[1], std::make_pair(0x1235, 0xAB));
}

TEST(ComponentTest, waited_byte_write_does_not_fall_back_but_waited_word_write_does) {
    WriteRecorder c(nullptr, nullptr);
    int32_t wait = 5;
    c.mem_write8_w(0x10, 0x22, &wait);
    EXPECT_TRUE(c.writes.empty());
    EXPECT_EQ(wait, 0);
    wait = 5;
    c.mem_write16_w(0x10, 0x3322, &wait);
    EXPECT_EQ(c.writes.size(), 2u);
    EXPECT_EQ(wait, 0);
}

TEST(ComponentTest, reset_aliases_run_the_components_own_reset) {
    WriteRecorder c(nullptr, nullptr);
    c.reset_alias_a();
    c.reset_alias_b();
    EXPECT_EQ(c.resets, 2);
}

TEST(ComponentTest, unchanged_level_is_sent_once_per_link) {
    WriteRecorder a(nullptr, nullptr), b(nullptr, nullptr);
    SignalLinkList links;
    links.add_link(&a, 3, 1);
    links.add_link(&b, 7, 0xFFFFFFFF);
    uint8_t last = 0;
    send_level(links, last, 1);
    send_level(links, last, 1);
    send_level(links, last, 0);
    send_level(links, last, 0);
    ASSERT_EQ(a.signals.size(), 2u);
    EXPECT_EQ(a.signals[0], std::make_pair(3, 1));
    EXPECT_EQ(a.signals[1], std::make_pair(3, 0));
    ASSERT_EQ(b.signals.size(), 2u);
    EXPECT_EQ(b.signals[0], std::make_pair(7, -1));
}

TEST(MachineTest, components_get_ids_in_construction_order) {
    test::TestHost host;
    Machine machine(&host);
    EXPECT_EQ(machine.find_component(0), machine.null_component.get());
    EXPECT_EQ(machine.find_component(SCHEDULER_ID), machine.scheduler.get());
    EXPECT_EQ(machine.find_component(6), machine.cpu.get());
    EXPECT_EQ(machine.find_component(10), machine.memory_map.get());
    EXPECT_EQ(machine.find_component(11), nullptr);
    ComponentId expected = 0;
    for (Component* c = machine.first_component; c != nullptr; c = c->next) {
        EXPECT_EQ(c->id, expected++);
        EXPECT_EQ(c->machine, &machine);
        if (c->prev != nullptr) {
            EXPECT_EQ(c->prev->next, c);
        }
    }
    EXPECT_EQ(expected, 11);
    EXPECT_EQ(machine.last_component, machine.memory_map.get());
}

class LifecycleLog final : public LifecycleObserver {
public:
    void initialised(Component& c) override { events.push_back({'i', c.id}); }
    void was_reset(Component& c) override { events.push_back({'r', c.id}); }
    std::vector<std::pair<char, ComponentId>> events;
};

TEST(MachineTest, construction_inits_then_resets_every_component_once_and_the_scheduler_is_only_initialised) {
    test::TestHost host;
    LifecycleLog log;
    Machine machine(&host, &log);
    std::vector<std::pair<char, ComponentId>> expected = {{'i', SCHEDULER_ID}};
    for (ComponentId id = 0; id <= MEMORY_MAP_ID; ++id) {
        if (id != SCHEDULER_ID) expected.push_back({'i', id});
    }
    for (ComponentId id = 0; id <= MEMORY_MAP_ID; ++id) {
        if (id != SCHEDULER_ID) expected.push_back({'r', id});
    }
    EXPECT_EQ(log.events, expected);
    // The video chip registers itself once, in its init.
    EXPECT_EQ(machine.scheduler->scanline_listener_count, 1);
}

TEST(MachineTest, reset_and_cartridge_changes_reach_every_component_in_id_order) {
    test::TestHost host;
    LifecycleLog log;
    Machine machine(&host, &log);
    std::vector<std::pair<char, ComponentId>> all;
    for (ComponentId id = 0; id <= MEMORY_MAP_ID; ++id) all.push_back({'r', id});
    log.events.clear();
    machine.reset();
    EXPECT_EQ(log.events, all);
    log.events.clear();
    machine.close_cartridge();
    EXPECT_EQ(log.events, all);
    log.events.clear();
    machine.open_cartridge(nullptr, 0);
    EXPECT_EQ(log.events, all);
}

TEST(MachineTest, clocks_since_survives_the_counter_wrap) {
    test::TestHost host;
    Machine machine(&host);
    machine.scheduler->clock_counter = 0xFFFFFF00u;
    const MachineTime before = machine.now();
    machine.scheduler->run_clocks(0x200);
    EXPECT_EQ(machine.clocks_since(before), 0x200);
}

TEST(MachineTest, a_frame_runs_63333_machine_clocks) {
    test::TestHost host;
    Machine machine(&host);
    machine.setup_audio(22050, 2205);
    const MachineTime before = machine.now();
    machine.run_frame();
    EXPECT_EQ(machine.clocks_since(before), CLOCKS_PER_FRAME);
}

TEST(MachineTest, speed_change_reaches_the_scheduler_through_apply_config) {
    test::TestHost host;
    Machine machine(&host);
    host.speed = 4;
    machine.apply_config();
    EXPECT_EQ(machine.scheduler->speed_shift, 4);
}

}  // namespace
}  // namespace m5
