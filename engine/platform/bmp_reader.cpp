// bmp_reader.cpp -- BMP file checks and the BMP loader of Image
//
// Every field that sizes memory is checked before it is used: the depth, the
// compression (uncompressed or bit fields only), the sides and the colour
// count. A loaded bitmap is always converted into a top-down image of the
// wanted depth, whatever its own row order or 16-bit layout.
#include "engine/platform/bmp_reader.h"

#include "engine/platform/image.h"
#include "engine/platform/image_file.h"
#include "engine/platform/little_endian.h"

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

PackedDib parseBmp(const uint8_t* data, size_t length)
{
    if (!data || length < kFileHeaderBytes + kInfoHeaderBytes)
        return nullptr;
    if (data[0] != 'B' || data[1] != 'M' || readLE16(data + 6) != 0 || readLE16(data + 8) != 0)
        return nullptr;
    uint32_t pixelOffset = readLE32(data + 10);
    BITMAPINFOHEADER header = readInfoHeader(data + kFileHeaderBytes);
    if (!headerIsSound(header))
        return nullptr;

    size_t table = size_t(getDibColorTableSize(&header));
    size_t pixelBytes = size_t(getDibPixelBytes(&header));
    size_t tableAt = kFileHeaderBytes + kInfoHeaderBytes;
    size_t pixelsAt = pixelOffset != 0 ? pixelOffset : tableAt + table;
    if (tableAt + table > length || pixelsAt > length || length - pixelsAt < pixelBytes)
        return nullptr;

    PackedDib dib(new uint8_t[kInfoHeaderBytes + table + pixelBytes]);
    std::memcpy(dib.get(), &header, kInfoHeaderBytes);
    std::memcpy(dib.get() + kInfoHeaderBytes, data + tableAt, table);
    std::memcpy(dib.get() + kInfoHeaderBytes + table, data + pixelsAt, pixelBytes);
    return dib;
}

PackedDib readBmpFile(const WCHAR* path)
{
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
    {
        showImageBox(u"Exception", MB_OK | MB_ICONEXCLAMATION, u"Error: can not find the image '%s'", path);
        return nullptr;
    }
    return parseBmp(bytes.data(), bytes.size());
}

namespace {

// The file's own bitmap, as a DIB section of its header, colour table and rows.
HBITMAP makeFileBitmap(BITMAPINFOHEADER* info)
{
    void* bits = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!made || !bits)
    {
        if (made)
            DeleteObject(made);
        return nullptr;
    }
    std::memcpy(bits, getDibBits(info), size_t(getDibPixelBytes(info)));
    return made;
}

} // namespace

bool Image::loadBmp(const WCHAR* path, bool useScreenDepth_)
{
    PackedDib dib = readBmpFile(path);
    return dib && fromPackedDib(dib.get(), path, useScreenDepth_);
}

bool Image::decodeBmp(const uint8_t* data, size_t length, const WCHAR* name, bool useScreenDepth_)
{
    PackedDib dib = parseBmp(data, length);
    return dib && fromPackedDib(dib.get(), name, useScreenDepth_);
}

bool Image::fromPackedDib(uint8_t* packed, const WCHAR* name, bool useScreenDepth_)
{
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(packed);
    HBITMAP fileBitmap = makeFileBitmap(info);
    bool ok = fileBitmap && create(info->biWidth, std::abs(info->biHeight), wantedDepth(useScreenDepth_));
    if (ok)
    {
        // GDI turns any depth, table and row order into this image's format.
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, fileBitmap);
        ok = BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    if (fileBitmap)
        DeleteObject(fileBitmap);
    if (!ok)
    {
        release();
        showImageBox(u"Error", MB_OK, u"Error: %s is not a valid BMP image.", name);
    }
    return ok;
}
