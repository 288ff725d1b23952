// gif_writer.h -- GIF89a file images: an LZW code packer and frames with
// local tables, interlace and graphic control blocks
#pragma once

#include "content/media/bytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// Packs LZW codes at the widths a decoder expects (the table grows by one
// entry per code after the first following a clear).
class GifCodePacker
{
public:
    explicit GifCodePacker(int codeSize);

    void code(int c);

    // Clear, one literal per index, end. With clearWhenFull a clear comes
    // before the table fills; without, the encoder goes on with a full table.
    static Bytes literals(const std::vector<uint8_t>& indices, int codeSize, bool clearWhenFull = true);

    const Bytes& bytes() const { return out_; }

private:
    void reset();
    void putBits(int c);

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

// Table size flag for a table of n entries (n a power of two, 2..256).
int tableBits(size_t n);

// Header, logical screen, global table (empty: none), the frames, trailer.
Bytes makeGif(int width, int height, const std::vector<uint32_t>& globalTable, const std::vector<GifFrame>& frames,
              int background = 0);

} // namespace media
