// image_loader_test.cpp -- BMP, GIF and JPEG files into 16- and 32-bit images
#include "engine/platform/bmp_reader.h"
#include "engine/platform/gif_reader.h"
#include "engine/platform/image.h"

#include "fixture_writers.h"
#include "pixel_check.h"

#include "os/testing/host.h"

#include <os/user.h>
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <jpeglib.h>

namespace headless = os::host::headless;
using fixtures::Bytes;
using pixelcheck::matches;
using pixelcheck::stored;

namespace {

// Eight colours every BMP depth keeps exactly: each channel 0 or 255.
const std::vector<uint32_t> kPrimaries = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                          0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};

uint32_t pattern(int x, int y)
{
    return kPrimaries[size_t(x + 2 * y) % kPrimaries.size()];
}

class ImageLoader : public ::testing::Test
{
protected:
    void SetUp() override { headless::clear_boxes(); }

    static void put(const char16_t* path, const Bytes& bytes) { ASSERT_TRUE(fixtures::writeDeviceFile(path, bytes)); }

    static void expectOneBox(const std::u16string& caption, const std::u16string& text)
    {
        const auto& boxes = headless::boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, caption);
        EXPECT_EQ(boxes[0].text, text);
    }

    static std::vector<std::u16string> boxTexts()
    {
        std::vector<std::u16string> texts;
        for (const auto& box : headless::boxes())
            texts.push_back(box.text);
        return texts;
    }
};

std::vector<uint32_t> greyTable(int n)
{
    std::vector<uint32_t> t;
    for (int i = 0; i < n; ++i)
        t.push_back(uint32_t(i * 0x010101));
    return t;
}

// A small progressive JPEG whose frame header is then made to declare
// width x height (the scans stay those of the small picture).
Bytes progressiveJpeg(int width, int height, bool fullChroma, int extraScans = 0)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (fullChroma)
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(16 * 3);
    for (int y = 0; y < 16; ++y)
    {
        for (int x = 0; x < 16; ++x)
            row[size_t(3 * x)] = JSAMPLE(x * 16), row[size_t(3 * x + 1)] = JSAMPLE(y * 16), row[size_t(3 * x + 2)] = 90;
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes b(out, out + size);
    jpeg_destroy_compress(&info);
    free(out);
    for (size_t i = 2; i + 8 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC2)
        {
            b[i + 5] = uint8_t(height >> 8), b[i + 6] = uint8_t(height);
            b[i + 7] = uint8_t(width >> 8), b[i + 8] = uint8_t(width);
            break;
        }
    // Extra scans: copies of the last one (its header and data, up to the end marker).
    if (extraScans > 0)
    {
        size_t last = 0;
        for (size_t i = 2; i + 1 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == 0xDA)
                last = i;
        Bytes scan(b.begin() + long(last), b.end() - 2);
        for (int n = 0; n < extraScans; ++n)
            b.insert(b.end() - 2, scan.begin(), scan.end());
    }
    return b;
}

// Lets this process's address space grow by `bytes` more at most.
void limitAddressSpaceGrowth(rlim_t bytes)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    rlim_t current = 0;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0)
            current = rlim_t(std::stoull(line.substr(7))) * 1024;
    rlimit limit{current + bytes, current + bytes};
    setrlimit(RLIMIT_AS, &limit);
}

// Frames of a multi-frame read, freed at the end of the test.
struct Frames
{
    int count = 0;
    Image** list = nullptr;
    ~Frames() { freeGifFrames(list, count); }
};

} // namespace

TEST_F(ImageLoader, ScreenDepthIsSixteenOnTheDevice)
{
    EXPECT_EQ(Image::getScreenDepth(), 16);
    Image screen(-8, 4, true);
    EXPECT_EQ(screen.width, 8);
    EXPECT_EQ(screen.bits, 16);
    EXPECT_EQ(screen.stride, 16);
    Image deep(3, 2, false);
    EXPECT_EQ(deep.bits, 32);
    EXPECT_EQ(deep.bytesPerPixel, 4);
    EXPECT_EQ(deep.size, 24);
    EXPECT_NE(deep.dc, nullptr);
    EXPECT_TRUE(matches(deep, [](int, int) { return 0u; }, "blank"));

    Image tooLarge(20000, 20, false);
    EXPECT_TRUE(tooLarge.isEmpty());
    Image tooMany(4097, 4097, false);
    EXPECT_TRUE(tooMany.isEmpty());
}

