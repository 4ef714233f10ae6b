#include "host/checksums.h"

#include <zlib.h>

#include <algorithm>

namespace m5 {

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
    // zlib takes at most 4 GiB - 1 bytes a call.
    uLong value = crc;
    while (size != 0) {
        const auto piece = static_cast<uInt>(std::min<size_t>(size, 0x40000000));
        value = ::crc32(value, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace m5
