// city_fixture.h -- the demo city loaded and cut into cells, and a camera to fly through it
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "archive_fixture.h"
#include "ravenor/engine/render/city_cells.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "content/ravenor/demo_content.h"

namespace city_fixture {

// The demo archive mounted, scenery and its textures loaded, the cells
// built with the game's grid; false with the reason.
inline bool LoadDemoCity(std::string& error)
{
    ResetModels();
    archive_fixture::Files files;
    for (auto& entry : ravenor_content::DemoArchiveEntries())
        files.emplace_back(entry.name, std::move(entry.data));
    DataArchive::Reset();
    if (!DataArchive::Attach(std::make_unique<MemoryStream>(archive_fixture::BuildArchive(files)), &error))
        return false;
    if (!LoadScenery("scenery.p3d") || !LoadTextures("scenery.tex"))
    {
        error = "scenery not loaded";
        return false;
    }
    for (int32_t m = 0; m < g_scenery.count; ++m)
        g_scenery.meshes[m].scenery = 1;
    g_world = World{};
    if (g_world.BuildCells(g_scenery.meshes, g_scenery.count, 16, 8, 16) != 0)
    {
        error = "cells not built";
        return false;
    }
    return true;
}

// The renderer as the game sets it up for a far distance, with the fog of
// the textured spans at shift b.
inline void SetUpRenderer(MatrixStack& stack, int32_t farDistance, int32_t fogShift)
{
    stack.Init(4);
    g_renderer.stack = &stack;
    g_renderer.farDistance = farDistance;
    g_renderer.Init();
    g_renderer.SetMode(7);
    g_renderer.SetMode(2);
    SetSpanFog(farDistance, fogShift);
}

struct Camera
{
    int32_t x, y, z;   // renderer units
    int32_t yaw;       // 2048 a turn; 0 looks along -z
};

// One frame of the city: cleared (unless the last present cleared it),
// cells drawn, blended faces flushed.
inline void DrawCityFrame(const Camera& camera, bool clear = true)
{
    ++g_renderFrame;
    if (clear)
        ClearFrame();
    Transform& t = *g_renderer.stack->top;
    t.SetIdentity();
    t.SetRotationY(camera.yaw);
    t.t[0] = t.t[1] = t.t[2] = 0;
    t.TranslateLocal(-camera.x, -camera.y, -camera.z);
    g_renderer.stack->Push();
    g_world.DrawVisibleCells();
    g_renderer.stack->Pop();
    g_renderer.FlushDepthBuckets();
}

} // namespace city_fixture
