#include "devices/tape_media.h"

#include <algorithm>
#include <cstring>

namespace m5 {

const Sha256Digest& TapeImage::digest() {
    if (!digest_known_) {
        Sha256 hash;
        std::vector<uint8_t> block(1 << 16);
        for (uint64_t at = 0;;) {
            const size_t got = read(at, block.data(), block.size());
            if (got == 0) break;
            hash.update(block.data(), got);
            at += got;
        }
        digest_ = hash.digest();
        digest_known_ = true;
    }
    return digest_;
}

size_t MemoryTapeImage::read(uint64_t offset, uint8_t* out, size_t count) {
    if (offset >= bytes.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, bytes.size() - offset));
    std::memcpy(out, bytes.data() + offset, n);
    return n;
}

}  // namespace m5
