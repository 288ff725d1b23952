// gdi_private.h -- the GDI object model shared by os/gdi and os/font
//
// GDI objects (pens, brushes, bitmaps, fonts, regions) and device contexts
// live in the process's handle table (os/kernel/handle.h) under handles with
// a tag of their own: a number with a generation, never a pointer, so stale
// handles are refused, and kernel calls refuse GDI handles. Stock objects are
// never deleted.
//
// Drawing goes through a Canvas: it resolves a DC to its target surface (the
// device screen for window DCs, the selected bitmap for memory DCs), computes
// the clip in device coordinates, locks the screen while it lives and tells
// the back end which area changed when it ends.
//
// The font module subclasses Object with Kind::Font (its get_object answers
// LOGFONTW) and, when the process starts, gives GDI the maker of its stock
// fonts (set_stock_font_maker), which GetStockObject calls for the font ids.
#pragma once

#include <os/gdi.h>

#include "os/kernel/handle.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace os::gdi {

// ---------------------------------------------------------------------------
// Pixel formats and surfaces

enum class PixelFormat
{
    Mono,   // 1 bpp, colour table of two
    Pal4,   // 4 bpp, colour table
    Pal8,   // 8 bpp, colour table
    Rgb555, // 16 bpp X1R5G5B5
    Rgb565, // 16 bpp R5G6B5
    Rgb24,  // 24 bpp B, G, R bytes
    Rgb32,  // 32 bpp 0x00RRGGBB
    Masked16, // 16 bpp, any contiguous channel masks (Surface::masks)
    Masked32, // 32 bpp, any contiguous channel masks (Surface::masks)
};

int format_bpp(PixelFormat format);

// A rectangle of pixels. Row y starts at top + y * stride (stride is negative
// for bottom-up bitmaps). Pixel values are raw values in the format (palette
// indexes for palette formats).
struct Surface
{
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Rgb565;
    uint8_t* top = nullptr;
    ptrdiff_t stride = 0;
    const RGBQUAD* palette = nullptr;
    int palette_size = 0;
    uint32_t masks[3] = {0, 0, 0}; // red, green, blue of the masked formats

    uint8_t* row(int y) const { return top + y * stride; }
};

// True when pixel values mean the same in both (format and channel masks).
bool same_layout(const Surface& a, const Surface& b);
// True when a channel mask set can be drawn: each mask one run of set bits
// inside `bpp` bits, none overlapping.
bool usable_masks(const uint32_t masks[3], int bpp);

uint32_t read_pixel(const Surface& s, int x, int y);
void write_pixel(const Surface& s, int x, int y, uint32_t value);
// COLORREF to the nearest pixel value (palette formats: the closest entry by
// squared RGB distance, first entry on ties) and back.
uint32_t color_to_pixel(const Surface& s, COLORREF color);
COLORREF pixel_to_color(const Surface& s, uint32_t value);
// Every bit a pixel value of the format can hold.
uint32_t pixel_mask(PixelFormat format);

// The stock font for a stock object id (SYSTEM_FONT, DEFAULT_GUI_FONT, ...),
// NULL for ids it does not know; given by the font module at start-up.
void set_stock_font_maker(HGDIOBJ (*maker)(int id));

// Raster operations on pixel values: bit i of rop3 is the result for
// pattern bit (i >> 2), source bit (i >> 1 & 1), destination bit (i & 1).
uint32_t apply_rop3(uint8_t rop3, uint32_t pattern, uint32_t source, uint32_t dest);
// A binary pen mix (R2_*) as the equivalent ternary code with the pen as pattern.
uint8_t rop2_to_rop3(int rop2);

// ---------------------------------------------------------------------------
// Objects and the handle table

enum class Kind
{
    Pen,
    Brush,
    Bitmap,
    Font,
    Region,
    Palette,
    Dc,
    MemDc,
};

