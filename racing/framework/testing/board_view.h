// board_view.h -- how a race page's banners and boards stand and how they
// read on the screen (tests of both racing programs)
#pragma once

#include "racing/framework/race_page.h"
#include "racing/framework/testing/scene_children.h"

#include "racing/engine/scene3d.h"

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace racing_test {

// A direction of the board's own turned into the scene's, normalised.
inline Vector3 boardAxis(const Group3D& board, Vector3 local)
{
    Vector3 out;
    board.matrix.transformVectorTo(local, out);
    out.normalize();
    return out;
}

// The page's picture of its scenes as 0xRRGGBB, rows top-down.
inline std::vector<uint32_t> renderedPixels(racing::RacePage& page, int& width, int& height)
{
    page.renderScenes();
    const Image& screen = *page.getBackBuffer()->getImage();
    width = screen.width, height = screen.height;
    std::vector<uint32_t> out;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x)
            out.push_back(screen.colorAt(x, y) & 0xFFFFFF);
    return out;
}

// How a board's picture lies on the screen. The picture of its "board"
// material is painted over with its texel places (red 2 x column, green 16
// x row, blue 0: a picture of up to 128 x 16 texels); the page is drawn
// with and without the board, and over the board's pixels the texel column
// u and row v are fitted as u = uPerX x + uPerY y + c (and v likewise), in
// texels per pixel. Letters read from left to right and upright where u
// grows along the rows (uPerX > 0, |uPerY| small) and v down the columns
// (vPerY > 0, |vPerX| small).
struct PictureOnScreen
{
    int pixels = 0;
    double uPerX = 0, uPerY = 0, vPerX = 0, vPerY = 0;
};

inline PictureOnScreen pictureOnScreen(racing::RacePage& page, Group3D& board)
{
    PictureOnScreen out;
    Material* material = board.findMaterial(u"board");
    Image* picture = material && material->texture ? material->texture->image : nullptr;
    if (!picture)
        return out;
    for (int y = 0; y < picture->height; ++y)
        for (int x = 0; x < picture->width; ++x)
            picture->drawRect(uint32_t(std::min(255, 2 * x)) << 16 | uint32_t(std::min(255, 16 * y)) << 8, x, y, 1, 1,
                              true);
    int w = 0, h = 0;
    const std::vector<uint32_t> with = renderedPixels(page, w, h);
    const int shown = board.visible;
    board.visible = 0;
    const std::vector<uint32_t> without = renderedPixels(page, w, h);
    board.visible = shown;
    // Least squares over the picture's pixels (the posts are grey: blue).
    double m[3][3] = {}, ru[3] = {}, rv[3] = {};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (with[i] == without[i] || (with[i] & 255) > 24)
                continue;
            ++out.pixels;
            const double p[3] = {double(x), double(y), 1.0};
            const double u = double(with[i] >> 16 & 255) / 2.0, v = double(with[i] >> 8 & 255) / 16.0;
            for (int r = 0; r < 3; ++r)
            {
                for (int c = 0; c < 3; ++c)
                    m[r][c] += p[r] * p[c];
                ru[r] += p[r] * u;
                rv[r] += p[r] * v;
            }
        }
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (out.pixels < 3 || d == 0.0)
        return out;
    // Cramer's rule for the first two unknowns.
    auto solve = [&](const double* r, int column) {
        double a[3][3];
        for (int row = 0; row < 3; ++row)
            for (int c = 0; c < 3; ++c)
                a[row][c] = c == column ? r[row] : m[row][c];
        return det(a) / d;
    };
    out.uPerX = solve(ru, 0), out.uPerY = solve(ru, 1);
    out.vPerX = solve(rv, 0), out.vPerY = solve(rv, 1);
    return out;
}

// Whether a picture seen over enough pixels (300) reads as its letters do:
// u growing along the rows and v down the columns, each by at least 0.3
// texel a pixel and four times as fast as along the other way.
inline ::testing::AssertionResult readsUpright(const PictureOnScreen& seen)
{
    const bool reads = seen.pixels > 300 && seen.uPerX > 0.3 && std::fabs(seen.uPerY) < seen.uPerX * 0.25 &&
                       seen.vPerY > 0.3 && std::fabs(seen.vPerX) < seen.vPerY * 0.25;
    return (reads ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
           << seen.pixels << " pixels; texels per pixel: u " << seen.uPerX << " along x, " << seen.uPerY
           << " along y; v " << seen.vPerX << " along x, " << seen.vPerY << " along y";
}

// The start banner (the last of the page's five banners) as readsUpright.
inline ::testing::AssertionResult startBannerReadsUpright(racing::RacePage& page)
{
    const std::vector<Group3D*> banners = childrenNamed(*page.mainScene, u"banner");
    if (banners.size() != 5)
        return ::testing::AssertionFailure() << banners.size() << " banners";
    return readsUpright(pictureOnScreen(page, *banners[4]));
}

} // namespace racing_test
