// bitmap_font.h -- text drawn from a sheet of fixed-size character cells
//
// The sheet holds columns x rows cells of consecutive single-byte codes from
// startCode on. Text is converted to the ANSI code page (at most 256 bytes)
// and case-converted before drawing. A sheet whose cells would be smaller
// than one pixel (or a load that failed) makes an unusable font that draws
// nothing.
#pragma once

#include "engine/platform/image.h"

#include <os/types.h>

#include <cstdint>

class BitmapFont
{
public:
    static constexpr int kTextCapacity = 256;

    int32_t columns = 0;
    int32_t rows = 0;
    int32_t startCode = 0;
    int32_t caseConversion = 0;
    uint32_t transparentColor = 0;
    int32_t charCount = 0;
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    Image* sheet = nullptr;
    char textBuffer[kTextCapacity + 1] = {};

    BitmapFont(const WCHAR* path, int columns, int rows, int caseConversion, int startCode,
               uint32_t transparentColor);
    // The same over a sheet already in memory (taken over).
    BitmapFont(Image* sheet, int columns, int rows, int caseConversion, int startCode, uint32_t transparentColor);
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    bool isUsable() const { return cellWidth > 0 && cellHeight > 0; }
    void drawString(Image& target, int x, int y, const WCHAR* text, int height);
    void drawStringInRect(Image& target, const RECT& rect, const WCHAR* text, int height, int align);

    // Column and row of the cell for a character code (cell 0 out of range).
    void cellOf(int code, int& column, int& row) const;

private:
    void setUp(Image* sheetImage, int columns, int rows, int caseConversion, int startCode,
               uint32_t transparentColor);
    int convertText(const WCHAR* text);
    void glyphSize(int height, int& w, int& h) const;
    void drawChar(Image& target, int x, int y, unsigned char code, int w, int h);
    void drawRange(Image& target, int x, int y, int from, int to, int w, int h);
};
