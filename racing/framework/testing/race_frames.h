// race_frames.h -- a race page ridden frame by frame with every frame drawn
// as the canvas draws it, and what the tests of both racing programs check
// on each: the road reaching the page's bottom row, and the frame rate and
// [DEMO] labels on every frame, showing the last period's figure, clear of
// the HUD line and the buttons
#pragma once

#include "racing/framework/race_page.h"
#include "racing/framework/testing/key_script.h"

#include "racing/engine/sprite.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace racing_test {

// The race ridden by the key events as its program rides it (rideRace),
// each frame drawn: `decide(ms)` before the frame, `afterScenes(image)` once
// the scenes are drawn, `afterFrame(image)` once the page has drawn over
// them (track map, HUD line, labels). The race's end time, as rideRace.
template <class Fixture, class Decide, class AfterScenes, class AfterFrame>
int rideDrawn(Fixture& race, std::vector<KeyEvent>& events, Decide decide, AfterScenes afterScenes,
              AfterFrame afterFrame, int limitMs = 130000)
{
    struct Frames
    {
        decltype(Fixture::page) page;
        std::u16string& restartedWith;
        AfterScenes& afterScenes;
        AfterFrame& afterFrame;

        void frame(float dt)
        {
            page->update(dt);
            page->renderScenes();
            Image& image = *page->getBackBuffer()->getImage();
            afterScenes(image);
            page->afterFrame(dt);
            if (restartedWith.empty())
                afterFrame(image);
        }
    } frames{race.page, race.restartedWith, afterScenes, afterFrame};
    return rideRace(frames, events, decide, limitMs);
}

inline std::vector<uint32_t> pixelsOfImage(const Image& image)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            out.push_back(image.colorAt(x, y) & 0xFFFFFF);
    return out;
}

// Pixels of the image's bottom row in the colour (within what a 16-bit
// picture loses of it).
inline int bottomRowIn(const Image& image, uint32_t colour)
{
    auto near = [&](uint32_t p) {
        for (int shift : {0, 8, 16})
            if (std::abs(int(p >> shift & 255) - int(colour >> shift & 255)) > 8)
                return false;
        return true;
    };
    int n = 0;
    for (int x = 0; x < image.width; ++x)
        n += near(image.colorAt(x, image.height - 1) & 0xFFFFFF);
    return n;
}

// The frames of a race from the first drawn with the camera over the road
// (a face of the track under it), and those of them whose bottom row is at
// least half the background colour: the road ending short of the page's
// bottom. (The start view stands 100 behind the player, on a bend beside the
// road, where the ground is the background, until the camera closes in.)
struct ShortRoad
{
    int endMs = -1; // when the race ended (-1: it did not)
    int frames = 0, checked = 0;
    std::vector<int> bare; // the frames' numbers
};

template <class Fixture>
ShortRoad rideCheckingTheRoad(Fixture& race, std::vector<KeyEvent>& events)
{
    ShortRoad seen;
    auto& page = *race.page;
    auto check = [&](const Image& image) {
        const Vector3& eye = page.camera->position;
        Vector3 below(eye.x, 1.0e6f, eye.z), normal;
        if (seen.checked > 0 || (page.ground && page.ground->findGround(below, normal)))
        {
            ++seen.checked;
            if (2 * bottomRowIn(image, page.backgroundColour) >= image.width)
                seen.bare.push_back(seen.frames);
        }
        ++seen.frames;
    };
    auto nothing = [](const Image&) {};
    seen.endMs = rideDrawn(
        race, events, [](int) {}, check, nothing);
    return seen;
}

// The race finished, and in every frame from the camera's first over the
// road (the first few) the road reached the page's bottom row.
inline void expectTheRoadToTheBottom(const ShortRoad& seen)
{
    EXPECT_GT(seen.endMs, 0) << "the race did not finish";
    EXPECT_GT(seen.frames, 1000);
    EXPECT_GT(seen.checked, seen.frames - 10) << seen.checked << " of " << seen.frames;
    EXPECT_TRUE(seen.bare.empty()) << seen.bare.size() << " of " << seen.checked
                                   << " frames show the background along the bottom row, the first "
                                   << seen.bare.front();
}

// A button of the page's GUI scene as a rectangle of the page (empty when
// there is none or it is hidden).
inline RECT buttonRect(const racing::RacePage& page, const char16_t* name)
{
    const racing::Sprite* b = page.guiScene ? page.guiScene->findChild(name) : nullptr;
    if (!b || !b->visible)
        return RECT{0, 0, 0, 0};
    const int x = page.guiScene->x + b->x, y = page.guiScene->y + b->y;
    return RECT{x, y, x + b->width, y + b->height};
}

