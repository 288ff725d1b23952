// utf.cpp -- UTF-8 and UTF-16, for host names and text
#include "os/base/utf.h"

namespace os::utf {

namespace {

void append_utf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80)
        out += char(cp);
    else if (cp < 0x800)
    {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
    else
    {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace

void append_utf16(std::u16string& out, uint32_t cp)
{
    if (cp < 0x10000)
        out += char16_t(cp);
    else
    {
        cp -= 0x10000;
        out += char16_t(0xD800 | (cp >> 10));
        out += char16_t(0xDC00 | (cp & 0x3FF));
    }
}

size_t decode_utf8(const std::string& s, size_t i, uint32_t* cp)
{
    unsigned char c = s[i];
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size())
        return 0;
    uint32_t value = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; k++)
    {
        unsigned char next = s[i + k];
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    // Lone surrogates are let through (as they are written by utf8()), so any
    // 16-bit name survives the trip to the host and back.
    if (value < kMin[len] || value > 0x10FFFF)
        return 0;
    *cp = value;
    return len;
}

std::string utf8(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++)
    {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
        {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        }
        append_utf8(out, cp);
    }
    return out;
}

std::u16string utf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size())
    {
        uint32_t cp = 0;
        size_t len = decode_utf8(text, i, &cp);
        if (len == 0)
        {
            cp = static_cast<unsigned char>(text[i]); // a stray byte reads as Latin-1
            len = 1;
        }
        append_utf16(out, cp);
        i += len;
    }
    return out;
}

} // namespace os::utf
