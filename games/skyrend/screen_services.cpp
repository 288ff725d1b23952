// screen_services.cpp -- progress bar, busy labels, file lists
#include "games/skyrend/screen_services.h"

#include "engine/platform/gdi_draw.h"
#include "engine/scene/2d/native_controls.h"
#include "engine/scene/screen/canvas.h"

#include <os/wstring.h>

#include <algorithm>

namespace skyrend {

namespace {

uint32_t g_barColour = 0x808080;

// One step lighter on every channel, saturated.
uint32_t lighter(uint32_t c)
{
    uint32_t out = 0;
    for (int shift : {16, 8, 0})
        out |= std::min<uint32_t>(255, ((c >> shift) & 255) + 32) << shift;
    return out;
}

COLORREF deviceColour(uint32_t rgb)
{
    return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

void fill(HDC dc, int x0, int y0, int x1, int y1, HBRUSH brush)
{
    RECT r{x0, y0, x1, y1};
    FillRect(dc, &r, brush);
}

} // namespace

uint32_t progressBarColor()
{
    return g_barColour;
}

void setProgressBarColor(uint32_t colour)
{
    g_barColour = colour & 0xFFFFFF;
}

ProgressBarLayout progressBarLayout(int w, int h, int percent)
{
    ProgressBarLayout bar;
    bar.width = std::max(0, (w - 20) / 8 * 8);
    bar.x0 = (w - bar.width) / 2;
    bar.y0 = (h - 16) / 2;
    const int clamped = std::clamp(percent, 0, 100);
    bar.filled = bar.width * clamped / 100 / 8 * 8;
    return bar;
}

void drawProgressBar(Canvas* canvas, const WCHAR* caption, int percent)
{
    HDC dc = canvas ? canvas->getDrawDC() : nullptr;
    if (!dc)
        return;
    const ProgressBarLayout bar = progressBarLayout(canvas->getClientWidth(), canvas->getClientHeight(), percent);
    const int x0 = bar.x0, y0 = bar.y0, x1 = bar.x0 + bar.width, y1 = bar.y0 + 16, xf = bar.x0 + bar.filled;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    fill(dc, xf, y0, x1, y1, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HBRUSH brushes[4];
    uint32_t c = g_barColour;
    for (HBRUSH& b : brushes)
    {
        b = CreateSolidBrush(deviceColour(c));
        c = lighter(c);
    }
    if (bar.filled > 0)
    {
        fill(dc, x0, y0, xf, y1, brushes[0]);
        fill(dc, x0, y0 + 1, xf, y0 + 12, brushes[1]);
        fill(dc, x0, y0 + 3, xf, y0 + 10, brushes[2]);
        fill(dc, x0, y0 + 5, xf, y0 + 8, brushes[3]);
    }
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, y0, x1, y1);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = GetTextColor(dc);
    RECT clip{x0 + 5, y0, x1 - 5, y1};
    const WCHAR* text = caption ? caption : u"";
    const UINT length = UINT(wcslen(text));
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutW(dc, x0 + 6, y0 + 1, ETO_CLIPPED, &clip, text, length, nullptr);
    SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutW(dc, x0 + 5, y0, ETO_CLIPPED, &clip, text, length, nullptr);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    for (HBRUSH b : brushes)
        DeleteObject(b);
    RECT shown{x0, y0, x1, y1};
    canvas->present(&shown, -1);
}

Window* createMessageLabel(Canvas* canvas, const WCHAR* text, int width, int height, int x, int y)
{
    if (!canvas)
        return nullptr;
    const int w = Canvas::scaleToScreen(width), h = Canvas::scaleToScreen(height);
    if (x == -10000 && y == -10000)
    {
        x = (canvas->getClientWidth() - w) / 2;
        y = (canvas->getClientHeight() - h) / 2;
    }
    else
    {
        x = Canvas::scaleToScreen(x);
        y = Canvas::scaleToScreen(y);
    }
    HFONT font = createFont(Canvas::scaleToScreen(16), 400, false, false, u"Arial");
    auto* label = new StaticControl(-1, text ? text : u"");
    label->setUserData(font);
    if (!canvas->addChild(label, x, y, w, h))
    {
        DeleteObject(font);
        delete label;
        return nullptr;
    }
    label->setFont(font);
    return label;
}

void destroyMessageLabel(Canvas* canvas, Window* label)
{
    if (!canvas || !label)
        return;
    canvas->removeChild(label);
    DeleteObject(static_cast<HFONT>(label->getUserData()));
    delete label;
}

std::vector<std::u16string> listFileNames(const WCHAR* pattern, bool descending)
{
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = pattern ? FindFirstFileW(pattern, &found) : INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !found.cFileName[0])
            continue;
        std::u16string name = found.cFileName;
        name.resize(std::min(name.size(), name.find(u'.')));
        names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    // An exchange sort by wcscmp, as the menus always listed them.
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j)
        {
            const int order = wcscmp(names[j].c_str(), names[i].c_str());
            if (descending ? order > 0 : order < 0)
                std::swap(names[i], names[j]);
        }
    return names;
}

} // namespace skyrend