class Object : public os::KernelObject
{
public:
    os::ObjectType type() const override { return os::ObjectType::Other; }
    virtual Kind kind() const = 0;
    // GetObjectW: copies up to size bytes of the object's record into out
    // (out NULL: answers the record size). 0 on failure with the last error set.
    virtual int get_object(int size, void* out) const;
    bool stock = false;
};

// Insert an object: its new handle, or NULL with ERROR_NOT_ENOUGH_MEMORY.
HGDIOBJ object_insert(std::shared_ptr<Object> object);
// The object behind a handle, or nullptr with ERROR_INVALID_HANDLE.
std::shared_ptr<Object> object_get(HGDIOBJ handle);
// Remove a handle from the table (stock objects stay); false when unknown.
bool object_remove(HGDIOBJ handle);
// Live GDI objects, stock objects included (tests use it to find leaks).
size_t object_count();

template <class T>
std::shared_ptr<T> object_get_as(HGDIOBJ handle, Kind kind)
{
    auto object = object_get(handle);
    if (!object || object->kind() != kind)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

// Held while objects are selected into or out of DCs.
std::recursive_mutex& object_lock();

class Pen : public Object
{
public:
    Kind kind() const override { return Kind::Pen; }
    int get_object(int size, void* out) const override;
    LOGPEN log{};
};

class Bitmap;

class Brush : public Object
{
public:
    Kind kind() const override { return Kind::Brush; }
    int get_object(int size, void* out) const override;
    LOGBRUSH log{};
    std::shared_ptr<Bitmap> pattern; // BS_PATTERN
};

class Bitmap : public Object
{
public:
    Kind kind() const override { return Kind::Bitmap; }
    int get_object(int size, void* out) const override;
    Surface surface;
    std::unique_ptr<uint8_t[]> storage;
    std::vector<RGBQUAD> palette;
    DIBSECTION info{}; // dsBm always; the rest for DIB sections
    bool dib = false;
    HDC selected_in = nullptr; // the memory DC holding it (not for the stock bitmap)
};

// A zeroed bitmap (not yet in the handle table). DIB rows are DWORD-aligned,
// other bitmaps' rows WORD-aligned; bottom_up lays rows out from the bottom.
// nullptr with ERROR_NOT_ENOUGH_MEMORY when too large.
std::shared_ptr<Bitmap> bitmap_new(int width, int height, PixelFormat format, bool dib, bool bottom_up);
// A private copy of a bitmap's pixels and colour table (pattern brushes).
std::shared_ptr<Bitmap> bitmap_copy(const Bitmap& source);

class Region : public Object
{
public:
    Kind kind() const override { return Kind::Region; }
    RECT rect{};
};

// ---------------------------------------------------------------------------
// Device contexts

enum class Target
{
    Screen, // GetDC(NULL)
    Client, // GetDC(hwnd), BeginPaint
    Window, // GetWindowDC(hwnd)
    Memory, // CreateCompatibleDC
};

// The attributes SaveDC keeps.
struct DcState
{
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr; // memory DCs
    COLORREF text_color = RGB(0, 0, 0);
    COLORREF bk_color = RGB(255, 255, 255);
    int bk_mode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int fill_mode = ALTERNATE;
    UINT text_align = 0; // SetTextAlign's TA_* flags, kept for the font module
    POINT position{0, 0};
    POINT viewport{0, 0};
    bool has_clip = false;
    RECT clip{}; // in DC units (client units for a window DC), viewport not applied
};

class Dc : public Object
{
public:
    Kind kind() const override { return target == Target::Memory ? Kind::MemDc : Kind::Dc; }
    Target target = Target::Memory;
    HWND hwnd = nullptr;
    DcState state;
    std::vector<DcState> saved;
    bool painting = false; // from BeginPaint: clipped to paint_rect
    RECT paint_rect{};     // client coordinates
    // Visible area of a window DC in screen coordinates, kept until the layout changes.
    std::vector<RECT> visible;
    unsigned visible_generation = 0;
    bool visible_valid = false;
};

// The DC behind a handle, or nullptr with ERROR_INVALID_HANDLE.
std::shared_ptr<Dc> dc_get(HDC hdc);
// A new DC with the default attributes (black pen, white brush, system font;
// memory DCs hold the 1 x 1 monochrome default bitmap).
HDC dc_create(Target target, HWND hwnd);
// The stock 1 x 1 monochrome bitmap of fresh memory DCs.
HGDIOBJ default_bitmap();
// The device screen as a surface (the caller holds screen().lock).
Surface screen_surface();
// A window or screen DC's place on the screen: the screen position of its
// device origin and its visible area in screen coordinates (recomputed when
// the window layout changes; empty once the window is gone).
void window_area(Dc& dc, POINT* origin, std::vector<RECT>& visible);

// A drawing session on one DC. ok() is false (last error set) for a bad DC.
// Coordinates given to the primitives are device coordinates: logical
// coordinates plus offset(). Everything drawn is cut to clip().
class Canvas
{
public:
    explicit Canvas(HDC hdc);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return dc_ != nullptr; }
    Dc& dc() const { return *dc_; }
    const Surface& surface() const { return surface_; }
    const std::vector<RECT>& clip() const { return clip_; }
    POINT offset() const { return offset_; }
    // The bitmap of a memory DC (nullptr for window and screen DCs).
    const Bitmap* bitmap() const { return bitmap_.get(); }
    // Grow the area to present when the session ends (window DCs).
    void touch(const RECT& device);

    bool visible(int x, int y) const;
    // Combine a pixel value with the destination through a ternary rop.
    void mix_pixel(int x, int y, uint32_t pattern, uint8_t rop3);
    void put_pixel(int x, int y, COLORREF color);
    // Blend color over the pixel with coverage 0..255 (glyph edges).
    void blend_pixel(int x, int y, COLORREF color, int coverage);
    // The same for a run of pixels known to lie inside one rectangle of
    // clip() (glyphs are cut to each rectangle first): no visibility test,
    // and the caller touches the area it drew once. `ink` is
    // color_to_pixel(surface(), color).
    void blend_inside(int x, int y, COLORREF color, uint32_t ink, int coverage)
    {
        if (coverage < 255)
        {
            ink = color_to_pixel(surface_,
                                 blend_color(color, pixel_to_color(surface_, read_pixel(surface_, x, y)), coverage));
        }
        write_pixel(surface_, x, y, ink);
    }
    // color over below with coverage 0..255.
    static COLORREF blend_color(COLORREF color, COLORREF below, int coverage);
    // Fill a device rectangle (clipped) with a pixel value through a rop.
    void fill_rect(const RECT& device, uint32_t pattern, uint8_t rop3);
    // Fill with a brush: solid colour or pattern aligned to the DC's origin.
    void fill_rect_brush(const RECT& device, const Brush& brush, uint8_t rop3);
    // The brush's pixel value at a device point.
    uint32_t brush_pixel(const Brush& brush, int x, int y) const;
    // The selected pen and brush (the stock black pen and white brush when
    // the selected one was deleted).
    std::shared_ptr<Pen> pen() const;
    std::shared_ptr<Brush> brush() const;

private:
    std::shared_ptr<Dc> dc_;
    std::shared_ptr<Bitmap> bitmap_; // keeps a memory DC's bitmap alive
    Surface surface_;
    std::vector<RECT> clip_;
    POINT offset_{0, 0};
    POINT origin_{0, 0};
    RECT dirty_{0, 0, 0, 0};
    bool screen_ = false;
    std::unique_lock<std::recursive_mutex> lock_;
};

// True when the canvas has a DC and the caller's arguments are good; bad
// arguments on a good DC set ERROR_INVALID_PARAMETER (a bad DC has set
// ERROR_INVALID_HANDLE already).
bool canvas_ready(const Canvas& canvas, bool arguments_ok);

// Rectangle helpers
bool rect_empty(const RECT& r);
RECT rect_intersect(const RECT& a, const RECT& b);
RECT rect_offset(const RECT& r, int dx, int dy);
RECT rect_normalize(const RECT& r);

} // namespace os::gdi
