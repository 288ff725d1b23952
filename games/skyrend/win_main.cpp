// win_main.cpp -- the entry of Vasko-Skyrend
#include "games/skyrend/game_app.h"

#include <os/windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    return skyrend::runProgram(instance, GetCommandLineW());
}
