// bmp_reader.cpp -- decoding an uncompressed BMP into a DIB section
#include "ravenor/game/shell/bmp_reader.h"

#include <os/windows.h>

#include <cstring>

#include "ravenor/engine/core/bytes.h"
#include "ravenor/engine/data/textures.h"
#include "ravenor/engine/display/dib_section.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr int32_t kMaxSide = 4096;

bool ReadDeviceFile(const WCHAR* path, std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size <= 64u << 20;
    if (ok)
    {
        bytes.resize(size);
        DWORD read = 0;
        ok = ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;
    }
    CloseHandle(file);
    return ok;
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, BmpImage& image, std::string& error)
{
    if (size < kFileHeaderBytes + kInfoHeaderBytes || data[0] != 'B' || data[1] != 'M')
    {
        error = "not a BMP file";
        return false;
    }
    const uint8_t* info = data + kFileHeaderBytes;
    const uint32_t offset = GetU32(data + 10);
    const uint32_t infoSize = GetU32(info);
    const int32_t width = static_cast<int32_t>(GetU32(info + 4));
    const int32_t rawHeight = static_cast<int32_t>(GetU32(info + 8));
    const uint16_t bits = GetU16(info + 14);
    const uint32_t compression = GetU32(info + 16);
    if (infoSize < kInfoHeaderBytes || (bits != 24 && bits != 32) || compression != BI_RGB)
    {
        error = "only uncompressed 24- and 32-bit pictures are read";
        return false;
    }
    if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide || rawHeight > kMaxSide)
    {
        error = "picture size out of range";
        return false;
    }
    const int32_t height = rawHeight < 0 ? -rawHeight : rawHeight;
    const size_t bytesPerPixel = bits / 8;
    const size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~size_t{3};
    if (offset > size || (size - offset) / stride < static_cast<size_t>(height))
    {
        error = "pixels cut short";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int32_t y = 0; y < height; ++y)
    {
        const int32_t fileRow = rawHeight < 0 ? y : height - 1 - y;
        const uint8_t* row = data + offset + static_cast<size_t>(fileRow) * stride;
        for (int32_t x = 0; x < width; ++x)
        {
            const uint8_t* bgr = row + x * bytesPerPixel;
            image.pixels[static_cast<size_t>(y) * width + x] = PackRgb565(bgr[2], bgr[1], bgr[0]);
        }
    }
    return true;
}

HBITMAP LoadDIBitmap(const WCHAR* path)
{
    std::vector<uint8_t> bytes;
    BmpImage image;
    std::string error;
    if (!ReadDeviceFile(path, bytes) || !DecodeBmp(bytes.data(), bytes.size(), image, error))
        return nullptr;
    void* bits = nullptr;
    HBITMAP dib = CreateRgb565Dib(nullptr, image.width, image.height, &bits);
    if (!dib)
        return nullptr;
    const size_t pitch = (static_cast<size_t>(image.width) * 2 + 3) & ~size_t{3};
    for (int32_t y = 0; y < image.height; ++y)
        std::memcpy(static_cast<uint8_t*>(bits) + y * pitch, &image.pixels[static_cast<size_t>(y) * image.width],
                    static_cast<size_t>(image.width) * 2);
    return dib;
}
