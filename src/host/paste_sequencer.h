// PasteSequencer: types a text on the emulated keyboard, one character at a
// time, through the same key operations as the user's own key presses.
//
// The text is turned into the machine's 8-bit Japanese code page, and each
// byte into a virtual key and whether Shift goes with it (PASTE_KEYS, the
// layout of a Japanese JIS keyboard). Each character takes PASTE_CHAR_FRAMES
// frames: chosen (Shift pressed or let go) on its first, its key pressed on
// the second and let go on the fifth; a line end takes PASTE_LINE_FRAMES, so
// that the program reading it has time to take the line. A Shift-JIS lead
// byte stands for its two-byte character, which is not typed; CR LF is one
// line end.
//
// Units: frames (one step a frame). Its state (the text, its position, the
// step and the key in hand) is saved with the host's part of a state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace m5 {

class StateArchive;

// Paste sequencer timing and table bits.
inline constexpr int32_t PASTE_CHAR_FRAMES = 8;
inline constexpr int32_t PASTE_LINE_FRAMES = 30;
inline constexpr int32_t PASTE_SHIFT = 0x100;       // press Shift
inline constexpr int32_t PASTE_UPPER_CASE = 0x400;  // upper-case letter, Shift as well
inline constexpr int32_t PASTE_LOWER_CASE = 0x800;  // lower-case letter, no Shift
inline constexpr int32_t PASTE_SHIFT_MASK = 0x500;
inline constexpr int32_t PASTE_LINE_END = 0x00D;
// The longest text the sequencer types, in bytes of the machine's code page
// (two and a half hours of typing): a state holding a paste in progress
// stays small enough to load again.
inline constexpr size_t PASTE_MAX_BYTES = 64 * 1024;

// PASTE_KEYS: for each text byte, the virtual key to press in the low byte
// (0 = none) and the bits above; the layout of a Japanese (JIS) keyboard.
extern const std::array<int32_t, 256> PASTE_KEYS;

// What the sequencer types on: key presses by virtual-key code 0..255.
class KeyTarget {
public:
    virtual ~KeyTarget() = default;
    virtual void key_down(int32_t code) = 0;
    virtual void key_up(int32_t code) = 0;
};

// The sequencer's state, as a state file holds it.
struct PasteState {
    std::vector<uint8_t> text;  // the text and its terminating 0; empty when none
    int32_t length = 0;         // bytes of the text before its terminating 0
    int32_t position = 0;       // the next byte to type
    int32_t step = 0;           // frame within the character, 1-based; 0 when idle
    int32_t code = 0;           // the PASTE_KEYS entry being typed
    bool shift = false;         // the sequencer holds Shift down
};

// The sequencer's fields, described once for the host's part of a state. A
// load takes only what typing can leave: a text of at most
// PASTE_MAX_BYTES bytes and its 0 while typing, a step of the character's
// or the line end's frames, a code of PASTE_KEYS with Shift held as it asks.
void describe_paste_state(StateArchive& archive, PasteState& state);

// The bytes `utf8_text` types as (up to its first NUL), which must be at
// most PASTE_MAX_BYTES.
size_t paste_bytes(const std::string& utf8_text);

class PasteSequencer {
public:
    explicit PasteSequencer(KeyTarget& keys);
    PasteSequencer(const PasteSequencer&) = delete;
    PasteSequencer& operator=(const PasteSequencer&) = delete;

    // Starts typing the UTF-8 text, abandoning a paste in progress. The text
    // ends at its first NUL; an empty text still runs one cycle. False, with
    // nothing changed, for a text longer than PASTE_MAX_BYTES.
    bool start(const std::string& utf8_text);
    // Stops, letting go of the keys the sequencer holds.
    void stop();
    // One frame's step.
    void step();
    bool pasting() const { return fields.step != 0; }

    const PasteState& state() const { return fields; }
    // Takes a state that has been checked (a loaded state file's).
    void restore(PasteState state) { fields = std::move(state); }

private:
    KeyTarget& target;
    PasteState fields;
};

}  // namespace m5
