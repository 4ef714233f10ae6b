// The web page's side of the C API: one machine, and the few buffers the page
// reads straight out of WebAssembly memory (the picture, a saved state).
//
// Everything else the page calls is the C API itself (m5emu_key,
// m5emu_joystick, m5emu_insert_cartridge, m5emu_load_state, ...), on the
// handle m5web_machine() returns. What lives here is only what a page needs
// and a C caller does not: a fresh machine that replaces the running one only
// when it could be built, and results that JavaScript reads without managing
// sizes and out-parameters.
#include <emscripten/emscripten.h>
#include <m5emu/m5emu.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

m5emu* machine = nullptr;
int sample_rate_hz = 48000;
// The model and memory of every machine created from now on.
m5emu_machine chosen{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
// What the free boot ROM's demo says about IPL.ROM and cartridges on the page.
constexpr const char* BOOT_HINT =
    "The original *IPL.ROM*: press\n*More*, *Use my IPL.ROM*.\nInsert a cartridge: *Cart*.";
std::string error;
uint8_t picture[M5EMU_PIXELS * 4];
std::vector<uint8_t> state;

// Keeps the reason of a failed call on `m5` (the handle may be destroyed next).
int fail(const m5emu* m5, int result) {
    error = m5emu_last_error(m5);
    return result;
}

// A new machine of the chosen model and memory on the free boot ROM, its
// demo speaking of the page.
m5emu* create_machine() {
    m5emu* m5 = m5emu_create_machine(&chosen);
    if (m5 != nullptr) m5emu_set_boot_hint(m5, BOOT_HINT);
    return m5;
}

}  // namespace

extern "C" {

// The running machine; the first call creates it, powered on with the free
// boot ROM. Null only when out of memory.
EMSCRIPTEN_KEEPALIVE m5emu* m5web_machine() {
    if (machine == nullptr) {
        machine = create_machine();
        if (machine != nullptr) m5emu_set_sound(machine, sample_rate_hz, 0);
    }
    return machine;
}

// The sample rate of the page's sound output, for this machine and every
// later one.
EMSCRIPTEN_KEEPALIVE int m5web_set_sample_rate(int rate_hz) {
    m5emu* m5 = m5web_machine();
    if (m5 == nullptr) return M5EMU_ERROR_MEMORY;
    const int result = m5emu_set_sound(m5, rate_hz, 0);
    if (result != M5EMU_OK) return fail(m5, result);
    sample_rate_hz = rate_hz;
    return M5EMU_OK;
}

// A fresh machine as m5run starts one: the IPL (the free boot ROM when
// `ipl_size` is 0), then the cartridge and the tape when given. It replaces
// the running machine only when every part was taken; otherwise the running
// machine goes on untouched and m5web_error() says why.
EMSCRIPTEN_KEEPALIVE int m5web_power_on(const uint8_t* ipl, size_t ipl_size, const uint8_t* cartridge,
                                        size_t cartridge_size, const uint8_t* tape, size_t tape_size) {
    m5emu* fresh = create_machine();
    if (fresh == nullptr) {
        error = "out of memory";
        return M5EMU_ERROR_MEMORY;
    }
    int result = m5emu_set_sound(fresh, sample_rate_hz, 0);
    if (result == M5EMU_OK && ipl_size > 0) result = m5emu_set_ipl(fresh, ipl, ipl_size);
    if (result == M5EMU_OK && cartridge_size > 0) result = m5emu_insert_cartridge(fresh, cartridge, cartridge_size);
    if (result == M5EMU_OK && tape_size > 0) result = m5emu_play_tape(fresh, tape, tape_size, M5EMU_TAPE_AUTO);
    if (result != M5EMU_OK) {
        fail(fresh, result);
        m5emu_destroy(fresh);
        return result;
    }
    m5emu_destroy(machine);
    machine = fresh;
    return M5EMU_OK;
}

// The model (M5EMU_MODEL_*) and memory (M5EMU_MEMORY_*) of the machines
// m5web_power_on makes from now on; the running machine stays as it is.
EMSCRIPTEN_KEEPALIVE int m5web_choose_machine(int model, int memory) {
    if (model != M5EMU_MODEL_NTSC && model != M5EMU_MODEL_PAL) {
        error = "no such model";
        return M5EMU_ERROR_ARGUMENT;
    }
    if (memory < M5EMU_MEMORY_4K || memory > M5EMU_MEMORY_64KBF_2C) {
        error = "no such memory";
        return M5EMU_ERROR_ARGUMENT;
    }
    chosen = m5emu_machine{model, memory};
    return M5EMU_OK;
}

// Frames a second of the machine's video standard, at which the page runs
// it; 0 when there is no machine.
EMSCRIPTEN_KEEPALIVE int m5web_frames_per_second() {
    m5emu* m5 = m5web_machine();
    m5emu_video_standard standard{};
    if (m5 == nullptr || m5emu_get_video_standard(m5, &standard) != M5EMU_OK) return 0;
    return static_cast<int>(standard.frames_per_second);
}

// Runs `count` frames; stops at the first that fails.
EMSCRIPTEN_KEEPALIVE int m5web_run_frames(int count) {
    m5emu* m5 = m5web_machine();
    if (m5 == nullptr) return M5EMU_ERROR_MEMORY;
    for (int i = 0; i < count; ++i) {
        const int result = m5emu_run_frame(m5);
        if (result != M5EMU_OK) return fail(m5, result);
    }
    return M5EMU_OK;
}

// The last frame's picture, RGBA, 256 x 192; null on failure.
EMSCRIPTEN_KEEPALIVE const uint8_t* m5web_picture() {
    m5emu* m5 = m5web_machine();
    if (m5 == nullptr) return nullptr;
    const int result = m5emu_picture(m5, picture, sizeof picture, M5EMU_PIXEL_RGBA8888);
    if (result != M5EMU_OK) {
        fail(m5, result);
        return nullptr;
    }
    return picture;
}

// Saves the machine; the bytes stay at the returned address, m5web_state_size()
// long, until the next save. Null on failure. One save into a buffer of the
// usual bound (a second only when a long paste made the state larger), as the
// page saves a state every second for rewinding.
EMSCRIPTEN_KEEPALIVE const uint8_t* m5web_save_state() {
    m5emu* m5 = m5web_machine();
    if (m5 == nullptr) return nullptr;
    state.resize(std::max<size_t>(state.capacity(), M5EMU_STATE_SIZE_MAX));
    size_t size = state.size();
    int result = m5emu_save_state(m5, state.data(), &size);
    if (result == M5EMU_ERROR_ARGUMENT && size > state.size()) {
        state.resize(size);
        result = m5emu_save_state(m5, state.data(), &size);
    }
    if (result != M5EMU_OK) {
        state.clear();
        fail(m5, result);
        return nullptr;
    }
    state.resize(size);
    return state.data();
}

EMSCRIPTEN_KEEPALIVE size_t m5web_state_size() { return state.size(); }

// Why the last failed m5web_* call failed; for the C API's own calls, use
// m5emu_last_error on the machine.
EMSCRIPTEN_KEEPALIVE const char* m5web_error() { return error.c_str(); }

}  // extern "C"
