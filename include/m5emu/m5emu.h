/* m5emu.h: the Sord M5 emulator as a library.
 *
 * One machine is one `m5emu` handle. It is created powered on with the free
 * boot ROM, which is compiled into the library: an embedder needs no file at
 * all. Everything reaches the machine as bytes (ROM images, cartridges,
 * tapes, states) and leaves it as bytes (pictures, sound, states, tape
 * recordings); the library never opens a path.
 *
 * Use from C99 or C++. A handle is used from one thread at a time; separate
 * handles are independent.
 *
 * Ownership: every pointer the caller passes in is borrowed for the call
 * only (the library copies what it keeps), except the recording callback's
 * `user` pointer, which the library keeps until the recording ends. Every
 * pointer the library returns (texts, the sound of a frame) belongs to the
 * handle and stays valid until the next call on that handle; the caller
 * never frees it.
 *
 * Errors: functions return M5EMU_OK (0) or a negative M5EMU_ERROR_* code;
 * m5emu_last_error() then says why in one line. A null handle, null pointer,
 * wrong size, garbage image or state, or a call at the wrong time returns an
 * error and changes nothing; no call crashes or leaks on bad input.
 *
 * Files: a cartridge, a tape and a state are checked whole before the
 * machine is touched, by the same rule and in the same words as the
 * emulator's other programs: a refused one (empty, too large, not of its
 * kind: "the cartridge is empty", "the tape holds no samples") gives
 * M5EMU_ERROR_MEDIA or M5EMU_ERROR_STATE and leaves the machine exactly as it
 * was. One that is taken with a remark ("the cartridge begins with 5A, ...")
 * gives M5EMU_OK, and m5emu_last_error() holds the remark.
 *
 * Callbacks: the tape recording callback runs inside calls on its handle
 * (running a frame, stopping the tape, saving or loading a state, a reset,
 * destroying the handle, ...). From inside it, only these calls may be made
 * on the same handle: m5emu_last_error, m5emu_frame_count, m5emu_pasting,
 * m5emu_sound, m5emu_read_memory, m5emu_read_vram, m5emu_registers,
 * m5emu_get_video_standard, m5emu_ram, m5emu_ram_extent and
 * m5emu_address_space (and the calls that take no handle). Any other call
 * on that handle returns M5EMU_ERROR_ORDER and changes nothing;
 * m5emu_destroy does nothing. Other handles may be used freely.
 */
#ifndef M5EMU_M5EMU_H
#define M5EMU_M5EMU_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define M5EMU_API __attribute__((visibility("default")))
#else
#define M5EMU_API
#endif

/* The version of this interface: a program built against version N works
 * with a library whose m5emu_api_version() is N or later.
 * 2: the file checks, the boot screen's hint and the key table.
 * 3: the machine's model and memory (m5emu_create_machine, m5emu_get_machine,
 *    m5emu_set_machine).
 * 4: m5emu_run_frames.
 * 5: m5emu_ram_extent; m5emu_ram and m5emu_address_space follow the memory
 *    fitted. */
#define M5EMU_API_VERSION 5

/* The picture: M5EMU_WIDTH x M5EMU_HEIGHT pixels, top row first. */
#define M5EMU_WIDTH 256
#define M5EMU_HEIGHT 192
#define M5EMU_PIXELS (M5EMU_WIDTH * M5EMU_HEIGHT)

/* Sizes of the address space, the RAM and the video memory. */
#define M5EMU_IPL_SIZE 8192
#define M5EMU_CARTRIDGE_SIZE 20480
#define M5EMU_RAM_START 0x7000
#define M5EMU_RAM_SIZE 36864
#define M5EMU_VRAM_SIZE 16384

/* An upper bound of a saved state's size (see m5emu_save_state). */
#define M5EMU_STATE_SIZE_MAX (512 * 1024)
/* The longest text m5emu_paste types. */
#define M5EMU_PASTE_MAX 65536

enum {
    M5EMU_OK = 0,
    M5EMU_ERROR_ARGUMENT = -1, /* a null pointer, a size or value out of range */
    M5EMU_ERROR_MEDIA = -2,    /* an image, cartridge or tape that is refused */
    M5EMU_ERROR_STATE = -3,    /* a state that cannot be loaded (the machine is unchanged) */
    M5EMU_ERROR_ORDER = -4,    /* not possible now (e.g. stopping a tape that is not there) */
    M5EMU_ERROR_MEMORY = -5    /* out of memory */
};

