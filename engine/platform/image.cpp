// image.cpp -- DIB-section images: creation, geometry, depth and file choice
#include "engine/platform/image.h"

#include "engine/platform/image_file.h"
#include "engine/platform/pixel_format.h"

#include <os/user.h>
#include <os/wstring.h>

#include <cstdlib>
#include <cstring>
#include <utility>

Image::Image(int width_, int height_, bool useScreenDepth_) : useScreenDepth(useScreenDepth_)
{
    create(std::abs(width_), std::abs(height_), wantedDepth(useScreenDepth_));
}

Image::Image(const WCHAR* path, bool useScreenDepth_) : useScreenDepth(useScreenDepth_)
{
    struct Reader
    {
        const char16_t* extension;
        bool (Image::*load)(const WCHAR*, bool);
    };
    static const Reader readers[] = {
        {u".jpg", &Image::loadJpeg}, {u".JPG", &Image::loadJpeg}, {u".jpeg", &Image::loadJpeg},
        {u".JPEG", &Image::loadJpeg}, {u".bmp", &Image::loadBmp}, {u".BMP", &Image::loadBmp},
        {u".gif", &Image::loadGif},  {u".GIF", &Image::loadGif},
    };
    for (const Reader& reader : readers)
    {
        if (path && wcsstr(path, reader.extension))
        {
            (this->*reader.load)(path, useScreenDepth_);
            return;
        }
    }
    showImageBox(u"Error", MB_OK | MB_ICONEXCLAMATION, u"Error: %s is not a supported image.", path);
}

Image::~Image()
{
    release();
}

void Image::release()
{
    if (dc && previousBitmap)
        SelectObject(dc, previousBitmap);
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
    dc = nullptr;
    bitmap = nullptr;
    previousBitmap = nullptr;
    pixels = nullptr;
    width = height = bytesPerPixel = stride = bits = size = 0;
}

void Image::swapWith(Image& other)
{
    std::swap(pixels, other.pixels);
    std::swap(width, other.width);
    std::swap(height, other.height);
    std::swap(bytesPerPixel, other.bytesPerPixel);
    std::swap(stride, other.stride);
    std::swap(bits, other.bits);
    std::swap(size, other.size);
    std::swap(useScreenDepth, other.useScreenDepth);
    std::swap(dc, other.dc);
    std::swap(bitmap, other.bitmap);
    std::swap(hasColorKey, other.hasColorKey);
    std::swap(colorKey, other.colorKey);
    std::swap(frameDelay, other.frameDelay);
    std::swap(previousBitmap, other.previousBitmap);
}

int Image::getScreenDepth()
{
    static const int depth = [] {
        HDC screen = GetDC(nullptr);
        HBITMAP probe = CreateCompatibleBitmap(screen, 1, 1);
        BITMAP info{};
        int found = probe && GetObjectW(probe, sizeof(info), &info) ? info.bmBitsPixel : 16;
        if (probe)
            DeleteObject(probe);
        ReleaseDC(nullptr, screen);
        // Only RGB565 and 0x00RRGGBB have pixel routines.
        return found >= 24 ? 32 : 16;
    }();
    return depth;
}

int Image::wantedDepth(bool screenDepth)
{
    return screenDepth ? getScreenDepth() : 32;
}

void Image::makeBitmapInfo(BitmapInfoWithMasks& info, int width_, int height_, int bits_)
{
    if (bits_ <= 0)
        bits_ = getScreenDepth();
    int32_t rowBytes = ((bits_ * width_ + 31) / 32) * 4;
    std::memset(&info, 0, sizeof(info));
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width_;
    info.header.biHeight = -height_;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits_);
    info.header.biCompression = BI_BITFIELDS;
    info.header.biSizeImage = DWORD(rowBytes * height_);
    if (bits_ == 16)
    {
        info.masks[0] = 0xF800;
        info.masks[1] = 0x07E0;
        info.masks[2] = 0x001F;
    }
    else
    {
        info.masks[0] = 0xFF0000;
        info.masks[1] = 0x00FF00;
        info.masks[2] = 0x0000FF;
    }
}

bool Image::create(int width_, int height_, int bits_)
{
    release();
    if (!withinLimits(width_, height_) || (bits_ != 16 && bits_ != 32))
        return false;
    BitmapInfoWithMasks info;
    makeBitmapInfo(info, width_, height_, bits_);
    void* bitsPointer = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bitsPointer,
                                    nullptr, 0);
    if (!made)
        return false;
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory)
    {
        DeleteObject(made);
        return false;
    }
    bitmap = made;
    dc = memory;
    previousBitmap = SelectObject(dc, bitmap);
    updateGeometry();
    if (pixels)
        std::memset(pixels, 0, size_t(size));
    return true;
}

void Image::updateGeometry()
{
    DIBSECTION section{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(section), &section))
        return;
    pixels = static_cast<uint8_t*>(section.dsBm.bmBits);
    width = section.dsBm.bmWidth;
    height = std::abs(section.dsBm.bmHeight);
    bits = section.dsBm.bmBitsPixel;
    bytesPerPixel = bits / 8;
    stride = ((bits * width + 31) / 32) * 4;
    size = stride * height;
}

uint32_t Image::toPixel(uint32_t rgb) const
{
    return bits == 16 ? rgbTo565(rgb) : (rgb & 0xFFFFFF);
}

uint32_t Image::pixelRaw(int x, int y) const
{
    const uint8_t* at = getPixelAddress(x, y);
    return bits == 16 ? *reinterpret_cast<const uint16_t*>(at) : *reinterpret_cast<const uint32_t*>(at);
}

void Image::setPixelRaw(int x, int y, uint32_t pixel) const
{
    uint8_t* at = getPixelAddress(x, y);
    if (bits == 16)
        *reinterpret_cast<uint16_t*>(at) = uint16_t(pixel);
    else
        *reinterpret_cast<uint32_t*>(at) = pixel;
}

uint32_t Image::colorAt(int x, int y) const
{
    if (!pixels || x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    uint32_t raw = pixelRaw(x, y);
    return bits == 16 ? rgbFrom565(uint16_t(raw)) : (raw & 0xFFFFFF);
}
