// net_thread.cpp -- Thread over the kernel's threads
#include "engine/platform/net_thread.h"

#include <os/process.h>
#include <os/sync.h>

Thread::Thread(const WCHAR* threadName) : name(threadName), self(this)
{
    handle = CreateThread(nullptr, 0, threadProc, this, CREATE_SUSPENDED, &id);
}

Thread::~Thread()
{
    join();
    if (handle)
        CloseHandle(handle);
}

DWORD WINAPI Thread::threadProc(void* object)
{
    Thread* thread = static_cast<Thread*>(object);
    thread->self->run();
    return 1;
}

void Thread::start()
{
    if (started || !handle)
        return; // a thread object runs once
    started = true;
    ResumeThread(handle);
}

void Thread::exit(DWORD code)
{
    ExitThread(code);
}

void Thread::suspend()
{
    SuspendThread(handle);
}

void Thread::resume()
{
    ResumeThread(handle);
}

bool Thread::isCurrent() const
{
    return GetCurrentThreadId() == id;
}

void Thread::join()
{
    if (started && handle && !isCurrent())
        WaitForSingleObject(handle, INFINITE);
}

CriticalLock::CriticalLock()
{
    InitializeCriticalSection(&section);
}

CriticalLock::~CriticalLock()
{
    DeleteCriticalSection(&section);
}

void CriticalLock::lock()
{
    EnterCriticalSection(&section);
}

void CriticalLock::unlock()
{
    LeaveCriticalSection(&section);
}
