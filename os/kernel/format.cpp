// format.cpp -- the wide formatter: swprintf, _snwprintf and friends
//
// Conversions follow C's printf with the device's conventions for wide
// formats (see wstring.h): %s is a WCHAR string, %hs or %S a narrow one, %c a
// WCHAR. As on the device, "l" means 32 bits (LONG); "ll" and "I64" mean 64,
// "I" and "z" pointer size. Numbers and floats are laid out by the C
// library's snprintf in the "C" locale from a narrow conversion built here,
// so their digits, padding and rounding are exactly C's. Width and precision
// are capped at 65535 so that a hostile format cannot ask for gigabytes.
#include <os/wstring.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <string>

namespace {

constexpr int kMaxField = 65535;

enum class Size
{
    Default,
    Char,  // hh
    Short, // h
    Long,  // l: 32 bits, as on the device
    Wide64,
    Pointer,
};

struct Spec
{
    std::string flags;
    int width = -1;
    int precision = -1;
    Size size = Size::Default;
    bool narrow_text = false; // h on %s / %c, or %S / %C
    char conversion = 0;
};

// Where the text goes: everything up to `limit` characters is kept; the
// total length is counted regardless so truncation can be told.
struct Sink
{
    std::u16string text;
    size_t limit = SIZE_MAX;
    size_t total = 0;

