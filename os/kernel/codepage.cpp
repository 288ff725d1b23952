// codepage.cpp -- MultiByteToWideChar and WideCharToMultiByte
//
// The device's ANSI code page is taken as Latin-1: one byte per character
// both ways, so text read from files and sockets round-trips exactly.
// CP_UTF8 converts through the same UTF-8 coder as host file names.
#include <os/wstring.h>

#include "os/kernel/path.h"

#include <cstring>

namespace {

bool is_latin1(UINT code_page)
{
    return code_page == CP_ACP || code_page == CP_OEMCP;
}

// Copy a converted text out: an output size of 0 asks for the size needed;
// a short buffer gets nothing and ERROR_INSUFFICIENT_BUFFER, never a cut text.
template <class Text, class Char>
int deliver(const Text& text, Char* dst, int dst_len)
{
    if (dst_len == 0)
        return int(text.size());
    if (text.size() > size_t(dst_len))
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memmove(dst, text.data(), text.size() * sizeof(Char));
    return int(text.size());
}

bool bad_arguments(UINT code_page, const void* src, int src_len, const void* dst, int dst_len)
{
    bool known = is_latin1(code_page) || code_page == CP_UTF8;
    if (!known || !src || src_len == 0 || src_len < -1 || dst_len < 0 || (dst_len > 0 && !dst) || src == dst)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return true;
    }
    return false;
}

} // namespace

int MultiByteToWideChar(UINT code_page, DWORD, const char* src, int src_len, WCHAR* dst, int dst_len)
{
    if (bad_arguments(code_page, src, src_len, dst, dst_len))
        return 0;
    std::string bytes(src, src_len == -1 ? std::strlen(src) + 1 : size_t(src_len));
    std::u16string text = is_latin1(code_page) ? os::to_u16(bytes) : os::path::utf16(bytes);
    return deliver(text, dst, dst_len);
}

int WideCharToMultiByte(UINT code_page, DWORD, const WCHAR* src, int src_len, char* dst, int dst_len,
                        const char* default_char, BOOL* used_default)
{
    if (bad_arguments(code_page, src, src_len, dst, dst_len))
        return 0;
    if (code_page == CP_UTF8 && (default_char || used_default))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text(src, src_len == -1 ? wcslen(src) + 1 : size_t(src_len));
    std::string bytes = code_page == CP_UTF8 ? os::path::utf8(text) : os::to_latin1(text);
    if (used_default)
        *used_default = FALSE;
    for (size_t i = 0; is_latin1(code_page) && i < text.size(); i++)
    {
        if (text[i] <= 0xFF)
            continue;
        bytes[i] = default_char ? *default_char : '?';
        if (used_default)
            *used_default = TRUE;
    }
    return deliver(bytes, dst, dst_len);
}
