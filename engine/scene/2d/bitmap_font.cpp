// bitmap_font.cpp -- drawing and word-wrapping text from a glyph sheet
#include "engine/scene/2d/bitmap_font.h"

#include <os/wstring.h>

#include <cctype>

BitmapFont::BitmapFont(const WCHAR* path, int columns_, int rows_, int caseConversion_, int startCode_,
                       uint32_t transparentColor_)
{
    setUp(new Image(path, true), columns_, rows_, caseConversion_, startCode_, transparentColor_);
}

BitmapFont::BitmapFont(Image* sheetImage, int columns_, int rows_, int caseConversion_, int startCode_,
                       uint32_t transparentColor_)
{
    setUp(sheetImage, columns_, rows_, caseConversion_, startCode_, transparentColor_);
}

void BitmapFont::setUp(Image* sheetImage, int columns_, int rows_, int caseConversion_, int startCode_,
                       uint32_t transparentColor_)
{
    sheet = sheetImage;
    columns = columns_;
    rows = rows_;
    caseConversion = caseConversion_;
    startCode = startCode_;
    transparentColor = sheet->hasColorKey ? sheet->colorKey : transparentColor_;
    if (columns < 1 || rows < 1 || sheet->isEmpty())
        return;
    charCount = columns * rows;
    cellWidth = sheet->width / columns;
    cellHeight = sheet->height / rows;
}

BitmapFont::~BitmapFont()
{
    delete sheet;
}

void BitmapFont::cellOf(int code, int& column, int& row) const
{
    int index = code - startCode;
    if (index < 0 || index >= charCount)
        index = 0;
    column = index % columns;
    row = index / columns;
}

int BitmapFont::convertText(const WCHAR* text)
{
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, textBuffer, kTextCapacity + 1, nullptr, nullptr);
    textBuffer[kTextCapacity] = 0;
    if (n <= 0)
        textBuffer[0] = 0;
    int length = 0;
    for (; textBuffer[length]; ++length)
    {
        unsigned char c = static_cast<unsigned char>(textBuffer[length]);
        if (caseConversion == 1 && c >= 'a' && c <= 'z')
            textBuffer[length] = char(c - 32);
        else if (caseConversion == 2 && c >= 'A' && c <= 'Z')
            textBuffer[length] = char(c + 32);
    }
    return length;
}

void BitmapFont::glyphSize(int height, int& w, int& h) const
{
    if (height == 0)
    {
        w = cellWidth;
        h = cellHeight;
        return;
    }
    w = cellWidth * height / cellHeight;
    h = height;
}

void BitmapFont::drawChar(Image& target, int x, int y, unsigned char code, int w, int h)
{
    if (code == ' ')
        return;
    int column = 0, row = 0;
    cellOf(code, column, row);
    int sx = column * cellWidth, sy = row * cellHeight;
    if (w == cellWidth && h == cellHeight)
        target.drawImage(*sheet, x, y, sx, sy, cellWidth, cellHeight, transparentColor);
    else
        target.drawScaled(*sheet, x, y, w, h, sx, sy, cellWidth, cellHeight, transparentColor);
}

void BitmapFont::drawRange(Image& target, int x, int y, int from, int to, int w, int h)
{
    for (int i = from; i < to; ++i, x += w)
        drawChar(target, x, y, static_cast<unsigned char>(textBuffer[i]), w, h);
}

void BitmapFont::drawString(Image& target, int x, int y, const WCHAR* text, int height)
{
    if (!text || !isUsable())
        return;
    int length = convertText(text);
    int w = 0, h = 0;
    glyphSize(height, w, h);
    drawRange(target, x, y, 0, length, w, h);
}

void BitmapFont::drawStringInRect(Image& target, const RECT& rect, const WCHAR* text, int height, int align)
{
    if (!text || !isUsable())
        return;
    int length = convertText(text);
    int w = 0, h = 0;
    glyphSize(height, w, h);
    if (w < 1)
        return;
    int start = 0, lineWidth = 0, y = rect.top;
    for (int i = 0; i < length; ++i)
    {
        lineWidth += w;
        bool lineBreak = textBuffer[i] == 10 && i + 1 < length && textBuffer[i + 1] == 13;
        bool overflow = rect.left + lineWidth > rect.right;
        bool last = i == length - 1;
        if (!lineBreak && !overflow && !last)
            continue;
        if (y >= rect.bottom)
            return;
        int cut = i;
        if (overflow && !lineBreak)
        {
            for (int p = i; p > start; --p)
            {
                if (static_cast<unsigned char>(textBuffer[p]) < 33)
                {
                    cut = p + 1;
                    break;
                }
            }
        }
        int end = cut == length - 1 && !lineBreak ? cut + 1 : cut;
        // A single glyph wider than the rectangle still moves on.
        if (end <= start && !lineBreak)
            end = cut = start + 1;
        int m = end - start, x = rect.left;
        if (align == 2)
            x = rect.right - m * w;
        else if (align == 1)
            x = rect.left + ((rect.right - m * w - rect.left) >> 1);
        drawRange(target, x, y, start, end, w, h);
        start = lineBreak ? cut + 2 : end;
        if (start >= length)
            return;
        lineWidth = 0;
        y += h;
        i = start - 1;
    }
}