TEST_F(ImageLoader, PathsChooseTheReaderByExactExtension)
{
    const struct
    {
        const char16_t* path;
        const char16_t* caption;
        const char16_t* text;
    } cases[] = {
        {u"\\pic.Jpg", u"Error", u"Error: \\pic.Jpg is not a supported image."},
        {u"\\pic.png", u"Error", u"Error: \\pic.png is not a supported image."},
        {u"\\none.jpg", u"Exception", u"Error: can not find the image '\\none.jpg'."},
        {u"\\none.JPEG", u"Exception", u"Error: can not find the image '\\none.JPEG'."},
        {u"\\none.GIF", u"Exception", u"Error: can not find the image '\\none.GIF'."},
        {u"\\none.bmp", u"Exception", u"Error: can not find the image '\\none.bmp'"},
    };
    for (const auto& c : cases)
    {
        headless::clear_boxes();
        Image image(c.path, true);
        EXPECT_TRUE(image.isEmpty()) << os::to_latin1(c.path);
        EXPECT_EQ(image.dc, nullptr);
        expectOneBox(c.caption, c.text);
    }
    EXPECT_EQ(headless::boxes()[0].flags & 0xF0, unsigned(MB_ICONEXCLAMATION));
}

TEST_F(ImageLoader, BmpEveryDepthAndRowOrder)
{
    const struct
    {
        int bits;
        bool masks565;
    } depths[] = {{1, false}, {4, false}, {8, false}, {16, false}, {16, true}, {24, false}, {32, false}};
    for (const auto& d : depths)
    {
        for (bool topDown : {false, true})
        {
            fixtures::BmpOptions o;
            o.bits = d.bits;
            o.masks565 = d.masks565;
            o.topDown = topDown;
            o.palette = kPrimaries;
            auto picture = d.bits == 1 ? [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0u; } : fixtures::PixelFn(pattern);
            if (d.bits == 1)
                o.palette = {0x000000, 0xFFFFFF};
            put(u"\\pic.bmp", fixtures::makeBmp(5, 3, picture, o));
            for (bool screen : {false, true})
            {
                Image image(u"\\pic.bmp", screen);
                std::string name = "bmp" + std::to_string(d.bits) + (topDown ? "td" : "bu") + (screen ? "16" : "32");
                ASSERT_FALSE(image.isEmpty()) << name;
                EXPECT_EQ(image.bits, screen ? 16 : 32) << name;
                EXPECT_EQ(image.width, 5);
                EXPECT_EQ(image.height, 3);
                EXPECT_TRUE(matches(image, [&](int x, int y) { return stored(picture(x, y), image.bits); }, name));
            }
        }
    }
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ImageLoader, Bmp24BitLoadsAsTopDownRgb565)
{
    auto picture = [](int x, int y) { return uint32_t(0x123456 + x * 0x0A0B0C + y * 0x300000); };
    put(u"\\photo.BMP", fixtures::makeBmp(4, 4, picture));
    Image image(u"\\photo.BMP", true);
    ASSERT_EQ(image.bits, 16);
    for (int y = 0; y < 4; ++y)
    {
        auto* row = reinterpret_cast<const uint16_t*>(image.getPixelAddress(0, y));
        for (int x = 0; x < 4; ++x)
        {
            uint32_t c = picture(x, y);
            uint16_t want = uint16_t(((c >> 16) & 0xF8) << 8 | ((c >> 8) & 0xFC) << 3 | (c & 0xFF) >> 3);
            EXPECT_EQ(row[x], want) << x << "," << y;
        }
    }
}

