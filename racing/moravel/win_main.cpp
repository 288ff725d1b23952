// win_main.cpp -- the entry of Vasko-Moravel
#include "racing/moravel/racing_app.h"

#include <os/windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    return moravel::runProgram(GetCommandLineW());
}
