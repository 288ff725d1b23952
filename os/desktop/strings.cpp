// strings.cpp -- the ANSI string calls: lstr* and wsprintfA
#include "os/desktop/desktop_private.h"

#include <cstdio>
#include <cstring>
#include <string>

int lstrlenA(LPCSTR text)
{
    return text ? int(std::strlen(text)) : 0;
}

LPSTR lstrcpyA(LPSTR dst, LPCSTR src)
{
    if (!dst || !src)
        return nullptr;
    return std::strcpy(dst, src);
}

LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int size)
{
    if (!dst || !src || size <= 0)
        return nullptr;
    size_t n = strnlen(src, size_t(size - 1));
    std::memmove(dst, src, n);
    dst[n] = 0;
    return dst;
}

LPSTR lstrcatA(LPSTR dst, LPCSTR src)
{
    if (!dst || !src)
        return nullptr;
    return std::strcat(dst, src);
}

namespace {

const int kMaxFormatted = 1024;

// One conversion: the flags, width and length letter are handed to the C
// formatter, which knows them; anything else is copied as it stands.
std::string convert(const std::string& spec, char kind, va_list& args)
{
    char out[kMaxFormatted + 1];
    switch (kind)
    {
    case 's': {
        LPCSTR s = va_arg(args, LPCSTR);
        std::snprintf(out, sizeof(out), (spec + 's').c_str(), s ? s : "(null)");
        break;
    }
    case 'c':
        std::snprintf(out, sizeof(out), (spec + 'c').c_str(), va_arg(args, int));
        break;
    case 'd':
    case 'i':
        std::snprintf(out, sizeof(out), (spec + 'd').c_str(), va_arg(args, int));
        break;
    default: // u, x, X
        std::snprintf(out, sizeof(out), (spec + kind).c_str(), va_arg(args, unsigned));
        break;
    }
    return out;
}

} // namespace

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args)
{
    if (!buffer || !format)
        return 0;
    std::string out;
    va_list ap;
    va_copy(ap, args);
    for (const char* p = format; *p && out.size() < size_t(kMaxFormatted); ++p)
    {
        if (*p != '%')
        {
            out += *p;
            continue;
        }
        std::string spec = "%";
        const char* q = p + 1;
        while (*q == '-' || *q == '0')
            spec += *q++;
        while (*q >= '0' && *q <= '9')
            spec += *q++;
        while (*q == 'l' || *q == 'h')
            ++q; // longs are 32 bits on the desktop, as ints
        if (std::strchr("scdiuxX", *q) && *q)
        {
            out += convert(spec, *q, ap);
            p = q;
        }
        else if (*q == '%')
        {
            out += '%';
            p = q;
        }
        else
        {
            out += spec; // not a conversion: the '%' and what follows it are copied unchanged
            p = q - 1;
        }
    }
    va_end(ap);
    out.resize(std::min(out.size(), size_t(kMaxFormatted - 1)));
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return int(out.size());
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}
