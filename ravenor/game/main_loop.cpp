// main_loop.cpp -- messages first, then one paced frame
#include "ravenor/game/main_loop.h"

#include <os/windows.h>

#include "ravenor/game/demo_screen.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/shell_state.h"

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

void DrawFrame()
{
    PresentFrame(0);
    PaceFrame(kStageFramePeriod);
    ++g_shell.frameCounter;
    ++g_renderFrame;
    if ((g_shell.frameCounter & 15) == 0)
        SetForegroundWindow(g_shell.window);
    g_shell.frameClock += g_speedFactor / 256;
    DrawDemoScreen();
    FlushDepthQueue();
}

} // namespace

void FlushDepthQueue()
{
    if (g_renderer.buckets.NodeCount() > 0)
        g_renderer.FlushDepthBuckets();
}

void RunMainLoop()
{
    for (;;)
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
        PresentFrameNoClear(0);
    }
}
