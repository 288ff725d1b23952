// message_pump.cpp -- messages served between frames, the way out, the depth queue
#include "ravenor/game/base/message_pump.h"

#include <os/windows.h>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"

bool ServeMessage()
{
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT)
    {
        UnloadSounds();
        ExitProcess(0);
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

// Once halted, the display goes and the program is asked to quit.
void ReleaseHaltedDisplay()
{
    if (!IsGameHalted() || g_shell.displayReleased)
        return;
    SetFrameDisplay(nullptr);
    g_shell.display.reset();
    g_shell.displayReleased = true;
    PostQuitMessage(0);
}

void FlushDepthQueue()
{
    if (g_renderer.buckets.NodeCount() > 0)
        g_renderer.FlushDepthBuckets();
}
