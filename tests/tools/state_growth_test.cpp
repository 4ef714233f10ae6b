// States that grow: a device added to the machine (the tests' register, from
// tests/support/test_devices.h) does not make older states unloadable. The
// six states an older build saved (tests/fixtures/states) load into a
// machine that has it, with the register as a reset leaves it, and run on
// to exactly the RAM, video RAM, sound and picture that build recorded; a
// state saved with the register brings it back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devices/vdp.h"
#include "host/checksums.h"
#include "host/headless_platform.h"
#include "host/host.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "m5/machine.h"
#include "m5run_harness.h"  // read_png
#include "memory/memory_map.h"
#include "support/temp_dir.h"  // read_file
#include "support/test_devices.h"
#include "support/test_host.h"

namespace m5 {
namespace {

const std::string FIXTURES = std::string(M5_SOURCE_DIR) + "/tests/fixtures/states/";

template <typename T>
std::string sha256_hex(const std::vector<T>& items) {
    const Sha256Digest digest = sha256(reinterpret_cast<const uint8_t*>(items.data()), items.size() * sizeof(T));
    std::string hex;
    for (const uint8_t b : digest) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

// A line of expected.txt: the IPL, the frames run after the load and the
// SHA-256 of the RAM, the video RAM and the sound (16-bit stereo).
struct Expected {
    std::string ipl;
    int32_t frames = 0;
    std::string ram, vram, samples;
};

Expected expected_for(const std::string& name) {
    std::ifstream in(FIXTURES + "expected.txt");
    std::string line;
    Expected e;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        if (fields >> first && first == name) fields >> e.ipl >> e.frames >> e.ram >> e.vram >> e.samples;
    }
    return e;
}

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
    const Expected e = expected_for(name);
    ASSERT_GT(e.frames, 0) << "no line for " << name << " in expected.txt";
    FixtureRun r(e.ipl);
    r.test_register().value = 0x5A;
    const std::string file = test::read_file(FIXTURES + name + ".m5s");
    std::string error;
    ASSERT_TRUE(r.host->load_state(std::vector<uint8_t>(file.begin(), file.end()), error)) << error;
    EXPECT_EQ(r.test_register().value, 0) << "the state is older than the register: it is reset";
    r.platform.sound.set_frames(static_cast<int64_t>(r.host->frames_run()));
    r.run(e.frames);

    std::vector<uint8_t> ram(RAM_SIZE);
    r.host->machine().memory_map->copy_out(RAM_START, ram.data(), ram.size());
    EXPECT_EQ(sha256_hex(ram), e.ram);
    const Vdp& vdp = *r.host->machine().vdp;
    EXPECT_EQ(sha256_hex(std::vector<uint8_t>(vdp.vram.begin(), vdp.vram.end())), e.vram);
    std::vector<int16_t> stereo;
    for (const int16_t s : r.sound) stereo.insert(stereo.end(), {s, s});
    EXPECT_EQ(sha256_hex(stereo), e.samples) << "sound";
    r.host->present_frame();
    const test::Picture want = test::read_png(FIXTURES + name + ".png");
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

INSTANTIATE_TEST_SUITE_P(Fixtures, StateGrowthTest,
                         ::testing::Values("ctc_event_pending", "frame_interrupt_pending", "tone_mid_block",
                                           "busy_mid_block", "mid_paste", "sprites"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

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
