// bitmap.cpp -- DIB sections, compatible bitmaps and the default bitmap
#include "os/gdi/gdi_private.h"

#include "os/host/host.h"

#include <cstdlib>
#include <cstring>

namespace os::gdi {

namespace {

// Larger pictures are refused rather than risking an allocation the device
// could never have made.
constexpr int64_t kMaxBitmapBytes = int64_t(256) << 20;

struct Masks
{
    DWORD red;
    DWORD green;
    DWORD blue;
};

const Masks kMasks555{0x7C00, 0x03E0, 0x001F};
const Masks kMasks565{0xF800, 0x07E0, 0x001F};
const Masks kMasks888{0xFF0000, 0x00FF00, 0x0000FF};

bool same_masks(const Masks& a, const Masks& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The format of a header's pixels, or false when it is not one we draw.
// BI_BITFIELDS takes any contiguous, separate masks; the usual ones get their
// own formats.
bool header_format(const BITMAPINFOHEADER& h, const Masks& masks, PixelFormat* out)
{
    if (h.biCompression == BI_RGB)
    {
        switch (h.biBitCount)
        {
        case 1: *out = PixelFormat::Mono; return true;
        case 4: *out = PixelFormat::Pal4; return true;
        case 8: *out = PixelFormat::Pal8; return true;
        case 16: *out = PixelFormat::Rgb555; return true;
        case 24: *out = PixelFormat::Rgb24; return true;
        case 32: *out = PixelFormat::Rgb32; return true;
        default: return false;
        }
    }
    if (h.biCompression != BI_BITFIELDS)
    {
        return false;
    }
    if (h.biBitCount == 16 && (same_masks(masks, kMasks565) || same_masks(masks, kMasks555)))
    {
        *out = same_masks(masks, kMasks565) ? PixelFormat::Rgb565 : PixelFormat::Rgb555;
        return true;
    }
    if (h.biBitCount == 32 && same_masks(masks, kMasks888))
    {
        *out = PixelFormat::Rgb32;
        return true;
    }
    const uint32_t list[3] = {masks.red, masks.green, masks.blue};
    if ((h.biBitCount != 16 && h.biBitCount != 32) || !usable_masks(list, h.biBitCount))
    {
        return false;
    }
    *out = h.biBitCount == 16 ? PixelFormat::Masked16 : PixelFormat::Masked32;
    return true;
}

void set_masks(Surface& surface, const Masks& masks)
{
    surface.masks[0] = masks.red;
    surface.masks[1] = masks.green;
    surface.masks[2] = masks.blue;
}

Masks surface_masks(const Surface& surface)
{
    switch (surface.format)
    {
    case PixelFormat::Rgb555: return kMasks555;
    case PixelFormat::Rgb565: return kMasks565;
    case PixelFormat::Rgb32: return kMasks888;
    case PixelFormat::Masked16:
    case PixelFormat::Masked32: return Masks{surface.masks[0], surface.masks[1], surface.masks[2]};
    default: return Masks{0, 0, 0};
    }
}

bool valid_header(const BITMAPINFOHEADER& h)
{
    return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight != 0 && h.biHeight != INT32_MIN &&
           h.biPlanes == 1;
}

// Masks sit after a plain header, or inside the larger header versions.
Masks header_masks(const BITMAPINFO& info)
{
    // Masks follow the header only for BI_BITFIELDS; a plain BI_RGB record
    // may end right after its header.
    Masks m;
    memset(&m, 0, sizeof(m));
    if (info.bmiHeader.biCompression != BI_BITFIELDS)
    {
        return m;
    }
    const uint8_t* base = reinterpret_cast<const uint8_t*>(&info);
    size_t at = info.bmiHeader.biSize >= 52 ? sizeof(BITMAPINFOHEADER) : info.bmiHeader.biSize;
    memcpy(&m, base + at, sizeof(m));
    return m;
}

void copy_colour_table(Bitmap& bitmap, const BITMAPINFO& info)
{
    int bpp = format_bpp(bitmap.surface.format);
    if (bpp > 8)
    {
        return;
    }
    DWORD count = DWORD(1) << bpp;
    if (info.bmiHeader.biClrUsed && info.bmiHeader.biClrUsed < count)
    {
        count = info.bmiHeader.biClrUsed;
    }
    const uint8_t* table = reinterpret_cast<const uint8_t*>(&info) + info.bmiHeader.biSize;
    bitmap.palette.resize(count);
    memcpy(bitmap.palette.data(), table, count * sizeof(RGBQUAD));
    bitmap.surface.palette = bitmap.palette.data();
    bitmap.surface.palette_size = int(count);
}

void fill_dib_record(Bitmap& bitmap, const BITMAPINFOHEADER& header)
{
    DIBSECTION& ds = bitmap.info;
    ds.dsBmih = header;
    ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    ds.dsBmih.biSizeImage = DWORD(ds.dsBm.bmWidthBytes) * DWORD(ds.dsBm.bmHeight);
    Masks masks = surface_masks(bitmap.surface);
    ds.dsBitfields[0] = masks.red;
    ds.dsBitfields[1] = masks.green;
    ds.dsBitfields[2] = masks.blue;
}

HBITMAP insert_bitmap(const std::shared_ptr<Bitmap>& bitmap)
{
    return bitmap ? static_cast<HBITMAP>(object_insert(bitmap)) : nullptr;
}

// The format a new bitmap compatible with a DC gets, with its colour table
// and channel masks.
bool compatible_format(HDC hdc, PixelFormat* format, std::vector<RGBQUAD>* palette, Masks* masks)
{
    auto dc = dc_get(hdc);
    if (!dc)
    {
        return false;
    }
    if (dc->target != Target::Memory)
    {
        std::lock_guard<std::recursive_mutex> guard(os::host::screen().lock);
        *format = screen_surface().format;
        return true;
    }
    std::lock_guard<std::recursive_mutex> guard(object_lock());
    auto selected = object_get_as<Bitmap>(dc->state.bitmap, Kind::Bitmap);
    *format = selected ? selected->surface.format : PixelFormat::Mono;
    if (selected)
    {
        *palette = selected->palette;
        *masks = surface_masks(selected->surface);
    }
    return true;
}

} // namespace

std::shared_ptr<Bitmap> bitmap_new(int width, int height, PixelFormat format, bool dib, bool bottom_up)
{
    int bpp = format_bpp(format);
    int64_t align_bits = dib ? 32 : 16;
    int64_t stride = (int64_t(width) * bpp + align_bits - 1) / align_bits * (align_bits / 8);
    int64_t bytes = stride * height;
    if (width <= 0 || height <= 0 || bytes > kMaxBitmapBytes)
    {
        SetLastError(width <= 0 || height <= 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->storage.reset(new (std::nothrow) uint8_t[size_t(bytes)]());
    if (!bitmap->storage)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Surface& s = bitmap->surface;
    s.width = width;
    s.height = height;
    s.format = format;
    s.stride = bottom_up ? -stride : stride;
    s.top = bitmap->storage.get() + (bottom_up ? (height - 1) * stride : 0);
    BITMAP& bm = bitmap->info.dsBm;
    bm.bmWidth = width;
    bm.bmHeight = height;
    bm.bmWidthBytes = LONG(stride);
    bm.bmPlanes = 1;
    bm.bmBitsPixel = WORD(bpp);
    bm.bmBits = dib ? bitmap->storage.get() : nullptr;
    bitmap->dib = dib;
    return bitmap;
}

std::shared_ptr<Bitmap> bitmap_copy(const Bitmap& source)
{
    const Surface& from = source.surface;
    auto copy = bitmap_new(from.width, from.height, from.format, false, false);
    if (!copy)
    {
        return nullptr;
    }
    size_t row_bytes = (size_t(from.width) * size_t(format_bpp(from.format)) + 7) / 8;
    for (int y = 0; y < from.height; ++y)
    {
        memcpy(copy->surface.row(y), from.row(y), row_bytes);
    }
    copy->palette = source.palette;
    memcpy(copy->surface.masks, from.masks, sizeof from.masks);
    copy->surface.palette = copy->palette.empty() ? nullptr : copy->palette.data();
    copy->surface.palette_size = int(copy->palette.size());
    return copy;
}

HGDIOBJ default_bitmap()
{
    static HGDIOBJ handle = [] {
        auto bitmap = bitmap_new(1, 1, PixelFormat::Mono, false, false);
        bitmap->stock = true;
        return object_insert(bitmap);
    }();
    return handle;
}

} // namespace os::gdi

using namespace os::gdi;

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset)
{
    if (bits)
    {
        *bits = nullptr;
    }
    PixelFormat format;
    Masks masks{0, 0, 0};
    if (info)
    {
        masks = header_masks(*info);
    }
    if (!info || usage != DIB_RGB_COLORS || section || !valid_header(info->bmiHeader) ||
        !header_format(info->bmiHeader, masks, &format))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    auto bitmap = bitmap_new(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, format, true, h.biHeight > 0);
    if (!bitmap)
    {
        return nullptr;
    }
    set_masks(bitmap->surface, masks);
    copy_colour_table(*bitmap, *info);
    fill_dib_record(*bitmap, h);
    HBITMAP handle = insert_bitmap(bitmap);
    if (handle && bits)
    {
        *bits = bitmap->storage.get();
    }
    return handle;
}

// A zero size answers the 1 x 1 monochrome default bitmap (the one a new
// memory DC holds), which every caller can select and delete safely.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    PixelFormat format;
    std::vector<RGBQUAD> palette;
    Masks masks{0, 0, 0};
    if (!compatible_format(hdc, &format, &palette, &masks))
    {
        return nullptr;
    }
    if (width == 0 || height == 0)
    {
        return static_cast<HBITMAP>(default_bitmap());
    }
    auto bitmap = bitmap_new(width, height, format, false, false);
    if (bitmap)
    {
        set_masks(bitmap->surface, masks);
    }
    if (bitmap && !palette.empty())
    {
        bitmap->palette = palette;
        bitmap->surface.palette = bitmap->palette.data();
        bitmap->surface.palette_size = int(palette.size());
    }
    return insert_bitmap(bitmap);
}

// Monochrome, 16 (RGB565), 24 and 32 bits per pixel; rows of `bits` are WORD-aligned.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits)
{
    PixelFormat format;
    switch (bits_per_pixel)
    {
    case 1: format = PixelFormat::Mono; break;
    case 16: format = PixelFormat::Rgb565; break;
    case 24: format = PixelFormat::Rgb24; break;
    case 32: format = PixelFormat::Rgb32; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
    if (planes != 1)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
    {
        return static_cast<HBITMAP>(default_bitmap());
    }
    auto bitmap = bitmap_new(width, height, format, false, false);
    if (bitmap && bits)
    {
        memcpy(bitmap->storage.get(), bits, size_t(bitmap->info.dsBm.bmWidthBytes) * size_t(height));
    }
    return insert_bitmap(bitmap);
}