TEST_F(ImageLoader, BadBmpHeadersGiveNoImageAndNoBox)
{
    Bytes good = fixtures::makeBmp(4, 4, pattern);
    auto patch32 = [](Bytes b, size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b[at + size_t(k)] = uint8_t(v >> (8 * k));
        return b;
    };
    const struct
    {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"type BX", [&] { Bytes b = good; b[1] = 'X'; return b; }()},
        {"reserved word", [&] { Bytes b = good; b[6] = 1; return b; }()},
        {"info size 108", patch32(good, 14, 108)},
        {"negative width", patch32(good, 18, uint32_t(-4))},
        {"huge width", patch32(good, 18, 0x40000000)},
        {"huge height", patch32(good, 22, 0x7FFFFFFF)},
        {"RLE compression", patch32(good, 30, 1)},
        {"depth 7", [&] { Bytes b = good; b[28] = 7; return b; }()},
        {"colours used 9999", patch32(good, 46, 9999)},
        {"pixel offset past the end", patch32(good, 10, 100000)},
        {"truncated pixels", Bytes(good.begin(), good.end() - 5)},
        {"truncated header", Bytes(good.begin(), good.begin() + 30)},
        {"empty", Bytes()},
    };
    for (const auto& c : cases)
    {
        headless::clear_boxes();
        put(u"\\bad.bmp", c.bytes);
        EXPECT_EQ(readBmpFile(u"\\bad.bmp"), nullptr) << c.what;
        Image image(u"\\bad.bmp", false);
        EXPECT_TRUE(image.isEmpty()) << c.what;
        EXPECT_TRUE(headless::boxes().empty()) << c.what;
    }
}

TEST_F(ImageLoader, PackedDibHelpers)
{
    fixtures::BmpOptions o;
    o.bits = 8;
    o.palette = kPrimaries;
    CreateDirectoryW(u"\\dir", nullptr);
    put(u"\\dir\\p8.bmp", fixtures::makeBmp(3, 2, pattern, o));
    PackedDib dib = readBmpFile(u"\\dir\\sub\\..\\p8.bmp");
    ASSERT_NE(dib, nullptr);
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib.get());
    EXPECT_EQ(getDibColorTableSize(info), 1024);
    EXPECT_EQ(getDibPixelBytes(info), 8);
    EXPECT_EQ(getDibBits(info), dib.get() + 40 + 1024);
    info->biClrUsed = 8;
    EXPECT_EQ(getDibColorTableSize(info), 32);
}

TEST_F(ImageLoader, GifWithoutGlobalTableUsesTheGreyRamp)
{
    fixtures::GifFrame f;
    f.width = 2;
    f.height = 1;
    f.lzw = fixtures::GifCodePacker::literals({77, 200}, 8);
    put(u"\\grey.gif", fixtures::makeGif(2, 1, {}, {f}));
    for (bool screen : {false, true})
    {
        Image image(u"\\grey.gif", screen);
        ASSERT_FALSE(image.isEmpty());
        EXPECT_EQ(image.colorAt(0, 0), stored(0x4D4D4D, image.bits));
        EXPECT_EQ(image.colorAt(1, 0), stored(0xC8C8C8, image.bits));
        EXPECT_EQ(image.hasColorKey, 0);
    }
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ImageLoader, GifControlBlockSetsDelayAndColourKey)
{
    fixtures::GifFrame f;
    f.width = f.height = 2;
    f.codeSize = 2;
    f.lzw = fixtures::GifCodePacker::literals({0, 1, 2, 3}, 2);
    f.control = true;
    f.delay = 10;
    f.transparent = 2;
    f.localTable = {0x010203, 0x040506, 0x0A0B0C, 0xFFFFFF};
    put(u"\\key.gif", fixtures::makeGif(2, 2, {0, 0, 0, 0}, {f}));
    Image image(u"\\key.gif", false);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_FLOAT_EQ(image.frameDelay, 0.1f);
    EXPECT_EQ(image.hasColorKey, 1);
    EXPECT_EQ(image.colorKey, 0x0A0B0Cu); // from the frame's own table
    EXPECT_EQ(image.colorAt(1, 0), 0x040506u);
}

