// object.cpp -- the GDI handle table, stock objects and the generic object calls
#include "os/gdi/gdi_private.h"

#include "os/kernel/handle.h"

#include <atomic>
#include <cstring>

namespace os::gdi {

namespace {

// GDI objects live in the process's handle table; their handles carry a tag
// in the low bits, so that kernel calls refuse them (CloseHandle must not
// delete a pen) and GDI calls refuse kernel handles.
constexpr uintptr_t kTag = 2;

std::atomic<size_t> g_live{0};
HGDIOBJ (*g_stock_font_maker)(int id) = nullptr;

HANDLE kernel_handle(HGDIOBJ handle)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return (value & 3) == kTag ? reinterpret_cast<HANDLE>(value & ~uintptr_t(3)) : nullptr;
}

} // namespace

int Object::get_object(int, void*) const
{
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

HGDIOBJ object_insert(std::shared_ptr<Object> object)
{
    HANDLE handle = os::handle_insert(std::move(object));
    if (!handle)
    {
        return nullptr;
    }
    ++g_live;
    return reinterpret_cast<HGDIOBJ>(reinterpret_cast<uintptr_t>(handle) | kTag);
}

std::shared_ptr<Object> object_get(HGDIOBJ handle)
{
    HANDLE inner = kernel_handle(handle);
    auto object = inner ? std::dynamic_pointer_cast<Object>(os::handle_get(inner)) : nullptr;
    if (!object)
    {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}

bool object_remove(HGDIOBJ handle)
{
    auto object = object_get(handle);
    if (!object)
    {
        return false;
    }
    if (object->stock)
    {
        return true;
    }
    if (!os::handle_close(kernel_handle(handle)))
    {
        return false;
    }
    --g_live;
    return true;
}

size_t object_count()
{
    return g_live;
}

std::recursive_mutex& object_lock()
{
    static std::recursive_mutex* lock = new std::recursive_mutex;
    return *lock;
}

// Copy a record of `full` bytes into out, at most size bytes; out NULL asks the size.
int copy_record(const void* record, int full, int size, void* out)
{
    if (!out)
    {
        return full;
    }
    if (size <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = size < full ? size : full;
    memcpy(out, record, size_t(n));
    return n;
}

int Pen::get_object(int size, void* out) const
{
    return copy_record(&log, int(sizeof(log)), size, out);
}

int Brush::get_object(int size, void* out) const
{
    return copy_record(&log, int(sizeof(log)), size, out);
}

// A DIB section answers a DIBSECTION when asked for at least that much.
int Bitmap::get_object(int size, void* out) const
{
    if (dib && (!out || size >= int(sizeof(DIBSECTION))))
    {
        return copy_record(&info, int(sizeof(DIBSECTION)), size, out);
    }
    return copy_record(&info.dsBm, int(sizeof(BITMAP)), size, out);
}

void set_stock_font_maker(HGDIOBJ (*maker)(int id))
{
    g_stock_font_maker = maker;
}

} // namespace os::gdi

namespace {

using namespace os::gdi;

std::shared_ptr<Object> make_stock_brush(COLORREF color, UINT style)
{
    auto brush = std::make_shared<Brush>();
    brush->log.lbStyle = style;
    brush->log.lbColor = color;
    return brush;
}

std::shared_ptr<Object> make_stock_pen(COLORREF color, UINT style)
{
    auto pen = std::make_shared<Pen>();
    pen->log.lopnStyle = style;
    pen->log.lopnWidth.x = 1;
    pen->log.lopnColor = color;
    return pen;
}

std::shared_ptr<Object> make_stock(int id)
{
    switch (id)
    {
    case WHITE_BRUSH: return make_stock_brush(RGB(255, 255, 255), BS_SOLID);
    case LTGRAY_BRUSH: return make_stock_brush(RGB(192, 192, 192), BS_SOLID);
    case GRAY_BRUSH: return make_stock_brush(RGB(128, 128, 128), BS_SOLID);
    case DKGRAY_BRUSH: return make_stock_brush(RGB(64, 64, 64), BS_SOLID);
    case BLACK_BRUSH: return make_stock_brush(RGB(0, 0, 0), BS_SOLID);
    case NULL_BRUSH: return make_stock_brush(0, BS_NULL);
    case WHITE_PEN: return make_stock_pen(RGB(255, 255, 255), PS_SOLID);
    case BLACK_PEN: return make_stock_pen(RGB(0, 0, 0), PS_SOLID);
    case NULL_PEN: return make_stock_pen(0, PS_NULL);
    default: return nullptr;
    }
}

DWORD object_type(Kind kind)
{
    switch (kind)
    {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Font: return OBJ_FONT;
    case Kind::Region: return OBJ_REGION;
    case Kind::Palette: return OBJ_PAL;
    case Kind::Dc: return OBJ_DC;
    case Kind::MemDc: return OBJ_MEMDC;
    }
    return 0;
}

} // namespace

HGDIOBJ GetStockObject(int id)
{
    static std::mutex lock;
    static HGDIOBJ made[DEFAULT_GUI_FONT + 1] = {};
    if (id < 0 || id > DEFAULT_GUI_FONT)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (!made[id])
    {
        if (auto object = make_stock(id))
        {
            object->stock = true;
            made[id] = object_insert(object);
        }
        else
        {
            made[id] = g_stock_font_maker ? g_stock_font_maker(id) : nullptr;
        }
    }
    if (!made[id])
    {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return made[id];
}

DWORD GetObjectType(HGDIOBJ object)
{
    auto found = object_get(object);
    return found ? object_type(found->kind()) : 0;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out)
{
    auto found = object_get(object);
    if (!found)
    {
        return 0;
    }
    return found->get_object(size, out);
}

BOOL DeleteObject(HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(object_lock());
    auto found = object_get(object);
    if (!found)
    {
        return FALSE;
    }
    if (found->kind() == Kind::Dc || found->kind() == Kind::MemDc)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A bitmap still selected into a DC stays until it is selected out.
    if (found->kind() == Kind::Bitmap && static_cast<Bitmap&>(*found).selected_in)
    {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    return object_remove(object) ? TRUE : FALSE;
}
