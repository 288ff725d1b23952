// wstring_utils.cpp -- in-place text helpers of the engine
#include "engine/base/wstring_utils.h"

#include <os/wstring.h>

#include <cstring>

const WCHAR kBlanks[] = u" \t";

namespace {

// Moves the text starting at from down to to (overlapping), terminator included.
void moveDown(WCHAR* to, const WCHAR* from)
{
    std::memmove(to, from, (wcslen(from) + 1) * sizeof(WCHAR));
}

WCHAR* copyRange(const WCHAR* begin, size_t n)
{
    WCHAR* out = new WCHAR[n + 1];
    std::memcpy(out, begin, n * sizeof(WCHAR));
    out[n] = 0;
    return out;
}

bool isParentName(const WCHAR* begin, const WCHAR* end)
{
    return end - begin == 2 && begin[0] == u'.' && begin[1] == u'.';
}

} // namespace

WCHAR* copyText(const WCHAR* text)
{
    return text ? copyRange(text, wcslen(text)) : nullptr;
}

bool isCharInSet(WCHAR ch, const WCHAR* set)
{
    for (; *set; ++set)
    {
        if (*set == ch)
            return true;
    }
    return false;
}

void trimRight(WCHAR* text, const WCHAR* set)
{
    size_t n = wcslen(text);
    while (n > 0 && isCharInSet(text[n - 1], set))
        --n;
    text[n] = 0;
}

void trimLeft(WCHAR* text, const WCHAR* set)
{
    WCHAR* p = text;
    while (*p && isCharInSet(*p, set))
        ++p;
    if (p != text)
        moveDown(text, p);
}

void trim(WCHAR* text, const WCHAR* set)
{
    trimRight(text, set);
    trimLeft(text, set);
}

WCHAR* collapseParentDirs(WCHAR* path)
{
    static const WCHAR kParent[] = u"\\..\\";
    WCHAR* from = path;
    while (WCHAR* match = wcsstr(from, kParent))
    {
        WCHAR* rest = match + 3; // begins with '\'
        if (match == path)
        {
            moveDown(match, rest); // nothing above the root
            continue;
        }
        WCHAR* slash = match - 1;
        while (slash > path && *slash != u'\\')
            --slash;
        bool atStart = *slash != u'\\';
        WCHAR* name = atStart ? path : slash + 1;
        if (isParentName(name, match))
        {
            from = rest; // a leading ".." stays
            continue;
        }
        if (atStart)
            moveDown(path, rest + 1);
        else
            moveDown(slash, rest);
        from = path;
    }
    return path;
}

WCHAR* collapseRuns(WCHAR* text, WCHAR ch)
{
    WCHAR* out = text;
    for (const WCHAR* in = text; *in; ++in)
    {
        if (*in == ch && out > text && out[-1] == ch)
            continue;
        *out++ = *in;
    }
    *out = 0;
    return text;
}

const WCHAR* findCharWithin(const WCHAR* text, int n, WCHAR ch)
{
    const WCHAR* p = wcschr(text, ch);
    return p && p - text < n ? p : nullptr;
}

int splitTokens(const WCHAR* text, const WCHAR* separators, WCHAR*** out, WCHAR join)
{
    *out = nullptr;
    size_t pieces = 1;
    for (const WCHAR* p = text; (p = wcspbrk(p, separators)); ++p)
        ++pieces;
    WCHAR** tokens = new WCHAR*[pieces];
    int count = 0;
    const WCHAR* start = text;
    for (;;)
    {
        const WCHAR* end = wcspbrk(start, separators);
        size_t n = end ? size_t(end - start) : wcslen(start);
        if (!end && n == 0)
            break; // an empty last piece is no token
        bool standsAlone = !join || findCharWithin(start, int(n), join);
        if (standsAlone)
        {
            tokens[count++] = copyRange(start, n);
        }
        else if (count > 0)
        {
            // Joined to the previous token with the separator before it.
            WCHAR* prev = tokens[count - 1];
            size_t m = wcslen(prev);
            WCHAR* joined = new WCHAR[m + 1 + n + 1];
            std::memcpy(joined, prev, m * sizeof(WCHAR));
            joined[m] = start[-1];
            std::memcpy(joined + m + 1, start, n * sizeof(WCHAR));
            joined[m + 1 + n] = 0;
            delete[] prev;
            tokens[count - 1] = joined;
        }
        if (!end)
            break;
        start = end + 1;
    }
    if (count == 0)
        delete[] tokens;
    else
        *out = tokens;
    return count;
}

void freeTokens(WCHAR** tokens, int count)
{
    for (int i = 0; i < count; ++i)
        delete[] tokens[i];
    delete[] tokens;
}

void splitKeyValue(WCHAR* text, WCHAR separator, WCHAR** key, WCHAR** value)
{
    *key = nullptr;
    *value = nullptr;
    trim(text, kBlanks);
    WCHAR* sep = wcschr(text, separator);
    if (!sep)
        return;
    *key = copyRange(text, size_t(sep - text));
    trimRight(*key, kBlanks);
    *value = copyText(sep + 1);
    trimLeft(*value, kBlanks);
}

WCHAR* replaceChar(WCHAR* text, WCHAR from, WCHAR to)
{
    for (WCHAR* p = text; *p; ++p)
    {
        if (*p == from)
            *p = to;
    }
    return text;
}

WCHAR* replaceSameLength(WCHAR* text, const WCHAR* from, const WCHAR* to)
{
    size_t n = wcslen(from);
    if (n == 0 || n != wcslen(to))
        return text;
    for (WCHAR* p = text; (p = wcsstr(p, from)); p += n)
        std::memcpy(p, to, n * sizeof(WCHAR));
    return text;
}

WCHAR* removeChars(WCHAR* text, const WCHAR* set)
{
    WCHAR* out = text;
    for (const WCHAR* in = text; *in; ++in)
    {
        if (!isCharInSet(*in, set))
            *out++ = *in;
    }
    *out = 0;
    return text;
}

int parseColor(WCHAR* text)
{
    trim(text, u" \t()");
    WCHAR** tokens = nullptr;
    int n = splitTokens(text, u";", &tokens, 0);
    uint32_t rgb[3] = {0, 0, 0};
    for (int i = 0; i < n && i < 3; ++i)
        rgb[i] = uint32_t(_wtol(tokens[i]));
    freeTokens(tokens, n);
    return int(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
}