TEST_F(ImageLoader, GifFramesWithDisposal)
{
    const std::vector<uint32_t> table = {0x000000, 0x112233, 0x445566, 0x778899};
    fixtures::GifFrame first;
    first.width = first.height = 2;
    first.codeSize = 2;
    first.lzw = fixtures::GifCodePacker::literals({1, 1, 1, 1}, 2);
    first.control = true;
    first.disposal = 1;
    first.delay = 5;
    fixtures::GifFrame second; // covers the top-right pixel only
    second.left = 1;
    second.width = second.height = 1;
    second.codeSize = 2;
    second.lzw = fixtures::GifCodePacker::literals({2}, 2);
    second.control = true;
    second.disposal = 2;
    second.transparent = 3;
    fixtures::GifFrame third = second; // after disposal 2 with transparency: filled with entry 3
    third.left = 0;
    third.control = true;
    third.disposal = 0;
    fixtures::GifFrame fourth = second; // after disposal 0: black
    fourth.control = false;

    put(u"\\anim.gif", fixtures::makeGif(2, 2, table, {first, second, third, fourth}));
    Frames frames;
    ASSERT_TRUE(readGifFile(u"\\anim.gif", frames.count, frames.list, false, false, nullptr));
    ASSERT_EQ(frames.count, 4);
    EXPECT_FLOAT_EQ(frames.list[0]->frameDelay, 0.05f);
    EXPECT_TRUE(matches(*frames.list[1], [](int x, int y) { return x == 1 && y == 0 ? 0x445566u : 0x112233u; },
                        "gif-dispose1"));
    EXPECT_EQ(frames.list[1]->colorKey, 0x778899u);
    EXPECT_TRUE(matches(*frames.list[2], [](int x, int y) { return x == 0 && y == 0 ? 0x445566u : 0x778899u; },
                        "gif-dispose2"));
    EXPECT_TRUE(matches(*frames.list[3], [](int x, int y) { return x == 1 && y == 0 ? 0x445566u : 0u; },
                        "gif-dispose0"));
    EXPECT_EQ(frames.list[3]->hasColorKey, 0);
    EXPECT_TRUE(headless::boxes().empty());

    // One frame only into a given image.
    Image image(1, 1, true);
    int count = 0;
    Image** none = nullptr;
    ASSERT_TRUE(readGifFile(u"\\anim.gif", count, none, true, true, &image));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.bits, 16);
    EXPECT_EQ(image.colorAt(0, 0), stored(0x112233, 16));
}

TEST_F(ImageLoader, GifInterlacedRowsAndUnknownCode)
{
    // Ten rows, one pixel each, row i written with index i in interlace order.
    const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    std::vector<uint8_t> indices;
    for (int r : order)
        indices.push_back(uint8_t(r));
    fixtures::GifFrame f;
    f.width = 1;
    f.height = 10;
    f.interlaced = true;
    f.codeSize = 4;
    f.lzw = fixtures::GifCodePacker::literals(indices, 4);
    put(u"\\lace.gif", fixtures::makeGif(1, 10, greyTable(16), {f}));
    Image lace(u"\\lace.gif", false);
    ASSERT_FALSE(lace.isEmpty());
    EXPECT_TRUE(matches(lace, [](int, int y) { return uint32_t(y * 0x010101); }, "gif-interlace"));

    // Codes: clear, 1, 6 (the next free code: "1" + "1"), 6, end -> 1 1 1 1 1.
    fixtures::GifCodePacker p(2);
    for (int code : {4, 1, 6, 6, 5})
        p.code(code);
    fixtures::GifFrame k;
    k.width = 5;
    k.height = 1;
    k.codeSize = 2;
    k.lzw = p.bytes();
    put(u"\\kwk.gif", fixtures::makeGif(5, 1, {0, 0xABCDEF, 0, 0}, {k}));
    Image kwk(u"\\kwk.gif", false);
    ASSERT_FALSE(kwk.isEmpty());
    EXPECT_TRUE(matches(kwk, [](int, int) { return 0xABCDEFu; }, "gif-kwkwk"));
}

TEST_F(ImageLoader, GifKeepsDecodingWithAFullCodeTable)
{
    // 6000 literals without a clear: the table fills at 4096 codes and the
    // stream goes on at 12 bits.
    std::vector<uint8_t> indices(6000);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i * 7);
    fixtures::GifFrame f;
    f.width = 100;
    f.height = 60;
    f.lzw = fixtures::GifCodePacker::literals(indices, 8, false);
    put(u"\\full.gif", fixtures::makeGif(100, 60, greyTable(256), {f}));
    Image image(u"\\full.gif", false);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_TRUE(headless::boxes().empty());
    EXPECT_TRUE(matches(image, [&](int x, int y) { return uint32_t(indices[size_t(y * 100 + x)]) * 0x010101u; },
                        "gif-full-table"));
}

