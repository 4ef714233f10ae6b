#include "tools/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace m5::tools {

bool write_png_rgb565(std::FILE* file, const uint16_t* pixels, int32_t width, int32_t height) {
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
    png_init_io(png, file);
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
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace m5::tools
