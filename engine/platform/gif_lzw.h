// gif_lzw.h -- LZW decoding of one GIF image block, and its placement
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Image;

// Where a block lies on the logical screen and how its rows are ordered.
struct GifBlock
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
};

constexpr int kGifTableEntries = 256;

// Decodes the joined data sub-blocks of one image into colour indices in
// stream order, appended to `out`: at most maxPixels of them, and fewer when
// the data ends first. The block keeps its own size here: memory follows
// what the data holds, not what the headers declare. Answers the bits
// consumed, or 0 when the stream is corrupt (a code that is neither known
// nor the next free one, or a starting code size outside 1..11; `out` then
// holds the pixels decoded before the fault).
size_t decodeGifIndices(const uint8_t* data, size_t length, int codeSize, size_t maxPixels,
                        std::vector<uint8_t>& out);

// Writes decoded indices (rows of block.width, interlaced rows in their pass
// order) into target at (left, top) through a table of 256 0xRRGGBB entries.
// Pixels that fall outside the target are dropped.
void placeGifIndices(const std::vector<uint8_t>& indices, const GifBlock& block, const uint32_t* table,
                     Image& target);
