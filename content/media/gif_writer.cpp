// gif_writer.cpp -- GIF89a file images
#include "content/media/gif_writer.h"

#include <algorithm>

namespace media {

GifCodePacker::GifCodePacker(int codeSize) : codeSize_(codeSize)
{
    reset();
}

void GifCodePacker::reset()
{
    width_ = codeSize_ + 1;
    next_ = (1 << codeSize_) + 2;
    first_ = true;
}

void GifCodePacker::putBits(int c)
{
    for (int i = 0; i < width_; ++i, ++bit_)
    {
        if (bit_ / 8 >= out_.size())
            out_.push_back(0);
        if (c >> i & 1)
            out_[bit_ / 8] |= uint8_t(1 << (bit_ % 8));
    }
}

void GifCodePacker::code(int c)
{
    putBits(c);
    if (c == 1 << codeSize_)
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

Bytes GifCodePacker::literals(const std::vector<uint8_t>& indices, int codeSize, bool clearWhenFull)
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

int tableBits(size_t n)
{
    int bits = 0;
    while ((size_t(2) << bits) < n)
        ++bits;
    return bits;
}

namespace {

void putTable(Bytes& b, const std::vector<uint32_t>& t)
{
    for (uint32_t c : t)
    {
        b.push_back(uint8_t(c >> 16));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c));
    }
}

void putControl(Bytes& b, const GifFrame& f)
{
    b.insert(b.end(), {0x21, 0xF9, 4});
    b.push_back(uint8_t(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0)));
    put16(b, uint32_t(f.delay));
    b.push_back(uint8_t(f.transparent >= 0 ? f.transparent : 0));
    b.push_back(0);
}

// The packed codes in sub-blocks of at most 255 bytes, then the terminator.
void putSubBlocks(Bytes& b, const Bytes& data)
{
    for (size_t at = 0; at < data.size(); at += 255)
    {
        size_t n = std::min<size_t>(255, data.size() - at);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    b.push_back(0);
}

void putFrame(Bytes& b, const GifFrame& f)
{
    if (f.control)
        putControl(b, f);
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
    putSubBlocks(b, f.lzw);
}

} // namespace

Bytes makeGif(int width, int height, const std::vector<uint32_t>& globalTable, const std::vector<GifFrame>& frames,
              int background)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, uint32_t(width));
    put16(b, uint32_t(height));
    b.push_back(uint8_t(globalTable.empty() ? 0 : 0x80 | tableBits(globalTable.size())));
    b.push_back(uint8_t(background));
    b.push_back(0);
    putTable(b, globalTable);
    for (const GifFrame& f : frames)
        putFrame(b, f);
    b.push_back(0x3B);
    return b;
}

} // namespace media
