// gif_lzw.h -- LZW decoding of one GIF image block
#pragma once

#include <cstddef>
#include <cstdint>

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

// Decodes the joined data sub-blocks of one image into target at
// (left, top), through a colour table of 256 0xRRGGBB entries. Pixels that
// fall outside the target are dropped; at most width x height are written.
// Answers the bits consumed, or 0 when the stream is corrupt (a code that is
// neither known nor the next free one, or a bad starting code size).
size_t decodeGifImage(const uint8_t* data, size_t length, Image& target, const uint32_t* table, int codeSize,
                      const GifBlock& block);
