// The save states an older build wrote (tests/fixtures/states) and what that
// build recorded of the run on from each (expected.txt), as the tests that
// load them share it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace m5::test {

// The fixtures' folder, ending in '/'.
std::string state_fixtures_dir();

// The fixtures by name, for parameterised tests.
inline constexpr const char* STATE_FIXTURES[] = {
    "ctc_event_pending", "frame_interrupt_pending", "tone_mid_block", "busy_mid_block", "mid_paste", "sprites"};
inline std::string state_fixture_name(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

// A line of expected.txt: the IPL's test program, the frames run after the
// load and the SHA-256 (in hex) of the RAM, the video RAM and the sound
// (16-bit stereo).
struct RecordedRun {
    std::string ipl;
    int32_t frames = 0;
    std::string ram, vram, samples;
};

// The fixture's line; false when expected.txt has none.
bool recorded_run(const std::string& name, RecordedRun& run);

std::string sha256_hex(const void* data, size_t size);
template <typename Items>
std::string sha256_hex(const Items& items) {
    return sha256_hex(items.data(), items.size() * sizeof(items[0]));
}

}  // namespace m5::test