/* Tape image formats. */
enum {
    M5EMU_TAPE_AUTO = 0, /* WAV when the bytes begin with "RIFF", else CAS */
    M5EMU_TAPE_CAS = 1,  /* run lengths, or a SORDM5 block file */
    M5EMU_TAPE_WAV = 2
};

/* Pixel formats of m5emu_picture(). */
enum {
    /* One uint32_t a pixel: 0xFFRRGGBB (alpha in the top byte, always 255).
     * This is libretro's XRGB8888 and many frame buffers' native format. */
    M5EMU_PIXEL_XRGB8888 = 0,
    /* Four bytes a pixel in memory order R, G, B, A (A = 255): an HTML
     * canvas's ImageData. */
    M5EMU_PIXEL_RGBA8888 = 1
};

/* Joystick bits of m5emu_joystick(). */
#define M5EMU_JOY_UP 0x01
#define M5EMU_JOY_DOWN 0x02
#define M5EMU_JOY_LEFT 0x04
#define M5EMU_JOY_RIGHT 0x08
#define M5EMU_JOY_FIRE1 0x10
#define M5EMU_JOY_FIRE2 0x20

typedef struct m5emu m5emu;

/* Models of the M5 (m5emu_machine.model). */
enum {
    M5EMU_MODEL_NTSC = 0, /* the Japanese 60 Hz M5, TMS9918A (the default) */
    M5EMU_MODEL_PAL = 1   /* the European 50 Hz M5, TMS9929A */
};

/* The memory fitted (m5emu_machine.memory). */
enum {
    M5EMU_MEMORY_4K = 0,       /* the bare machine: 4 KiB at 0x7000; 0x8000-0xFFFF reads 0xFF */
    M5EMU_MEMORY_32K = 1,      /* the 32 KiB expansion: RAM from 0x7000 to 0xFFFF (the default) */
    M5EMU_MEMORY_64KBF_2B = 2, /* the 64KBF module, second prototype: 64 KiB, modes by OUT (0x30),n */
    M5EMU_MEMORY_64KBF_2C = 3  /* the 64KBF module, 2C version */
};

/* Which M5 a handle is: the options of m5emu_create_machine, and what
 * m5emu_get_machine reports. */
typedef struct m5emu_machine {
    int model;  /* M5EMU_MODEL_* */
    int memory; /* M5EMU_MEMORY_* */
} m5emu_machine;

/* The video standard the machine runs to, as m5emu_get_video_standard()
 * reports it. A frame lasts exactly clocks_per_frame / machine_clock_hz
 * seconds (for the M5, 63333 / 3800000: 60.0003 frames a second), the rate
 * to give a frontend that wants the machine's own; frames_per_second is the
 * whole rate its sound is made for (a frame's sound is sample_rate /
 * frames_per_second samples). Texts are static storage. */
typedef struct m5emu_video_standard {
    const char* name;              /* "NTSC" */
    const char* video_chip;        /* "TMS9918A" */
    uint32_t frames_per_second;    /* 60 */
    uint32_t lines_per_frame;      /* 262 */
    uint32_t frame_interrupt_line; /* 192: the picture is drawn, and the frame interrupt raised, as it starts */
    uint32_t machine_clock_hz;     /* 3800000 */
    uint32_t clocks_per_frame;     /* 63333 */
} m5emu_video_standard;

/* The processor's registers, as m5emu_registers() reads them. */
typedef struct m5emu_z80_registers {
    uint16_t af, bc, de, hl;
    uint16_t af_alt, bc_alt, de_alt, hl_alt;
    uint16_t ix, iy, sp, pc;
    uint8_t i, r, iff1, iff2, im, halted;
} m5emu_z80_registers;

/* The tape recording callback: writes `size` bytes at byte `offset` of the
 * tape image being recorded. The image grows at its end; a WAV image's
 * header (offset 0) is written when the recording starts and again, with
 * its sizes, when it ends. Returns 0, or non-zero when the bytes could not
 * be written (the recording goes on; m5emu_stop_tape() then reports it). */
typedef int (*m5emu_tape_write_fn)(void* user, uint64_t offset, const uint8_t* data, size_t size);

/* --- Version and errors ------------------------------------------------------- */

/* M5EMU_API_VERSION of the library. */
M5EMU_API unsigned m5emu_api_version(void);
/* The emulator's version, e.g. "0.5.0". Static storage. */
M5EMU_API const char* m5emu_version(void);
/* One line saying why the last failed call on `m5` failed ("" when none;
 * a null `m5` gives the reason m5emu_create last failed). */
M5EMU_API const char* m5emu_last_error(const m5emu* m5);

/* --- Life --------------------------------------------------------------------- */

