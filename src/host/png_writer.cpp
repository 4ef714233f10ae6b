#include "host/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstring>

namespace m5 {

namespace {

void put_be32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, and the CRC-32 of type and data.
void put_chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    put_be32(out, static_cast<uint32_t>(size));
    const size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    if (size != 0) out.insert(out.end(), data, data + size);
    put_be32(out, static_cast<uint32_t>(::crc32(0, out.data() + type_at, static_cast<uInt>(size + 4))));
}

}  // namespace

std::vector<uint8_t> encode_png_rgb565(const uint16_t* pixels, int32_t width, int32_t height) {
    if (pixels == nullptr || width <= 0 || height <= 0) return {};
    // Each row: filter type 0 (none), then 8-bit RGB.
    const size_t row_bytes = static_cast<size_t>(width) * 3 + 1;
    std::vector<uint8_t> raw(row_bytes * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + static_cast<size_t>(y) * row_bytes;
        const uint16_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        row[0] = 0;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = in[x];
            row[1 + static_cast<size_t>(x) * 3 + 0] = widen5((p >> 11) & 0x1F);
            row[1 + static_cast<size_t>(x) * 3 + 1] = widen6((p >> 5) & 0x3F);
            row[1 + static_cast<size_t>(x) * 3 + 2] = widen5(p & 0x1F);
        }
    }
    uLongf packed_size = ::compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    if (::compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) !=
        Z_OK) {
        return {};
    }

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(width));
    put_be32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter choice, not interlaced
    put_chunk(out, "IHDR", header.data(), header.size());
    put_chunk(out, "IDAT", packed.data(), packed_size);
    put_chunk(out, "IEND", nullptr, 0);
    return out;
}

bool write_png_rgb565(std::FILE* file, const uint16_t* pixels, int32_t width, int32_t height) {
    const std::vector<uint8_t> png = encode_png_rgb565(pixels, width, height);
    return !png.empty() && std::fwrite(png.data(), 1, png.size(), file) == png.size();
}

}  // namespace m5
