// console_panel.cpp -- radar, weapon stations and alert line
#include "games/skyrend/console_panel.h"

#include "games/skyrend/flight/aircraft.h"

#include "engine/base/math_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/scene/screen/canvas.h"

#include <algorithm>
#include <cstdlib>

namespace skyrend {

namespace {

const COLORREF kGreen = 0x00C800, kRed = 0x0000FF, kGrey = 0x808080, kBackground = 0x2C3E2D;

int S(int n)
{
    return Canvas::scaleToScreen(n);
}

void line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// The context's attributes a drawing changes, given back when it ends.
struct SavedState
{
    HDC dc;
    int mode;
    COLORREF colour;
    HGDIOBJ font, pen, brush;
    SavedState(HDC d, HFONT f, COLORREF c, HPEN p, HBRUSH b)
        : dc(d), mode(SetBkMode(d, TRANSPARENT)), colour(SetTextColor(d, c)), font(SelectObject(d, f)),
          pen(SelectObject(d, p)), brush(SelectObject(d, b))
    {
    }
    ~SavedState()
    {
        SelectObject(dc, brush);
        SelectObject(dc, pen);
        SelectObject(dc, font);
        SetTextColor(dc, colour);
        SetBkMode(dc, mode);
    }
};

} // namespace

ConsolePanel::ConsolePanel(HDC context, const RECT& alert, const RECT& radar, const RECT& stations)
    : dc(context), alertRect(alert), radarRect(radar), stationsRect(stations)
{
    radarFont = createFont(S(11), FW_NORMAL, false, false, u"Arial");
    stationFont = createFont(S(10), FW_NORMAL, false, false, u"Arial");
    green = CreatePen(PS_SOLID, 1, kGreen);
    red = CreatePen(PS_SOLID, 1, kRed);
    grey = CreatePen(PS_SOLID, 1, kGrey);
    dashedGreen = CreatePen(PS_DASH, 1, kGreen);
    dashedRed = CreatePen(PS_DASH, 1, kRed);
    background = CreateSolidBrush(kBackground);
    radarClip = CreateRectRgn(radar.left, radar.top, radar.right, radar.bottom);
    const int units[kStations] = {-24, -18, -13, -7, 7, 13, 18, 24};
    for (int i = 0; i < kStations; ++i)
        offsets[i] = units[i] < 0 ? -S(-units[i]) : S(units[i]);
}

ConsolePanel::~ConsolePanel()
{
    DeleteObject(radarFont);
    DeleteObject(stationFont);
    for (HPEN p : {green, red, grey, dashedGreen, dashedRed})
        DeleteObject(p);
    DeleteObject(background);
    DeleteObject(radarClip);
}

void ConsolePanel::setPlayer(Aircraft* aircraft)
{
    player = aircraft;
    static const int places[kStations][2] = {{0, 3}, {0, 2}, {1, 3}, {1, 2}, {1, 0}, {1, 1}, {0, 0}, {0, 1}};
    for (int i = 0; i < kStations; ++i)
        slots[i] = aircraft && aircraft->hasStations() ? aircraft->stations[places[i][0]][places[i][1]] : nullptr;
    selected = 0;
}

void ConsolePanel::addTarget(Aircraft* aircraft)
{
    if (aircraft && std::find(targets.begin(), targets.end(), aircraft) == targets.end())
        targets.push_back(aircraft);
}

void ConsolePanel::removeTarget(Aircraft* aircraft)
{
    targets.erase(std::remove(targets.begin(), targets.end(), aircraft), targets.end());
}

void ConsolePanel::setAlert(const WCHAR* text)
{
    alertText = std::u16string(text ? text : u"").substr(0, kAlertLength);
}

void ConsolePanel::increaseRange()
{
    radarRange = std::min(kMaxRange, radarRange + kRangeStep);
}

void ConsolePanel::decreaseRange()
{
    radarRange = std::max(kMinRange, radarRange - kRangeStep);
}

bool ConsolePanel::anyReady() const
{
    for (Missile* m : slots)
        if (m && m->state < Missile::Flying)
            return true;
    return false;
}

void ConsolePanel::step(int direction)
{
    if (!anyReady())
        return;
    do
        selected = (selected + direction + kStations) % kStations;
    while (!slots[selected] || slots[selected]->state >= Missile::Flying);
}

void ConsolePanel::nextStation()
{
    step(1);
}

void ConsolePanel::previousStation()
{
    step(-1);
}

bool ConsolePanel::selectLockedStation()
{
    for (int k = 1; k <= kStations; ++k)
    {
        const int i = (selected + k) % kStations;
        if (slots[i] && slots[i]->state == Missile::Locked)
        {
            selected = i;
            return true;
        }
    }
    return false;
}

void ConsolePanel::drawRadar()
{
    counted = 0;
    if (!dc)
        return;
    SavedState saved(dc, radarFont, kGreen, green, background);
    SelectClipRgn(dc, radarClip);
    Rectangle(dc, radarRect.left, radarRect.top, radarRect.right, radarRect.bottom);
    const int ox = (radarRect.left + radarRect.right) / 2, oy = radarRect.bottom;
    const float h = player ? player->flight.heading : 0.0f;
    const float sh = tableSin(h), ch = tableCos(h);
    SelectObject(dc, dashedGreen);
    line(dc, ox + int(150 * ch), oy - int(150 * sh), ox - int(150 * ch), oy + int(150 * sh));
    line(dc, ox - int(150 * sh), oy - int(150 * ch), ox + int(150 * sh), oy + int(150 * ch));
    // The north mark stands on the panel's background, so that the axes
    // turning under it never run through its letter.
    drawLabel(ox - 2 - int(50 * sh), oy - 4 - int(50 * ch), u"N");
    // The range and the count are written last; their boxes are cleared
    // before the own symbol and the targets, so the axes and the north mark
    // passing under them never cut their letters, while a target there
    // still shows.
    for (const Aircraft* t : targets)
        counted += t->state == Aircraft::Flying;
    WCHAR range[32], count[32];
    swprintf(range, 32, u"1:%4d", radarRange);
    swprintf(count, 32, u"trgs: %d", counted);
    const int labelX = radarRect.left + 2, rangeY = radarRect.top + 1, countY = radarRect.top + S(12);
    clearLabel(labelX, rangeY, range);
    clearLabel(labelX, countY, count);
    SelectObject(dc, green);
    const POINT own[4] = {{ox - 2, oy}, {ox + 2, oy}, {ox, oy - 7}, {ox - 2, oy}};
    Polyline(dc, own, 4);
    for (auto it = targets.rbegin(); it != targets.rend(); ++it)
    {
        const Aircraft* t = *it;
        SelectObject(dc, t->state == Aircraft::Flying ? red : grey);
        if (!player)
            continue;
        const float dx = (t->flight.position.x - player->flight.position.x) / float(radarRange);
        const float dz = (t->flight.position.z - player->flight.position.z) / float(radarRange);
        const int px = ox + int(dx * ch - dz * sh), py = oy - int(dx * sh + dz * ch);
        Rectangle(dc, px - 2, py - 2, px + 2, py + 2);
    }
    drawText(dc, labelX, rangeY, range);
    drawText(dc, labelX, countY, count);
    SelectClipRgn(dc, nullptr);
}

void ConsolePanel::clearLabel(int x, int y, const WCHAR* text)
{
    SIZE size{};
    if (GetTextExtentPoint32W(dc, text, int(wcslen(text)), &size))
    {
        const RECT box{x - 1, y, x + size.cx + 1, y + size.cy};
        FillRect(dc, &box, background);
    }
}

void ConsolePanel::drawLabel(int x, int y, const WCHAR* text)
{
    clearLabel(x, y, text);
    drawText(dc, x, y, text);
}

void ConsolePanel::drawStations()
{
    if (!dc || !slots[0])
        return;
    SavedState saved(dc, stationFont, kGreen, green, background);
    const RECT& r = stationsRect;
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int side : {-1, 1})
    {
        const POINT wing[5] = {{cx + side * S(5), cy - S(28)},
                               {cx + side * S(5), cy - S(24)},
                               {cx + side * S(27), cy - S(5)},
                               {cx + side * S(27), cy},
                               {cx + side * S(5), cy}};
        Polyline(dc, wing, 5);
    }
    for (int i = 0; i < kStations; ++i)
    {
        const Missile* m = slots[i];
        if (!m)
            continue;
        const int x = cx + offsets[i], y = cy - S(18) + std::abs(offsets[i]) / 2;
        const int half = m->kind != Missile::ShortRange ? S(8) : S(5);
        if (m->state >= Missile::Flying)
        {
            SelectObject(dc, dashedGreen);
            line(dc, x, y - half, x, y + half);
        }
        else
        {
            HBRUSH bar = CreateSolidBrush(m->state == Missile::Locked ? kRed : kGreen);
            const RECT box{x - 1, y - half, x + 1, y + half};
            FillRect(dc, &box, bar);
            DeleteObject(bar);
        }
    }
    SelectObject(dc, green);
    const int x = cx + offsets[selected];
    const POINT caret[4] = {{x - 2, cy + 8}, {x + 2, cy + 8}, {x, cy + 2}, {x - 2, cy + 8}};
    Polyline(dc, caret, 4);
    const Missile* m = slots[selected];
    if (!m)
        return;
    std::u16string name = m->name;
    std::replace(name.begin(), name.end(), u'_', u',');
    drawText(dc, r.left + S(2), r.top + S(40), name.c_str());
    const WCHAR* status = m->state == Missile::Idle ? u"search" : m->state == Missile::Locked ? u"locked" : u"N/A";
    WCHAR text[32];
    swprintf(text, 32, u"status: %ls", status);
    drawText(dc, r.left + S(2), r.top + S(48), text);
}

void ConsolePanel::drawMessage()
{
    if (!dc)
        return;
    FillRect(dc, &alertRect, background);
    if (alertText.empty())
        return;
    SavedState saved(dc, radarFont, kRed, red, background);
    drawText(dc, alertRect.left, alertRect.top, alertText.c_str());
    alertText.clear();
}

} // namespace skyrend
