// bmp_reader.cpp -- BMP file checks and the BMP loader of Image
//
// Every field that sizes memory is checked before it is used: the depth, the
// compression (uncompressed or bit fields only), the sides and the colour
// count. A loaded bitmap is always converted into a top-down image of the
// wanted depth, whatever its own row order or 16-bit layout.
#include "engine/platform/bmp_reader.h"

#include "engine/platform/image.h"
#include "engine/platform/image_file.h"
#include "common/little_endian.h"

#include <os/user.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

BITMAPINFOHEADER readInfoHeader(const uint8_t* p)
{
    BITMAPINFOHEADER h{};
    h.biSize = readLE32(p);
    h.biWidth = int32_t(readLE32(p + 4));
    h.biHeight = int32_t(readLE32(p + 8));
    h.biPlanes = readLE16(p + 12);
    h.biBitCount = readLE16(p + 14);
    h.biCompression = readLE32(p + 16);
    h.biSizeImage = readLE32(p + 20);
    h.biXPelsPerMeter = int32_t(readLE32(p + 24));
    h.biYPelsPerMeter = int32_t(readLE32(p + 28));
    h.biClrUsed = readLE32(p + 32);
    h.biClrImportant = readLE32(p + 36);
    return h;
}

bool headerIsSound(const BITMAPINFOHEADER& h)
{
    if (h.biSize != kInfoHeaderBytes || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return false;
    if (h.biWidth > Image::kMaxSide || std::abs(h.biHeight) > Image::kMaxSide ||
        int64_t(h.biWidth) * std::abs(h.biHeight) > Image::kMaxPixels)
        return false;
    switch (h.biBitCount)
    {
    case 1:
    case 4:
    case 8:
    case 24:
        if (h.biCompression != BI_RGB || h.biClrUsed > 256)
            return false;
        return h.biBitCount > 8 || h.biClrUsed <= (1u << h.biBitCount);
    case 16:
    case 32:
        return (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS) && h.biClrUsed <= 256;
    default:
        return false;
    }
}

} // namespace

int getDibColorTableSize(const BITMAPINFOHEADER* info)
{
    if (info->biCompression == BI_BITFIELDS)
        return 12;
    if (info->biClrUsed != 0)
        return int(4 * info->biClrUsed);
    if (info->biBitCount <= 8)
        return 4 << info->biBitCount;
    return 0;
}

int64_t getDibPixelBytes(const BITMAPINFOHEADER* info)
{
    return ((int64_t(info->biBitCount) * info->biWidth + 31) / 32) * 4 * std::abs(int64_t(info->biHeight));
}

uint8_t* getDibBits(BITMAPINFOHEADER* info)
{
    return reinterpret_cast<uint8_t*>(info) + info->biSize + getDibColorTableSize(info);
}

namespace {

// Where the parts of a checked BMP file image lie: its header (read out),
// colour table (or masks) and pixel rows, in the file's bytes.
struct BmpLayout
{
    BITMAPINFOHEADER header;
    const uint8_t* table;
    size_t tableBytes;
    const uint8_t* rows;
    size_t rowBytes;
};

bool readLayout(const uint8_t* data, size_t length, BmpLayout& out)
{
    if (!data || length < kFileHeaderBytes + kInfoHeaderBytes)
        return false;
    if (data[0] != 'B' || data[1] != 'M' || readLE16(data + 6) != 0 || readLE16(data + 8) != 0)
        return false;
    uint32_t pixelOffset = readLE32(data + 10);
    BITMAPINFOHEADER header = readInfoHeader(data + kFileHeaderBytes);
    if (!headerIsSound(header))
        return false;

    size_t table = size_t(getDibColorTableSize(&header));
    size_t pixelBytes = size_t(getDibPixelBytes(&header));
    size_t tableAt = kFileHeaderBytes + kInfoHeaderBytes;
    size_t pixelsAt = pixelOffset != 0 ? pixelOffset : tableAt + table;
    if (tableAt + table > length || pixelsAt > length || length - pixelsAt < pixelBytes)
        return false;
    out = {header, data + tableAt, table, data + pixelsAt, pixelBytes};
    return true;
}

} // namespace

