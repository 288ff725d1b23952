// main.cpp -- the host's entry of every program: records the program path
// and the command line, then runs the program's WinMain
#include "os/gx/gx_private.h"
#include "os/host/host.h"
#include "os/kernel/file_private.h"
#include "os/kernel/module_private.h"
#include "os/kernel/process_private.h"
#include "os/shell/shell_private.h"

#include <os/process.h>

#include <csignal>

int main(int argc, char** argv)
{
    // A write to a connection the peer closed must fail, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    os::process::record_arguments(argc, argv);
    // What a killed save left half-written goes before the program reads.
    os::file::remove_program_temporaries();
    // A refused input script ends the run here, before the program starts.
    os::host::begin_program();
    os::gx::register_library();
    os::shell::register_library();
    int result = WinMain(os::module::program_instance(), nullptr, GetCommandLineW(), SW_SHOW);
    // End as the device does when WinMain returns: at once, without running
    // static destructors while other threads may still be using them.
    ExitProcess(UINT(result));
}
