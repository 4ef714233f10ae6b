#include "support/state_edit.h"

#include "host/state_file.h"
#include "m5/machine.h"
#include "support/temp_dir.h"

namespace m5::test {

namespace {
uint32_t le32_at(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}
}  // namespace

std::vector<uint8_t> edit_state_chunk(const std::vector<uint8_t>& file, uint32_t tag, size_t offset,
                                      const std::vector<uint8_t>& bytes) {
    StateFile state;
    std::string error;
    if (!decode_state_file(file, state, error)) return {};
    std::vector<uint8_t>& chunks = state.chunks;
    for (size_t at = 0; at + 8 <= chunks.size();) {
        const uint32_t length = le32_at(chunks, at + 4);
        // Chunks of format 3 and later begin with their layout version.
        const size_t fields = at + 8 + (state.format_version >= 3 ? 4 : 0);
        if (le32_at(chunks, at) == tag) {
            if (fields + offset + bytes.size() > at + 8 + length) return {};
            for (size_t i = 0; i < bytes.size(); ++i) chunks[fields + offset + i] = bytes[i];
            return encode_state_file(state);
        }
        at += 8 + length;
    }
    return {};
}

std::vector<uint8_t> le32_bytes(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

std::string hostile_state_base() { return std::string(M5_SOURCE_DIR) + "/tests/fixtures/states/sprites.m5s"; }

std::vector<HostileState> hostile_states() {
    const std::string text = read_file(hostile_state_base());
    const std::vector<uint8_t> base(text.begin(), text.end());
    // The sound chip's fields: eight 16-bit registers (channel 0's
    // attenuation second), the latched register, then per channel its
    // counter, period and output.
    std::vector<uint8_t> loud = edit_state_chunk(base, component_state_tag(PSG_ID), 2, {0, 0});
    std::vector<uint8_t> psg = edit_state_chunk(loud, component_state_tag(PSG_ID), 20, le32_bytes(0));
    psg = edit_state_chunk(psg, component_state_tag(PSG_ID), 24, le32_bytes(0x01000000));
    // The I/O bus's port map: per port the write target's id, port and wait
    // states, then the same for reads.
    const std::vector<uint8_t> bus =
        edit_state_chunk(base, component_state_tag(IO_BUS_ID), 0x10 * 6, {static_cast<uint8_t>(IO_BUS_ID)});
    return {{"sound_period", psg, "the sound chip"}, {"port_to_bus", bus, "the I/O bus"}};
}

}  // namespace m5::test
