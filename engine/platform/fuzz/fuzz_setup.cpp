// fuzz_setup.cpp -- headless back end and a clean box record per input
#include "fuzz_setup.h"

#include "os/testing/host.h"

#include <cstdlib>

void prepareFuzzRun()
{
    static bool ready = [] {
        setenv("OS_BACKEND", "headless", 1);
        return true;
    }();
    (void)ready;
    os::host::headless::clear_boxes();
}
