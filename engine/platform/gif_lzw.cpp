// gif_lzw.cpp -- variable-width LZW codes, least significant bit first
//
// The decoder stops at the end code or at the end of the data, whichever
// comes first. When the table is full (4096 codes) it keeps decoding with
// the codes it has, as encoders that defer their clear code expect.
#include "engine/platform/gif_lzw.h"

#include "common/little_endian.h"
#include "engine/platform/image.h"
#include "engine/platform/pixel_format.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kMaxCodes = 4096;

// Row of the block for the n-th row written: straight, or the four
// interlace passes (every 8th from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1).
std::vector<int> rowOrder(const GifBlock& block)
{
    std::vector<int> order;
    order.reserve(size_t(block.height));
    if (!block.interlaced)
    {
        for (int r = 0; r < block.height; ++r)
            order.push_back(r);
        return order;
    }
    const int starts[4] = {0, 4, 2, 1};
    const int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int r = starts[pass]; r < block.height; r += steps[pass])
            order.push_back(r);
    return order;
}

class CodeReader
{
public:
    CodeReader(const uint8_t* data, size_t length) : bytes_(data, data + length), totalBits_(length * 8)
    {
        bytes_.resize(length + 4, 0); // a code read near the end takes four bytes
    }

    // False at the end of the data.
    bool next(int width, int& code)
    {
        if (bitPos_ + size_t(width) > totalBits_)
            return false;
        const uint8_t* p = bytes_.data() + bitPos_ / 8;
        uint32_t word = readLE32(p);
        code = int((word >> (bitPos_ & 7)) & ((1u << width) - 1));
        bitPos_ += size_t(width);
        return true;
    }

    size_t consumed() const { return bitPos_; }

private:
    std::vector<uint8_t> bytes_;
    size_t totalBits_;
    size_t bitPos_ = 0;
};

} // namespace

size_t decodeGifIndices(const uint8_t* data, size_t length, int codeSize, size_t maxPixels,
                        std::vector<uint8_t>& out)
{
    if (codeSize < 1 || codeSize > 11)
        return 0;
    std::vector<uint16_t> prefix(kMaxCodes + 1, 0);
    std::vector<uint8_t> suffix(kMaxCodes + 1, 0);
    std::vector<uint8_t> stack(kMaxCodes + 1, 0);
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    int nextFree = clear + 2;
    int width = codeSize + 1;
    int previous = -1; // none: at the start or just after a clear
    uint8_t previousFirst = 0;

    CodeReader reader(data, length);
    size_t used = out.size();
    const size_t limit = used + maxPixels;
    bool corrupt = false;
    int code = 0;
    while (!corrupt && used < limit && reader.next(width, code))
    {
        if (code == end)
            break;
        if (code == clear)
        {
            width = codeSize + 1;
            nextFree = clear + 2;
            previous = -1;
            continue;
        }
        size_t depth = 0;
        int walk = code;
        if (code >= nextFree || (code > end && previous < 0))
        {
            // Only the next free code may be unknown: previous string + its first character.
            if (code != nextFree || previous < 0)
            {
                corrupt = true;
                break;
            }
            stack[depth++] = previousFirst;
            walk = previous;
        }
        while (walk > end && depth < size_t(kMaxCodes))
        {
            stack[depth++] = suffix[size_t(walk)];
            walk = prefix[size_t(walk)];
        }
        if (walk >= clear)
        {
            corrupt = true; // a chain must end in a literal, within 4096 characters
            break;
        }
        stack[depth++] = uint8_t(walk);
        uint8_t first = uint8_t(walk);
        // The string, first character first, cut at the limit; the buffer
        // grows by doubling, never past the limit.
        size_t take = std::min(depth, limit - used);
        if (used + take > out.size())
            out.resize(std::min(limit, std::max(used + take, std::max<size_t>(out.size() * 2, 4096))));
        uint8_t* at = out.data() + used;
        for (size_t i = 0; i < take; ++i)
            at[i] = stack[depth - 1 - i];
        used += take;

        if (previous >= 0 && nextFree < kMaxCodes)
        {
            prefix[size_t(nextFree)] = uint16_t(previous);
            suffix[size_t(nextFree)] = first;
            ++nextFree;
            if (nextFree == (1 << width) && width < 12)
                ++width;
        }
        previous = code;
        previousFirst = first;
    }
    out.resize(used);
    return corrupt ? 0 : reader.consumed();
}

void placeGifIndices(const std::vector<uint8_t>& indices, const GifBlock& block, const uint32_t* table,
                     Image& target)
{
    if (block.width <= 0 || block.height <= 0 || !target.pixels)
        return;
    const std::vector<int> rows = rowOrder(block);
    const size_t width = size_t(block.width);
    for (size_t n = 0; n * width < indices.size() && n < rows.size(); ++n)
    {
        int y = block.top + rows[n];
        if (y < 0 || y >= target.height)
            continue;
        const uint8_t* run = indices.data() + n * width;
        int count = int(std::min(width, indices.size() - n * width));
        int from = std::max(0, -block.left);
        int to = std::min(count, target.width - block.left);
        uint8_t* row = target.getPixelAddress(0, y);
        for (int i = from; i < to; ++i)
        {
            uint32_t c = table[run[i]];
            storePixel(row, block.left + i, target.bits, uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
        }
    }
}
