/* A program that embeds the emulator through its installed C interface only:
 * the free boot ROM starts a cartridge, keys are pressed and released at
 * given frames, and the picture, the sound and the RAM are written out for
 * comparison with m5run's.
 *
 *   embed_check CARTRIDGE FRAMES RATE BLOCK OUT_DIR [KEY@FRAME+FRAMES ...]
 */
#include <m5emu/m5emu.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char* read_all(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    unsigned char* bytes = NULL;
    long length;
    if (file == NULL) return NULL;
    if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) > 0 && fseek(file, 0, SEEK_SET) == 0) {
        bytes = malloc((size_t)length);
        if (bytes != NULL && fread(bytes, 1, (size_t)length, file) != (size_t)length) {
            free(bytes);
            bytes = NULL;
        }
        *size = (size_t)length;
    }
    fclose(file);
    return bytes;
}

static int write_all(const char* dir, const char* name, const void* bytes, size_t size) {
    char path[4096];
    FILE* file;
    int ok;
    snprintf(path, sizeof path, "%s/%s", dir, name);
    file = fopen(path, "wb");
    if (file == NULL) return 0;
    ok = fwrite(bytes, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

static int fail(m5emu* m5, const char* what) {
    fprintf(stderr, "embed_check: %s: %s\n", what, m5emu_last_error(m5));
    m5emu_destroy(m5);
    return 1;
}

int main(int argc, char** argv) {
    const int frames = argc > 5 ? atoi(argv[2]) : 0;
    m5emu* m5;
    unsigned char* cartridge;
    size_t cartridge_size = 0;
    short* sound = NULL;
    size_t sound_count = 0;
    static unsigned char picture[M5EMU_PIXELS * 4];
    unsigned char ram[M5EMU_RAM_SIZE];
    m5emu_video_standard standard;
    int frame, k;

    if (argc < 6 || frames <= 0) {
        fprintf(stderr, "usage: embed_check CARTRIDGE FRAMES RATE BLOCK OUT_DIR [KEY@FRAME+FRAMES ...]\n");
        return 2;
    }
    if (m5emu_api_version() != M5EMU_API_VERSION) {
        fprintf(stderr, "embed_check: library interface %u, header %d\n", m5emu_api_version(), M5EMU_API_VERSION);
        return 1;
    }
    m5 = m5emu_create();
    if (m5 == NULL) return fail(NULL, "create");
    /* Bad input is refused, never a crash. */
    if (m5emu_insert_cartridge(m5, NULL, 10) != M5EMU_ERROR_MEDIA || m5emu_key(m5, "NO SUCH KEY", 1) == M5EMU_OK ||
        m5emu_load_state(m5, (const uint8_t*)"garbage", 7) != M5EMU_ERROR_STATE) {
        return fail(m5, "bad input accepted");
    }
    /* The M5's own standard: 60 frames a second of 262 lines. */
    if (m5emu_get_video_standard(m5, &standard) != M5EMU_OK || standard.frames_per_second != 60 ||
        standard.lines_per_frame != 262 || standard.clocks_per_frame * 60 > standard.machine_clock_hz ||
        m5emu_get_video_standard(m5, NULL) != M5EMU_ERROR_ARGUMENT) {
        return fail(m5, "video standard");
    }
    cartridge = read_all(argv[1], &cartridge_size);
    if (cartridge == NULL) return fail(m5, "cannot read the cartridge");
    if (m5emu_set_sound(m5, atoi(argv[3]), atoi(argv[4])) != M5EMU_OK) return fail(m5, "sound");
    if (m5emu_insert_cartridge(m5, cartridge, cartridge_size) != M5EMU_OK) return fail(m5, "cartridge");
    free(cartridge);

    for (frame = 1; frame <= frames; ++frame) {
        const int16_t* samples;
        size_t count = 0;
        for (k = 6; k < argc; ++k) {
            char name[32];
            int first = 0, length = 0;
            if (sscanf(argv[k], "%31[^@]@%d+%d", name, &first, &length) != 3) return fail(m5, "key argument");
            if (frame == first && m5emu_key(m5, name, 1) != M5EMU_OK) return fail(m5, "key");
            if (frame == first + length && m5emu_key(m5, name, 0) != M5EMU_OK) return fail(m5, "key");
        }
        if (m5emu_run_frame(m5) != M5EMU_OK) return fail(m5, "frame");
        samples = m5emu_sound(m5, &count);
        if (count != 0) {
            short* more = realloc(sound, (sound_count + count) * sizeof *sound);
            if (more == NULL) return fail(m5, "out of memory");
            sound = more;
            memcpy(sound + sound_count, samples, count * sizeof *sound);
            sound_count += count;
        }
    }
    if (m5emu_frame_count(m5) != (uint64_t)frames) return fail(m5, "frame count");
    if (m5emu_picture(m5, picture, sizeof picture, M5EMU_PIXEL_RGBA8888) != M5EMU_OK) return fail(m5, "picture");
    if (m5emu_read_memory(m5, M5EMU_RAM_START, ram, sizeof ram) != M5EMU_OK) return fail(m5, "memory");
    if (!write_all(argv[5], "picture.rgba", picture, sizeof picture) ||
        !write_all(argv[5], "sound.s16", sound, sound_count * sizeof *sound) ||
        !write_all(argv[5], "ram.bin", ram, sizeof ram)) {
        return fail(m5, "cannot write the results");
    }
    free(sound);
    m5emu_destroy(m5);
    return 0;
}
