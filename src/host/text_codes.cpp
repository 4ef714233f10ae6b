#include "host/text_codes.h"

namespace m5 {
namespace {

// Decodes one well-formed UTF-8 sequence at text[pos]. Returns the code point
// and sets `length`, or returns -1 (length 1) for a malformed sequence.
int32_t decode_utf8(const std::string& text, size_t pos, size_t& length) {
    length = 1;
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(pos);
    if (lead < 0x80) return lead;
    int32_t extra = 0;
    int32_t code = 0;
    int32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
        return -1;
    }
    if (pos + static_cast<size_t>(extra) >= text.size()) return -1;  // truncated
    for (int32_t i = 1; i <= extra; ++i) {
        const uint8_t next = byte(pos + static_cast<size_t>(i));
        if ((next & 0xC0) != 0x80) return -1;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    length = static_cast<size_t>(extra) + 1;
    return code;
}

void append_utf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

bool utf8_to_utf16(const std::string& text, std::u16string& out) {
    out.clear();
    for (size_t pos = 0; pos < text.size();) {
        size_t length = 0;
        const int32_t code = decode_utf8(text, pos, length);
        if (code < 0) return false;
        if (code >= 0x10000) {
            const int32_t v = code - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        pos += length;
    }
    return true;
}

std::string utf16_to_utf8(const char16_t* units, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (static_cast<uint32_t>(units[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            append_utf8(out, 0xFFFD);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

std::string utf8_to_jis_bytes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        size_t length = 0;
        const int32_t code = decode_utf8(text, pos, length);
        pos += length;
        uint8_t byte = UNMAPPED_TEXT_BYTE;
        if (code >= 0 && code < 0x80) {
            byte = static_cast<uint8_t>(code);
        } else if (code >= 0xFF61 && code <= 0xFF9F) {
            byte = static_cast<uint8_t>(code - 0xFF61 + 0xA1);
        } else if (code == 0x00A5) {
            byte = 0x5C;  // yen sign, JIS X 0201 Roman
        } else if (code == 0x203E) {
            byte = 0x7E;  // overline, JIS X 0201 Roman
        }
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

}  // namespace m5
