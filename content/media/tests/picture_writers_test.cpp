// picture_writers_test.cpp -- BMP, GIF and JPEG files written here and read
// back by the engine's image loaders
#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/media/gif_writer.h"
#include "content/media/jpeg_writer.h"

#include "engine/platform/image.h"

#include <gtest/gtest.h>

#include <os/file.h>
#include <os/wstring.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kSide = 32;
const std::vector<uint32_t> kColours = {0xC02010, 0x10A040, 0x2040E0, 0xF0E0D0};

// Quarters of the picture in the four colours (blocks of 16 keep the JPEG
// blocks flat).
int quarter(int x, int y)
{
    return (y / 16 % 2) * 2 + x / 16 % 2;
}

uint32_t quarters(int x, int y)
{
    return kColours[size_t(quarter(x, y))];
}

uint32_t checker(int x, int y)
{
    return kColours[size_t((x / 8 + y / 8) & 1)];
}

// The rows of an interlaced picture in the order they are stored.
std::vector<int> interlacedRows(int height)
{
    std::vector<int> rows;
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            rows.push_back(y);
    return rows;
}

struct GifShape
{
    int side = kSide;
    bool interlaced = false;
    bool localTable = false;
    bool clearWhenFull = true;
};

media::Bytes quarterGif(const GifShape& shape)
{
    std::vector<int> rows;
    for (int y = 0; y < shape.side; ++y)
        rows.push_back(y);
    if (shape.interlaced)
        rows = interlacedRows(shape.side);
    std::vector<uint8_t> indices;
    for (int y : rows)
        for (int x = 0; x < shape.side; ++x)
            indices.push_back(uint8_t(quarter(x, y)));
    media::GifFrame frame;
    frame.width = frame.height = shape.side;
    frame.interlaced = shape.interlaced;
    frame.codeSize = 2;
    frame.lzw = media::GifCodePacker::literals(indices, 2, shape.clearWhenFull);
    if (shape.localTable)
        frame.localTable = kColours;
    return media::makeGif(shape.side, shape.side, shape.localTable ? std::vector<uint32_t>{} : kColours, {frame});
}

bool near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance)
            return false;
    return true;
}

// Lossy pictures blur across the colour edges: only the inner pixels of
// each 16 x 16 block are compared.
bool compared(int x, int y, bool lossy)
{
    auto inner = [](int v) { return v % 16 >= 3 && v % 16 <= 12; };
    return !lossy || (inner(x) && inner(y));
}

} // namespace

TEST(PictureWriters, ReadBackByTheImageLoaders)
{
    media::BmpOptions palette8;
    palette8.bits = 8;
    palette8.palette = kColours;
    palette8.topDown = true;
    media::BmpOptions mono;
    mono.bits = 1;
    mono.palette = {kColours[0], kColours[1]};
    media::BmpOptions rgb565;
    rgb565.bits = 16;
    rgb565.masks565 = true;
    media::BmpOptions deep;
    deep.bits = 32;
    const struct
    {
        const char16_t* path;
        int side;
        media::Bytes bytes;
        uint32_t (*pixel)(int, int);
        int tolerance;
        bool lossy = false;
    } cases[] = {
        {u"\\p\\rgb24.bmp", kSide, media::makeBmp(kSide, kSide, quarters), quarters, 0},
        {u"\\p\\top8.bmp", kSide, media::makeBmp(kSide, kSide, quarters, palette8), quarters, 0},
        {u"\\p\\mono.bmp", kSide, media::makeBmp(kSide, kSide, checker, mono), checker, 0},
        {u"\\p\\565.bmp", kSide, media::makeBmp(kSide, kSide, quarters, rgb565), quarters, 7},
        {u"\\p\\deep.bmp", kSide, media::makeBmp(kSide, kSide, quarters, deep), quarters, 0},
        {u"\\p\\global.gif", kSide, quarterGif({}), quarters, 0},
        // 6400 literals: a clear before the table fills, or a full table kept
        {u"\\p\\cleared.gif", 80, quarterGif({80}), quarters, 0},
        {u"\\p\\full.gif", 80, quarterGif({80, false, false, false}), quarters, 0},
        {u"\\p\\interlaced.gif", kSide, quarterGif({kSide, true, true}), quarters, 0},
        {u"\\p\\photo.jpg", kSide, media::makeJpeg(kSide, kSide, quarters), quarters, 4, true},
    };
    CreateDirectoryW(u"\\p", nullptr);
    for (const auto& c : cases)
    {
        std::string name = os::to_latin1(c.path);
        ASSERT_TRUE(media::writeDeviceFile(c.path, c.bytes)) << name;
        Image image(c.path, false);
        ASSERT_FALSE(image.isEmpty()) << name;
        EXPECT_EQ(image.width, c.side) << name;
        EXPECT_EQ(image.height, c.side) << name;
        int wrong = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                wrong += compared(x, y, c.lossy) && !near(image.colorAt(x, y), c.pixel(x, y), c.tolerance);
        EXPECT_EQ(wrong, 0) << name;
    }
}
