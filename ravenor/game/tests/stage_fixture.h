// stage_fixture.h -- the program started in-process and a stage run frame by frame
#pragma once

#include <gtest/gtest.h>

#include <os/windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "os/testing/host.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/base/message_pump.h"
#include "ravenor/game/classes/classes.h"
#include "ravenor/game/shell/main_loop.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/entity.h"
#include "shell_fixture.h"

// The demo archive, the window, the display and the start-up load
inline void StartProgram()
{
    ResetModels();
    ResetClassModels();
    MountDemoArchive();
    if (g_shell.window == nullptr)
        OpenGameWindow();
    ASSERT_TRUE(PrepareScreen(SW_SHOW));
    ASSERT_EQ(1, StartupLoad());
    g_speedFactor = 256;
    g_shell.stageOver = false;
}

// A point of the demo city's west street, on the ground
constexpr int32_t kWestStreetX = -20000;
constexpr int32_t kWestStreetZ = -12000;

// An update that keeps a record alive and does nothing
inline void IdleUpdate(Entity*) {}

// Records of the pool running the update
inline size_t CountUpdates(EntityUpdate step)
{
    size_t n = 0;
    for (const Entity& e : g_entityWorld.pool)
        n += e.update == step;
    return n;
}

// Frames whose blended faces waited in the depth queue, and frames that
// left faces in it after the main loop's flush
inline int g_queuedFrames = 0;
inline int g_leftQueued = 0;

// One stage frame at the standard speed factor, as the main loop draws it
inline void StageFrame()
{
    ClearFrame();
    ++g_shell.frameCounter;
    ++g_renderFrame;
    GameStep();
    g_queuedFrames += g_renderer.buckets.NodeCount() > 0;
    FlushDepthQueue();
    g_leftQueued += g_renderer.buckets.NodeCount() > 0;
}

inline void HoldKey(uint32_t code, bool down)
{
    g_shell.keys[code & 0xFF] = down ? 1 : 0;
}

// A case of a table run as a test of its own is named by the case's name
template <class Case>
std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// The frame as a PNG in the test's folder; answers the path
inline std::string SaveFrame(const std::string& name)
{
    std::vector<uint16_t> pixels(kFrameCells);
    for (int i = 0; i < kFrameCells; ++i)
        pixels[i] = static_cast<uint16_t>(g_frame[i]);
    const std::string path = name + ".png";
    os::host::write_png(path, kFrameWidth, kFrameHeight, 16, kFrameWidth * 2, pixels.data());
    return path;
}
