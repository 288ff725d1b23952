// wstring_utils.cpp -- in-place text helpers of the engine
#include "engine/base/wstring_utils.h"

#include <os/wstring.h>

#include <cstring>
#include <string>
#include <vector>

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
    // Only the first n characters are looked at: a long text split into
    // many short pieces stays linear.
    for (int i = 0; i < n; ++i)
    {
        if (text[i] == ch)
            return text + i;
        if (text[i] == 0)
            return nullptr;
    }
    return nullptr;
}

int splitTokens(const WCHAR* text, const WCHAR* separators, WCHAR*** out, WCHAR join)
{
    *out = nullptr;
    // Tokens grow in place (a joined piece is appended, not copied with
    // everything before it): linear in the text however many pieces join.
    std::vector<std::u16string> tokens;
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
            tokens.emplace_back(start, n);
        }
        else if (!tokens.empty())
        {
            // Joined to the previous token with the separator before it.
            tokens.back().push_back(start[-1]);
            tokens.back().append(start, n);
        }
        if (!end)
            break;
        start = end + 1;
    }
    if (tokens.empty())
        return 0;
    WCHAR** copies = new WCHAR*[tokens.size()];
    for (size_t i = 0; i < tokens.size(); ++i)
        copies[i] = copyRange(tokens[i].data(), tokens[i].size());
    *out = copies;
    return int(tokens.size());
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
