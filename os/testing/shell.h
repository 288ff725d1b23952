// shell.h -- the shell library's test seams (full-screen state, input panel)
#pragma once

#include "os/shell/shell_private.h"