TEST_F(ImageLoader, GifFrameOutsideTheScreenIsClipped)
{
    fixtures::GifFrame f; // 4 x 4 at (2, 2) on a 3 x 3 screen
    f.left = f.top = 2;
    f.width = f.height = 4;
    f.codeSize = 2;
    f.lzw = fixtures::GifCodePacker::literals(std::vector<uint8_t>(16, 1), 2);
    put(u"\\wide.gif", fixtures::makeGif(3, 3, {0, 0xFF0000, 0, 0}, {f}));
    Image image(u"\\wide.gif", false);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_TRUE(matches(image, [](int x, int y) { return x == 2 && y == 2 ? 0xFF0000u : 0u; }, "gif-clip"));
}

namespace {

// Sixteen frames of one pixel each, every frame kept on the last
// (disposal 1), on a screen of the given size: a few hundred bytes.
Bytes onePixelFrames(int screenWidth, int screenHeight)
{
    std::vector<fixtures::GifFrame> list;
    for (int k = 0; k < 16; ++k)
    {
        fixtures::GifFrame f;
        f.left = k;
        f.width = f.height = 1;
        f.codeSize = 2;
        f.lzw = fixtures::GifCodePacker::literals({1}, 2);
        f.control = true;
        f.disposal = 1;
        list.push_back(f);
    }
    return fixtures::makeGif(screenWidth, screenHeight, {0, 0xFF0000, 0, 0}, list);
}

} // namespace

TEST_F(ImageLoader, GifMemoryFollowsWhatTheFileHolds)
{
    // A few hundred bytes declaring a 4096 x 4096 screen: not one of its
    // whole-screen frames fits what so small a file may take; one box.
    Bytes file = onePixelFrames(4096, 4096);
    ASSERT_LT(file.size(), 1000u);
    put(u"\\huge.gif", file);
    Frames frames;
    ASSERT_TRUE(readGifFile(u"\\huge.gif", frames.count, frames.list, false, true, nullptr));
    EXPECT_LE(int64_t(frames.count) * 4096 * 4096, gifPixelBudget(file.size()));
    EXPECT_EQ(frames.count, 0);
    EXPECT_EQ(boxTexts(), (std::vector<std::u16string>{u"Image File Corrupt", u"Premature End Of Image File"}));
    headless::clear_boxes();
    Image first(u"\\huge.gif", true);
    EXPECT_TRUE(first.isEmpty());
    EXPECT_FALSE(headless::boxes().empty());

    // The same frames on the device's screen: every frame is composed.
    headless::clear_boxes();
    put(u"\\anim.gif", onePixelFrames(240, 320));
    Frames anim;
    ASSERT_TRUE(readGifFile(u"\\anim.gif", anim.count, anim.list, false, true, nullptr));
    ASSERT_EQ(anim.count, 16);
    EXPECT_TRUE(headless::boxes().empty());
    for (int k = 0; k < anim.count; ++k)
    {
        const Image& frame = *anim.list[k];
        ASSERT_EQ(frame.width, 240);
        for (int x = 0; x < 17; ++x)
            EXPECT_EQ(frame.colorAt(x, 0), x <= k ? stored(0xFF0000, 16) : 0u) << "frame " << k << " x " << x;
        EXPECT_EQ(frame.colorAt(239, 319), 0u);
    }
}

