#include "host/png_writer.h"

#include <png.h>

#include <csetjmp>

namespace m5 {

namespace {

void append_to_vector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

// Writes the picture through `png`, whose output is already set up.
bool write_rows(png_structp png, png_infop info, const uint16_t* pixels, int32_t width, int32_t height,
                std::vector<png_byte>& row) {
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = in[x];
            row[static_cast<size_t>(x) * 3 + 0] = widen5((p >> 11) & 0x1F);
            row[static_cast<size_t>(x) * 3 + 1] = widen6((p >> 5) & 0x3F);
            row[static_cast<size_t>(x) * 3 + 2] = widen5(p & 0x1F);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

// Runs libpng with the output chosen by `set_output`.
template <class SetOutput>
bool write_png(const uint16_t* pixels, int32_t width, int32_t height, SetOutput set_output) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    // libpng reports errors by longjmp; nothing with a destructor is created
    // between here and the end of the writing.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    set_output(png);
    const bool written = write_rows(png, info, pixels, width, height, row);
    png_destroy_write_struct(&png, &info);
    return written;
}

}  // namespace

bool write_png_rgb565(std::FILE* file, const uint16_t* pixels, int32_t width, int32_t height) {
    return write_png(pixels, width, height, [&](png_structp png) { png_init_io(png, file); });
}

std::vector<uint8_t> encode_png_rgb565(const uint16_t* pixels, int32_t width, int32_t height) {
    std::vector<uint8_t> out;
    const bool written = write_png(pixels, width, height,
                                   [&](png_structp png) { png_set_write_fn(png, &out, append_to_vector, no_flush); });
    if (!written) out.clear();
    return out;
}

}  // namespace m5
