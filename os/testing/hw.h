// hw.h -- the graphics hardware's stand-in libraries, configured by tests
// (the simulated memory and registers are in <os/hw.h>)
#pragma once

#include "os/hw/libraries.h"
