// gdi_test_util.h -- DIB-section DCs, pixel reading and picture hashes for GDI tests
#pragma once

#include "os/gdi/gdi_private.h"
#include "os/host/host.h"
#include "os/host/png.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace gdi_test {

// Formats a DIB section can have, named for messages.
enum class Dib
{
    Mono,
    Pal4,
    Pal8,
    Rgb555,
    Rgb565,
    Rgb24,
    Rgb32,
};

inline const char* dib_name(Dib f)
{
    static const char* names[] = {"1bpp", "4bpp", "8bpp", "555", "565", "24bpp", "32bpp"};
    return names[int(f)];
}

inline int dib_bpp(Dib f)
{
    static const int bpp[] = {1, 4, 8, 16, 16, 24, 32};
    return bpp[int(f)];
}

// A BITMAPINFO with room for a full colour table or three masks.
struct Info
{
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};

    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// A grey-ramp-free test palette: entry i is a distinct colour.
inline RGBQUAD palette_entry(int i)
{
    return RGBQUAD{BYTE(i * 37 + 11), BYTE(i * 71 + 5), BYTE(i * 13 + 200), 0};
}

inline Info make_info(Dib f, int width, int height)
{
    Info info;
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(dib_bpp(f));
    info.header.biCompression = (f == Dib::Rgb565 || f == Dib::Rgb32) ? BI_BITFIELDS : BI_RGB;
    DWORD* masks = reinterpret_cast<DWORD*>(info.colors);
    if (f == Dib::Rgb565)
    {
        masks[0] = 0xF800;
        masks[1] = 0x07E0;
        masks[2] = 0x001F;
    }
    else if (f == Dib::Rgb32)
    {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    else if (dib_bpp(f) <= 8)
    {
        for (int i = 0; i < (1 << dib_bpp(f)); ++i)
        {
            info.colors[i] = palette_entry(i);
        }
    }
    return info;
}

// A memory DC with a top-down DIB section selected; released at the end.
class DibDc
{
public:
    DibDc(Dib f, int width, int height, bool bottom_up = false)
        : format(f), width(width), height(height)
    {
        Info info = make_info(f, width, bottom_up ? height : -height);
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
        EXPECT_NE(bitmap, nullptr) << "CreateDIBSection " << dib_name(f);
        old = SelectObject(dc, bitmap);
        stride = (width * dib_bpp(f) + 31) / 32 * 4;
        this->bottom_up = bottom_up;
    }
    ~DibDc()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    DibDc(const DibDc&) = delete;
    DibDc& operator=(const DibDc&) = delete;

    uint8_t* row(int y) const
    {
        int memory_row = bottom_up ? height - 1 - y : y;
        return static_cast<uint8_t*>(bits) + size_t(memory_row) * size_t(stride);
    }
    uint32_t raw(int x, int y) const
    {
        const uint8_t* r = row(y);
        switch (dib_bpp(format))
        {
        case 1: return (r[x / 8] >> (7 - x % 8)) & 1;
        case 4: return (x & 1) ? (r[x / 2] & 15) : (r[x / 2] >> 4);
        case 8: return r[x];
        case 16: return uint32_t(r[2 * x]) | uint32_t(r[2 * x + 1]) << 8;
        case 24: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
        default:
        {
            uint32_t v;
            memcpy(&v, r + 4 * x, 4);
            return v;
        }
        }
    }
    void set_raw(int x, int y, uint32_t v) const
    {
        uint8_t* r = row(y);
        switch (dib_bpp(format))
        {
        case 1: r[x / 8] = uint8_t((r[x / 8] & ~(0x80 >> (x % 8))) | ((v & 1) << (7 - x % 8))); break;
        case 4: r[x / 2] = (x & 1) ? uint8_t((r[x / 2] & 0xF0) | (v & 15)) : uint8_t((r[x / 2] & 15) | (v << 4)); break;
        case 8: r[x] = uint8_t(v); break;
        case 16: r[2 * x] = uint8_t(v); r[2 * x + 1] = uint8_t(v >> 8); break;
        case 24: r[3 * x] = uint8_t(v); r[3 * x + 1] = uint8_t(v >> 8); r[3 * x + 2] = uint8_t(v >> 16); break;
        default: memcpy(r + 4 * x, &v, 4); break;
        }
    }
    void fill_raw(uint32_t v) const
    {
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                set_raw(x, y, v);
            }
        }
    }

    // FNV-1a over the visible bytes of every row, top row first.
    uint32_t hash() const
    {
        uint32_t h = 2166136261u;
        size_t row_bytes = (size_t(width) * size_t(dib_bpp(format)) + 7) / 8;
        for (int y = 0; y < height; ++y)
        {
            for (size_t i = 0; i < row_bytes; ++i)
            {
                h = (h ^ row(y)[i]) * 16777619u;
            }
        }
        return h;
    }

    // Writes the picture as a PNG beside the test's output (16 or 32 bpp only).
    void dump(const std::string& name) const
    {
        if (dib_bpp(format) != 16 && dib_bpp(format) != 32)
        {
            return;
        }
        const char* out = getenv("OS_OUT");
        std::string path = std::string(out ? out : "/tmp") + "/" + name + ".png";
        std::vector<uint8_t> top_down(size_t(stride) * size_t(height));
        for (int y = 0; y < height; ++y)
        {
            memcpy(top_down.data() + size_t(stride) * size_t(y), row(y), size_t(stride));
        }
        os::host::write_png(path, width, height, dib_bpp(format), stride, top_down.data());
        ADD_FAILURE() << "picture written to " << path;
    }

    // Renders the picture as text, one character per pixel from `legend`
    // (raw values 0..n-1); other values show as '?'.
    std::string text(const std::vector<uint32_t>& legend, const char* marks = ".#+*") const
    {
        std::string s;
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                char c = '?';
                for (size_t i = 0; i < legend.size(); ++i)
                {
                    if (raw(x, y) == legend[i])
                    {
                        c = marks[i];
                        break;
                    }
                }
                s += c;
            }
            s += '\n';
        }
        return s;
    }

    Dib format;
    int width;
    int height;
    int stride = 0;
    bool bottom_up = false;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
};

inline std::string hex(uint32_t v)
{
    char buf[16];
    snprintf(buf, sizeof(buf), "0x%08X", v);
    return buf;
}

} // namespace gdi_test