/* A new machine, powered on with the free boot ROM and no cartridge or tape,
 * sound at 48000 Hz: the 60 Hz M5 with 32 KiB. NULL when out of memory. */
M5EMU_API m5emu* m5emu_create(void);
/* The same for the model and memory of `machine` (NULL: the default), with
 * the free boot ROM of that model (0xE1 at 0x1518 on the 50 Hz one). NULL
 * when out of memory or when `machine` names no model or memory;
 * m5emu_last_error(NULL) says which. */
M5EMU_API m5emu* m5emu_create_machine(const m5emu_machine* machine);
/* The model and memory of the machine. */
M5EMU_API int m5emu_get_machine(const m5emu* m5, m5emu_machine* out);
/* Makes the handle another M5, powered on afresh: the same IPL ROM (the free
 * boot ROM as the new model's build) and cartridge, the tape stopped and
 * removed, the frame count back to 0. Its video standard (frame rate,
 * lines) and the sound of a frame follow the model; a state saved on the
 * old machine is refused by the new one. Nothing happens when it is the
 * machine the handle is already. */
M5EMU_API int m5emu_set_machine(m5emu* m5, const m5emu_machine* machine);
/* Ends a recording (through its callback) and frees everything. NULL is
 * accepted. */
M5EMU_API void m5emu_destroy(m5emu* m5);

/* --- ROM, cartridge, reset -------------------------------------------------------- */

/* The IPL ROM from bytes (the first 8 KiB are used; a shorter image is
 * padded with 0xFF), then a reset. An empty image is refused. */
M5EMU_API int m5emu_set_ipl(m5emu* m5, const uint8_t* data, size_t size);
/* The free boot ROM as IPL, then a reset. */
M5EMU_API int m5emu_use_free_boot_rom(m5emu* m5);
/* What the free boot ROM's demo says on where the original IPL ROM goes and
 * how a cartridge is inserted, in the program's own words: up to three lines
 * separated by '\n' (two about the IPL ROM, one about cartridges), each at
 * most 32 characters of printable ASCII; text between two '*' is
 * highlighted. "" gives the ROM's own words (IPL.ROM in the program's
 * directory, the Cart menu). It holds for this handle from now on (the
 * machine runs on; a state saved with it loads with any hint).
 * M5EMU_ERROR_ARGUMENT for a hint the screen cannot show. */
M5EMU_API int m5emu_set_boot_hint(m5emu* m5, const char* hint);
/* Inserts a cartridge from bytes (up to 20 KiB are used; a shorter image is
 * padded with 0xFF) and resets, as inserting one into a real M5 does. An
 * empty image, or one with more than padding (0xFF or 0x00) past the 20 KiB
 * window, is refused; one whose first byte is no cartridge header is taken
 * with a remark. */
M5EMU_API int m5emu_insert_cartridge(m5emu* m5, const uint8_t* data, size_t size);
/* Only the check of m5emu_insert_cartridge, as a frontend does before it
 * offers a file as a cartridge: M5EMU_OK (perhaps with a remark) or
 * M5EMU_ERROR_MEDIA. The machine is not touched. */
M5EMU_API int m5emu_check_cartridge(m5emu* m5, const uint8_t* data, size_t size);
/* Empties the cartridge slot and resets. */
M5EMU_API int m5emu_remove_cartridge(m5emu* m5);
/* Resets every part of the machine; RAM keeps its contents. */
M5EMU_API int m5emu_reset(m5emu* m5);

/* --- Tapes -------------------------------------------------------------------- */

/* Puts a tape in the deck and presses play; the machine's motor line starts
 * and stops it. `format` is one of M5EMU_TAPE_*. The bytes are copied. A
 * tape the deck cannot play is refused, and the tape in the deck stays: an
 * empty one, a WAV file whose header the deck does not understand or that
 * holds no samples, a CAS file without tape blocks or runs. */
M5EMU_API int m5emu_play_tape(m5emu* m5, const uint8_t* data, size_t size, int format);
/* Only the check of m5emu_play_tape; the machine is not touched. */
M5EMU_API int m5emu_check_tape(m5emu* m5, const uint8_t* data, size_t size, int format);
/* Puts a blank tape in the deck and presses record: the image (CAS or WAV,
 * not AUTO) is written through `write` as the program saves. */
M5EMU_API int m5emu_record_tape(m5emu* m5, int format, m5emu_tape_write_fn write, void* user);
/* Stops and removes the tape. A recording is finished through its callback;
 * M5EMU_ERROR_MEDIA when any of its writes failed. No tape: M5EMU_OK. */
M5EMU_API int m5emu_stop_tape(m5emu* m5);

/* --- Running -------------------------------------------------------------------- */

