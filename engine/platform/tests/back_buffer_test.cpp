// back_buffer_test.cpp -- a buffered window presents through GDI or GAPI
#include "engine/platform/back_buffer.h"
#include "engine/platform/buffered_window.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint16_t kSentinel = 0x1234;

class BackBufferTest : public ::testing::Test
{
protected:
    void TearDown() override { GapiDisplay::close(); }

    // A full-screen buffered window; orientation is set before creation.
    static std::unique_ptr<BufferedWindow> open(int orientation, const char16_t* title = u"buffered")
    {
        auto window = std::make_unique<BufferedWindow>(title, nullptr);
        window->orientation = orientation;
        EXPECT_TRUE(window->create(0, 0, 240, 320));
        return window;
    }

    static void fillScreen(uint16_t value)
    {
        os::host::Screen& s = os::host::screen();
        for (int y = 0; y < s.height; ++y)
            std::fill_n(reinterpret_cast<uint16_t*>(s.pixels + y * s.pitch), s.width, value);
    }

    static uint16_t screenAt(int x, int y)
    {
        os::host::Screen& s = os::host::screen();
        return reinterpret_cast<uint16_t*>(s.pixels + y * s.pitch)[x];
    }

    // The rectangle of screen pixels that differ from the sentinel.
    static RECT changedArea()
    {
        RECT r{1 << 20, 1 << 20, -1, -1};
        os::host::Screen& s = os::host::screen();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                if (screenAt(x, y) != kSentinel)
                {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        return r;
    }

    static void saveScreen(const std::string& name)
    {
        const char* out = std::getenv("OS_OUT");
        os::host::write_screen_png(os::host::screen(), std::string(out ? out : ".") + "/" + name + ".png");
    }
};

} // namespace

TEST_F(BackBufferTest, ImagesFollowTheOrientation)
{
    auto portrait = open(0, u"portrait");
    BackBuffer* b = portrait->getBackBuffer();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getImage()->width, 240);
    EXPECT_EQ(b->getImage()->height, 320);
    EXPECT_EQ(b->getImage()->bits, 16);
    EXPECT_EQ(b->rotatedImage, nullptr);
    EXPECT_EQ(portrait->getDrawDC(), b->getImage()->dc);

    auto landscape = open(1, u"landscape");
    b = landscape->getBackBuffer();
    EXPECT_EQ(b->getImage()->width, 320);
    EXPECT_EQ(b->getImage()->height, 240);
    ASSERT_NE(b->rotatedImage, nullptr);
    EXPECT_EQ(b->rotatedImage->width, 240);
    EXPECT_EQ(b->rotatedImage->height, 320);
}

TEST_F(BackBufferTest, DirtyRectanglesReachTheScreenPerOrientation)
{
    const struct
    {
        int orientation;
        RECT rect;
        RECT onScreen;
    } cases[] = {
        {0, {-5, -5, 20, 20}, {0, 0, 20, 20}},
        {0, {230, 300, 400, 400}, {230, 300, 240, 320}},
        {1, {0, 0, 10, 20}, {0, 310, 20, 320}},
        {2, {0, 0, 10, 20}, {220, 0, 240, 10}},
        {1, {300, 200, 320, 240}, {200, 0, 240, 20}},
    };
    for (const auto& c : cases)
    {
        auto window = open(c.orientation, (u"dirty" + std::u16string(1, char16_t(u'0' + c.orientation))).c_str());
        window->getBackBuffer()->getImage()->drawRect(0xFF0000, -1, -1, -1, -1, true);
        fillScreen(kSentinel);
        window->present(&c.rect, 256);
        RECT got = changedArea();
        EXPECT_EQ(got.left, c.onScreen.left) << "orientation " << c.orientation;
        EXPECT_EQ(got.top, c.onScreen.top);
        EXPECT_EQ(got.right, c.onScreen.right);
        EXPECT_EQ(got.bottom, c.onScreen.bottom);
        EXPECT_EQ(screenAt(int(got.left), int(got.top)), 0xF800);
        window->destroy();
    }
}

