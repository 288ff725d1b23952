// head_up_display.cpp -- the HUD's tapes, ladder and target boxes
#include "games/skyrend/head_up_display.h"

#include "games/skyrend/flight/flight_model.h"

#include "engine/base/math_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/scene/screen/canvas.h"

#include <os/wstring.h>

#include <cmath>
#include <cstdlib>

namespace skyrend {

namespace {

constexpr float kDegrees = 57.29578f;

int S(int n)
{
    return Canvas::scaleToScreen(n);
}

void line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

} // namespace

HeadUpDisplay::HeadUpDisplay(const RECT& area, HDC context, uint32_t rgb, const FlightModel* values)
    : dc(context), flight(values), rect(area)
{
    colour = RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
    font = createFont(S(11), FW_NORMAL, false, false, u"Arial");
    pen = CreatePen(PS_SOLID, 1, colour);
    ownPen = pen != nullptr;
    if (!pen)
        pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
    const int w = area.right - area.left, h = area.bottom - area.top;
    speed = {1.0f, int(float(h) * 0.6f), 100, S(16)};
    altitude = {1.0f, int(float(h) * 0.6f), 1000, S(16)};
    heading = {kDegrees, int(float(w) * 0.6f), 10, S(24)};
    ladder = {kDegrees, int(float(h) * 0.4f), 10, S(18)};
}

HeadUpDisplay::~HeadUpDisplay()
{
    DeleteObject(font);
    if (ownPen)
        DeleteObject(pen);
    DeleteObject(clip);
}

void HeadUpDisplay::headingLabel(int h, WCHAR* out, int capacity)
{
    const WCHAR* cardinal = nullptr;
    if (std::abs(h) < 2 || std::abs(h - 360) < 2)
        cardinal = u" N";
    else if (std::abs(h - 90) < 2)
        cardinal = u" E";
    else if (std::abs(h - 180) < 2)
        cardinal = u" S";
    else if (std::abs(h - 270) < 2)
        cardinal = u" W";
    if (cardinal)
        swprintf(out, size_t(capacity), u"%ls", cardinal);
    else
        swprintf(out, size_t(capacity), u"%3d", h);
}

void HeadUpDisplay::text(int x, int y, const WCHAR* format, int value)
{
    WCHAR buffer[32];
    swprintf(buffer, 32, format, value);
    drawText(dc, x, y, buffer);
}

void HeadUpDisplay::draw()
{
    if (!dc || !flight)
        return;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, colour);
    HGDIOBJ oldFont = SelectObject(dc, font);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SelectClipRgn(dc, clip);

    text(S(55), S(135), u"THR:%3d%%", flight->level);
    drawHeading();
    drawAltitude();
    drawSpeed();
    drawLadder();