/* Runs one frame (262 scanlines, 1/60 s of machine time, on the 60 Hz M5;
 * 313 scanlines, 1/50 s, on the 50 Hz one; see m5emu_get_video_standard). */
M5EMU_API int m5emu_run_frame(m5emu* m5);
/* Runs `count` frames (count >= 0) as that many m5emu_run_frame calls would,
 * but draws only the last one's picture, the only one a caller can look at:
 * faster for a caller that shows one picture for several frames. */
M5EMU_API int m5emu_run_frames(m5emu* m5, int count);
/* The machine's video standard: its frame rate, lines and clocks. */
M5EMU_API int m5emu_get_video_standard(const m5emu* m5, m5emu_video_standard* out);
/* Frames run since the machine was created (a loaded state brings its own). */
M5EMU_API uint64_t m5emu_frame_count(const m5emu* m5);
/* The processor's speed: 1, 2, 4, 8 or 16 times the M5's 3.8 MHz. */
M5EMU_API int m5emu_set_speed(m5emu* m5, int multiplier);
/* Sprites: with `on` non-zero the fifth and later sprites of a line are
 * hidden there, as on the real video chip; with 0 (the default) all are
 * drawn. The status the program reads is the same either way. The choice
 * stays over resets and loaded states. */
M5EMU_API int m5emu_set_sprite_limit(m5emu* m5, int on);

/* --- Picture and sound ------------------------------------------------------------- */

/* The picture of the last frame, M5EMU_PIXELS pixels in `format`, into
 * `out` of `size` bytes (at least M5EMU_PIXELS * 4). */
M5EMU_API int m5emu_picture(m5emu* m5, void* out, size_t size, int format);
/* The sample rate of the sound (8000..192000 Hz; 48000 at creation) and the
 * samples handed over at a time (0, at creation: all a frame made, about
 * rate / frame rate; else blocks of 1..65536). Takes effect from the next
 * frame. Every sample the machine makes is handed over, in order, from the
 * first frame on: a frame hands over all the whole blocks made so far, and
 * the rest waits for the next frame (so with blocks longer than a frame,
 * most frames hand over none). Samples still waiting when the rate changes
 * are dropped; a new block length or a loaded state keeps them. */
M5EMU_API int m5emu_set_sound(m5emu* m5, int sample_rate_hz, int block_samples);
/* The sound the last frame handed over: 16-bit mono samples at the chosen
 * rate, `*count` of them (a whole number of blocks). The samples belong to
 * the handle, valid until the next call. */
M5EMU_API const int16_t* m5emu_sound(m5emu* m5, size_t* count);

/* --- Input ------------------------------------------------------------------------ */

/* Presses (down != 0) or releases an M5 key by name, as m5run --key takes
 * them: a letter or digit, "SPACE", "RETURN", "SHIFT", "CTRL", "ESC",
 * "TAB" (the M5's FUNC key), "UP", "F1", ... (case does not matter).
 * Unknown names: M5EMU_ERROR_ARGUMENT. */
M5EMU_API int m5emu_key(m5emu* m5, const char* name, int down);
/* The M5's keys, in the order of its keyboard matrix (row by row, then the
 * arrow keys, which move joystick 1): how many there are, and the name of
 * key `index` (0 .. count - 1) as m5emu_key takes it ("Q", "AT", "TAB" for
 * FUNC, ...), NULL for an index out of range. Static storage. A frontend
 * maps its own keys onto these names. */
M5EMU_API int m5emu_key_count(void);
M5EMU_API const char* m5emu_key_name(int index);
/* Releases every key, joystick and pasted key. */
M5EMU_API int m5emu_release_all(m5emu* m5);
/* The bits (M5EMU_JOY_*) held on joystick 1 or 2 (`stick` 0 or 1). */
M5EMU_API int m5emu_joystick(m5emu* m5, int stick, unsigned bits);
/* Types UTF-8 text as key presses, a character every few frames (replacing
 * a paste in progress). An empty text stops pasting. A text of more than
 * M5EMU_PASTE_MAX characters (in the M5's own code, mostly one byte a
 * character) is refused with M5EMU_ERROR_ARGUMENT. */
M5EMU_API int m5emu_paste(m5emu* m5, const char* utf8_text);
/* Non-zero while pasted text is still being typed. */
M5EMU_API int m5emu_pasting(const m5emu* m5);

/* --- States ------------------------------------------------------------------------ */

