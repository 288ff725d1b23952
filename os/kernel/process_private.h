// process_private.h -- what the program entry records, and the test hooks of
// process creation
#pragma once

#include <os/process.h>

#include <functional>
#include <string>

namespace os::process {

// The entry records argv[0] (made absolute, symlinks kept as named) and the
// command line (argv[1..] joined by spaces, Latin-1 widened).
void record_arguments(int argc, char** argv);

// Tests set the program's host path and command line directly.
void set_program_path(const std::string& host_path);
void set_command_line(const std::u16string& command_line);

// The program's host path ("" when nothing is recorded and the host cannot
// tell).
std::string program_path();

// While a hook is set, CreateProcessW calls it with the application's device
// path and the command line instead of starting anything, and answers what it
// answers; the handles it gives then stand for a process that has ended with
// code 0. An empty function removes the hook.
using CreateProcessHook = std::function<BOOL(const std::u16string& application, const std::u16string& command_line)>;
void set_create_process_hook(CreateProcessHook hook);

} // namespace os::process
