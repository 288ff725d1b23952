// game_step_test.cpp -- message lines: places, timing, bounds
#include <gtest/gtest.h>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/world/hud.h"
#include "shell_fixture.h"

namespace {

struct Ink
{
    int left = kFrameWidth;
    int top = kFrameHeight;
    int right = -1;
    int bottom = -1;
    bool Any() const { return right >= 0; }
};

// Where text was written (cells at depth 0)
Ink FindInk()
{
    Ink ink;
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            if ((g_frame[y * kFrameWidth + x] >> 16) == 0)
            {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

Ink Drawn(const char* a, const char* b = "", const char* c = "")
{
    ResetGameStep();
    ShowMessage(a, b, c);
    ClearFrame();
    DrawMessages();
    return FindInk();
}

class MessageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        MountDemoArchive();
        ASSERT_EQ(1, LoadFont());
        g_speedFactor = 256;
    }
};

} // namespace

TEST_F(MessageTest, LinesArePlacedByTheirPrefix)
{
    const Ink plain = Drawn("HI");
    ASSERT_TRUE(plain.Any());
    // The font's glyphs start below their top row: rows are compared by it.
    const int blank = plain.top - 70;
    ASSERT_GE(blank, 0);
    ASSERT_LE(blank, 2);
    EXPECT_NEAR((176 - GetTextWidth("HI")) / 2, plain.left, 1);
    const Ink centred = Drawn("<30>HI");
    EXPECT_EQ(30 + blank, centred.top);
    EXPECT_EQ(plain.left, centred.left);
    const Ink placed = Drawn("<5,40>HI");
    EXPECT_EQ(40 + blank, placed.top);
    EXPECT_EQ(5, placed.left);
    // An empty first line moves the next one to row 80, then 90
    EXPECT_EQ(80 + blank, Drawn("", "HI").top);
    EXPECT_EQ(90 + blank, Drawn("", "", "HI").top);
    // A prefix without its end is drawn as text, where a plain line goes
    const Ink open = Drawn("<30HI");
    ASSERT_TRUE(open.Any());
    EXPECT_EQ(70 + blank, open.top);
}

TEST_F(MessageTest, ShownFor132FramesAndKeptAgainstEmptyLines)
{
    ResetGameStep();
    char line[16] = "HELLO";
    ShowMessage(line, nullptr, nullptr);
    // The line is the message's own: the caller's text may go.
    line[0] = 0;
    ShowMessage("", "", "");
    int frames = 0;
    for (;; ++frames)
    {
        ClearFrame();
        DrawMessages();
        if (!FindInk().Any())
            break;
        ASSERT_LT(frames, 500);
    }
    EXPECT_EQ(132, frames);
    // A line longer than the screen is cut, not overrun
    std::string longLine(300, 'W');
    EXPECT_TRUE(Drawn(longLine.c_str()).Any());
}

// The countdown's digit shows only for whole seconds 1 to 5: 1000..5999 ms.
TEST_F(MessageTest, CountdownDigitOnlyFromOneToFiveSeconds)
{
    struct
    {
        int32_t ms;
        bool drawn;
    } cases[] = {{0, false}, {999, false}, {1000, true}, {1999, true}, {5999, true}, {6000, false}, {-1000, false}};
    for (auto c : cases)
    {
        ClearFrame();
        ResetText();
        ASSERT_EQ(1, LoadFont());
        DrawCountdown(c.ms);
        const Ink ink = FindInk();
        EXPECT_EQ(c.drawn, ink.Any()) << c.ms;
        if (ink.Any())
        {
            EXPECT_GE(ink.left, 80) << c.ms;
            EXPECT_GE(ink.top, 100) << c.ms;
        }
    }
    // The race clock at the top left, in the large size as the countdown:
    // taller than a line of text, the hundredths reaching past x 60
    ClearFrame();
    DrawRaceClock(83450);
    const Ink clock = FindInk();
    ASSERT_TRUE(clock.Any());
    EXPECT_LT(clock.left, 20);
    EXPECT_LT(clock.top, 10);
    EXPECT_GT(clock.bottom - clock.top, kGlyphHeight);
    EXPECT_GT(clock.right, 60);
}
