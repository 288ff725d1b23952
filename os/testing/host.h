// host.h -- the host's test seams: the headless back end driven by tests
// (input, clock, message box answers, what the program asked of the host),
// the device screen and screenshots read back as pictures
#pragma once

#include "os/host/headless.h"
#include "os/host/host.h"
#include "os/host/png.h"
