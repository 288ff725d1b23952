// utf.h -- UTF-8 and UTF-16: host names and text on one side, device strings
// on the other. The bottom of the platform layer: it needs nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace os::utf {

std::string utf8(const std::u16string& text);
// A stray byte that is not UTF-8 reads as Latin-1.
std::u16string utf16(const std::string& text);

// One code point as UTF-16 (a surrogate pair above 0xFFFF).
void append_utf16(std::u16string& out, uint32_t cp);

// Length of the UTF-8 sequence at s[i] and its code point; 0 when malformed
// (overlong, truncated, above 0x10FFFF). Lone surrogates pass, so any 16-bit
// name survives the trip to the host and back.
size_t decode_utf8(const std::string& s, size_t i, uint32_t* cp);

} // namespace os::utf
