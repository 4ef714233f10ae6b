// Save states written by an older build (tests/fixtures/states) load in
// today's m5run and run on to exactly the RAM, video RAM, picture and sound
// that build gave, and save again to the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/checksums.h"
#include "host/state_file.h"
#include "m5run_harness.h"
#include "machine/state_io.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

const std::string FIXTURES = std::string(M5_SOURCE_DIR) + "/tests/fixtures/states/";

std::string sha256_hex(const std::string& bytes) {
    const Sha256Digest digest = sha256(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::string hex;
    for (uint8_t b : digest) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

// One line of expected.txt.
struct Expected {
    std::string ipl;
    int32_t frames = 0;
    std::string ram, vram, samples;  // SHA-256 in hex
};

bool find_expected(const std::string& name, Expected& e) {
    std::ifstream in(FIXTURES + "expected.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        if (fields >> first && first == name)
            return static_cast<bool>(fields >> e.ipl >> e.frames >> e.ram >> e.vram >> e.samples);
    }
    return false;
}

// The machine's and the host's chunks of a state file (empty when it cannot
// be read).
std::vector<uint8_t> chunks_of(const std::string& file) {
    StateFile state;
    std::string error;
    if (!decode_state_file(std::vector<uint8_t>(file.begin(), file.end()), state, error)) return {};
    return state.chunks;
}

// The chunks of a state's chunk list, tag and body, in order.
std::vector<std::pair<uint32_t, std::vector<uint8_t>>> split_chunks(const std::vector<uint8_t>& chunks) {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> split;
    StateReader all(chunks.data(), chunks.size());
    uint32_t tag = 0;
    StateReader body;
    while (all.next_chunk(tag, body)) {
        std::vector<uint8_t> bytes(body.remaining());
        body.raw(bytes.data(), bytes.size());
        split.emplace_back(tag, std::move(bytes));
    }
    return split;
}

class M5RunStateFixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(M5RunStateFixtureTest, old_state_runs_on_as_the_build_that_saved_it) {
    const std::string name = GetParam();
    Expected e;
    ASSERT_TRUE(find_expected(name, e)) << "no line for " << name << " in expected.txt";
    const test::TempDir dir;
    const test::RunResult r = test::run_m5run(
        {"--ipl", test::rom_path(e.ipl), "--load-state", FIXTURES + name + ".m5s", "--frames", std::to_string(e.frames),
         "--rate", "4000", "--buffer", "100", "--dump-ram", dir.file("ram"), "--dump-vram", dir.file("vram"),
         "--screenshot", dir.file("picture.png"), "--wav", dir.file("sound.wav")},
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

// Loading a state and saving it at once writes the same fields, byte for
// byte, and two chunks the old build did not write: the machine it was made
// on (the 60 Hz M5, model 0, with 32 KiB, memory 1) and the memory fitted
// (the 32 KiB expansion, 1, with nothing of its own).
TEST_P(M5RunStateFixtureTest, old_state_saved_again_at_once_is_the_same) {
    const std::string name = GetParam();
    Expected e;
    ASSERT_TRUE(find_expected(name, e)) << "no line for " << name << " in expected.txt";
    const test::TempDir dir;
    const test::RunResult r = test::run_m5run({"--ipl", test::rom_path(e.ipl), "--load-state", FIXTURES + name + ".m5s",
                                               "--frames", "0", "--save-state", dir.file("again.m5s")},
                                              dir.dir(), dir.dir());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<uint8_t> old_chunks = chunks_of(test::read_file(FIXTURES + name + ".m5s"));
    ASSERT_FALSE(old_chunks.empty());
    auto again = split_chunks(chunks_of(test::read_file(dir.file("again.m5s"))));
    const auto take = [&again](uint32_t tag) {
        for (auto chunk = again.begin(); chunk != again.end(); ++chunk) {
            if (chunk->first != tag) continue;
            std::vector<uint8_t> body = std::move(chunk->second);
            again.erase(chunk);
            return body;
        }
        return std::vector<uint8_t>{0xEE};
    };
    EXPECT_EQ(take(state_tag("MCFG")), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(take(state_tag("MEXP")), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_TRUE(again == split_chunks(old_chunks));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, M5RunStateFixtureTest,
                         ::testing::Values("ctc_event_pending", "frame_interrupt_pending", "tone_mid_block",
                                           "busy_mid_block", "mid_paste", "sprites"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace m5
