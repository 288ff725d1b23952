// rotation_driver_test.cpp -- turned copies and the rotation wrapper
#include <gtest/gtest.h>

#include <cstring>

#include "ravenor/engine/display/rotation_copy.h"
#include "ravenor/engine/display/rotation_driver.h"
#include "fake_video_driver.h"
#include "window_fixture.h"

namespace {

// A distinct value for every own pixel.
void Number(Surface& s)
{
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            s.Row(y)[x] = static_cast<uint16_t>(y * 397 + x);
}

// Screen pixel (X, Y) from the own picture, one pixel at a time.
uint16_t Expected(const Surface& own, int32_t k, int32_t x, int32_t y)
{
    switch (k)
    {
    case 1: return own.Row(own.height - 1 - x)[y];
    case 2: return own.Row(own.height - 1 - y)[own.width - 1 - x];
    case 3: return own.Row(x)[own.width - 1 - y];
    default: return own.Row(y)[x];
    }
}

} // namespace

// Every turn in both block orders gives the pixel mapping, on sizes that are
// not multiples of the block (176 x 220), and writes nothing outside the rect.
TEST(RotateCopy, FourTurnsBothOrdersMatchThePixelMapping)
{
    for (int32_t k = 0; k < 4; ++k)
    {
        for (BlockOrder order : {BlockOrder::Columns, BlockOrder::Rows})
        {
            auto own = (k & 1) ? Surface::Make(220, 176) : Surface::Make(176, 220);
            auto screen = Surface::Make(176, 220);
            Number(*own);
            const RECT rect{5, 7, 176, 224};   // runs past the bottom on purpose
            RotateCopy(*screen, *own, rect, k, order);
            for (int32_t y = 0; y < 220; ++y)
            {
                for (int32_t x = 0; x < 176; ++x)
                {
                    const bool inside = x >= 5 && y >= 7;
                    const uint16_t want = inside ? Expected(*own, k, x, y) : 0;
                    ASSERT_EQ(want, screen->Row(y)[x]) << "k " << k << " at " << x << "," << y;
                }
            }
        }
    }
}

// The word-pair build gives the general build's pixels, on odd edges too.
TEST(RotateCopy, BothBlockBuildsGiveTheSamePixels)
{
    EXPECT_EQ(BlockBuild::WordPairs, BlockBuildFor(2));
    EXPECT_EQ(BlockBuild::General, BlockBuildFor(1));
    const RECT rects[] = {{0, 0, 176, 220}, {1, 3, 6, 5}, {15, 17, 33, 49}, {175, 0, 176, 220}, {7, 219, 170, 220}};
    for (int32_t k = 0; k < 4; ++k)
    {
        for (const RECT& rect : rects)
        {
            auto own = (k & 1) ? Surface::Make(220, 176) : Surface::Make(176, 220);
            Number(*own);
            auto general = Surface::Make(176, 220);
            auto pairs = Surface::Make(176, 220);
            RotateCopy(*general, *own, rect, k, BlockOrder::Rows, BlockBuild::General);
            RotateCopy(*pairs, *own, rect, k, BlockOrder::Columns, BlockBuild::WordPairs);
            for (int32_t y = 0; y < 220; ++y)
                ASSERT_EQ(0, std::memcmp(general->Row(y), pairs->Row(y), 352)) << "k " << k << " row " << y;
        }
    }
}

struct RotationFixture : ::testing::Test
{
    FakeDriverLog log;
    HWND window = nullptr;

    void SetUp() override { window = MakeGameWindow(); }

    // A rotation driver over a fake screen of the info, wanting orientation 0.
    std::unique_ptr<RotationDriver> Make(const DisplayInfo& info)
    {
        FakeDriverConfig config;
        config.info = info;
        auto inner = std::make_unique<FakeVideoDriver>(config, log);
        DisplayParams params{0, 0, 0, kSwapDiscard};
        EXPECT_TRUE(inner->Initialize(window, params, info));
        const DisplayInfo innerInfo = inner->Info();
        auto rotation = std::make_unique<RotationDriver>(std::move(inner));
        EXPECT_TRUE(rotation->Initialize(window, params, innerInfo));
        return rotation;
    }
};

