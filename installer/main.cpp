// main.cpp -- the host's entry of the installer: a desktop screen, then the
// installer's own course
#include "installer/cabmover/cabmover.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    os::device::use_desktop_screen();
    cabmover::InstallerMain();
    return 0;
}