TEST_F(BackBufferTest, WholePictureTurnsEachWay)
{
    for (int orientation : {1, 2})
    {
        auto window = open(orientation, orientation == 1 ? u"turn1" : u"turn2");
        Image* image = window->getBackBuffer()->getImage();
        image->drawRect(0x0000FF, 0, 0, 1, 1, true); // the drawing's top-left corner
        window->present(nullptr, 256);
        // Counter-clockwise: the top-left corner goes to the bottom-left; clockwise: top-right.
        int x = orientation == 1 ? 0 : 239, y = orientation == 1 ? 319 : 0;
        EXPECT_EQ(screenAt(x, y), 0x001F) << "orientation " << orientation;
        if (screenAt(x, y) != 0x001F)
            saveScreen("turn" + std::to_string(orientation));
        window->destroy();
    }
}

TEST_F(BackBufferTest, HalfZoomEnlargesTheTopLeftQuarterOnceOnly)
{
    auto window = open(0);
    Image* image = window->getBackBuffer()->getImage();
    image->drawRect(0x00FF00, 0, 0, 120, 160, true); // the top-left quarter
    image->drawRect(0xFF0000, 120, 160, 120, 160, true);
    window->zoom = 0.5f;
    for (int round = 0; round < 2; ++round)
    {
        fillScreen(kSentinel);
        window->present(nullptr, -1);
        EXPECT_EQ(screenAt(0, 0), 0x07E0);
        EXPECT_EQ(screenAt(239, 319), 0x07E0) << "round " << round;
    }
    EXPECT_EQ(image->colorAt(239, 319), 0xFF0000u) << "the drawing itself is kept";
    window->zoom = 4.0f; // above 1: shown 1:1, never read past the picture
    window->present(nullptr, -1);
    EXPECT_EQ(screenAt(239, 319), 0xF800);
}

TEST_F(BackBufferTest, FadeFilterFollowsTheBuffer)
{
    auto window = open(0);
    ColorBlendFilter fade(0x000000, 256);
    window->addPresentFilter(&fade);
    window->move(0, 0, 240, 320); // a new back buffer: the filter must follow it
    window->getBackBuffer()->getImage()->drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    fillScreen(kSentinel);
    window->present(nullptr, 256);
    EXPECT_EQ(screenAt(100, 100), 0);
    window->removePresentFilter(&fade);
}

// A frame shown again (another WM_PAINT, another present) is filtered once:
// the filter works on a copy and the drawing stays as drawn.
TEST_F(BackBufferTest, FilterBlendsEachFrameOnce)
{
    auto window = open(0);
    ColorBlendFilter fade(0xFFFFFF, 128);
    window->addPresentFilter(&fade);
    Image* image = window->getBackBuffer()->getImage();
    image->drawRect(0x000000, -1, -1, -1, -1, true);
    window->present(nullptr, 256);
    uint16_t first = screenAt(100, 100);
    EXPECT_NE(first, 0);
    EXPECT_NE(first, 0xFFFF);
    for (int again = 0; again < 3; ++again)
    {
        window->present(nullptr, 256);
        SendMessageW(window->getHandle(), WM_PAINT, 0, 0);
        EXPECT_EQ(screenAt(100, 100), first) << "shown again: " << again;
    }
    EXPECT_EQ(image->colorAt(100, 100), 0u) << "the drawing is not blended";
    window->present(nullptr, 128); // zoomed: the filtered copy is what is enlarged
    EXPECT_EQ(screenAt(200, 300), first);
    window->removePresentFilter(&fade);
    window->present(nullptr, 256);
    EXPECT_EQ(screenAt(100, 100), 0);
}

TEST_F(BackBufferTest, GapiPathWritesTheFrameBufferOnly)
{
    auto window = open(0);
    window->getBackBuffer()->getImage()->drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    GapiDisplay::open(window->getHandle(), true, false);
    std::vector<uint16_t> memory(240 * 320, 0);
    GapiDisplay::useFrameBuffer({240, 320, 2, 480, 16, 0}, memory.data(), false);
    fillScreen(kSentinel);
    RECT rect{0, 0, 4, 4};
    window->present(&rect, 256);
    EXPECT_EQ(screenAt(1, 1), kSentinel) << "the window DC is not used";
    EXPECT_EQ(memory[1 * 240 + 1], 0xFFFF);
    EXPECT_EQ(memory[5 * 240 + 5], 0);
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}
