// game_step.cpp -- one stage frame
#include "ravenor/game/stage/game_step.h"

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/engine/render/city_cells.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/world_draw.h"

namespace {

// The finishing phase lasts until the end timer (3 a standard frame) passes this.
constexpr int32_t kFinishingTime = 132;

} // namespace

void ResetGameStep()
{
    ClearMessages();
    g_stage.endTimer = 0;
    g_stage.frames = 0;
    ResetCameras();
    g_stage.pauseKey = false;
}

int CheckPause()
{
    if (g_shell.paused)
    {
        if (RunMenu(g_shell.pauseMenuState) != -1)
            g_shell.paused = false;
        return 1;
    }
    if (g_stage.pauseKey)
    {
        g_shell.pauseMenuState = kMenuPause;
        g_shell.paused = true;
        g_menu.timer = 0;
        g_menu.selection = 0;
        PauseMusic();
        PauseAllSounds();
    }
    return 0;
}

void GameStep()
{
    ProfileBegin("control");
    SelectCamera();
    if (g_stage.showFrameRate)
        DrawFrameRate();
    DrawMessages();
    ReadControls();
    ProfileEnd("control");
    g_shell.frameClock += SpeedFactor() / 256;
    ++g_stage.frames;
    if (!g_shell.paused)
    {
        SpawnTraffic();
        SweepEntities();
        ChaseUpdate(g_cameras.chase);
        UpdatePointingArrow();
    }
    BuildCameraOrientation(*g_cameras.used);
    // The world seen from the camera
    ProfileBegin("Bsp");
    MatrixStack& stack = *g_renderer.stack;
    const Transform world = WorldTransform();
    stack.Push();
    DrawStarField();
    Transform::Copy(*stack.top, world);
    g_world.DrawVisibleCells();
    ProfileEnd("Bsp");
    ProfileBegin("obj");
    DrawEntities();
    ProfileEnd("obj");
    CheckPause();
    stack.Pop();
    // The stage's end
    if (g_stage.state == kStageOver)
    {
        g_shell.stageOver = true;
    }
    else if (g_stage.state == kStageFinishing)
    {
        g_stage.endTimer += SpeedFactor() * 3 / 256;
        if (g_stage.endTimer > kFinishingTime)
        {
            g_stage.endTimer = 0;
            g_shell.stageOver = true;
        }
    }
}
