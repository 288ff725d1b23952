// brush.cpp -- pens, brushes and the system colours
#include "os/gdi/gdi_private.h"
#include "os/base/warn.h"

#include <mutex>

namespace os::gdi {

namespace {

// The device's light theme, indexed by COLOR_*.
const COLORREF kSysColors[] = {
    RGB(192, 192, 192), // COLOR_SCROLLBAR
    RGB(0, 128, 128),   // COLOR_BACKGROUND
    RGB(0, 0, 128),     // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(255, 255, 255), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(192, 192, 192), // COLOR_ACTIVEBORDER
    RGB(192, 192, 192), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(0, 0, 128),     // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(192, 192, 192), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),       // COLOR_3DDKSHADOW
    RGB(224, 224, 224), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(192, 192, 192), // COLOR_STATIC
    RGB(0, 0, 0),       // COLOR_STATICTEXT
    RGB(16, 132, 208),  // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181), // COLOR_GRADIENTINACTIVECAPTION
};
constexpr int kSysColorCount = int(sizeof(kSysColors) / sizeof(kSysColors[0]));

// The index without SYS_COLOR_INDEX_FLAG, or -1 when out of range.
int sys_color_index(int index)
{
    index &= ~SYS_COLOR_INDEX_FLAG;
    return index >= 0 && index < kSysColorCount ? index : -1;
}

HPEN make_pen(const LOGPEN& log)
{
    if (log.lopnStyle > PS_INSIDEFRAME)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_shared<Pen>();
    pen->log = log;
    return static_cast<HPEN>(object_insert(pen));
}

} // namespace

} // namespace os::gdi

using namespace os::gdi;

HPEN CreatePen(int style, int width, COLORREF color)
{
    LOGPEN log{};
    log.lopnStyle = UINT(style);
    log.lopnWidth.x = width;
    log.lopnColor = color;
    return make_pen(log);
}

HPEN CreatePenIndirect(const LOGPEN* pen)
{
    if (!pen)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return make_pen(*pen);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    LOGBRUSH log{BS_SOLID, color, 0};
    return CreateBrushIndirect(&log);
}

// Solid, null and pattern brushes (lbHatch holds the HBITMAP of a pattern).
HBRUSH CreateBrushIndirect(const LOGBRUSH* log)
{
    if (!log || (log->lbStyle != BS_SOLID && log->lbStyle != BS_NULL && log->lbStyle != BS_PATTERN))
    {
        if (log && log->lbStyle == BS_HATCHED)
            os::warn_once("gdi", "hatched brushes are not supported");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto brush = std::make_shared<Brush>();
    brush->log = *log;
    if (log->lbStyle == BS_PATTERN)
    {
        auto source = object_get_as<Bitmap>(reinterpret_cast<HGDIOBJ>(log->lbHatch), Kind::Bitmap);
        if (!source)
        {
            return nullptr;
        }
        brush->pattern = bitmap_copy(*source);
        brush->log.lbColor = 0;
    }
    return static_cast<HBRUSH>(object_insert(brush));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    LOGBRUSH log{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(bitmap)};
    return CreateBrushIndirect(&log);
}

DWORD GetSysColor(int index)
{
    int i = sys_color_index(index);
    return i < 0 ? 0 : kSysColors[i];
}

// One stock brush per system colour, made on first use.
HBRUSH GetSysColorBrush(int index)
{
    static std::mutex lock;
    static HGDIOBJ brushes[kSysColorCount] = {};
    int i = sys_color_index(index);
    if (i < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (!brushes[i])
    {
        auto brush = std::make_shared<Brush>();
        brush->log = LOGBRUSH{BS_SOLID, kSysColors[i], 0};
        brush->stock = true;
        brushes[i] = object_insert(brush);
    }
    return static_cast<HBRUSH>(brushes[i]);
}
