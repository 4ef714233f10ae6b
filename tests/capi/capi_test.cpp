// The C interface against hostile callers and hostile states: what it
// refuses, and that a refusal leaves the machine as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "m5emu/m5emu.h"
#include "support/state_edit.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5::test {
namespace {

std::vector<uint8_t> bytes_of(const std::string& path) {
    const std::string text = read_file(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A handle, destroyed with the test.
struct Handle {
    Handle() : m5(m5emu_create()) {}
    ~Handle() { m5emu_destroy(m5); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    std::vector<uint8_t> save() const {
        size_t size = 0;
        if (m5emu_save_state_quick(m5, nullptr, &size) != M5EMU_OK) return {};
        std::vector<uint8_t> state(size);
        if (m5emu_save_state_quick(m5, state.data(), &size) != M5EMU_OK) return {};
        state.resize(size);
        return state;
    }
    m5emu* m5;
};

TEST(CapiStateTest, hostile_states_are_refused_naming_the_part_and_change_nothing) {
    Handle h;
    ASSERT_NE(h.m5, nullptr);
    const std::vector<uint8_t> ipl = bytes_of(rom_path(HOSTILE_STATE_IPL));
    ASSERT_EQ(m5emu_set_ipl(h.m5, ipl.data(), ipl.size()), M5EMU_OK);
    for (int32_t frame = 0; frame < 20; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
    const std::vector<uint8_t> before = h.save();
    for (const HostileState& hostile : hostile_states()) {
        ASSERT_FALSE(hostile.bytes.empty()) << hostile.name;
        EXPECT_EQ(m5emu_load_state(h.m5, hostile.bytes.data(), hostile.bytes.size()), M5EMU_ERROR_STATE)
            << hostile.name;
        EXPECT_NE(std::string(m5emu_last_error(h.m5)).find(hostile.component), std::string::npos)
            << hostile.name << ": " << m5emu_last_error(h.m5);
        EXPECT_EQ(h.save(), before) << hostile.name;
    }
    for (int32_t frame = 0; frame < 10; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
}

}  // namespace
}  // namespace m5::test
