// States that grow: a device added to the machine (the tests' register, from
// tests/support/test_devices.h) does not make older states unloadable. The
// six states an older build saved (tests/fixtures/states) load into a
// machine that has it, with the register as a reset leaves it, and run on
// to exactly the RAM, video RAM, sound and picture that build recorded; a
// state saved with the register brings it back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/vdp.h"
#include "host/headless_platform.h"
#include "host/host.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "m5/machine.h"
#include "m5run_harness.h"  // read_png
#include "memory/memory_map.h"
#include "state_fixtures.h"
#include "support/temp_dir.h"  // read_file
#include "support/test_devices.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using test::sha256_hex;

// m5run's machine as the fixtures were recorded with it (4000 Hz, blocks of
// 100 ms, the virtual sound device), with the tests' devices added.
struct FixtureRun {
    explicit FixtureRun(const std::string& ipl_program) : platform("", std::nullopt) {
        settings.default_settings();
        settings.sample_rate_index = 1;  // 4000 Hz
        settings.buffer_length_index = 0;
        platform.played = &sound;
        host = std::make_unique<Host>(platform, settings, test::TEST_DEVICES);
        const std::string ipl = test::read_file(test::rom_path(ipl_program));
        host->set_ipl(reinterpret_cast<const uint8_t*>(ipl.data()), ipl.size());
    }
    void run(int32_t frames) {
        for (int32_t i = 0; i < frames; ++i) {
            host->emulate_frame();
            platform.sound.advance_frame();
        }
    }
    test::TestRegister& test_register() {
        return static_cast<test::TestRegister&>(*host->machine().extension_components.at(0));
    }

    Settings settings;
    HeadlessPlatform platform;
    std::vector<int16_t> sound;
    std::unique_ptr<Host> host;
};

class StateGrowthTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StateGrowthTest, an_old_state_loads_with_the_new_device_reset_and_runs_on_as_recorded) {
    const std::string name = GetParam();
    test::RecordedRun e;
    ASSERT_TRUE(test::recorded_run(name, e)) << "no line for " << name << " in expected.txt";
    FixtureRun r(e.ipl);
    r.test_register().value = 0x5A;
    const std::string file = test::read_file(test::state_fixtures_dir() + name + ".m5s");
    std::string error;
    ASSERT_TRUE(r.host->load_state(std::vector<uint8_t>(file.begin(), file.end()), error)) << error;
    EXPECT_EQ(r.test_register().value, 0) << "the state is older than the register: it is reset";
    r.platform.sound.set_frames(static_cast<int64_t>(r.host->frames_run()));
    r.run(e.frames);

    std::vector<uint8_t> ram(RAM_SIZE);
    r.host->machine().memory_map->copy_out(RAM_START, ram.data(), ram.size());
    EXPECT_EQ(sha256_hex(ram), e.ram);
    const Vdp& vdp = *r.host->machine().vdp;
    EXPECT_EQ(sha256_hex(vdp.vram), e.vram);
    std::vector<int16_t> stereo;
    for (const int16_t s : r.sound) stereo.insert(stereo.end(), {s, s});
    EXPECT_EQ(sha256_hex(stereo), e.samples) << "sound";
    r.host->present_frame();
    const test::Picture want = test::read_png(test::state_fixtures_dir() + name + ".png");
    ASSERT_TRUE(want.ok);
    std::vector<uint8_t> got;
    const uint16_t* pixels = r.host->surface_pixels();
    for (int32_t i = 0; i < SURFACE_WIDTH * SURFACE_HEIGHT; ++i) {
        got.insert(got.end(), {widen5(pixels[i] >> 11), widen6((pixels[i] >> 5) & 0x3F), widen5(pixels[i] & 0x1F)});
    }
    EXPECT_TRUE(got == want.rgb) << "picture";

    // Saved with the register, the state brings it back.
    r.test_register().value = 0xA7;
    const std::vector<uint8_t> saved = r.host->save_state(false);
    r.test_register().value = 0;
    ASSERT_TRUE(r.host->load_state(saved, error)) << error;
    EXPECT_EQ(r.test_register().value, 0xA7);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, StateGrowthTest, ::testing::ValuesIn(test::STATE_FIXTURES),
                         test::state_fixture_name);

// A state saved by a machine without the register loads into one with it
// (the register reset); one saved with it does not load into a machine
// without it, which cannot take a part it does not have.
TEST(StateGrowthRefusal, a_state_with_a_part_the_machine_lacks_is_refused) {
    FixtureRun with("state_sprites");
    with.run(10);
    const std::vector<uint8_t> state = with.host->save_state(false);
    HeadlessPlatform platform("", std::nullopt);
    Settings settings;
    settings.default_settings();
    Host plain(platform, settings);
    const std::string ipl = test::read_file(test::rom_path("state_sprites"));
    plain.set_ipl(reinterpret_cast<const uint8_t*>(ipl.data()), ipl.size());
    std::string error;
    EXPECT_FALSE(plain.load_state(state, error));
    EXPECT_NE(error.find("does not have"), std::string::npos) << error;
    plain.emulate_frame();
    const std::vector<uint8_t> without = plain.save_state(false);
    with.test_register().value = 9;
    ASSERT_TRUE(with.host->load_state(without, error)) << error;
    EXPECT_EQ(with.test_register().value, 0);
}

}  // namespace
}  // namespace m5
