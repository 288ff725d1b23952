// gdi_draw.cpp -- text, lines, fonts and cursors
#include "engine/platform/gdi_draw.h"

#include <os/wstring.h>

namespace {

const WCHAR* faceOrDefault(const WCHAR* face)
{
    return face ? face : u"Arial";
}

} // namespace

void drawText(HDC dc, int x, int y, const WCHAR* text)
{
    if (text)
        ExtTextOutW(dc, x, y, 0, nullptr, text, UINT(wcslen(text)), nullptr);
}

void drawTextInRect(HDC dc, const RECT& rect, const WCHAR* text, UINT format)
{
    if (!text)
        return;
    RECT box = rect;
    DrawTextW(dc, text, int(wcslen(text)), &box, format);
}

void drawLine(HDC dc, int x1, int y1, int x2, int y2)
{
    static POINT line[2];
    line[0] = {x1, y1};
    line[1] = {x2, y2};
    Polyline(dc, line, 2);
}

void deleteFont(HFONT font)
{
    if (font && font != GetStockObject(SYSTEM_FONT))
        DeleteObject(font);
}

HFONT createFont(int height, int weight, bool italic, bool underline, const WCHAR* face)
{
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic ? 1 : 0;
    font.lfUnderline = underline ? 1 : 0;
    font.lfPitchAndFamily = FF_SWISS;
    wcsncpy(font.lfFaceName, faceOrDefault(face), LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = 0;
    HFONT made = CreateFontIndirectW(&font);
    return made ? made : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

bool isFontSelected(HDC dc, int height, int weight, bool italic, bool underline, const WCHAR* face, HFONT* out)
{
    auto current = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    if (out)
        *out = current;
    LOGFONTW font{};
    if (!current || GetObjectW(current, sizeof(font), &font) == 0)
        return false;
    return font.lfHeight == height && font.lfWeight == weight && (font.lfItalic != 0) == italic &&
           (font.lfUnderline != 0) == underline && wcsncmp(font.lfFaceName, faceOrDefault(face), LF_FACESIZE - 1) == 0;
}

HCURSOR loadCursor(HINSTANCE instance, const WCHAR* id)
{
    return LoadCursorW(instance, id);
}

HCURSOR setCursor(HCURSOR cursor)
{
    return SetCursor(cursor);
}
