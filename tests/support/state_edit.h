// Crafted save states for tests: a state file with bytes of one component's
// chunk changed and packed again with a good checksum, as someone handing
// out a hostile state would make it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace m5::test {

// `file` with the bytes at `offset` of the fields of the chunk tagged `tag`
// (offset 0 is its first field) replaced by `bytes`; empty when the file
// cannot be read or has no such chunk.
std::vector<uint8_t> edit_state_chunk(const std::vector<uint8_t>& file, uint32_t tag, size_t offset,
                                      const std::vector<uint8_t>& bytes);

// The bytes of a 32-bit little-endian value.
std::vector<uint8_t> le32_bytes(uint32_t value);

// A state every front end once took and then died on, and the component a
// refusal must name.
struct HostileState {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string component;
};

// Made from the old state fixture "sprites" (its IPL is our program
// state_sprites, which writes the video chip's ports every frame): the sound
// chip's channel 0 loud with a period of 0x01000000
// and its counter at 0 (the mixer divided by zero), and port 0x10 of the
// I/O bus mapped to the bus itself (the first access never returned).
std::vector<HostileState> hostile_states();
// The fixture those are made from, and its IPL's test program.
std::string hostile_state_base();
inline constexpr const char* HOSTILE_STATE_IPL = "state_sprites";

}  // namespace m5::test
