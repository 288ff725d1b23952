// main_loop.cpp -- messages first, then one paced frame
#include "ravenor/game/main_loop.h"

#include <os/windows.h>

#include <cstdio>

#include "ravenor/game/demo_screen.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/game_step.h"
#include "ravenor/game/shell_state.h"
#include "ravenor/game/stage.h"

namespace {

constexpr uint32_t kStageFramePeriod = 47;

// One message served: true when there was one
bool ServeMessage()
{
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT)
        ExitProcess(0);
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

// One paced frame: the last one shown, then the next one drawn
void DrawFrame(bool stage)
{
    PresentFrame(0);
    PaceFrame(kStageFramePeriod);
    ++g_shell.frameCounter;
    ++g_renderFrame;
    if ((g_shell.frameCounter & 15) == 0)
        SetForegroundWindow(g_shell.window);
    if (stage)
    {
        GameStep();
    }
    else
    {
        g_shell.frameClock += g_speedFactor / 256;
        DrawDemoScreen();
        DrawMessages();
    }
    FlushDepthQueue();
}

// Frames until the stage is over (for ever on the title)
void RunFrames(bool stage)
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
            DrawFrame(stage);
        else
            Sleep(1);
    }
}

} // namespace

void FlushDepthQueue()
{
    if (g_renderer.buckets.NodeCount() > 0)
        g_renderer.FlushDepthBuckets();
}

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
        // Until the front end stands, a stage named on the command line is
        // entered at once and the title follows.
        if (stage >= 0)
        {
            const int chosen = stage;
            stage = -1;
            if (StartStage(chosen))
            {
                RunFrames(true);
                PresentFrameNoClear(0);
                EndStage();
                continue;
            }
            char line[40];
            std::snprintf(line, sizeof line, "STAGE %d CANNOT BE LOADED", chosen);
            ShowMessage(line, "", "");
        }
        RunFrames(false);
    }
}