    SelectClipRgn(dc, nullptr);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void HeadUpDisplay::drawHeading()
{
    const int hs = S(12), hw = S(6);
    const int h = int(flight->heading * heading.factor);
    const int x0 = rect.left + S(30), y = rect.top + S(10);
    line(dc, x0, y, x0 + heading.length, y);
    const int c = x0 + heading.length / 2;
    WCHAR label[16];
    headingLabel(h, label, 16);
    drawText(dc, c - hw, y - S(10), label);
    Rectangle(dc, c - hw - 2, y - S(10), c + 2 * hw - 2, y - S(10) - S(2) + hs);

    const float f = float(h) / float(heading.step);
    const int i0 = int(f);
    const int n = (heading.length / heading.pixels) / 2 + 1;
    for (int k = i0 + 1 - n; k <= i0 + n; ++k)
    {
        const int x = c + int((float(k) - f) * float(heading.pixels));
        line(dc, x, y, x, y + 4);
        const int d = ((k + 36) % 36 + 36) % 36;
        const WCHAR* cardinal = d == 0 ? u" N" : d == 9 ? u" E" : d == 18 ? u" S" : d == 27 ? u" W" : nullptr;
        if (cardinal)
            drawText(dc, x - 4, y + 4, cardinal);
        else
            text(x - 4, y + 4, u"%2d", d);
    }
}

void HeadUpDisplay::verticalTape(const Tape& tape, int value, int x, int c, bool ticksLeft)
{
    const float f = float(value) / float(tape.step);
    const int i0 = int(f);
    const int n = (tape.length / tape.pixels) / 2;
    for (int k = i0 - n; k <= i0 + n + 1; ++k)
    {
        const int y = c - int((float(k) - f) * float(tape.pixels));
        if (ticksLeft)
        {
            line(dc, x - S(4), y, x, y);
            text(x - S(13), y - 6, u"%2d", k);
        }
        else
        {
            line(dc, x, y, x + S(4), y);
            text(x + S(4), y - 6, u"%2d", k);
        }
    }
}

void HeadUpDisplay::drawAltitude()
{
    const int hs = S(12), hw = S(6);
    const int a = int(flight->position.y * altitude.factor);
    const int x = rect.right - S(20), y0 = rect.top + S(20);
    line(dc, x, y0, x, y0 + altitude.length);
    const int c = y0 + altitude.length / 2;
    text(x - S(24), c - S(6), u"%5d", a);
    drawText(dc, x - S(20), c - S(18), u"ALT");
    Rectangle(dc, x - S(24), c - S(6), x + 5 * hw - S(28), c - S(7) + hs);
    verticalTape(altitude, a, x, c, false);
}

void HeadUpDisplay::drawSpeed()
{
    const int hs = S(12), hw = S(6);
    const int s = int(flight->speed * speed.factor);
    const int x = rect.left + S(16), y0 = rect.top + S(20);
    line(dc, x, y0, x, y0 + speed.length);
    const int c = y0 + speed.length / 2;
    text(x + S(2), c - S(6), u"%4d", s);
    drawText(dc, x + S(6), c - S(18), u"SPD");
    Rectangle(dc, x + S(2), c - S(6), x + 4 * hw, c - S(7) + hs);
    verticalTape(speed, s, x, c, true);
}

void HeadUpDisplay::drawLadder()
{
    const int p = int(flight->pitchAngle * ladder.factor);
    const int cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2 + S(10);
    const float f = float(p) / float(ladder.step);
    const int i0 = int(f);
    const int n = int((float(ladder.extent()) / float(ladder.pixels)) * 0.5f + 1.5f);
    const float w = Canvas::scaleToScreenF(20.0f);
    const float sb = tableSin(flight->bank), cb = tableCos(flight->bank);
    for (int k = i0 + 1 - n; k <= i0 + n - 1; ++k)
    {
        const int d = int((float(k) - f) * float(ladder.pixels));
        const int px = cx + int(float(d) * sb), py = cy - int(float(d) * cb);
        int ax = px - int(w * cb), ay = py - int(w * sb);
        int bx = px + int(w * cb), by = py + int(w * sb);
        line(dc, px - int(3.0f * cb), py - int(3.0f * sb), ax, ay);
        line(dc, px + int(3.0f * cb), py + int(3.0f * sb), bx, by);
        if (ax > bx)
        {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        text(ax - 12, ay - 6, u"%3d", k * 10);
        text(bx + 2, by - 6, u"%3d", k * 10);
    }
    Ellipse(dc, cx - 3, cy - 3, cx + 6, cy + 6);
}

void HeadUpDisplay::drawTargetBox(int x, int y, float depth, bool locked, const WCHAR* label)
{
    if (!dc)
        return;
    const int oldRop = SetROP2(dc, R2_NOT);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, x - 5, y - 5, x + 5, y + 5);
    if (depth < 420.0f)
    {
        line(dc, x, y - 3, x, y + 3);
        line(dc, x - 3, y, x + 3, y);
    }
    else if (locked)
    {
        const POINT diamond[5] = {{x, y - 4}, {x - 4, y}, {x, y + 4}, {x + 4, y}, {x, y - 4}};
        Polyline(dc, diamond, 5);
    }
    SetROP2(dc, oldRop);
    if (label)
    {
        HGDIOBJ oldFont = SelectObject(dc, font);
        const COLORREF oldColour = SetTextColor(dc, colour);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        drawText(dc, x - 8, y + 2, label);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldColour);
        SelectObject(dc, oldFont);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

} // namespace skyrend
