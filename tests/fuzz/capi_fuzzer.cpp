// The embeddable core's C interface: the input is a program of calls, each
// an operation byte followed by its arguments, with images, tapes, states,
// texts and addresses taken from the input. Every call must return a defined
// result (no crash, no leak, no sanitizer report), a state just saved must
// load and save again to the same bytes, and a refused call must say why.
// The sound of each frame comes in whole blocks of the length last set. A
// recording callback may call back into its handle: what it may not do is
// refused, and the recording goes on.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "m5emu/m5emu.h"

namespace {

// Reads the input as arguments; past its end everything reads as zero.
class Input {
public:
    Input(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    bool done() const { return at_ >= end_; }
    uint8_t byte() { return at_ < end_ ? *at_++ : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | byte() << 8); }
    std::vector<uint8_t> bytes(size_t count) {
        const size_t n = std::min(count, static_cast<size_t>(end_ - at_));
        std::vector<uint8_t> out(at_, at_ + n);
        at_ += n;
        return out;
    }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

const char* const KEY_NAMES[] = {"A", "SPACE", "RETURN", "SHIFT", "LSHIFT", "CTRL", "UP", "5", "F1", "", "NOPE"};

// What a recording callback writes into, and whether it calls back into
// its handle.
struct Recorded {
    m5emu* m5 = nullptr;
    std::vector<uint8_t> image;
    bool reenter = false;
};

int write_tape(void* user, uint64_t offset, const uint8_t* data, size_t size) {
    auto* recorded = static_cast<Recorded*>(user);
    if (offset > (1u << 24)) return 1;  // a bound on the scratch image
    if (recorded->image.size() < offset + size) recorded->image.resize(offset + size);
    std::memcpy(recorded->image.data() + offset, data, size);
    if (recorded->reenter) {
        m5emu* m5 = recorded->m5;
        uint8_t byte = 0;
        FUZZ_CHECK(m5emu_read_memory(m5, 0x7000, &byte, 1) == M5EMU_OK, "inspection refused in a callback");
        FUZZ_CHECK(m5emu_stop_tape(m5) == M5EMU_ERROR_ORDER && m5emu_run_frame(m5) == M5EMU_ERROR_ORDER &&
                       m5emu_reset(m5) == M5EMU_ERROR_ORDER && *m5emu_last_error(m5) != 0,
                   "a callback changed what is in use");
        m5emu_destroy(m5);  // does nothing from here
    }
    return 0;
}

void check(m5emu* m5, int result) {
    FUZZ_CHECK(result <= 0 && result >= M5EMU_ERROR_MEMORY, "a result outside the documented codes");
    if (result != M5EMU_OK) FUZZ_CHECK(*m5emu_last_error(m5) != 0, "a refusal without a reason");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    m5emu* m5 = m5emu_create();
    FUZZ_CHECK(m5 != nullptr, "no machine");
    Recorded recorded;
    recorded.m5 = m5;
    std::vector<uint8_t> state;
    int frames = 0;
    size_t block = 0;  // the block length of the sound
    // Frames and states bound a program's time (a state saved with its
    // picture is the slowest call there is).
    int states = 0;
    while (!in.done() && frames < 40 && states < 16) {
        switch (in.byte() % 18) {
            case 0: {
                const int n = in.byte() % 4 + 1;
                for (int i = 0; i < n; ++i) check(m5, m5emu_run_frame(m5));
                frames += n;
                size_t count = 0;
                const int16_t* samples = m5emu_sound(m5, &count);
                FUZZ_CHECK(count == 0 || samples != nullptr, "sound without samples");
                FUZZ_CHECK(block == 0 || count % block == 0, "sound in part of a block");
                break;
            }
            case 1: {
                const std::vector<uint8_t> image = in.bytes(in.word());
                check(m5, m5emu_insert_cartridge(m5, image.empty() ? nullptr : image.data(), image.size()));
                break;
            }
            case 2: {
                const std::vector<uint8_t> image = in.bytes(in.word());
                check(m5, m5emu_set_ipl(m5, image.empty() ? nullptr : image.data(), image.size()));
                break;
            }
            case 3: {
                const std::vector<uint8_t> image = in.bytes(in.word());
                check(m5, m5emu_play_tape(m5, image.empty() ? nullptr : image.data(), image.size(), in.byte() % 4));
                break;
            }
            case 4: {
                const uint8_t how = in.byte();
                recorded.reenter = (how & 0x10) != 0;
                check(m5, m5emu_record_tape(m5, how % 4, in.byte() % 8 ? write_tape : nullptr, &recorded));
                break;
            }
            case 5: check(m5, m5emu_stop_tape(m5)); break;
            case 6: {
                const uint8_t pick = in.byte();
                check(m5,
                      m5emu_key(m5, pick == 0xFF ? nullptr : KEY_NAMES[pick % std::size(KEY_NAMES)], in.byte() & 1));
                break;
            }
            case 7: check(m5, m5emu_joystick(m5, in.byte() % 3, in.byte())); break;
            case 8: {
                const std::vector<uint8_t> text = in.bytes(in.byte());
                check(m5, m5emu_paste(m5, std::string(text.begin(), text.end()).c_str()));
                break;
            }
            case 9: {
                ++states;
                size_t needed = 0;
                check(m5, m5emu_save_state(m5, nullptr, &needed));
                state.assign(needed, 0);
                size_t written = needed;
                check(m5, m5emu_save_state(m5, state.data(), &written));
                FUZZ_CHECK(written == needed && needed <= M5EMU_STATE_SIZE_MAX, "a state of an unexpected size");
                FUZZ_CHECK(m5emu_load_state(m5, state.data(), state.size()) == M5EMU_OK, "its own state refused");
                size_t again_size = needed;
                std::vector<uint8_t> again(needed);
                check(m5, m5emu_save_state(m5, again.data(), &again_size));
                FUZZ_CHECK(again == state, "a state saved, loaded and saved again changed");
                break;
            }
            case 10: {
                ++states;
                std::vector<uint8_t> bytes = state;
                if (in.byte() & 1) {
                    bytes = in.bytes(in.word());
                } else if (!bytes.empty()) {
                    bytes[in.word() % bytes.size()] ^= in.byte() | 1;
                }
                check(m5, m5emu_load_state(m5, bytes.empty() ? nullptr : bytes.data(), bytes.size()));
                break;
            }
            case 11: {
                const uint16_t address = in.word();
                std::vector<uint8_t> buffer(in.word() % 0x1100);
                check(m5, m5emu_read_memory(m5, address, buffer.data(), buffer.size()));
                check(m5, m5emu_write_memory(m5, address, buffer.data(), buffer.size()));
                break;
            }
            case 12: {
                const uint16_t address = in.word();
                std::vector<uint8_t> buffer(in.word() % 0x4100);
                check(m5, m5emu_read_vram(m5, address, buffer.data(), buffer.size()));
                check(m5, m5emu_write_vram(m5, address, buffer.data(), buffer.size()));
                break;
            }
            case 13: {
                const int rate = in.word() * 4;
                const int length = in.word() % 70000 - 10;
                const int result = m5emu_set_sound(m5, rate, length);
                check(m5, result);
                if (result == M5EMU_OK) block = static_cast<size_t>(length);
                break;
            }
            case 14: check(m5, m5emu_set_speed(m5, in.byte() % 20)); break;
            case 15: {
                std::vector<uint8_t> picture(M5EMU_PIXELS * 4);
                check(m5, m5emu_picture(m5, picture.data(), picture.size() - (in.byte() & 1), in.byte() % 3));
                break;
            }
            case 16:
                switch (in.byte() % 4) {
                    case 0: check(m5, m5emu_reset(m5)); break;
                    case 1: check(m5, m5emu_remove_cartridge(m5)); break;
                    case 2: check(m5, m5emu_use_free_boot_rom(m5)); break;
                    default: check(m5, m5emu_release_all(m5)); break;
                }
                break;
            default: {
                m5emu_z80_registers registers;
                check(m5, m5emu_registers(m5, &registers));
                FUZZ_CHECK(m5emu_registers(m5, nullptr) == M5EMU_ERROR_ARGUMENT, "registers into nothing");
                FUZZ_CHECK(m5emu_frame_count(m5) == static_cast<uint64_t>(frames) || state.size() != 0,
                           "the frame count is off");
                break;
            }
        }
    }
    m5emu_destroy(m5);
    return 0;
}
