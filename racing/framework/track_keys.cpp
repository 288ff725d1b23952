// track_keys.cpp -- values of a track file
#include "racing/framework/track_keys.h"

#include "racing/framework/restart_command.h"
#include "racing/framework/track_model.h"

#include "engine/base/properties.h"
#include "engine/base/wstring_utils.h"

#include <os/windows.h>

#include <cstdlib>

namespace racing {

std::u16string fieldText(const char16_t* value, const char16_t* field)
{
    if (!value)
        return {};
    std::u16string text(value), key = std::u16string(field) + u":";
    size_t at = text.find(key);
    if (at == std::u16string::npos)
        return {};
    size_t start = at + key.size(), end = text.find(u',', start);
    std::u16string out = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    while (!out.empty() && (out.front() == u' ' || out.front() == u'\t'))
        out.erase(out.begin());
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\t'))
        out.pop_back();
    return out;
}

float toFloat(const std::u16string& text, float fallback)
{
    std::string ascii = toAscii(text);
    char* end = nullptr;
    float v = std::strtof(ascii.c_str(), &end);
    return end == ascii.c_str() ? fallback : v;
}

uint32_t colourOf(Properties& p, const char16_t* key, uint32_t fallback, bool* present)
{
    const WCHAR* value = p.get(key);
    if (present)
        *present = value != nullptr;
    if (!value)
        return fallback;
    std::u16string copy(value);
    return uint32_t(parseColor(copy.data()));
}

float keyFloat(Properties& p, const char16_t* key, float fallback)
{
    const WCHAR* value = p.get(key);
    return value ? toFloat(value, fallback) : fallback;
}

void showError(const char* text)
{
    std::u16string message = toU16(text);
    MessageBoxW(nullptr, message.c_str(), u"Error", MB_ICONEXCLAMATION | MB_OK);
}

std::u16string collapsedPath(std::u16string path)
{
    path.push_back(u'\0');
    collapseParentDirs(path.data());
    path.resize(std::char_traits<char16_t>::length(path.c_str()));
    return path;
}

void showMissing(const std::u16string& path, const char* what)
{
    const std::u16string message = u"The " + toU16(what) + u" \"" + collapsedPath(path) + u"\" is missing.";
    MessageBoxW(nullptr, message.c_str(), u"Error", MB_ICONEXCLAMATION | MB_OK);
}

void showNoneFound(const char* what, const std::u16string& folder)
{
    const std::u16string message = u"No " + toU16(what) + u" was found in \"" + collapsedPath(folder) + u"\".";
    MessageBoxW(nullptr, message.c_str(), u"Error", MB_ICONEXCLAMATION | MB_OK);
}

void readTrackKeys(Properties& p, TrackKeys& keys)
{
    keys.widthAdjust = keyFloat(p, u"track.widthAdjust", 1.0f);
    if (const WCHAR* zig = p.get(u"track.zigzagside"))
    {
        keys.zigzag = true;
        keys.zigzagSide = int(toFloat(fieldText(zig, u"side"), 0.0f));
        keys.maxXZOffset = toFloat(fieldText(zig, u"maxXZOffset"), 0.0f);
        keys.maxYOffset = toFloat(fieldText(zig, u"maxYOffset"), 0.0f);
    }
}

} // namespace racing
