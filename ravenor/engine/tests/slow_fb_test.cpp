// slow_fb_test.cpp -- the MediaQ driver, its probe and the changed-data wrapper
#include <os/hw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/media_q.h"
#include "ravenor/engine/core/millisecond_clock.h"
#include "ravenor/engine/display/slow_fb.h"
#include "window_fixture.h"

namespace {

constexpr uint32_t kFrameAddress = 0x0C042000;   // low bits inside the chip's window
constexpr uint16_t kSentinel = 0xA5A5;

std::vector<std::string> g_lines;

struct MediaQFixture : ::testing::Test
{
    HWND window = nullptr;

    void SetUp() override
    {
        window = MakeGameWindow();
        g_lines.clear();
        SetDisplayLogSink([](const std::string& line) { g_lines.push_back(line); });
    }
    void TearDown() override
    {
        SetDisplayLogSink(nullptr);
        SetMillisecondClock(nullptr);
        os::hw::reset();
    }

    // A guarded frame buffer filled with the sentinel.
    uint16_t* AddFrame(const DisplayInfo& info)
    {
        const uint32_t bytes = static_cast<uint32_t>(info.pitch * info.height);
        auto* frame = static_cast<uint16_t*>(os::hw::add_device_memory(info.frameBuffer, bytes));
        for (uint32_t i = 0; i < bytes / 2; ++i)
            frame[i] = kSentinel;
        return frame;
    }

    std::unique_ptr<SlowFB> Make(const DisplayInfo& info, DisplayParams params = {0, 0, 0, kSwapDiscard})
    {
        auto slow = std::make_unique<SlowFB>(std::make_unique<MediaQ>());
        EXPECT_TRUE(slow->Initialize(window, params, info));
        return slow;
    }
};

bool Logged(const std::string& line)
{
    return std::find(g_lines.begin(), g_lines.end(), line) != g_lines.end();
}

} // namespace

TEST_F(MediaQFixture, ProbeOutcomes)
{
    struct Case
    {
        uint32_t frameBuffer;
        int32_t pitch, height;
        uint32_t clearMs;   // how long the scripted clock says the clear took
        bool detected;
        const char* line;
    } cases[] = {
        {0x0C040000, 352, 220, 20, false, "MediaQ: not a MediaQ [1]"},
        {0, 352, 220, 20, false, "MediaQ: not a MediaQ [1]"},
        {kFrameAddress, 480, 640, 20, false, "MediaQ: not a MediaQ [2]"},
        {kFrameAddress, 352, 220, 14, false, "MediaQ: not a MediaQ [3]"},
        {kFrameAddress, 352, 220, 15, true, "MediaQ: detected MQ1100 or above"},
    };
    for (const Case& c : cases)
    {
        g_lines.clear();
        os::hw::reset();
        DisplayInfo info{176, c.height, 16, c.pitch, 0, 0, c.frameBuffer};
        uint16_t* frame = nullptr;
        if (c.frameBuffer && uint64_t(c.pitch) * c.height <= 0x40000)
            frame = AddFrame(info);
        // 100 100 101 (the change waited for), then after the clear.
        std::vector<uint32_t> script{100, 100, 101, 101 + c.clearMs};
        size_t next = 0;
        SetMillisecondClock([&] { return script[std::min(next++, script.size() - 1)]; });
        EXPECT_EQ(c.detected, MediaQ::Probe(info)) << c.line;
        EXPECT_TRUE(Logged(c.line)) << c.line;
        if (frame && c.line[std::strlen(c.line) - 2] != '1')
        {
            EXPECT_EQ(0, frame[0]) << "the benchmark clears the frame";
        }
    }
}

TEST_F(MediaQFixture, ProbeOfUnmappedMemoryClearsNothing)
{
    SetMillisecondClock([] { return 0u; });
    EXPECT_FALSE(MediaQ::Probe(DisplayInfo{176, 220, 16, 352, 0, 0, kFrameAddress}));
}

