// shell_state.cpp -- the shell's process-wide state
#include "shell_state.h"

ShellState g_shell;
