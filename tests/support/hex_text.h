// Bytes as hexadecimal text, for expected values and failure messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace m5::test {

// Two digits a byte (capitals when `upper`), each followed by `after`.
inline std::string hex_text(const uint8_t* data, size_t size, bool upper = false, const std::string& after = "") {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
        text += after;
    }
    return text;
}

}  // namespace m5::test
