// fade_test.cpp -- the colour fade on a canvas: number of presents, the
// blend at the ends, and the accumulating fade-out without redraw
#include "canvas_fixture.h"

#include "engine/platform/image.h"
#include "engine/scene/screen/fade.h"

using namespace canvas_test;

namespace {

struct FadeTest : CanvasFixture
{
    void SetUp() override
    {
        CanvasFixture::SetUp();
        sprites->bkgColor = 0x000000;
        canvas->redraw();
    }
    // The device screen's pixel (RGB565) at the middle of the canvas.
    static uint16_t screenPixel()
    {
        os::host::Screen& s = os::host::screen();
        return reinterpret_cast<uint16_t*>(s.pixels + 160 * s.pitch)[120];
    }
    int runFade(float duration, int fps, bool fadeIn, bool redraw)
    {
        FadeEffect fade(duration, fps, 0xFFFFFF);
        int before = os::host::headless::presents();
        canvas->applyEffect(&fade, fadeIn, redraw);
        return os::host::headless::presents() - before;
    }
};

} // namespace

TEST_F(FadeTest, PresentsOncePerStepAndEndsOnThePictureOrTheColour)
{
    struct Case
    {
        bool fadeIn;
        bool redraw;
        uint16_t last;
    };
    // Fade in ends unblended (black); fade out with redraw ends at 255/256
    // of the way to white (one step under full in RGB565).
    const Case cases[] = {{true, false, 0x0000}, {true, true, 0x0000}, {false, true, 0xF7DE}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(6, runFade(0.5f, 10, c.fadeIn, c.redraw)) << c.fadeIn << c.redraw;
        EXPECT_EQ(c.last, screenPixel()) << c.fadeIn << c.redraw;
    }
}

TEST_F(FadeTest, TooFewStepsDrawNothingAndLeaveNoFilter)
{
    EXPECT_EQ(0, runFade(0.5f, 1, false, true));
    EXPECT_EQ(0, runFade(0.5f, 0, false, true));
    canvas->redraw();
    EXPECT_EQ(0x0000, screenPixel()) << "no blend filter stays attached";
}

TEST_F(FadeTest, FadeOutWithoutRedrawSinksTheBackBufferTowardsTheColour)
{
    Image* back = canvas->getBackBuffer()->getImage();
    EXPECT_EQ(6, runFade(0.5f, 10, false, false));
    uint32_t sunk = back->colorAt(120, 160);
    EXPECT_GT(sunk & 0xFF, 0xF0u) << std::hex << sunk;
    // Already at the colour: nothing changes.
    back->drawRect(0xFFFFFF, 0, 0, -1, -1, true);
    uint32_t white = back->colorAt(120, 160);
    runFade(0.5f, 10, false, false);
    EXPECT_EQ(white, back->colorAt(120, 160));
    EXPECT_EQ(white, back->colorAt(0, 0));
}