/* Saves the whole machine, in the state file format of m5run and the
 * desktop program. With `out` NULL, `*size` receives the size needed;
 * otherwise `*size` is the capacity of `out` on entry and the size written
 * on return (M5EMU_ERROR_ARGUMENT, with the size needed, when too small).
 * The state is compressed, so its size varies from one save to the next
 * (by a few KiB); M5EMU_STATE_SIZE_MAX bounds it. A state saved loads
 * again. */
M5EMU_API int m5emu_save_state(m5emu* m5, uint8_t* out, size_t* size);
/* As m5emu_save_state, but without the thumbnail of the picture that a state
 * file carries for slot menus: several times quicker, for frontends that save
 * a state every frame (rewind, run-ahead, netplay). Such a state loads as any
 * other; the same `out` and `*size` rules and bound apply. */
M5EMU_API int m5emu_save_state_quick(m5emu* m5, uint8_t* out, size_t* size);
/* Loads a state. It must have been saved on the same model with the same
 * memory ("the save state was made on the 50 Hz M5 with 32 KiB, not on the
 * 60 Hz M5 with 32 KiB"), and with the same IPL and cartridge;
 * everything is checked before the machine is touched, and on any failure
 * the machine is unchanged. A tape that was playing resumes only when the
 * same tape is in the deck now; otherwise the state loads with the tape
 * stopped and m5emu_last_error() says so (the result is still M5EMU_OK). */
M5EMU_API int m5emu_load_state(m5emu* m5, const uint8_t* data, size_t size);

/* --- Inspection, for debuggers, cheats and achievements (no side effects) --------- */

/* `size` bytes of the address space from `address` (wrapping at 0xFFFF), as
 * the processor would read them, without any device reacting. */
M5EMU_API int m5emu_read_memory(const m5emu* m5, uint16_t address, uint8_t* out, size_t size);
/* Writes RAM (0x7000..0xFFFF); a range reaching into ROM is refused. */
M5EMU_API int m5emu_write_memory(m5emu* m5, uint16_t address, const uint8_t* data, size_t size);
/* The RAM the machine has, for frontends that map it directly (cheats,
 * achievements); m5emu_ram_extent says where it sits and how long it is.
 * With the 32 KiB expansion (the default) it is M5EMU_RAM_SIZE bytes from
 * M5EMU_RAM_START (0x7000), as in every earlier version; on the bare 4 KiB
 * machine, the first 4096 of those bytes (0x7000-0x7FFF); with the 64KBF
 * module, the module's 64 KiB, byte n at address n (the processor reads it
 * there where its mode maps RAM to read; m5emu_read_memory reads what the
 * mode shows). Writes through it reach the machine. The pointer stays
 * valid for the handle's life, m5emu_set_machine included, but which memory
 * it is follows the machine: after m5emu_set_machine, ask again for the
 * new machine's RAM. NULL for a null handle. */
M5EMU_API uint8_t* m5emu_ram(m5emu* m5);
/* The address of the first byte of m5emu_ram() and the RAM's length in
 * bytes: 0x7000 and M5EMU_RAM_SIZE (32 KiB), 0x7000 and 4096 (4 KiB), 0x0000
 * and 65536 (64KBF). */
M5EMU_API int m5emu_ram_extent(const m5emu* m5, uint32_t* start, size_t* size);
/* The whole 64 KiB address space as the processor reads it: the IPL ROM at
 * 0x0000, the cartridge window at 0x2000 (0xFF where no cartridge is) and
 * the RAM at 0x7000 (the same bytes as m5emu_ram()); on the bare 4 KiB
 * machine 0x8000-0xFFFF reads 0xFF. With the 64KBF module, whose modes map
 * the address space in pages of different memories, it is a copy that the
 * library brings up to date at the end of every call that may change the
 * machine (running a frame, a reset, a state loaded, ...) and at every
 * call of m5emu_address_space: writes to the copy are lost (use
 * m5emu_write_memory). For frontends that map the address space directly
 * (memory viewers); the pointer stays valid for the handle's life, but
 * after m5emu_set_machine ask again. The ROM part must not be written. NULL
 * for a null handle. */
M5EMU_API const uint8_t* m5emu_address_space(const m5emu* m5);
/* Video memory, `address` 0..0x3FFF, without moving the video chip's
 * address pointer. */
M5EMU_API int m5emu_read_vram(const m5emu* m5, uint16_t address, uint8_t* out, size_t size);
M5EMU_API int m5emu_write_vram(m5emu* m5, uint16_t address, const uint8_t* data, size_t size);
/* The processor's registers between frames. */
M5EMU_API int m5emu_registers(const m5emu* m5, m5emu_z80_registers* out);

#ifdef __cplusplus
}
#endif

#endif /* M5EMU_M5EMU_H */