TEST_F(RotationFixture, QuarterTurnOfAPortraitScreenMapsAndRoundsTheRect)
{
    auto rotation = Make(DisplayInfo{240, 320, 16, 480, 1, kSwapCopy, 0});
    EXPECT_EQ(1, rotation->Turn());
    EXPECT_EQ(320, rotation->Info().width);
    EXPECT_EQ(240, rotation->Info().height);
    EXPECT_EQ(kSwapCopy, rotation->Info().swapEffect);
    rotation->SetDirtyRect(RECT{0, 0, 10, 10});
    ASSERT_EQ(1u, log.dirtyRects.size());
    const RECT& inner = log.dirtyRects[0];
    EXPECT_EQ((std::vector<LONG>{230, 0, 240, 10}), (std::vector<LONG>{inner.left, inner.top, inner.right, inner.bottom}));
    const RECT& copied = rotation->CopyRectangle();
    EXPECT_EQ((std::vector<LONG>{224, 0, 240, 16}),
              (std::vector<LONG>{copied.left, copied.top, copied.right, copied.bottom}));
}

// A 176 x 220 screen turned by a half: the rounded rect stops at row 220.
TEST_F(RotationFixture, RoundedRectStaysOnA176By220Screen)
{
    auto rotation = Make(DisplayInfo{176, 220, 16, 352, 2, kSwapCopy, 0});
    EXPECT_EQ(2, rotation->Turn());
    rotation->SetDirtyRect(RECT{0, 0, 176, 220});
    const RECT& copied = rotation->CopyRectangle();
    EXPECT_EQ(176, copied.right);
    EXPECT_EQ(220, copied.bottom);
    Surface* own = rotation->Lock();
    ASSERT_NE(nullptr, own);
    Number(*own);
    rotation->Present(0);
    ASSERT_NE(nullptr, log.surface);
    EXPECT_EQ(Expected(*own, 2, 175, 219), log.surface->Row(219)[175]);
    EXPECT_EQ(Expected(*own, 2, 0, 0), log.surface->Row(0)[0]);
}

TEST_F(RotationFixture, RectMappingForEachTurn)
{
    struct Case
    {
        int32_t innerOrientation;
        RECT inner;   // of own rect {1, 2, 5, 9} on a 240 x 320 screen
    } cases[] = {
        {0, {1, 2, 5, 9}},
        {1, {240 - 9, 1, 240 - 2, 5}},
        {2, {240 - 5, 320 - 9, 240 - 1, 320 - 2}},
        {3, {2, 320 - 5, 9, 320 - 1}},
    };
    for (const Case& c : cases)
    {
        log.dirtyRects.clear();
        auto rotation = Make(DisplayInfo{240, 320, 16, 480, c.innerOrientation, kSwapCopy, 0});
        rotation->SetDirtyRect(RECT{1, 2, 5, 9});
        ASSERT_EQ(1u, log.dirtyRects.size());
        const RECT& r = log.dirtyRects[0];
        EXPECT_EQ((std::vector<LONG>{c.inner.left, c.inner.top, c.inner.right, c.inner.bottom}),
                  (std::vector<LONG>{r.left, r.top, r.right, r.bottom}))
            << "orientation " << c.innerOrientation;
    }
}

// Present waits for the beam only when asked; calls pass to the inner driver.
TEST_F(RotationFixture, CallOrderOnTheInnerDriver)
{
    auto rotation = Make(DisplayInfo{240, 320, 16, 480, 3, kSwapScreen, 0});
    log.calls.clear();
    ASSERT_NE(nullptr, rotation->Lock());
    rotation->Present(kSwapWaitScanOut);
    ASSERT_NE(nullptr, rotation->Lock());
    rotation->Present(0);
    rotation->Suspend();
    rotation->Resume();
    rotation->Invalidate();
    EXPECT_EQ((std::vector<std::string>{"Lock", "WaitForScanOut", "Present 1", "Lock", "Present 0", "Suspend", "Resume",
                                        "Invalidate"}),
              log.calls);
}

TEST_F(RotationFixture, FailedInnerLockGivesNoSurfaceAndNoPresent)
{
    FakeDriverConfig config;
    config.info = DisplayInfo{240, 320, 16, 480, 1, kSwapCopy, 0};
    config.locks = false;
    auto inner = std::make_unique<FakeVideoDriver>(config, log);
    DisplayParams params{0, 0, 0, kSwapDiscard};
    ASSERT_TRUE(inner->Initialize(window, params, config.info));
    RotationDriver rotation(std::move(inner));
    ASSERT_TRUE(rotation.Initialize(window, params, config.info));
    log.calls.clear();
    EXPECT_EQ(nullptr, rotation.Lock());
    rotation.Present(0);
    EXPECT_EQ((std::vector<std::string>{"Lock"}), log.calls);
}
