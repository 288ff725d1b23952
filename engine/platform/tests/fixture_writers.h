// fixture_writers.h -- small writers of BMP, GIF, JPEG and WAV bytes for tests
//
// Each writer builds a whole file image in memory; writeDeviceFile puts it
// into the device tree. Kept free of test-framework code so that tools can
// use them as well.
#pragma once

#include <os/file.h>
#include <os/types.h>

#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace fixtures {

using Bytes = std::vector<uint8_t>;
// A picture given as 0xRRGGBB per pixel
using PixelFn = std::function<uint32_t(int x, int y)>;

inline void put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

inline bool writeDeviceFile(const WCHAR* path, const Bytes& bytes)
{
    FILE* f = _wfopen(path, u"wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// ---- BMP ----

struct BmpOptions
{
    int bits = 24;                 // 1, 4, 8 (palette), 16 (5-5-5 or 5-6-5), 24, 32
    bool topDown = false;          // negative height
    bool masks565 = false;         // 16 bits as BI_BITFIELDS 5-6-5
    std::vector<uint32_t> palette; // 0xRRGGBB entries for 1 to 8 bits
};

inline uint32_t bmpPixel(uint32_t c, const BmpOptions& o)
{
    uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    if (o.bits == 16)
        return o.masks565 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3 : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    if (o.bits <= 8)
        for (size_t i = 0; i < o.palette.size(); ++i)
            if (o.palette[i] == c)
                return uint32_t(i);
    return c;
}

inline Bytes makeBmp(int width, int height, const PixelFn& pixel, const BmpOptions& o = {})
{
    int stride = ((o.bits * width + 31) / 32) * 4;
    uint32_t table = o.bits <= 8 ? uint32_t(4 * (1 << o.bits)) : (o.masks565 ? 12u : 0u);
    uint32_t offset = 14 + 40 + table;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + uint32_t(stride * height));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, uint32_t(width));
    put32(b, uint32_t(o.topDown ? -height : height));
    put16(b, 1);
    put16(b, uint32_t(o.bits));
    put32(b, o.masks565 ? 3 : 0);
    put32(b, uint32_t(stride * height));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    if (o.bits <= 8)
        for (int i = 0; i < (1 << o.bits); ++i)
            put32(b, size_t(i) < o.palette.size() ? o.palette[size_t(i)] : 0);
    if (o.masks565)
    {
        put32(b, 0xF800);
        put32(b, 0x07E0);
        put32(b, 0x001F);
    }
    for (int row = 0; row < height; ++row)
    {
        int y = o.topDown ? row : height - 1 - row;
        Bytes line(size_t(stride), 0);
        for (int x = 0; x < width; ++x)
        {
            uint32_t v = bmpPixel(pixel(x, y), o);
            int bit = x * o.bits;
            if (o.bits < 8)
                line[size_t(bit / 8)] |= uint8_t(v << (8 - o.bits - bit % 8));
            else
                for (int k = 0; k < o.bits / 8; ++k)
                    line[size_t(bit / 8 + k)] = uint8_t(v >> (8 * k));
        }
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

// ---- GIF ----

// Packs LZW codes at the widths a decoder expects (the table grows by one
// entry per code after the first following a clear).
class GifCodePacker
{
public:
    explicit GifCodePacker(int codeSize) : codeSize_(codeSize) { reset(); }

    void code(int c)
    {
        for (int i = 0; i < width_; ++i, ++bit_)
        {
            if (bit_ / 8 >= out_.size())
                out_.push_back(0);
            if (c >> i & 1)
                out_[bit_ / 8] |= uint8_t(1 << (bit_ % 8));
        }
        int clear = 1 << codeSize_;
        if (c == clear)
        {
            reset();
            return;
        }
        if (!first_ && next_ < 4096)
        {
            ++next_;
            if (next_ == (1 << width_) && width_ < 12)
                ++width_;
        }
        first_ = false;
    }

    // Clear, one literal per index, end. With clearWhenFull a clear comes
    // before the table fills; without, the encoder goes on with a full table.
    static Bytes literals(const std::vector<uint8_t>& indices, int codeSize, bool clearWhenFull = true)
    {
        GifCodePacker p(codeSize);
        int clear = 1 << codeSize;
        p.code(clear);
        for (uint8_t i : indices)
        {
            if (clearWhenFull && p.next_ >= 4000)
                p.code(clear);
            p.code(i);
        }
        p.code(clear + 1);
        return p.out_;
    }

    const Bytes& bytes() const { return out_; }

private:
    void reset()
    {
        width_ = codeSize_ + 1;
        next_ = (1 << codeSize_) + 2;
        first_ = true;
    }

    int codeSize_;
    int width_ = 0;
    int next_ = 0;
    bool first_ = true;
    size_t bit_ = 0;
    Bytes out_;
};

struct GifFrame
{
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<uint32_t> localTable; // empty: none
    int codeSize = 8;
    Bytes lzw;             // packed codes
    bool control = false;  // write a graphic control block first
    int disposal = 0;
    int delay = 0;         // hundredths of a second
    int transparent = -1;  // index, or -1
};

inline void putTable(Bytes& b, const std::vector<uint32_t>& t)
{
    for (uint32_t c : t)
    {
        b.push_back(uint8_t(c >> 16));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c));
    }
}

