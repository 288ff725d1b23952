// win_main.cpp -- the entry of Ravenor
#include <os/windows.h>

#include "ravenor/game/main_loop.h"
#include "os/host/host.h"
#include "os/kernel/module_private.h"
#include "ravenor/game/shell_state.h"
#include "ravenor/game/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command, int showCommand)
{
    // The Smartphone screen; this host has no Game API screen, so the
    // display goes through GDI.
    os::host::set_default_screen(176, 220, 16);
    os::module::set_library_absent(u"gx.dll", true);
    SetProgramFolder();
    CheckMemory();
    if (RaiseRunningInstance())
        return 0;
    if (!CreateGameWindow(instance, previous))
        return 0;
    ShowSplash(g_shell.window);
    if (!PrepareScreen(showCommand))
    {
        MessageBoxW(nullptr, u"The display cannot be started.", u"Ravenor", MB_OK | MB_ICONSTOP);
        return 0;
    }
    StartupLoad();
    RunMainLoop(StageOfCommand(command));
}