PackedDib parseBmp(const uint8_t* data, size_t length)
{
    BmpLayout layout;
    if (!readLayout(data, length, layout))
        return nullptr;
    PackedDib dib(new uint8_t[kInfoHeaderBytes + layout.tableBytes + layout.rowBytes]);
    std::memcpy(dib.get(), &layout.header, kInfoHeaderBytes);
    std::memcpy(dib.get() + kInfoHeaderBytes, layout.table, layout.tableBytes);
    std::memcpy(dib.get() + kInfoHeaderBytes + layout.tableBytes, layout.rows, layout.rowBytes);
    return dib;
}

namespace {

// The file's bytes, or false after the missing-file box.
bool readBmpBytes(const WCHAR* path, std::vector<uint8_t>& bytes)
{
    if (readImageFile(path, bytes))
        return true;
    showImageBox(u"Exception", MB_OK | MB_ICONEXCLAMATION, u"Error: can not find the image '%s'", path);
    return false;
}

} // namespace

PackedDib readBmpFile(const WCHAR* path)
{
    std::vector<uint8_t> bytes;
    return readBmpBytes(path, bytes) ? parseBmp(bytes.data(), bytes.size()) : nullptr;
}

namespace {

// The file's own bitmap: a DIB section of its header and colour table,
// filled with its rows.
HBITMAP makeFileBitmap(const BmpLayout& file)
{
    // Header and table as one BITMAPINFO (a table holds at most 256 entries).
    alignas(BITMAPINFOHEADER) uint8_t info[kInfoHeaderBytes + 4 * 256];
    std::memcpy(info, &file.header, kInfoHeaderBytes);
    std::memcpy(info + kInfoHeaderBytes, file.table, file.tableBytes);
    void* bits = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!made || !bits)
    {
        if (made)
            DeleteObject(made);
        return nullptr;
    }
    std::memcpy(bits, file.rows, file.rowBytes);
    return made;
}

// The file's bitmap converted into image: GDI turns any depth, table and row
// order into the image's format. False (the image left empty) when GDI
// refuses the file's bitmap or the image cannot be made.
bool convertInto(Image& image, const BmpLayout& file, bool useScreenDepth)
{
    HBITMAP fileBitmap = makeFileBitmap(file);
    bool ok = fileBitmap &&
              image.create(file.header.biWidth, std::abs(file.header.biHeight), Image::wantedDepth(useScreenDepth));
    if (ok)
    {
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, fileBitmap);
        ok = BitBlt(image.dc, 0, 0, image.width, image.height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    if (fileBitmap)
        DeleteObject(fileBitmap);
    return ok;
}

} // namespace

// Both loaders read the rows straight from the file's bytes into the file's
// bitmap: no packed copy of the picture is made on the way.
bool Image::loadBmp(const WCHAR* path, bool useScreenDepth_)
{
    std::vector<uint8_t> bytes;
    return readBmpBytes(path, bytes) && decodeBmp(bytes.data(), bytes.size(), path, useScreenDepth_);
}

bool Image::decodeBmp(const uint8_t* data, size_t length, const WCHAR* name, bool useScreenDepth_)
{
    BmpLayout layout;
    if (!readLayout(data, length, layout))
        return false;
    if (convertInto(*this, layout, useScreenDepth_))
        return true;
    release();
    showImageBox(u"Error", MB_OK, u"Error: %s is not a valid BMP image.", name);
    return false;
}

bool Image::fromPackedDib(uint8_t* packed, const WCHAR* name, bool useScreenDepth_)
{
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(packed);
    const BmpLayout layout{*info, packed + kInfoHeaderBytes, size_t(getDibColorTableSize(info)), getDibBits(info),
                           size_t(getDibPixelBytes(info))};
    if (convertInto(*this, layout, useScreenDepth_))
        return true;
    release();
    showImageBox(u"Error", MB_OK, u"Error: %s is not a valid BMP image.", name);
    return false;
}