// Table size flag for a table of n entries (n a power of two, 2..256).
inline int tableBits(size_t n)
{
    int bits = 0;
    while ((size_t(2) << bits) < n)
        ++bits;
    return bits;
}

inline Bytes makeGif(int width, int height, const std::vector<uint32_t>& globalTable,
                     const std::vector<GifFrame>& frames, int background = 0)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, uint32_t(width));
    put16(b, uint32_t(height));
    b.push_back(uint8_t(globalTable.empty() ? 0 : 0x80 | tableBits(globalTable.size())));
    b.push_back(uint8_t(background));
    b.push_back(0);
    putTable(b, globalTable);
    for (const GifFrame& f : frames)
    {
        if (f.control)
        {
            b.insert(b.end(), {0x21, 0xF9, 4});
            b.push_back(uint8_t(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0)));
            put16(b, uint32_t(f.delay));
            b.push_back(uint8_t(f.transparent >= 0 ? f.transparent : 0));
            b.push_back(0);
        }
        b.push_back(0x2C);
        put16(b, uint32_t(f.left));
        put16(b, uint32_t(f.top));
        put16(b, uint32_t(f.width));
        put16(b, uint32_t(f.height));
        int flags = f.interlaced ? 0x40 : 0;
        if (!f.localTable.empty())
            flags |= 0x80 | tableBits(f.localTable.size());
        b.push_back(uint8_t(flags));
        putTable(b, f.localTable);
        b.push_back(uint8_t(f.codeSize));
        for (size_t at = 0; at < f.lzw.size(); at += 255)
        {
            size_t n = std::min<size_t>(255, f.lzw.size() - at);
            b.push_back(uint8_t(n));
            b.insert(b.end(), f.lzw.begin() + long(at), f.lzw.begin() + long(at + n));
        }
        b.push_back(0);
    }
    b.push_back(0x3B);
    return b;
}

// ---- JPEG ----

inline Bytes makeJpeg(int width, int height, const PixelFn& pixel, int components = 3, int quality = 95)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width * components));
    while (info.next_scanline < info.image_height)
    {
        int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x)
        {
            uint32_t c = pixel(x, y);
            if (components == 1)
                row[size_t(x)] = JSAMPLE(c & 0xFF);
            else
            {
                row[size_t(3 * x)] = JSAMPLE(c >> 16);
                row[size_t(3 * x + 1)] = JSAMPLE(c >> 8);
                row[size_t(3 * x + 2)] = JSAMPLE(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes b(out, out + size);
    jpeg_destroy_compress(&info);
    free(out);
    return b;
}

// ---- WAV ----

inline Bytes makeWav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples, uint16_t tag = 1)
{
    uint16_t align = uint16_t(channels * bits / 8);
    Bytes b = {'R', 'I', 'F', 'F'};
    put32(b, uint32_t(36 + samples.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, uint32_t(samples.size()));
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

} // namespace fixtures
