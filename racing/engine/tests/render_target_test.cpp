// render_target_test.cpp -- racing render targets: shared with the window
// image or copied into their own place of it, backgrounds, listeners, and a
// window image made again
#include "racing/engine/render_target.h"

#include "engine/platform/image.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// At the screen depth, as the canvas back buffer and the targets are.
std::unique_ptr<Image> window(int w, int h)
{
    auto image = std::make_unique<Image>(w, h, true);
    image->fill(0x0000FF);
    return image;
}

struct Recorder : racing::RenderTarget::FrameListener, racing::RenderTarget::Overlay
{
    std::string calls;
    uint32_t seenBefore = 0, seenAfter = 0;
    char mark;
    explicit Recorder(char m) : mark(m) {}
    void beforeBackground(Image* image) override
    {
        calls += "b";
        seenBefore = image->colorAt(0, 0);
    }
    void afterBackground(Image* image) override
    {
        calls += "a";
        seenAfter = image->colorAt(0, 0);
    }
    void onPresent(Image*) override { calls += mark; }
};

} // namespace

TEST(RacingRenderTarget, AtTheOriginWithTheWindowsSizeItDrawsIntoTheWindow)
{
    auto win = window(24, 32);
    racing::RenderTarget shared(win.get(), 24, 32, 0xFF0000, nullptr, true);
    EXPECT_EQ(shared.image, win.get());
    EXPECT_EQ(shared.shared, 1);
    racing::RenderTarget elsewhere(win.get(), 24, 32, 0xFF0000, nullptr, false);
    EXPECT_NE(elsewhere.image, win.get()) << "not at the origin: its own image";
    racing::RenderTarget smaller(win.get(), 12, 16, 0xFF0000, nullptr, true);
    EXPECT_EQ(smaller.shared, 0);
    // Resizing never deletes the window image (the sanitizer build sees it).
    shared.resize(12, 16);
    EXPECT_EQ(shared.shared, 0);
    shared.resize(24, 32);
    EXPECT_EQ(shared.image, win.get());
    EXPECT_EQ(shared.clipWidth, 24);
}

TEST(RacingRenderTarget, PresentWritesExactlyItsPlace)
{
    auto win = window(24, 32);
    // Narrower than the window at the origin: a byte copy of the whole
    // image would garble the rows; only the place (0, 0, 10, 6) changes.
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{5, 7}})
    {
        win->fill(0x0000FF);
        racing::RenderTarget target(win.get(), 10, 6, 0x00FF00, nullptr, x == 0 && y == 0);
        target.beginFrame();
        target.image->drawRect(0xFF0000, 9, 5, 1, 1, true);
        target.present(x, y, 10, 6);
        for (int py = 0; py < 32; ++py)
            for (int px = 0; px < 24; ++px)
            {
                const bool inside = px >= x && px < x + 10 && py >= y && py < y + 6;
                const uint32_t expected =
                    !inside ? 0x0000FFu : (px == x + 9 && py == y + 5 ? 0xFF0000u : 0x00FF00u);
                ASSERT_EQ(win->colorAt(px, py), expected) << px << "," << py << " target at " << x << "," << y;
            }
    }
}

TEST(RacingRenderTarget, BackgroundBetweenTheListenersCallsAndOverlaysAtPresent)
{
    auto win = window(8, 8);
    Recorder listener('x'), first('1'), second('2');
    racing::RenderTarget target(win.get(), 8, 8, 0x00FF00, nullptr, true);
    target.setListener(&listener);
    target.addOverlay(&first);
    target.addOverlay(&second);
    target.beginFrame();
    EXPECT_EQ(listener.calls, "ba");
    EXPECT_EQ(listener.seenBefore, 0x0000FFu);
    EXPECT_EQ(listener.seenAfter, 0x00FF00u);
    target.present(0, 0, 8, 8);
    EXPECT_EQ(first.calls + second.calls, "12");

    // A background image is stretched over the whole target; -1 draws none.
    Image picture(2, 2, true);
    picture.fill(0xFF00FF);
    racing::RenderTarget pictured(win.get(), 4, 4, 0x00FF00, &picture, false);
    pictured.beginFrame();
    EXPECT_EQ(pictured.image->colorAt(3, 3), 0xFF00FFu);
    racing::RenderTarget bare(win.get(), 4, 4, 0xFFFFFFFFu, nullptr, false);
    bare.image->fill(0xFFFF00);
    bare.beginFrame();
    EXPECT_EQ(bare.image->colorAt(1, 1), 0xFFFF00u);
}

TEST(RacingRenderTarget, AWindowImageMadeAgainIsTakenUp)
{
    auto win = window(8, 8);
    racing::RenderTarget target(win.get(), 8, 8, 0x00FF00, nullptr, true);
    auto replacement = window(8, 8);
    win.reset(); // the window made its back buffer again
    target.setWindowImage(replacement.get());
    EXPECT_EQ(target.image, replacement.get());
    target.beginFrame(); // the sanitizer build sees a write into the old one
    EXPECT_EQ(replacement->colorAt(4, 4), 0x00FF00u);
}
