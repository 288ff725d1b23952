// win_main.cpp -- the entry of Vasko-Tundrel
#include "racing/tundrel/racing_app.h"

#include <os/windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return tundrel::runProgram(GetCommandLineW());
}
