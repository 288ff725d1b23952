// game_step.cpp -- one stage frame
#include "ravenor/game/game_step.h"

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/engine/render/city_cells.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/arrows.h"
#include "ravenor/game/camera.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/menu.h"
#include "ravenor/game/settings.h"
#include "ravenor/game/shell_state.h"
#include "ravenor/game/sound.h"
#include "ravenor/game/stage_state.h"
#include "ravenor/game/traffic.h"
#include "ravenor/game/vehicle.h"
#include "ravenor/game/world_draw.h"

namespace {

constexpr int32_t kMessageFrames = 132;
constexpr int32_t kMessageTop = 70;
constexpr int32_t kLineHeight = 10;
constexpr int32_t kLineChars = kMessageChars;
// The countdown and the race clock: each texel of a glyph a 2 x 2 block
constexpr int32_t kLargeText = 2;

bool Empty(const char* line)
{
    return line == nullptr || line[0] == 0;
}

// A line that begins "<y>" or "<x,y>" is placed there; otherwise centred at y.
void DrawMessageLine(int32_t& y, const char* line)
{
    char text[kLineChars + 1];
    std::snprintf(text, sizeof text, "%.*s", int(kLineChars), line);
    const char* body = text;
    int32_t x = -1;
    if (text[0] == '<')
    {
        int32_t numbers[2] = {0, 0};
        int count = 0;
        const char* p = text + 1;
        for (; *p != 0 && *p != '>'; ++p)
        {
            if (*p >= '0' && *p <= '9' && count < 2)
                numbers[count] = numbers[count] * 10 + (*p - '0');
            else if (*p == ',' && count < 1)
                ++count;
        }
        ++count;
        if (*p == '>')
        {
            body = p + 1;
            if (count == 1)
                y = numbers[0];
            else
            {
                x = numbers[0];
                y = numbers[1];
            }
        }
    }
    if (x < 0)
    {
        x = (kFrameWidth - GetTextWidth(body)) / 2;
        if (x < 0)
            x = 0;
    }
    DrawTextLine(x, y, 0, body, false);
    y += kLineHeight;
}

} // namespace

void ShowMessage(const char* line1, const char* line2, const char* line3)
{
    if (Empty(line1) && Empty(line2) && Empty(line3))
        return;
    const char* lines[3] = {line1, line2, line3};
    for (int i = 0; i < 3; ++i)
        std::snprintf(g_stage.lines[i], sizeof g_stage.lines[i], "%s", lines[i] != nullptr ? lines[i] : "");
    g_stage.messageTimer = kMessageFrames;
}

void DrawMessages()
{
    if (g_stage.messageTimer <= 0)
        return;
    g_stage.messageTimer -= SpeedFactor() / 256;
    int32_t y = kMessageTop;
    for (int i = 0; i < 3; ++i)
    {
        if (!Empty(g_stage.lines[i]))
            DrawMessageLine(y, g_stage.lines[i]);
        else
            y = i == 0 ? 80 : y + kLineHeight;
    }
}

void ClearMessages()
{
    for (char* line : g_stage.lines)
        line[0] = 0;
    g_stage.messageTimer = 0;
}

void ResetGameStep()
{
    ClearMessages();
    g_stage.endTimer = 0;
    g_stage.frames = 0;
    ResetCameras();
    g_stage.pauseKey = false;
}

void ReadControls()
{
    g_stage.controls.accelerate = IsKeyDown(g_settings.keyAccelerate);
    g_stage.controls.brake = IsKeyDown(g_settings.keyBrake);
    g_stage.controls.handbrake = IsKeyDown(g_settings.keyHandbrake);
    g_stage.controls.left = IsKeyDown(g_settings.keyLeft);
    g_stage.controls.right = IsKeyDown(g_settings.keyRight);
    g_stage.pauseKey = IsKeyDown(g_settings.keyPause);
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

void DrawRaceClock(int32_t ms)
{
    PrintText(0, 2, kLargeText, kLargeText, 0, "%3.2d", ms / 1000);
    PrintText(35, 2, kLargeText, kLargeText, 0, ":");
    PrintText(40, 2, kLargeText, kLargeText, 0, "%.2d", ms / 10 % 100);
}

void DrawCountdown(int32_t ms)
{
    const int32_t s = ms / 1000;
    if (s >= 1 && s <= 5)
        PrintText(80, 100, kLargeText, kLargeText, 0, "%d", s);
}

Transform WorldTransform()
{
    Transform world;
    world.SetFromOrientation(g_cameras.view.orientation);
    world.t[0] = world.t[1] = world.t[2] = 0;
    world.TranslateLocal(static_cast<int16_t>(-g_cameras.view.position[0] / 8), static_cast<int16_t>(g_cameras.view.position[1] / 8),
                         static_cast<int16_t>(g_cameras.view.position[2] / 8));
    return world;
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
        if (g_stage.endTimer > kMessageFrames)
        {
            g_stage.endTimer = 0;
            g_shell.stageOver = true;
        }
    }
}