    void put(char16_t c, size_t count = 1)
    {
        for (; count; count--, total++)
        {
            if (text.size() < limit)
                text += c;
        }
    }
    void put_narrow(const char* s, size_t n)
    {
        for (size_t i = 0; i < n; i++)
            put(char16_t(static_cast<unsigned char>(s[i])));
    }
};

locale_t c_locale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

int read_number(const WCHAR*& p)
{
    int value = 0;
    for (; *p >= u'0' && *p <= u'9'; p++)
        value = value >= kMaxField ? kMaxField : value * 10 + (*p - u'0');
    return value > kMaxField ? kMaxField : value;
}

// Width or precision: digits or '*' from the arguments.
int read_field(const WCHAR*& p, va_list& args, bool* from_args)
{
    *from_args = *p == u'*';
    if (*p != u'*')
        return read_number(p);
    p++;
    int value = va_arg(args, int);
    return value > kMaxField ? kMaxField : value < -kMaxField ? -kMaxField : value;
}

void read_size(const WCHAR*& p, Spec& spec)
{
    if (p[0] == u'h')
    {
        bool twice = p[1] == u'h';
        spec.size = twice ? Size::Char : Size::Short;
        spec.narrow_text = true;
        p += twice ? 2 : 1;
    }
    else if (p[0] == u'l' && p[1] == u'l')
    {
        spec.size = Size::Wide64;
        p += 2;
    }
    else if (p[0] == u'l' || p[0] == u'w')
    {
        spec.size = Size::Long;
        p++;
    }
    else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4')
    {
        spec.size = Size::Wide64;
        p += 3;
    }
    else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2')
    {
        spec.size = Size::Long;
        p += 3;
    }
    else if (p[0] == u'I' || p[0] == u'z' || p[0] == u'j' || p[0] == u't')
    {
        spec.size = p[0] == u'j' ? Size::Wide64 : Size::Pointer;
        p++;
    }
    else if (p[0] == u'L')
        p++;
}

// Parse one conversion after its '%'; false (p unchanged) when malformed.
bool parse_spec(const WCHAR*& p, va_list& args, Spec& spec)
{
    const WCHAR* q = p;
    for (; *q && *q < 0x80 && std::strchr("-+ #0", char(*q)); q++)
        spec.flags += char(*q);
    bool star = false;
    if (*q == u'*' || (*q >= u'0' && *q <= u'9'))
    {
        spec.width = read_field(q, args, &star);
        if (spec.width < 0)
        {
            spec.flags += '-';
            spec.width = -spec.width;
        }
    }
    if (*q == u'.')
    {
        q++;
        spec.precision = read_field(q, args, &star);
        if (spec.precision < 0)
            spec.precision = -1;
    }
    read_size(q, spec);
    if (*q == 0 || *q >= 0x80 || !std::strchr("diuxXocCsSpfFeEgGaAn%", char(*q)))
        return false;
    spec.conversion = char(*q);
    if (spec.conversion == 'S' || spec.conversion == 'C')
        spec.narrow_text = spec.size != Size::Long; // %lS and %lC stay wide
    p = q + 1;
    return true;
}

std::string narrow_spec(const Spec& spec, const char* length, char conversion)
{
    std::string out = "%" + spec.flags;
    if (spec.width >= 0)
        out += std::to_string(spec.width);
    if (spec.precision >= 0)
        out += "." + std::to_string(spec.precision);
    return out + length + conversion;
}

template <class T>
void put_snprintf(Sink& sink, const std::string& format, T value)
{
    locale_t previous = uselocale(c_locale());
    char small[128];
    int n = std::snprintf(small, sizeof small, format.c_str(), value);
    if (n >= int(sizeof small))
    {
        std::string big(size_t(n) + 1, '\0');
        std::snprintf(big.data(), big.size(), format.c_str(), value);
        sink.put_narrow(big.data(), size_t(n));
    }
    else if (n > 0)
        sink.put_narrow(small, size_t(n));
    uselocale(previous);
}

void put_integer(Sink& sink, const Spec& spec, va_list& args)
{
    bool is_signed = spec.conversion == 'd' || spec.conversion == 'i';
    long long value = 0;
    switch (spec.size)
    {
    case Size::Wide64:
        value = va_arg(args, long long);
        break;
    case Size::Pointer:
        value = (long long)va_arg(args, intptr_t);
        break;
    default:
        value = va_arg(args, int);
        break;
    }
    if (spec.size == Size::Char)
        value = is_signed ? (long long)(signed char)value : (long long)(unsigned char)value;
    else if (spec.size == Size::Short)
        value = is_signed ? (long long)(short)value : (long long)(unsigned short)value;
    else if (spec.size == Size::Default || spec.size == Size::Long)
        value = is_signed ? (long long)(int32_t)value : (long long)(uint32_t)value;
    else if (spec.size == Size::Pointer && sizeof(void*) == 4)
        value = is_signed ? (long long)(int32_t)value : (long long)(uint32_t)value;
    put_snprintf(sink, narrow_spec(spec, "ll", spec.conversion), value);
}

void put_float(Sink& sink, const Spec& spec, va_list& args)
{
    double value = va_arg(args, double);
    put_snprintf(sink, narrow_spec(spec, "", spec.conversion), value);
}

void put_padded(Sink& sink, const Spec& spec, const std::u16string& text)
{
    size_t pad = spec.width > int(text.size()) ? size_t(spec.width) - text.size() : 0;
    bool left = spec.flags.find('-') != std::string::npos;
    if (!left)
        sink.put(u' ', pad);
    for (char16_t c : text)
        sink.put(c);
    if (left)
        sink.put(u' ', pad);
}

void put_string(Sink& sink, const Spec& spec, va_list& args)
{
    size_t max = spec.precision >= 0 ? size_t(spec.precision) : SIZE_MAX;
    std::u16string text;
    if (spec.narrow_text)
    {
        const char* s = va_arg(args, const char*);
        if (!s)
            s = "(null)";
        for (; *s && text.size() < max; s++)
            text += char16_t(static_cast<unsigned char>(*s));
    }
    else
    {
        const WCHAR* s = va_arg(args, const WCHAR*);
        if (!s)
            s = u"(null)";
        for (; *s && text.size() < max; s++)
            text += *s;
    }
    put_padded(sink, spec, text);
}

void put_char(Sink& sink, const Spec& spec, va_list& args)
{
    int value = va_arg(args, int);
    char16_t c = spec.narrow_text ? char16_t(static_cast<unsigned char>(value)) : char16_t(value);
    put_padded(sink, spec, std::u16string(1, c));
}

void put_pointer(Sink& sink, const Spec& spec, va_list& args)
{
    // The device prints a pointer as its hexadecimal digits, upper case,
    // padded to the pointer's width, without "0x".
    const void* value = va_arg(args, const void*);
    Spec hex = spec;
    hex.flags.clear();
    hex.width = -1;
    hex.precision = int(2 * sizeof(void*));
    Sink digits;
    put_snprintf(digits, narrow_spec(hex, "ll", 'X'), (unsigned long long)(uintptr_t)value);
    put_padded(sink, spec, digits.text);
}

void put_conversion(Sink& sink, const Spec& spec, va_list& args)
{
    switch (spec.conversion)
    {
    case '%':
        sink.put(u'%');
        break;
    case 's':
    case 'S':
        put_string(sink, spec, args);
        break;
    case 'c':
    case 'C':
        put_char(sink, spec, args);
        break;
    case 'p':
        put_pointer(sink, spec, args);
        break;
    case 'n':
        (void)va_arg(args, void*); // never written: a classic hole
        break;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        put_float(sink, spec, args);
        break;
    default:
        put_integer(sink, spec, args);
        break;
    }
}

void format_to(Sink& sink, const WCHAR* fmt, va_list args)
{
    va_list ap;
    va_copy(ap, args);
    for (const WCHAR* p = fmt; *p;)
    {
        if (*p != u'%')
        {
            sink.put(*p++);
            continue;
        }
        const WCHAR* start = p++;
        Spec spec;
        if (!parse_spec(p, ap, spec))
        {
            // Not a conversion this formatter knows: the '%' is put out as a plain
            // character and the characters after it follow unchanged.
            sink.put(*start);
            continue;
        }
        put_conversion(sink, spec, ap);
    }
    va_end(ap);
}

// Formats into buf under the rules of wstring.h.
int format_bounded(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args)
{
    if (!fmt || (!buf && count))
        return -1;
    Sink sink;
    sink.limit = count ? count - 1 : 0;
    format_to(sink, fmt, args);
    if (count == 0)
        return sink.total == 0 ? 0 : -1;
    std::memcpy(buf, sink.text.data(), sink.text.size() * sizeof(WCHAR));
    buf[sink.text.size()] = 0;
    return sink.total == sink.text.size() && sink.total <= INT32_MAX ? int(sink.total) : -1;
}

} // namespace

int vswprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args)
{
    return format_bounded(buf, count, fmt, args);
}

int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args)
{
    return format_bounded(buf, count, fmt, args);
}

int swprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = format_bounded(buf, count, fmt, args);
    va_end(args);
    return n;
}

int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = format_bounded(buf, count, fmt, args);
    va_end(args);
    return n;
}

namespace os {

std::u16string vformat(const WCHAR* fmt, va_list args)
{
    Sink sink;
    if (fmt)
        format_to(sink, fmt, args);
    return sink.text;
}

std::u16string format(const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::u16string text = vformat(fmt, args);
    va_end(args);
    return text;
}

} // namespace os
