// shell_state.cpp -- the shell's process-wide state
#include "ravenor/game/base/shell_state.h"

ShellState g_shell;
