// SHA-256: the digest by which save states name what they were made with
// (the ROM images, the tape in the deck) without naming a file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace m5 {

using Sha256Digest = std::array<uint8_t, 32>;

// An incremental SHA-256: feed bytes in any number of pieces, then read the
// digest (reading does not end the stream; more bytes may follow).
class Sha256 {
public:
    void update(const uint8_t* data, size_t size);
    Sha256Digest digest() const;
    uint64_t bytes() const { return length; }

private:
    std::array<uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<uint8_t, 64> pending{};
    uint64_t length = 0;
};

Sha256Digest sha256(const uint8_t* data, size_t size);

}  // namespace m5
