// Fuzz target: number parsing on 16-bit text.
#include <os/wstring.h>

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    int base = data[0] % 40;
    std::u16string text;
    for (size_t i = 1; i + 1 < size; i += 2)
        text += char16_t(data[i] | data[i + 1] << 8);
    const WCHAR* s = text.c_str();
    WCHAR* end = nullptr;
    LONG a = _wtol(s);
    LONG b = wcstol(s, &end, 10);
    if (a != b || end < s || end > s + text.size())
        std::abort();
    wcstol(s, &end, base);
    if (end < s || end > s + text.size())
        std::abort();
    wcstod(s, &end);
    if (end < s || end > s + text.size())
        std::abort();
    return 0;
}
