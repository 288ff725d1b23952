// net_thread.h -- a thread object whose body is a virtual `run`
//
// The thread is created suspended with the object and begins at `start`; its
// `run` runs once. `join` waits until the thread has ended (at once when it
// never started, or when called on the thread itself). The destructor joins
// a started thread before closing its handle, so an object is never freed
// under its own running body.
#pragma once

#include <os/sync.h>
#include <os/types.h>

class Thread
{
public:
    explicit Thread(const WCHAR* name);
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    virtual void run() {}
    virtual void start();
    // Ends the calling thread with `code` (only meaningful on the thread itself).
    virtual void exit(DWORD code);
    virtual void suspend();
    virtual void resume();

    void join();
    bool isStarted() const { return started; }
    bool isCurrent() const;
    const WCHAR* getName() const { return name; }
    HANDLE getHandle() const { return handle; }

private:
    static DWORD WINAPI threadProc(void* object);

    HANDLE handle = nullptr;
    DWORD id = 0;
    const WCHAR* name;
    Thread* self;
    bool started = false;
};

// A recursive lock owned by a thread (a critical section: waiting threads
// sleep in the host, and a release wakes one of them).
class CriticalLock
{
public:
    CriticalLock();
    ~CriticalLock();
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;
    void lock();
    void unlock();

private:
    CRITICAL_SECTION section;
};

class ScopedLock
{
public:
    explicit ScopedLock(CriticalLock& lock) : held(lock) { held.lock(); }
    ~ScopedLock() { held.unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalLock& held;
};
