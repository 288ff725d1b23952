// wstring.cpp -- the 16-bit string and number functions of the C runtime
#include <os/wstring.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool is_blank(WCHAR c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int digit_value(WCHAR c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 10;
    return 99;
}

locale_t c_locale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

bool in_set(WCHAR c, const WCHAR* set)
{
    for (; *set; set++)
    {
        if (*set == c)
            return true;
    }
    return false;
}

// Parse an integer as strtol does: blanks, a sign, "0x" for base 16 or 0,
// digits; saturate on overflow. *end gets the first unread character (s
// itself when no digit was read).
long long parse_integer(const WCHAR* s, const WCHAR** end, int base, long long low, long long high)
{
    const WCHAR* p = s;
    while (is_blank(*p))
        p++;
    bool negative = *p == u'-';
    if (*p == u'-' || *p == u'+')
        p++;
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && digit_value(p[2]) < 16)
    {
        p += 2;
        base = 16;
    }
    else if (base == 0)
        base = p[0] == u'0' ? 8 : 10;
    if (base < 2 || base > 36)
    {
        *end = s;
        return 0;
    }
    unsigned long long value = 0;
    bool overflow = false;
    const WCHAR* digits = p;
    for (; digit_value(*p) < base; p++)
    {
        value = value * base + digit_value(*p);
        if (value > (unsigned long long)high + 1)
            overflow = true;
    }
    *end = p == digits ? s : p;
    if (overflow || (!negative && value > (unsigned long long)high) ||
        (negative && value > (unsigned long long)high + 1))
        return negative ? low : high;
    return negative ? -(long long)value : (long long)value;
}

WCHAR* unsigned_to_text(unsigned long long value, bool negative, WCHAR* buf, int radix)
{
    if (!buf)
        return buf;
    if (radix < 2 || radix > 36)
    {
        buf[0] = 0;
        return buf;
    }
    WCHAR digits[72];
    int n = 0;
    do
    {
        digits[n++] = u"0123456789abcdefghijklmnopqrstuvwxyz"[value % radix];
        value /= radix;
    } while (value);
    WCHAR* out = buf;
    if (negative)
        *out++ = u'-';
    while (n)
        *out++ = digits[--n];
    *out = 0;
    return buf;
}

WCHAR* signed_to_text(long long value, WCHAR* buf, int radix)
{
    // Microsoft's rule: only base 10 shows a sign; other bases show the
    // 32-bit two's complement pattern.
    if (radix == 10 && value < 0)
        return unsigned_to_text(0ull - (unsigned long long)value, true, buf, radix);
    return unsigned_to_text((uint32_t)value, false, buf, radix);
}

} // namespace

size_t wcslen(const WCHAR* s)
{
    const WCHAR* p = s;
    while (*p)
        p++;
    return size_t(p - s);
}

int wcscmp(const WCHAR* a, const WCHAR* b)
{
    while (*a && *a == *b)
    {
        a++;
        b++;
    }
    return *a < *b ? -1 : *a > *b ? 1 : 0;
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    for (; n; n--, a++, b++)
    {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (!*a)
            break;
    }
    return 0;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src)
{
    WCHAR* out = dst;
    while ((*out++ = *src++))
    {
    }
    return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n)
{
    size_t i = 0;
    for (; i < n && src[i]; i++)
        dst[i] = src[i];
    for (; i < n; i++)
        dst[i] = 0;
    return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src)
{
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n)
{
    WCHAR* out = dst + wcslen(dst);
    for (; n && *src; n--)
        *out++ = *src++;
    *out = 0;
    return dst;
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c)
{
    for (;; s++)
    {
        if (*s == c)
            return s;
        if (!*s)
            return nullptr;
    }
}

