// The ground floor: the Component base class, its signal links, and the
// services a component asks of its machine.
#include "machine/component.h"

#include <gtest/gtest.h>

#include <vector>

#include "machine/machine_services.h"
#include "machine/scheduler.h"

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

// Services without the assembled M5: a scheduler and whatever a test builds.
class ServicesBench final : public MachineServices {
public:
    ServicesBench() { serve_time_from(&scheduler); }
    Scheduler scheduler{this, nullptr};
};

TEST(MachineServicesTest, components_join_the_list_in_order_and_are_found_by_id) {
    ServicesBench bench;
    WriteRecorder a(&bench, nullptr), b(&bench, nullptr);
    EXPECT_EQ(bench.scheduler.id, 0);
    EXPECT_EQ(a.id, 1);
    EXPECT_EQ(b.id, 2);
    EXPECT_EQ(a.prev, &bench.scheduler);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(bench.last_component, &b);
    EXPECT_EQ(bench.find_component(2), &b);
    EXPECT_EQ(bench.find_component(3), nullptr);
}

TEST(MachineServicesTest, time_and_events_are_the_schedulers) {
    ServicesBench bench;
    bench.scheduler.init();
    WriteRecorder target(&bench, nullptr);
    const int32_t event = bench.add_event_clocks(&target, 7, 100, 0);
    ASSERT_NE(event, NO_EVENT);
    EXPECT_EQ(bench.scheduler.event(event).target, &target);
    EXPECT_EQ(bench.scheduler.event(event).param, 7);
    const MachineTime start = bench.now();
    bench.scheduler.run_clocks(250);
    EXPECT_EQ(bench.clocks_since(start), 250);
    EXPECT_FALSE(bench.scheduler.event(event).active);
    bench.add_scanline_listener(&target);
    EXPECT_EQ(bench.scheduler.scanline_listener_count, 1);
}

}  // namespace
}  // namespace m5
