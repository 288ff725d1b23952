// closehandle.cpp -- closing any kernel handle
#include "os/kernel/handle.h"

#include <os/process.h>
#include <os/sync.h>

BOOL CloseHandle(HANDLE object)
{
    // The pseudo-handles of the own process and thread need no closing.
    if (object == OS_CURRENT_PROCESS_HANDLE || object == OS_CURRENT_THREAD_HANDLE)
        return TRUE;
    return os::handle_close(object) ? TRUE : FALSE;
}
