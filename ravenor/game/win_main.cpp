// win_main.cpp -- the entry of Ravenor
#include <os/device.h>
#include <os/windows.h>

#include "ravenor/engine/data/data_archive.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/shell/main_loop.h"
#include "ravenor/game/shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command, int showCommand)
{
    // The Smartphone screen; this host has no Game API screen, so the
    // display goes through GDI.
    os::device::set_screen(176, 220, 16);
    os::device::set_library_absent(u"gx.dll");
    DataArchive::SetFatalHandler(EndOnUnusableData);
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