TEST_F(MediaQFixture, ShadowModeCopiesWholeFrameFirstThenChangedWordsOnly)
{
    const DisplayInfo info{176, 220, 16, 352, 0, 0, kFrameAddress};
    uint16_t* fb = AddFrame(info);
    auto slow = Make(info);
    ASSERT_TRUE(slow->Shadowed());
    EXPECT_EQ(kSwapDiscard, slow->Info().swapEffect);

    Surface* a = slow->Lock();
    std::memset(a->pixels, 0, 352 * 220);
    slow->SetDirtyRect(RECT{0, 0, 176, 220});
    slow->Present(0);
    EXPECT_EQ(0, fb[0]) << "first Present writes everything";
    EXPECT_EQ(0, fb[176 * 220 - 1]);

    // Next frame: B differs from A in one pixel; the screen word of another
    // pixel is disturbed to show it is not rewritten.
    Surface* b = slow->Lock();
    ASSERT_NE(a, b);
    std::memset(b->pixels, 0, 352 * 220);
    b->Row(100)[50] = 0x1234;
    fb[10] = kSentinel;
    slow->SetDirtyRect(RECT{0, 0, 176, 220});
    slow->Present(0);
    EXPECT_EQ(0x1234, fb[100 * 176 + 50]);
    EXPECT_EQ(kSentinel, fb[10]) << "unchanged words are left alone";

    // Suspend and resume force one full copy; so does the full-update flag.
    for (int way = 0; way < 2; ++way)
    {
        fb[10] = kSentinel;
        Surface* s = slow->Lock();
        std::memset(s->pixels, 0, 352 * 220);
        s->Row(100)[50] = 0x1234;
        uint32_t flags = 0;
        if (way == 0)
        {
            slow->Suspend();
            slow->Resume();
        }
        else
        {
            flags = kSwapFullUpdate;
        }
        slow->Present(flags);
        EXPECT_EQ(0, fb[10]) << "full copy, way " << way;
    }
}

TEST_F(MediaQFixture, KeepingSwapBringsTheOtherFrameUpToDate)
{
    const DisplayInfo info{176, 220, 16, 352, 0, 0, kFrameAddress};
    uint16_t* fb = AddFrame(info);
    auto slow = Make(info, DisplayParams{0, 0, 0, kSwapCopy});
    EXPECT_EQ(kSwapCopy, slow->Info().swapEffect);
    Surface* a = slow->Lock();
    a->Row(3)[4] = 7;
    slow->Present(0);
    Surface* b = slow->Lock();
    EXPECT_EQ(7, b->Row(3)[4]) << "the new frame starts as the last one";
    b->Row(3)[4] = 9;
    slow->Present(0);
    EXPECT_EQ(9, fb[3 * 176 + 4]);
    EXPECT_EQ(9, slow->Lock()->Row(3)[4]);
}

TEST_F(MediaQFixture, DirtyBlockRanges)
{
    struct Case
    {
        int32_t width, pitch, height;
        RECT rect;
        size_t offset, bytes;
    } cases[] = {
        {176, 352, 220, {0, 0, 176, 220}, 0, 352 * 220},
        // 4 rows are whole blocks: from the first row on
        {176, 352, 220, {0, 3, 176, 7}, 352 * 3, 352 * 4},
        // 3 rows are not: whole row pairs, 2..6
        {176, 352, 220, {0, 3, 176, 6}, 352 * 2, 352 * 4},
        // 120 pixels: a row pair is 7.5 blocks, and the half block is copied too
        {120, 240, 128, {0, 0, 120, 1}, 0, 512},
        // a rect past the bottom stops at the end of the frame
        {176, 352, 220, {0, 219, 176, 400}, 352 * 218, 352 * 2},
    };
    for (const Case& c : cases)
    {
        os::hw::reset();
        const DisplayInfo info{c.width, c.height, 16, c.pitch, 0, 0, kFrameAddress};
        AddFrame(info);
        auto slow = Make(info);
        ASSERT_TRUE(slow->Shadowed());
        slow->SetDirtyRect(c.rect);
        EXPECT_EQ(c.offset, slow->StartOffset()) << c.rect.top << ".." << c.rect.bottom;
        EXPECT_EQ(c.bytes, slow->CopyBytes()) << c.rect.top << ".." << c.rect.bottom;
    }
}

// A frame that is not whole 64-byte blocks goes straight to the chip.
TEST_F(MediaQFixture, PassThroughWhenTheFrameIsNotWholeBlocks)
{
    const DisplayInfo info{100, 101, 16, 200, 0, 0, kFrameAddress};
    uint16_t* fb = AddFrame(info);
    auto slow = Make(info);
    EXPECT_FALSE(slow->Shadowed());
    EXPECT_EQ(kSwapScreen, slow->Info().swapEffect);
    Surface* s = slow->Lock();
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(fb, s->pixels);
}

TEST_F(MediaQFixture, InitializeFailsWithoutTheFrameBufferOrWindow)
{
    DisplayParams params{0, 0, 0, kSwapDiscard};
    MediaQ noFrame;
    EXPECT_FALSE(noFrame.Initialize(window, params, DisplayInfo{176, 220, 16, 352, 0, 0, kFrameAddress}));
    const DisplayInfo info{176, 220, 16, 352, 0, 0, kFrameAddress};
    AddFrame(info);
    MediaQ noWindow;
    EXPECT_FALSE(noWindow.Initialize(nullptr, params, info));
    SlowFB slow(std::make_unique<MediaQ>());
    EXPECT_FALSE(slow.Initialize(nullptr, params, info));
}
