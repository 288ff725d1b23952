// main_loop.cpp -- messages first, then one paced frame
#include "ravenor/game/shell/main_loop.h"

#include <os/windows.h>

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/base/message_pump.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/shell/window_proc.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_tables.h"

namespace {

constexpr uint32_t kStageFramePeriod = 47;

// One paced stage frame: the last one shown, then the next one drawn
void DrawFrame()
{
    PresentFrame(0);
    PaceFrame(kStageFramePeriod);
    ++g_shell.frameCounter;
    ++g_renderFrame;
    if ((g_shell.frameCounter & 15) == 0)
        SetForegroundWindow(g_shell.window);
    GameStep();
    FlushDepthQueue();
}

// Frames until the stage is over
void RunFrames()
{
    g_shell.penDown = false;
    g_shell.stageOver = false;
    g_shell.frameClock = 0;
    g_shell.paused = false;
    while (!g_shell.stageOver)
    {
        if (ServeMessage())
            continue;
        if (g_shell.active && !IsGameHalted())
            DrawFrame();
        else
            Sleep(1);
    }
}

// A stage from its start to its end; false when its level cannot be loaded
bool PlayStage(int stage)
{
    if (!StartStage(stage))
        return false;
    RunFrames();
    CloseStage();
    return true;
}

} // namespace

int StageOfCommand(const WCHAR* command)
{
    if (command == nullptr)
        return -1;
    int stage = -1;
    char text[64] = {};
    for (int i = 0; i < 63 && command[i] != 0; ++i)
        text[i] = command[i] < 128 ? static_cast<char>(command[i]) : '?';
    char extra = 0;
    if (std::sscanf(text, " stage %d %c", &stage, &extra) == 1 && stage >= 0 && stage < kStageCount)
        return stage;
    if (text[0] != 0)
        std::fprintf(stderr, "Ravenor: unknown command \"%s\" (\"stage N\" enters stage N, 0 to %d)\n", text,
                     kStageCount - 1);
    return -1;
}

void RunMainLoop(int stage)
{
    for (;;)
    {
        // A stage named on the command line is entered at once; after it,
        // and without one, the front end chooses.
        const int chosen = stage >= 0 ? stage : RunFrontEnd();
        stage = -1;
        if (PlayStage(chosen))
            continue;
        char line[40];
        std::snprintf(line, sizeof line, "STAGE %d CANNOT BE LOADED", chosen);
        ShowMessage(line, "", "");
    }
}
