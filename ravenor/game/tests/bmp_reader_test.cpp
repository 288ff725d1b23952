// bmp_reader_test.cpp -- the splash picture's reader
#include <gtest/gtest.h>

#include <cstring>

#include "content/media/bmp_writer.h"
#include "ravenor/game/shell/bmp_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A 3 x 2 picture: red, green, blue over white, black, grey
Bytes Picture()
{
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};
    return media::makeBmp(3, 2, [&](int x, int y) { return colours[y * 3 + x]; });
}

void Put32(Bytes& bytes, size_t at, uint32_t value)
{
    std::memcpy(&bytes[at], &value, 4);
}

} // namespace

TEST(DecodeBmp, BottomUpRowsComeOutTopDown)
{
    const Bytes bytes = Picture();
    BmpImage image;
    std::string error;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), image, error)) << error;
    EXPECT_EQ(3, image.width);
    EXPECT_EQ(2, image.height);
    EXPECT_EQ((std::vector<uint16_t>{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x8410}), image.pixels);
}

TEST(DecodeBmp, TopDownAndThirtyTwoBitRows)
{
    // 2 x 2, 32 bits, top-down: blue, green / red, white
    Bytes bytes = media::makeBmp(1, 1, [](int, int) { return 0u; });
    bytes.resize(54);
    Put32(bytes, 18, 2);
    Put32(bytes, 22, static_cast<uint32_t>(-2));
    bytes[28] = 32;
    const uint8_t pixels[] = {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0};
    bytes.insert(bytes.end(), pixels, pixels + sizeof pixels);
    BmpImage image;
    std::string error;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), image, error)) << error;
    EXPECT_EQ((std::vector<uint16_t>{0x001F, 0x07E0, 0xF800, 0xFFFF}), image.pixels);
}

TEST(DecodeBmp, RefusesWhatItCannotRead)
{
    struct Case
    {
        const char* what;
        size_t at;      // where to damage (0: cut instead)
        uint32_t value;
        size_t keep;    // bytes kept
    };
    const Bytes good = Picture();
    const Case cases[] = {
        {"no signature", 0, 0x4D41, good.size()},
        {"header cut", 0, 0, 30},
        {"pixels cut", 0, 0, good.size() - 1},
        {"compressed", 30, 1, good.size()},
        {"eight bits", 28, 8, good.size()},
        {"zero width", 18, 0, good.size()},
        {"huge width", 18, 100000, good.size()},
        {"zero height", 22, 0, good.size()},
        {"pixels beyond the file", 10, 0xFFFFFFF0, good.size()},
    };
    for (const Case& c : cases)
    {
        Bytes bytes(good.begin(), good.begin() + c.keep);
        if (c.at == 0 && c.value)
        {
            bytes[0] = 'A';
        }
        else if (c.at)
        {
            Put32(bytes, c.at, c.value);
            if (c.at == 28)
                bytes[29] = 0;
        }
        BmpImage image;
        std::string error;
        EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size(), image, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}
