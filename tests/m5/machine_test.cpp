#include "m5/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "cpu/z80_cpu.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"
#include "memory/memory_map.h"
#include "support/test_devices.h"
#include "support/test_host.h"

namespace m5 {
namespace {

TEST(MachineTest, components_get_ids_in_construction_order) {
    test::TestHost host;
    Machine machine(&host);
    EXPECT_EQ(machine.find_component(0), machine.null_component.get());
    EXPECT_EQ(machine.find_component(SCHEDULER_ID), machine.scheduler.get());
    EXPECT_EQ(machine.find_component(6), machine.cpu.get());
    EXPECT_EQ(machine.find_component(10), machine.memory_map.get());
    EXPECT_EQ(machine.find_component(11), machine.memory_expansion.get());
    EXPECT_EQ(machine.find_component(12), nullptr);
    ComponentId expected = 0;
    for (Component* c = machine.first_component; c != nullptr; c = c->next) {
        EXPECT_EQ(c->id, expected++);
        EXPECT_EQ(c->machine, &machine);
        if (c->prev != nullptr) {
            EXPECT_EQ(c->prev->next, c);
        }
    }
    EXPECT_EQ(expected, 12);
    EXPECT_EQ(machine.last_component, machine.memory_expansion.get());
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
    for (ComponentId id = 0; id < COMPONENT_COUNT; ++id) {
        if (id != SCHEDULER_ID) expected.push_back({'i', id});
    }
    for (ComponentId id = 0; id < COMPONENT_COUNT; ++id) {
        if (id != SCHEDULER_ID) expected.push_back({'r', id});
    }
    EXPECT_EQ(log.events, expected);
    // The video chip registers itself once, in its init, for its frame line.
    EXPECT_EQ(machine.scheduler->scanline_listener_count, 0);
    ASSERT_EQ(machine.scheduler->line_listener_count, 1);
    EXPECT_EQ(machine.scheduler->listened_lines[0], machine.scheduler->video_standard().frame_interrupt_line);
}

TEST(MachineTest, reset_and_cartridge_changes_reach_every_component_in_id_order) {
    test::TestHost host;
    LifecycleLog log;
    Machine machine(&host, &log);
    std::vector<std::pair<char, ComponentId>> all;
    for (ComponentId id = 0; id < COMPONENT_COUNT; ++id) all.push_back({'r', id});
    log.events.clear();
    machine.reset();
    EXPECT_EQ(log.events, all);
    log.events.clear();
    machine.close_cartridge();
    EXPECT_EQ(log.events, all);
    log.events.clear();
    machine.open_cartridge(nullptr, 0);
    EXPECT_EQ(log.events, all);
    log.events.clear();
    const uint8_t ipl[] = {0xF3};
    machine.load_ipl(ipl, sizeof ipl);
    EXPECT_EQ(log.events, all);
    EXPECT_EQ(machine.memory_map->peek(0), 0xF3);
    EXPECT_EQ(machine.memory_map->peek(1), 0xFF);
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
    EXPECT_EQ(machine.clocks_since(before), machine.video_standard().clocks_per_frame());
}

TEST(MachineTest, speed_change_reaches_the_scheduler_through_apply_config) {
    test::TestHost host;
    Machine machine(&host);
    host.speed = 4;
    machine.apply_config();
    EXPECT_EQ(machine.scheduler->speed_shift, 4);
}

// --- Components from outside the machine's list ------------------------------

TEST(MachineExtensionTest, an_extension_is_built_after_the_m5_wired_initialised_and_reset) {
    test::TestHost host;
    LifecycleLog log;
    Machine machine(&host, &log, test::TEST_DEVICES);
    ASSERT_EQ(machine.component_count(), COMPONENT_COUNT + 1);
    Component* added = machine.find_component(COMPONENT_COUNT);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added, machine.last_component);
    EXPECT_EQ(added, machine.extension_components[0].get());
    EXPECT_EQ(added->machine, &machine);
    using Event = std::pair<char, ComponentId>;
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), Event('i', COMPONENT_COUNT)), 1);
    EXPECT_EQ(log.events.back(), Event('r', COMPONENT_COUNT));
    EXPECT_STREQ(machine.name_of(COMPONENT_COUNT), "the test register");
    EXPECT_EQ(machine.state_tag_of(COMPONENT_COUNT), state_tag("TREG"));

    machine.io_bus->port_write8(test::TEST_REGISTER_PORT, 0x5A);
    EXPECT_EQ(machine.io_bus->port_read8(test::TEST_REGISTER_PORT), 0x5A);
    machine.reset();
    EXPECT_EQ(machine.io_bus->port_read8(test::TEST_REGISTER_PORT), 0x00);
}

TEST(MachineExtensionTest, an_extension_saves_and_loads_its_own_chunk) {
    test::TestHost host;
    Machine with(&host, nullptr, test::TEST_DEVICES);
    with.io_bus->port_write8(test::TEST_REGISTER_PORT, 0xC3);
    StateWriter out;
    with.save_state(out);

    Machine again(&host, nullptr, test::TEST_DEVICES);
    StateReader in(out.data().data(), out.data().size());
    ASSERT_TRUE(again.load_state(in));
    EXPECT_EQ(again.io_bus->port_read8(test::TEST_REGISTER_PORT), 0xC3);
}

TEST(MachineExtensionTest, a_bad_extension_chunk_is_reported_as_that_component) {
    test::TestHost host;
    Machine machine(&host, nullptr, test::TEST_DEVICES);
    StateWriter out;
    machine.save_state(out);
    std::vector<uint8_t> bytes = out.data();
    // The last chunk is the register's (its layout version, then its byte):
    // give it a second byte it does not read.
    bytes.push_back(0);
    bytes[bytes.size() - 10] = 6;
    StateReader in(bytes.data(), bytes.size());
    StateFailure failed;
    EXPECT_FALSE(machine.load_state(in, &failed));
    EXPECT_EQ(failed.id, COMPONENT_COUNT);
    EXPECT_EQ(failed.kind, StateFailure::BAD_DATA);
}

}  // namespace
}  // namespace m5
