// message_loop.cpp -- PeekMessage loop with idle frames
#include "engine/platform/message_loop.h"

namespace {

IdleHandler* g_idleHandler = nullptr;

} // namespace

void setIdleHandler(IdleHandler* handler)
{
    g_idleHandler = handler;
}

IdleHandler* getIdleHandler()
{
    return g_idleHandler;
}

int runMessageLoop(HWND window)
{
    SetForegroundWindow(window);
    MSG message{};
    for (;;)
    {
        BOOL taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
        if (taken && message.message == WM_QUIT)
            return int(message.wParam);
        if (taken)
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        else if (g_idleHandler)
        {
            g_idleHandler->onIdle(&message, window);
        }
        else
        {
            Sleep(1);
        }
    }
}
