// Text conversions at the edges of the host: UTF-8 (the platform's paths and
// clipboard) to and from UTF-16 (the settings file's path slots), and UTF-8
// to the 8-bit Japanese code page that the paste sequencer types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace m5 {

// The byte that stands for a character the 8-bit code page has no code for.
// It has no key in the paste table and is not a Shift_JIS lead byte, so it
// takes one typing cycle and presses nothing.
inline constexpr uint8_t UNMAPPED_TEXT_BYTE = 0x80;

// Strict UTF-8 to UTF-16. False (and `out` unspecified) when the text is not
// well-formed UTF-8 (stray or truncated sequences, overlong forms, surrogate
// code points, values beyond U+10FFFF).
bool utf8_to_utf16(const std::string& text, std::u16string& out);

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(const char16_t* units, size_t count);

// UTF-8 clipboard text to the 8-bit Japanese code page (JIS X 0201, the
// single-byte part of Shift_JIS): ASCII stays as it is, half-width katakana
// U+FF61..U+FF9F become 0xA1..0xDF, the yen sign and the overline become
// 0x5C and 0x7E, and everything else (including each byte of malformed
// UTF-8) becomes UNMAPPED_TEXT_BYTE. The result never holds a Shift_JIS
// lead byte; a NUL character is kept as 0x00.
std::string utf8_to_jis_bytes(const std::string& text);

}  // namespace m5