// Blocks that hold no pixels (comments, application data, stray bytes
// between blocks) do not buy a file pixels: a 16 KB comment before the
// few-hundred-byte frames on a 4096 x 4096 screen leaves them as refused as
// without it, and an animation on the device's screen reads whole with one.
TEST_F(ImageLoader, GifBlocksWithoutPixelsAddNothingToTheBudget)
{
    // After the header (13 bytes) and the four-colour global table.
    auto withBlock = [](Bytes gif, Bytes block) {
        gif.insert(gif.begin() + 13 + 4 * 3, block.begin(), block.end());
        return gif;
    };
    auto extension = [](uint8_t label, size_t length) {
        Bytes block{0x21, label};
        for (size_t left = length; left > 0; left -= std::min<size_t>(left, 255))
        {
            const size_t n = std::min<size_t>(left, 255);
            block.push_back(uint8_t(n));
            block.insert(block.end(), n, uint8_t('c'));
        }
        block.push_back(0);
        return block;
    };
    const struct
    {
        const char* what;
        Bytes block;
    } cases[] = {
        {"comment", extension(0xFE, 16 << 10)},
        {"application block", extension(0xFF, 16 << 10)},
        {"stray bytes", Bytes(16 << 10, 0x00)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        headless::clear_boxes();
        const Bytes file = withBlock(onePixelFrames(4096, 4096), c.block);
        ASSERT_GT(file.size(), size_t(16 << 10));
        put(u"\\huge.gif", file);
        Frames frames;
        ASSERT_TRUE(readGifFile(u"\\huge.gif", frames.count, frames.list, false, true, nullptr));
        EXPECT_EQ(frames.count, 0);
        EXPECT_EQ(boxTexts(), (std::vector<std::u16string>{u"Image File Corrupt", u"Premature End Of Image File"}));

        headless::clear_boxes();
        put(u"\\anim.gif", withBlock(onePixelFrames(240, 320), c.block));
        Frames anim;
        ASSERT_TRUE(readGifFile(u"\\anim.gif", anim.count, anim.list, false, true, nullptr));
        EXPECT_EQ(anim.count, 16);
        EXPECT_TRUE(headless::boxes().empty());
    }
}

TEST_F(ImageLoader, GifOfTheLargestSizeAtTheBestCompressionStillReads)
{
    // One colour over 4096 x 4096: each code the next free one (runs of
    // 1, 2, 3, ... pixels) until the table is full, then its longest run
    // again and again. No file holds more pixels for its size.
    const int clear = 4;
    fixtures::GifCodePacker p(2);
    p.code(clear);
    p.code(1);
    int64_t pixels = 1;
    for (int code = clear + 2; code < 4096; ++code, pixels += code - clear - 1)
        p.code(code);
    while (pixels < int64_t(4096) * 4096)
    {
        p.code(4095);
        pixels += 4095 - clear;
    }
    p.code(clear + 1);
    fixtures::GifFrame f;
    f.width = f.height = 4096;
    f.codeSize = 2;
    f.lzw = p.bytes();
    Bytes file = fixtures::makeGif(4096, 4096, {0, 0x00FF00, 0, 0}, {f});
    ASSERT_LT(file.size(), 12000u);
    put(u"\\dense.gif", file);
    Image image(u"\\dense.gif", true);
    ASSERT_EQ(image.width, 4096);
    EXPECT_TRUE(headless::boxes().empty());
    EXPECT_EQ(image.colorAt(0, 0), stored(0x00FF00, 16));
    EXPECT_EQ(image.colorAt(4095, 4095), stored(0x00FF00, 16));
}

TEST_F(ImageLoader, GifFramesThatFailCountAgainstTheBudgetToo)
{
    // Each frame's codes unwind ever longer runs (about a million pixels in
    // under 2 KB), then a code that is not in the table: the frame is
    // dropped, but what it decoded is counted, so a long file of them stops
    // well before its last frame.
    fixtures::GifCodePacker p(8);
    p.code(256);
    p.code(0);
    for (int code = 258; code < 258 + 1415; ++code)
        p.code(code); // each the next free code: the previous run and one more
    p.code(2047);
    fixtures::GifFrame f;
    f.width = f.height = 1024;
    f.lzw = p.bytes();
    const int frameCount = 100;
    put(u"\\spent.gif", fixtures::makeGif(16, 16, greyTable(256), std::vector<fixtures::GifFrame>(frameCount, f)));
    Frames frames;
    ASSERT_TRUE(readGifFile(u"\\spent.gif", frames.count, frames.list, false, false, nullptr));
    EXPECT_EQ(frames.count, 0);
    std::vector<std::u16string> texts = boxTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_LT(texts.size(), size_t(frameCount)) << "the budget ends the read";
    EXPECT_EQ(texts.back(), u"Premature End Of Image File");
    EXPECT_EQ(texts[texts.size() - 2], u"Image File Corrupt");
}

TEST_F(ImageLoader, CorruptGifsGiveBoxes)
{
    fixtures::GifFrame good;
    good.width = good.height = 2;
    good.codeSize = 2;
    good.lzw = fixtures::GifCodePacker::literals({1, 2, 3, 0}, 2);
    Bytes valid = fixtures::makeGif(2, 2, {0, 1, 2, 3}, {good});

    fixtures::GifCodePacker bad(2);
    for (int code : {4, 7}) // 7 is neither known nor the next free code
        bad.code(code);
    fixtures::GifFrame corrupt = good;
    corrupt.lzw = bad.bytes();
    fixtures::GifFrame wrongSize = good;
    wrongSize.codeSize = 12;

    const struct
    {
        const char* what;
        Bytes bytes;
        std::vector<std::u16string> texts;
    } cases[] = {
        {"not a GIF", Bytes{'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0},
         {u"Error: \\c.gif is not a valid image."}},
        {"bad code", fixtures::makeGif(2, 2, {0, 1, 2, 3}, {corrupt}),
         {u"Image File Corrupt", u"Premature End Of Image File"}},
        {"bad code size", fixtures::makeGif(2, 2, {0, 1, 2, 3}, {wrongSize}),
         {u"Image File Corrupt", u"Premature End Of Image File"}},
        {"no frames", Bytes(valid.begin(), valid.begin() + 13 + 12), {u"Premature End Of Image File"}},
        {"zero-sized screen", fixtures::makeGif(0, 0, {0, 1, 2, 3}, {good}),
         {u"Image File Corrupt", u"Premature End Of Image File"}},
        {"screen above the image limit", fixtures::makeGif(60000, 60000, {0, 1, 2, 3}, {good}),
         {u"Image File Corrupt", u"Premature End Of Image File"}},
        {"cut in the frame data", Bytes(valid.begin(), valid.end() - 4), {}},
        {"header only", Bytes(valid.begin(), valid.begin() + 6), {u"Premature End Of Image File"}},
    };
    for (const auto& c : cases)
    {
        headless::clear_boxes();
        put(u"\\c.gif", c.bytes);
        Image image(u"\\c.gif", false);
        EXPECT_EQ(boxTexts(), c.texts) << c.what;
        for (const auto& box : headless::boxes())
            EXPECT_EQ(box.caption, u"Error") << c.what;
    }

    // A failed first frame leaves the given image as it was.
    put(u"\\c.gif", fixtures::makeGif(2, 2, {0, 1, 2, 3}, {corrupt}));
    Image kept(3, 1, false);
    kept.drawRect(0x123456, -1, -1, -1, -1, true);
    int count = 0;
    Image** none = nullptr;
    EXPECT_TRUE(readGifFile(u"\\c.gif", count, none, true, false, &kept));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(kept.width, 3);
    EXPECT_EQ(kept.colorAt(2, 0), 0x123456u);
    EXPECT_FALSE(readGifFile(u"\\missing.gif", count, none, false, false, nullptr));
}

TEST_F(ImageLoader, JpegDecodesInBothDepths)
{
    put(u"\\solid.jpg", fixtures::makeJpeg(16, 8, [](int, int) { return 0xC86432u; }));
    Image deep(u"\\solid.jpg", false);
    ASSERT_FALSE(deep.isEmpty());
    EXPECT_EQ(deep.width, 16);
    EXPECT_EQ(deep.height, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
        {
            uint32_t c = deep.colorAt(x, y);
            ASSERT_NEAR(int(c >> 16), 200, 2);
            ASSERT_NEAR(int(c >> 8 & 0xFF), 100, 2);
            ASSERT_NEAR(int(c & 0xFF), 50, 2);
        }

    put(u"\\grey.JPEG", fixtures::makeJpeg(8, 8, [](int, int) { return 0x808080u; }, 1));
    Image grey(u"\\grey.JPEG", true);
    ASSERT_FALSE(grey.isEmpty());
    EXPECT_EQ(grey.bits, 16);
    EXPECT_EQ(grey.colorAt(3, 3), stored(0x808080, 16));
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(ImageLoader, OversizedJpegsAreRefusedBeforeTheyCost)
{
    // A few hundred bytes declaring a 65000 x 12000 progressive picture: a
    // progressive decode keeps every coefficient, gigabytes here. Read in a
    // child whose address space may grow by 256 MB only, it must be refused
    // by the size check, not run out of memory.
    Bytes huge = progressiveJpeg(65000, 12000, false);
    ASSERT_LT(huge.size(), 1000u);
    put(u"\\huge.jpg", huge);
    EXPECT_EXIT(
        {
            limitAddressSpaceGrowth(rlim_t(256) << 20);
            headless::clear_boxes();
            Image image(u"\\huge.jpg", false);
            bool refused = image.isEmpty() && headless::boxes().size() == 1 &&
                           headless::boxes()[0].text.find(u"Maximum supported image dimension") != std::u16string::npos;
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ImageLoader, TheLargestJpegStillDecodesUnderTheMemoryCap)
{
    // The largest picture an image holds still decodes under the library's
    // memory cap, with full-resolution colour (the most coefficients).
    put(u"\\largest.jpg", progressiveJpeg(4096, 4096, true));
    headless::clear_boxes();
    Image largest(u"\\largest.jpg", true);
    EXPECT_EQ(largest.width, 4096);
    EXPECT_EQ(largest.height, 4096);
    for (const auto& box : headless::boxes())
        EXPECT_EQ(box.text.find(u"Backing store"), std::u16string::npos) << os::to_latin1(box.text);
}

TEST_F(ImageLoader, JpegsOfHundredsOfScansAreRefusedBeforeTheyCost)
{
    // Every scan passes over the whole picture: a file of hundreds of scans
    // is refused before it costs minutes; the usual dozen decode.
    const struct
    {
        int extraScans;
        bool decodes;
    } scans[] = {{0, true}, {480, true}, {520, false}};
    for (const auto& c : scans)
    {
        put(u"\\scans.jpg", progressiveJpeg(16, 16, false, c.extraScans));
        headless::clear_boxes();
        Image image(u"\\scans.jpg", false);
        EXPECT_EQ(!image.isEmpty(), c.decodes) << c.extraScans;
        if (!c.decodes)
        {
            EXPECT_EQ(boxTexts().back(), u"Error happened when loading image:\n\\scans.jpg\n"
                                         u"Progressive JPEG image has more than 500 scans");
        }
    }
}

TEST_F(ImageLoader, BrokenJpegShowsTheLibraryMessageAndGoesOn)
{
    Bytes jpeg = fixtures::makeJpeg(32, 32, [](int x, int y) { return uint32_t(x * 8) << 16 | uint32_t(y * 8); });
    const struct
    {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"not a JPEG", Bytes{'n', 'o', 'p', 'e', 0, 1, 2, 3}},
        {"empty", Bytes()},
        {"header only", Bytes(jpeg.begin(), jpeg.begin() + 20)},
        {"larger than an image may be", [&] {
             Bytes b = jpeg;
             for (size_t i = 2; i + 8 < b.size(); ++i)
                 if (b[i] == 0xFF && b[i + 1] == 0xC0)
                 {
                     b[i + 5] = b[i + 7] = 0x4E; // 20000 x 20000
                     b[i + 6] = b[i + 8] = 0x20;
                     break;
                 }
             return b;
         }()},
        {"no frame header", [&] {
             Bytes b = jpeg;
             for (size_t i = 2; i + 1 < b.size(); ++i)
                 if (b[i] == 0xFF && b[i + 1] == 0xC0)
                     b[i + 1] = 0xC3; // lossless: not supported by the library
             return b;
         }()},
    };
    for (const auto& c : cases)
    {
        headless::clear_boxes();
        put(u"\\broken.jpg", c.bytes);
        Image image(u"\\broken.jpg", false);
        EXPECT_TRUE(image.isEmpty()) << c.what;
        ASSERT_FALSE(headless::boxes().empty()) << c.what;
        const auto& box = headless::boxes().back();
        EXPECT_EQ(box.caption, u"Error");
        EXPECT_EQ(box.text.rfind(u"Error happened when loading image:\n\\broken.jpg\n", 0), 0u) << c.what;
        EXPECT_GT(box.text.size(), 50u) << "the library's own message follows";
        EXPECT_EQ(box.flags & 0xF0, unsigned(MB_ICONSTOP));
    }

    // Cut in the middle of the scan: a warning box, and a picture with the rest grey.
    headless::clear_boxes();
    Bytes big = fixtures::makeJpeg(128, 128, [](int x, int y) { return uint32_t(x * 2) << 16 | uint32_t(x ^ y); });
    put(u"\\cut.jpg", Bytes(big.begin(), big.begin() + long(big.size() * 3 / 4)));
    Image cut(u"\\cut.jpg", false);
    EXPECT_FALSE(cut.isEmpty());
    EXPECT_EQ(cut.width, 128);
    EXPECT_FALSE(headless::boxes().empty());
}
