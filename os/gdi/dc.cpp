// dc.cpp -- device contexts: creation, object selection, attributes, saved states
#include "os/gdi/gdi_private.h"

namespace os::gdi {

std::shared_ptr<Dc> dc_get(HDC hdc)
{
    auto object = object_get(hdc);
    if (!object || (object->kind() != Kind::Dc && object->kind() != Kind::MemDc))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return std::static_pointer_cast<Dc>(object);
}

HDC dc_create(Target target, HWND hwnd)
{
    auto dc = std::make_shared<Dc>();
    dc->target = target;
    dc->hwnd = hwnd;
    dc->state.pen = GetStockObject(BLACK_PEN);
    dc->state.brush = GetStockObject(WHITE_BRUSH);
    dc->state.font = GetStockObject(SYSTEM_FONT);
    if (target == Target::Memory)
    {
        dc->state.bitmap = default_bitmap();
    }
    return static_cast<HDC>(object_insert(dc));
}

namespace {

// Move the bitmap of a memory DC; answers false when the new one is held by
// another DC. The caller holds object_lock().
bool swap_bitmap(Dc& dc, HDC hdc, HGDIOBJ handle)
{
    auto next = object_get_as<Bitmap>(handle, Kind::Bitmap);
    if (!next || (next->selected_in && next->selected_in != hdc))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (auto previous = object_get_as<Bitmap>(dc.state.bitmap, Kind::Bitmap))
    {
        previous->selected_in = nullptr;
    }
    if (!next->stock)
    {
        next->selected_in = hdc;
    }
    dc.state.bitmap = handle;
    return true;
}

HGDIOBJ select_into(Dc& dc, HDC hdc, HGDIOBJ handle, Kind kind)
{
    HGDIOBJ previous = nullptr;
    switch (kind)
    {
    case Kind::Pen: previous = dc.state.pen; dc.state.pen = handle; break;
    case Kind::Brush: previous = dc.state.brush; dc.state.brush = handle; break;
    case Kind::Font: previous = dc.state.font; dc.state.font = handle; break;
    case Kind::Bitmap:
        previous = dc.state.bitmap;
        if (dc.target != Target::Memory || !swap_bitmap(dc, hdc, handle))
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        break;
    case Kind::Region:
        return reinterpret_cast<HGDIOBJ>(intptr_t(SelectClipRgn(hdc, static_cast<HRGN>(handle))));
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
    return previous;
}

template <class T>
T set_attribute(HDC hdc, T DcState::*field, T value, T failure)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return failure;
    }
    T previous = dc->state.*field;
    dc->state.*field = value;
    return previous;
}

template <class T>
T get_attribute(HDC hdc, T DcState::*field, T failure)
{
    auto dc = dc_get(hdc);
    return dc ? dc->state.*field : failure;
}

BOOL set_point(HDC hdc, POINT DcState::*field, POINT value, LPPOINT previous)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return FALSE;
    }
    if (previous)
    {
        *previous = dc->state.*field;
    }
    dc->state.*field = value;
    return TRUE;
}

int set_mode(HDC hdc, int DcState::*field, int value, int low, int high)
{
    if (value < low || value > high)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return set_attribute(hdc, field, value, 0);
}

} // namespace

} // namespace os::gdi

using namespace os::gdi;

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !dc_get(hdc))
    {
        return nullptr;
    }
    return dc_create(Target::Memory, nullptr);
}

BOOL DeleteDC(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(object_lock());
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return FALSE;
    }
    if (auto bitmap = object_get_as<Bitmap>(dc->state.bitmap, Kind::Bitmap))
    {
        bitmap->selected_in = nullptr;
    }
    for (const DcState& saved : dc->saved)
    {
        if (auto bitmap = object_get_as<Bitmap>(saved.bitmap, Kind::Bitmap); bitmap && bitmap->selected_in == hdc)
        {
            bitmap->selected_in = nullptr;
        }
    }
    return object_remove(hdc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(object_lock());
    auto dc = dc_get(hdc);
    auto found = dc ? object_get(object) : nullptr;
    if (!found)
    {
        return nullptr;
    }
    return select_into(*dc, hdc, object, found->kind());
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return nullptr;
    }
    switch (type)
    {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BITMAP: return dc->state.bitmap;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    return set_attribute(hdc, &DcState::text_color, color, COLORREF(CLR_INVALID));
}

COLORREF GetTextColor(HDC hdc)
{
    return get_attribute(hdc, &DcState::text_color, COLORREF(CLR_INVALID));
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return set_attribute(hdc, &DcState::bk_color, color, COLORREF(CLR_INVALID));
}

COLORREF GetBkColor(HDC hdc)
{
    return get_attribute(hdc, &DcState::bk_color, COLORREF(CLR_INVALID));
}

int SetBkMode(HDC hdc, int mode)
{
    return set_mode(hdc, &DcState::bk_mode, mode, TRANSPARENT, OPAQUE);
}

int GetBkMode(HDC hdc)
{
    return get_attribute(hdc, &DcState::bk_mode, 0);
}

int SetROP2(HDC hdc, int mode)
{
    return set_mode(hdc, &DcState::rop2, mode, R2_BLACK, R2_WHITE);
}

int GetROP2(HDC hdc)
{
    return get_attribute(hdc, &DcState::rop2, 0);
}

int SetPolyFillMode(HDC hdc, int mode)
{
    return set_mode(hdc, &DcState::fill_mode, mode, ALTERNATE, WINDING);
}

int GetPolyFillMode(HDC hdc)
{
    return get_attribute(hdc, &DcState::fill_mode, 0);
}

int SaveDC(HDC hdc)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return 0;
    }
    dc->saved.push_back(dc->state);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int saved)
{
    std::lock_guard<std::recursive_mutex> guard(object_lock());
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return FALSE;
    }
    int count = int(dc->saved.size());
    int level = saved < 0 ? count + 1 + saved : saved;
    if (level < 1 || level > count)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DcState state = dc->saved[size_t(level - 1)];
    dc->saved.resize(size_t(level - 1));
    if (dc->target == Target::Memory && state.bitmap != dc->state.bitmap && !swap_bitmap(*dc, hdc, state.bitmap))
    {
        state.bitmap = dc->state.bitmap; // the saved bitmap is gone or taken: keep the current one
    }
    dc->state = state;
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return set_point(hdc, &DcState::viewport, POINT{x, y}, previous);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return set_point(hdc, &DcState::position, POINT{x, y}, previous);
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT out)
{
    auto dc = dc_get(hdc);
    if (!dc || !out)
    {
        if (dc)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
        }
        return FALSE;
    }
    *out = dc->state.viewport;
    return TRUE;
}
