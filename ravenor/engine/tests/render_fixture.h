// render_fixture.h -- textures, vertices and faces made in code for the renderer's tests
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/lighting.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/engine/core/transform.h"

namespace render_fixture {

// A texture of width x height whose texel at (x, y) is texel(x, y)
template <typename Texel>
inline TexImage MakeTexture(uint32_t width, uint32_t height, uint32_t mode, Texel texel)
{
    TexImage t;
    t.width = width;
    t.height = height;
    t.drawMode = mode;
    t.uMask = (width - 1) << 16;
    t.vMask = (height - 1) * width << 16;
    t.store.resize(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            t.store[y * width + x] = texel(x, y);
    t.pixels = t.store.data();
    t.frames = {t.pixels};
    t.frameCount = 1;
    t.colour = 0x8410;
    return t;
}

inline TexImage Solid(uint16_t colour, uint32_t mode = kDrawOpaque)
{
    return MakeTexture(8, 8, mode, [colour](uint32_t, uint32_t) { return colour; });
}

inline P3dVertex ScreenVertex(int16_t x, int16_t y, int16_t depth, int16_t shade = 0)
{
    P3dVertex v{};
    v.screenX = x;
    v.screenY = y;
    v.depth = depth;
    v.shade = shade;
    return v;
}

inline P3dVertex WorldVertex(int16_t x, int16_t y, int16_t z)
{
    P3dVertex v{};
    v.position = Vector4s{x, y, z, 0};
    v.frame = -1;
    return v;
}

inline P3dFace Face(P3dVertex* a, P3dVertex* b, P3dVertex* c, TexImage* tex)
{
    P3dFace f{};
    f.corners[0] = {a, 0, 0};
    f.corners[1] = {b, 0, 0};
    f.corners[2] = {c, 0, 0};
    f.texture = tex;
    f.cell = -1;
    return f;
}

inline uint32_t Cell(int32_t x, int32_t y)
{
    return g_frame[y * kFrameWidth + x];
}

// FNV-1a over every byte of the frame's cells (pinned pictures)
inline uint64_t FrameHash()
{
    uint64_t h = 1469598103934665603ull;
    for (uint32_t cell : g_frame)
        for (int k = 0; k < 4; ++k)
        {
            h ^= (cell >> (8 * k)) & 0xFF;
            h *= 1099511628211ull;
        }
    return h;
}

// Rows of the frame that hold at least one drawn cell
inline std::vector<int32_t> DrawnRows()
{
    std::vector<int32_t> rows;
    for (int32_t y = 0; y < kFrameHeight; ++y)
        for (int32_t x = 0; x < kFrameWidth; ++x)
            if (Cell(x, y) != kClearCell)
            {
                rows.push_back(y);
                break;
            }
    return rows;
}

// A camera at (x, y, z) in renderer units turned by 'yaw' (2048 a turn)
// about the vertical axis, looking along -z when yaw is 0.
inline void PlaceCamera(Transform& t, int32_t yaw, int32_t x, int32_t y, int32_t z)
{
    t.SetIdentity();
    t.SetRotationY(yaw);
    t.t[0] = t.t[1] = t.t[2] = 0;
    t.TranslateLocal(-x, -y, -z);
}

// The renderer as the game sets it up: upright projection, constant light
class RendererTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_stack.Init(4);
        m_stack.top->SetIdentity();
        m_stack.top->t[0] = m_stack.top->t[1] = m_stack.top->t[2] = 0;
        g_renderer.stack = &m_stack;
        g_renderer.farDistance = -3500;
        g_renderer.Init();
        g_renderer.SetMode(7);
        g_renderer.SetMode(2);
        ClearSpanFog();
        ClearFrame();
        g_renderFrame = 1;
    }

    MatrixStack m_stack;
};

} // namespace render_fixture
