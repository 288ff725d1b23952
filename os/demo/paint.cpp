// paint.cpp -- what the demonstration window shows
#include "os/demo/demo_private.h"

namespace demo {

namespace {

constexpr COLORREF kMarkColour = RGB(255, 0, 255);
constexpr COLORREF kTileColours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

HFONT make_font(int height, int weight)
{
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    return CreateFontIndirectW(&lf);
}

// A 4 x 4 picture of four coloured quadrants, stretched when painted.
HBITMAP make_tile()
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = -4; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP tile = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!tile || !bits)
    {
        return tile;
    }
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 4; y++)
    {
        for (int x = 0; x < 4; x++)
        {
            COLORREF c = kTileColours[(y / 2) * 2 + x / 2];
            pixels[y * 4 + x] = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
        }
    }
    return tile;
}

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void text(HDC dc, HFONT font, int x, int y, const WCHAR* line)
{
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TextOutW(dc, x, y, line, int(wcslen(line)));
    if (old)
    {
        SelectObject(dc, old);
    }
}

void paint_shapes(HDC dc)
{
    fill(dc, kRedBox, RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ old_brush = SelectObject(dc, blue);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, kBlueEllipse.left, kBlueEllipse.top, kBlueEllipse.right, kBlueEllipse.bottom);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(blue);
    HPEN green = CreatePen(PS_SOLID, 1, RGB(0, 160, 0));
    old_pen = SelectObject(dc, green);
    MoveToEx(dc, 120, 40, nullptr);
    LineTo(dc, 168, 80);
    SelectObject(dc, old_pen);
    DeleteObject(green);
}

void paint_tile(HDC dc)
{
    HDC memory = state().tile ? CreateCompatibleDC(dc) : nullptr;
    if (!memory)
    {
        return;
    }
    HGDIOBJ old = SelectObject(memory, state().tile);
    StretchBlt(dc, kStretched.left, kStretched.top, kStretched.right - kStretched.left,
               kStretched.bottom - kStretched.top, memory, 0, 0, 4, 4, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

// What the controls reported, as marks a test can find.
void paint_control_marks(HDC dc)
{
    const State& s = state();
    if (s.picked >= 0)
    {
        fill(dc, kPickMark, RGB(255, 128, 0));
    }
    if (s.clicks > 0)
    {
        fill(dc, kClickMark, RGB(128, 0, 128));
    }
    if (s.typed > 0)
    {
        fill(dc, kTypedMark, RGB(0, 128, 0));
    }
}

void paint_status(HDC dc)
{
    const State& s = state();
    WCHAR line[64];
    text(dc, s.big_font, 4, 2, u"OS demo");
    text(dc, s.small_font, 4, 24, s.restarted ? u"restarted" : u"first start");
    if (s.restarted)
    {
        fill(dc, kRestartedMark, RGB(0, 200, 0));
    }
    swprintf(line, 64, u"key: 0x%02X", s.last_key);
    text(dc, s.small_font, 4, 96, line);
    if (s.last_key)
    {
        fill(dc, kKeyMark, RGB(255, 255, 0));
    }
    swprintf(line, 64, u"worker: %d", s.worker_messages);
    text(dc, s.small_font, 4, 114, line);
    for (int i = 0; i < s.worker_messages && i < 16; i++)
    {
        fill(dc, RECT{8 + i * 12, kCounterTop, 16 + i * 12, kCounterTop + 8}, RGB(0, 0, 128));
    }
    if (s.sound_done)
    {
        fill(dc, kSoundMark, RGB(0, 255, 255));
    }
    swprintf(line, 64, u"list: %d  button: %d", s.picked, s.clicks);
    text(dc, s.small_font, 4, 176, line);
    paint_control_marks(dc);
}

void paint_restart_button(HDC dc)
{
    fill(dc, kRestartButton, RGB(192, 192, 192));
    SetBkMode(dc, TRANSPARENT);
    text(dc, state().small_font, kRestartButton.left + 8, kRestartButton.top + 6, u"restart");
}

void paint_taps(HDC dc)
{
    for (const POINT& p : state().taps)
    {
        fill(dc, RECT{p.x - kMarkHalf, p.y - kMarkHalf, p.x + kMarkHalf + 1, p.y + kMarkHalf + 1}, kMarkColour);
    }
}

} // namespace

void create_resources()
{
    State& s = state();
    s.big_font = make_font(20, FW_BOLD);
    s.small_font = make_font(12, FW_NORMAL);
    s.tile = make_tile();
}

void paint(HDC dc)
{
    RECT all = {0, 0, 240, 320};
    fill(dc, all, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    paint_shapes(dc);
    paint_tile(dc);
    paint_status(dc);
    paint_restart_button(dc);
    paint_taps(dc);
}

} // namespace demo
