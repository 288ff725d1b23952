// wstring.h -- 16-bit text: the wide C runtime, the formatter, code pages, rand
//
// WCHAR is char16_t, while the host's wchar_t is 32 bits, so the wide string
// functions of the C runtime are given here again as overloads taking
// char16_t. Program code keeps the device's names (wcslen, _wtol, swprintf);
// overload resolution picks these for WCHAR arguments and the host's own for
// wchar_t ones. Single-character case mapping has its own names
// (wtolower16, wtoupper16) because an overload of towlower would make calls
// with an int ambiguous.
//
// Case folding covers ASCII and Latin-1 (U+00C0..U+00DE except U+00D7).
// Number parsing always uses the C conventions: '.' is the decimal point.
//
// Formatter (swprintf and friends) follows the device's convention for wide
// formats: %s and %ls take a WCHAR string, %hs and %S a narrow char string;
// %c takes a WCHAR, %hc a narrow char. Flags - + space # 0, width and
// precision (also as *), length h l ll I64 I32 I, conversions
// d i u x X o c s p f F e E g G a A n(ignored) and %%.
// Output is cut at count-1 characters and always terminated (when count > 0);
// the functions answer the number of characters written without the
// terminator, or -1 when the text did not fit.
#pragma once

#include <os/types.h>

#include <cstdarg>
#include <string>

// ---- strings ----
size_t wcslen(const WCHAR* s);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* s, const WCHAR* find);
WCHAR* wcsstr(WCHAR* s, const WCHAR* find);
const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set);
WCHAR* wcspbrk(WCHAR* s, const WCHAR* set);
size_t wcsspn(const WCHAR* s, const WCHAR* set);
size_t wcscspn(const WCHAR* s, const WCHAR* set);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
WCHAR* _wcslwr(WCHAR* s);
WCHAR* _wcsupr(WCHAR* s);
WCHAR wtolower16(WCHAR c);
WCHAR wtoupper16(WCHAR c);

// ---- numbers ----
LONG _wtol(const WCHAR* s);
int _wtoi(const WCHAR* s);
LONG wcstol(const WCHAR* s, WCHAR** end, int base);
double wcstod(const WCHAR* s, WCHAR** end);
WCHAR* _itow(int value, WCHAR* buf, int radix);
WCHAR* _ltow(LONG value, WCHAR* buf, int radix);

// ---- formatter ----
int swprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...);
int vswprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args);
int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...);
int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args);

// ---- code pages ----
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

// CP_ACP and CP_OEMCP are Latin-1 (one byte per character; characters above
// U+00FF become '?'). CP_UTF8 is UTF-8. A length of -1 includes the
// terminator; an output size of 0 asks for the size needed.
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* src, int src_len, WCHAR* dst, int dst_len);
int WideCharToMultiByte(UINT code_page, DWORD flags, const WCHAR* src, int src_len, char* dst, int dst_len,
                        const char* default_char, BOOL* used_default);

// ---- the C runtime's rand, with the device's 15-bit range ----
#define OS_RAND_MAX 32767

// state = state * 214013 + 2531011; answers (state >> 16) & 0x7FFF.
int os_rand();
void os_srand(unsigned int seed);

namespace os {

// Latin-1 widening and narrowing (one byte per character; '?' above U+00FF).
std::u16string to_u16(const char* text);
std::u16string to_u16(const std::string& text);
std::string to_latin1(const WCHAR* text);
std::string to_latin1(const std::u16string& text);

// Format into a std::u16string (the same rules as swprintf, never truncated).
std::u16string format(const WCHAR* fmt, ...);
std::u16string vformat(const WCHAR* fmt, va_list args);

} // namespace os
