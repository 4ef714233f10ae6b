// Save states written by an older build (tests/fixtures/states) load in
// today's m5run and run on to exactly the RAM, video RAM, picture and sound
// that build gave, before and after being saved again in today's format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/state_file.h"
#include "m5run_harness.h"
#include "machine/state_io.h"
#include "state_fixtures.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

const std::string FIXTURES = test::state_fixtures_dir();
using test::sha256_hex;

// The machine's and the host's chunks of a state file (empty when it cannot
// be read).
std::vector<uint8_t> chunks_of(const std::string& file) {
    StateFile state;
    std::string error;
    if (!decode_state_file(std::vector<uint8_t>(file.begin(), file.end()), state, error)) return {};
    return state.chunks;
}

// Runs the fixture's program from `state` for the frames expected.txt gives
// and checks the RAM, video RAM, sound and picture against it.
void expect_recorded_run(const std::string& name, const std::string& state) {
    test::RecordedRun e;
    ASSERT_TRUE(test::recorded_run(name, e)) << "no line for " << name << " in expected.txt";
    const test::TempDir dir;
    const test::RunResult r =
        test::run_m5run({"--ipl", test::rom_path(e.ipl), "--load-state", state, "--frames", std::to_string(e.frames),
                         "--rate", "4000", "--buffer", "100", "--dump-ram", dir.file("ram"), "--dump-vram",
                         dir.file("vram"), "--screenshot", dir.file("picture.png"), "--wav", dir.file("sound.wav")},
                        dir.dir(), dir.dir());
    ASSERT_EQ(r.exit_code, 0) << r.err;

    EXPECT_EQ(sha256_hex(test::read_file(dir.file("ram"))), e.ram) << "RAM";
    EXPECT_EQ(sha256_hex(test::read_file(dir.file("vram"))), e.vram) << "video RAM";
    const std::string wav = test::read_file(dir.file("sound.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(sha256_hex(wav.substr(44)), e.samples) << "sound";
    const test::Picture got = test::read_png(dir.file("picture.png"));
    const test::Picture want = test::read_png(FIXTURES + name + ".png");
    ASSERT_TRUE(got.ok && want.ok);
    EXPECT_TRUE(got.width == want.width && got.height == want.height && got.rgb == want.rgb) << "picture";
}

class M5RunStateFixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(M5RunStateFixtureTest, old_state_runs_on_as_the_build_that_saved_it) {
    expect_recorded_run(GetParam(), FIXTURES + GetParam() + ".m5s");
}

// Loaded and saved again at once, an old state becomes one of today's format
// that runs on to the same results, and saves again to the same chunks.
TEST_P(M5RunStateFixtureTest, old_state_saved_again_runs_on_the_same) {
    const std::string name = GetParam();
    test::RecordedRun e;
    ASSERT_TRUE(test::recorded_run(name, e)) << "no line for " << name << " in expected.txt";
    const test::TempDir dir;
    const auto resave = [&](const std::string& from, const std::string& to) {
        const test::RunResult r =
            test::run_m5run({"--ipl", test::rom_path(e.ipl), "--load-state", from, "--frames", "0", "--save-state", to},
                            dir.dir(), dir.dir());
        ASSERT_EQ(r.exit_code, 0) << r.err;
    };
    resave(FIXTURES + name + ".m5s", dir.file("again.m5s"));
    StateFile again;
    std::string error;
    const std::string bytes = test::read_file(dir.file("again.m5s"));
    ASSERT_TRUE(decode_state_file(std::vector<uint8_t>(bytes.begin(), bytes.end()), again, error)) << error;
    EXPECT_EQ(again.format_version, STATE_FORMAT_VERSION);
    expect_recorded_run(name, dir.file("again.m5s"));
    resave(dir.file("again.m5s"), dir.file("twice.m5s"));
    EXPECT_TRUE(chunks_of(test::read_file(dir.file("twice.m5s"))) == again.chunks);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, M5RunStateFixtureTest, ::testing::ValuesIn(test::STATE_FIXTURES),
                         test::state_fixture_name);

}  // namespace
}  // namespace m5