// The rows of the HUD line with its shadow: from the top to its shadow's
// last row ((4, hudTop) and (5, hudTop + 1) in the HUD font).
inline int hudLineBottom(racing::RacePage& page)
{
    HDC dc = page.backBufferDC();
    HGDIOBJ old = SelectObject(dc, page.hudFont);
    SIZE cell{};
    GetTextExtentPoint32W(dc, u"0", 1, &cell);
    SelectObject(dc, old);
    return page.hudTop + 1 + cell.cy;
}

// What an exercise race (the player on autopilot) with the frame rate shown
// showed in its frames after the first measuring window closed: frames
// without the frame rate (left half) or without [DEMO] (right half), label
// pixels on a button or on the HUD line's rows, HUD line pixels on a
// button, and frames whose figure was not the one measured over the last
// window.
struct LabelFrames
{
    int frames = 0;
    int withoutRate = 0, withoutDemo = 0;
    int onButtons = 0, onHudLine = 0;
    int hudOnButtons = 0;
    int otherFigure = 0;
};

template <class Fixture>
LabelFrames rideWatchingTheLabels(Fixture& race, int limitMs)
{
    auto& page = *race.page;
    page.showFrameRate = true;
    const RECT buttons[2] = {buttonRect(page, u"btnExitRacing"), buttonRect(page, u"fpsButton")};
    LabelFrames seen;
    // The figure of the last window closed before the frame (the frame
    // timer's own, read before the frame's tick).
    float measured = 0.0f;
    auto beforeFrame = [&](int) { measured = page.frameTimer.fpsExact; };
    auto check = [&](Image& image) {
        if (measured <= 0.0f)
            return;
        ++seen.frames;
        const std::vector<uint32_t> shown = pixelsOfImage(image);
        // The same frame without the labels and the HUD line, without the
        // labels, then with the measured figure.
        page.renderScenes();
        HDC dc = page.backBufferDC();
        if (page.trackMap)
            page.trackMap->draw(dc);
        const std::vector<uint32_t> scenes = pixelsOfImage(image);
        page.drawHud(dc);
        const std::vector<uint32_t> bare = pixelsOfImage(image);
        const int hudBottom = hudLineBottom(page);
        for (size_t i = 0; i < bare.size(); ++i)
            if (bare[i] != scenes[i])
            {
                const int x = int(i % size_t(image.width)), y = int(i / size_t(image.width));
                for (const RECT& b : buttons)
                    seen.hudOnButtons += x >= b.left && x < b.right && y >= b.top && y < b.bottom;
            }
        const float figure = page.frameRateShown;
        page.frameRateShown = measured;
        page.drawFrameRate(dc);
        page.frameRateShown = figure;
        seen.otherFigure += pixelsOfImage(image) != shown;
        int left = 0, right = 0, onButtons = 0, onHud = 0;
        for (size_t i = 0; i < shown.size(); ++i)
        {
            if (shown[i] == bare[i])
                continue;
            const int x = int(i % size_t(image.width)), y = int(i / size_t(image.width));
            (x < image.width / 2 ? left : right) += 1;
            for (const RECT& b : buttons)
                onButtons += x >= b.left && x < b.right && y >= b.top && y < b.bottom;
            onHud += y < hudBottom;
        }
        seen.withoutRate += left == 0;
        seen.withoutDemo += right == 0;
        seen.onButtons += onButtons;
        seen.onHudLine += onHud;
    };
    std::vector<KeyEvent> none;
    auto nothing = [](const Image&) {};
    rideDrawn(race, none, beforeFrame, nothing, check, limitMs);
    return seen;
}

// Both labels on every frame, with the figure measured, on no button and
// not on the HUD line.
inline void expectTheLabelsOnEveryFrame(const LabelFrames& seen)
{
    EXPECT_GT(seen.frames, 200);
    EXPECT_EQ(seen.withoutRate, 0);
    EXPECT_EQ(seen.withoutDemo, 0);
    EXPECT_EQ(seen.otherFigure, 0);
    EXPECT_EQ(seen.onButtons, 0);
    EXPECT_EQ(seen.onHudLine, 0);
    EXPECT_EQ(seen.hudOnButtons, 0);
}

} // namespace racing_test