WCHAR* wcschr(WCHAR* s, WCHAR c)
{
    return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c)
{
    const WCHAR* found = nullptr;
    for (;; s++)
    {
        if (*s == c)
            found = s;
        if (!*s)
            return found;
    }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c)
{
    return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* find)
{
    size_t n = wcslen(find);
    for (;; s++)
    {
        if (wcsncmp(s, find, n) == 0)
            return s;
        if (!*s)
            return nullptr;
    }
}

WCHAR* wcsstr(WCHAR* s, const WCHAR* find)
{
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), find));
}

const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set)
{
    for (; *s; s++)
    {
        if (in_set(*s, set))
            return s;
    }
    return nullptr;
}

WCHAR* wcspbrk(WCHAR* s, const WCHAR* set)
{
    return const_cast<WCHAR*>(wcspbrk(static_cast<const WCHAR*>(s), set));
}

size_t wcsspn(const WCHAR* s, const WCHAR* set)
{
    size_t n = 0;
    while (s[n] && in_set(s[n], set))
        n++;
    return n;
}

size_t wcscspn(const WCHAR* s, const WCHAR* set)
{
    size_t n = 0;
    while (s[n] && !in_set(s[n], set))
        n++;
    return n;
}

WCHAR wtolower16(WCHAR c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return WCHAR(c + 0x20);
    return c;
}

WCHAR wtoupper16(WCHAR c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return WCHAR(c - 0x20);
    return c;
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n)
{
    for (; n; n--, a++, b++)
    {
        WCHAR x = wtolower16(*a);
        WCHAR y = wtolower16(*b);
        if (x != y)
            return x < y ? -1 : 1;
        if (!x)
            break;
    }
    return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b)
{
    return _wcsnicmp(a, b, SIZE_MAX);
}

WCHAR* _wcslwr(WCHAR* s)
{
    for (WCHAR* p = s; *p; p++)
        *p = wtolower16(*p);
    return s;
}

WCHAR* _wcsupr(WCHAR* s)
{
    for (WCHAR* p = s; *p; p++)
        *p = wtoupper16(*p);
    return s;
}

LONG wcstol(const WCHAR* s, WCHAR** end, int base)
{
    const WCHAR* stop = s;
    long long value = parse_integer(s, &stop, base, INT32_MIN, INT32_MAX);
    if (end)
        *end = const_cast<WCHAR*>(stop);
    return LONG(value);
}

LONG _wtol(const WCHAR* s)
{
    return s ? wcstol(s, nullptr, 10) : 0;
}

int _wtoi(const WCHAR* s)
{
    return int(_wtol(s));
}

double wcstod(const WCHAR* s, WCHAR** end)
{
    // Narrow the leading run of ASCII characters and let the C library parse
    // it in the "C" locale, whatever locale the program set: ',' always ends
    // the number.
    std::string narrow;
    size_t i = 0;
    while (is_blank(s[i]))
        i++;
    size_t start = i;
    for (; s[i] && s[i] < 0x80 && s[i] != u','; i++)
        narrow += char(s[i]);
    char* stop = nullptr;
    double value = strtod_l(narrow.c_str(), &stop, c_locale());
    size_t used = size_t(stop - narrow.c_str());
    if (end)
        *end = const_cast<WCHAR*>(used ? s + start + used : s);
    return value;
}

WCHAR* _itow(int value, WCHAR* buf, int radix)
{
    return signed_to_text(value, buf, radix);
}

WCHAR* _ltow(LONG value, WCHAR* buf, int radix)
{
    return signed_to_text(value, buf, radix);
}

namespace os {

std::u16string to_u16(const char* text)
{
    std::u16string out;
    if (text)
    {
        for (; *text; text++)
            out += char16_t(static_cast<unsigned char>(*text));
    }
    return out;
}

std::u16string to_u16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out += char16_t(static_cast<unsigned char>(c));
    return out;
}

std::string to_latin1(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out += c > 0xFF ? '?' : char(c);
    return out;
}

std::string to_latin1(const WCHAR* text)
{
    return text ? to_latin1(std::u16string(text)) : std::string();
}

} // namespace os
