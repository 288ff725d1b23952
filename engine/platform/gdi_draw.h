// gdi_draw.h -- thin text, line, font and cursor routines over GDI
#pragma once

#include <os/windows.h>

#include <cstdint>

// A colour 0xRRGGBB in GDI's blue-green-red order.
inline COLORREF colorRef(uint32_t rgb)
{
    return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}
// Deletes a font unless it is the stock system font.
void deleteFont(HFONT font);

void drawText(HDC dc, int x, int y, const WCHAR* text);
void drawTextInRect(HDC dc, const RECT& rect, const WCHAR* text, UINT format);
void drawLine(HDC dc, int x1, int y1, int x2, int y2);
// A Swiss font of that height, weight, italic and underline; face "Arial"
// unless one is given (at most 31 characters). The stock system font when
// creation fails.
HFONT createFont(int height, int weight, bool italic, bool underline, const WCHAR* face);
// The DC's current font has exactly these attributes (and that face,
// "Arial" when none is given); the font is stored in *font when asked.
bool isFontSelected(HDC dc, int height, int weight, bool italic, bool underline, const WCHAR* face,
                    HFONT* font);
HCURSOR loadCursor(HINSTANCE instance, const WCHAR* id);
HCURSOR setCursor(HCURSOR cursor);
