// font_object.cpp -- the font GDI object, stock fonts and text metrics
#include "os/font/font_private.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace os::font {

namespace {

// The stock fonts: every id maps to the proportional system font, whose
// cell is the device default (lfHeight 0, see kDefaultCellHeight).
const char16_t kSystemFace[] = u"System";

void copy_face(WCHAR* dst, const WCHAR* src)
{
    size_t n = 0;
    if (src)
        while (n < LF_FACESIZE - 1 && src[n])
        {
            dst[n] = src[n];
            ++n;
        }
    std::fill(dst + n, dst + LF_FACESIZE, 0);
}

std::shared_ptr<FontObject> make_font(const LOGFONTW& log)
{
    FaceKey key;
    key.height = log.lfHeight;
    key.bold = log.lfWeight >= FW_SEMIBOLD;
    key.italic = log.lfItalic != 0;
    auto font = std::make_shared<FontObject>();
    font->log = log;
    copy_face(font->log.lfFaceName, log.lfFaceName);
    font->face = face_for(key);
    return font;
}

bool is_stock_font_id(int id)
{
    switch (id)
    {
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
        return true;
    default:
        return false;
    }
}

} // namespace

int FontObject::get_object(int size, void* out) const
{
    if (!out)
        return (int)sizeof(LOGFONTW);
    if (size <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = std::min(size, (int)sizeof(LOGFONTW));
    std::memcpy(out, &log, n);
    return n;
}

HGDIOBJ stock_font(int id)
{
    if (!is_stock_font_id(id))
        return nullptr;
    std::lock_guard<std::recursive_mutex> guard(os::gdi::object_lock());
    static std::map<int, HGDIOBJ> made;
    auto it = made.find(id);
    if (it != made.end())
        return it->second;
    LOGFONTW log{};
    log.lfWeight = FW_NORMAL;
    log.lfPitchAndFamily = (id == OEM_FIXED_FONT || id == ANSI_FIXED_FONT || id == SYSTEM_FIXED_FONT)
                               ? FIXED_PITCH | FF_MODERN
                               : VARIABLE_PITCH | FF_SWISS;
    copy_face(log.lfFaceName, kSystemFace);
    auto font = make_font(log);
    font->stock = true;
    HGDIOBJ handle = os::gdi::object_insert(font);
    if (handle)
        made[id] = handle;
    return handle;
}

std::shared_ptr<FontObject> font_from_handle(HFONT handle)
{
    if (!handle)
        handle = (HFONT)stock_font(SYSTEM_FONT);
    return os::gdi::object_get_as<FontObject>(handle, os::gdi::Kind::Font);
}

std::shared_ptr<FontObject> dc_font(HDC hdc)
{
    auto dc = os::gdi::dc_get(hdc);
    if (!dc)
        return nullptr;
    HGDIOBJ selected;
    {
        std::lock_guard<std::recursive_mutex> guard(os::gdi::object_lock());
        selected = dc->state.font;
    }
    auto font = font_from_handle((HFONT)selected);
    return font ? font : font_from_handle(nullptr);
}

void fill_text_metrics(const FontObject& font, TEXTMETRICW& tm)
{
    const Metrics& m = font.face->metrics();
    tm = {};
    tm.tmHeight = m.height;
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmInternalLeading = m.internal_leading;
    tm.tmExternalLeading = 0;
    tm.tmAveCharWidth = m.ave_width;
    tm.tmMaxCharWidth = m.max_width;
    tm.tmWeight = font.log.lfWeight ? font.log.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = font.log.lfItalic ? 1 : 0;
    tm.tmUnderlined = font.log.lfUnderline ? 1 : 0;
    tm.tmStruckOut = font.log.lfStrikeOut ? 1 : 0;
    // TMPF_FIXED_PITCH set means variable pitch, as documented.
    tm.tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | FF_SWISS;
    tm.tmCharSet = font.log.lfCharSet;
}

} // namespace os::font

HFONT CreateFontIndirectW(const LOGFONTW* logfont)
{
    if (!logfont)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return (HFONT)os::gdi::object_insert(os::font::make_font(*logfont));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeout, DWORD charset, DWORD out_precision, DWORD clip_precision, DWORD quality,
                  DWORD pitch_and_family, LPCWSTR face)
{
    LOGFONTW log{};
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = orientation;
    log.lfWeight = weight;
    log.lfItalic = (BYTE)italic;
    log.lfUnderline = (BYTE)underline;
    log.lfStrikeOut = (BYTE)strikeout;
    log.lfCharSet = (BYTE)charset;
    log.lfOutPrecision = (BYTE)out_precision;
    log.lfClipPrecision = (BYTE)clip_precision;
    log.lfQuality = (BYTE)quality;
    log.lfPitchAndFamily = (BYTE)pitch_and_family;
    os::font::copy_face(log.lfFaceName, face);
    return CreateFontIndirectW(&log);
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics)
{
    auto font = os::font::dc_font(hdc);
    if (!font)
        return FALSE;
    if (!metrics)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    os::font::fill_text_metrics(*font, *metrics);
    return TRUE;
}

int GetTextFaceW(HDC hdc, int count, LPWSTR face)
{
    auto font = os::font::dc_font(hdc);
    if (!font)
        return 0;
    const WCHAR* name = font->log.lfFaceName;
    int len = 0;
    while (len < LF_FACESIZE && name[len])
        ++len;
    if (!face)
        return len + 1;
    if (count <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = std::min(len, count - 1);
    std::copy_n(name, n, face);
    face[n] = 0;
    return n + 1;
}

// The font module gives GDI its stock fonts when the process starts; the link
// pulls this in with os_font.
extern "C" const bool os_font_started = (os::gdi::set_stock_font_maker(os::font::stock_font), true);
