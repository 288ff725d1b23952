// sync.h -- threads, waits, mutexes, events, semaphores, critical sections,
// interlocked operations and Sleep
//
// Every kernel object here is a handle of the kernel handle table and is
// closed with CloseHandle. Mutexes are recursive and owned by a thread; a
// mutex whose owner ends without releasing it is abandoned, and the next
// thread that takes it sees WAIT_ABANDONED. Waits between threads take real
// time even under the headless back end's virtual clock: a thread blocked on
// a mutex waits for the thread holding it.
#pragma once

#include <os/types.h>

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

// Thread priorities as the device numbers them (0 highest, 7 idle).
#define THREAD_PRIORITY_TIME_CRITICAL 0
#define THREAD_PRIORITY_HIGHEST 1
#define THREAD_PRIORITY_ABOVE_NORMAL 2
#define THREAD_PRIORITY_NORMAL 3
#define THREAD_PRIORITY_BELOW_NORMAL 4
#define THREAD_PRIORITY_LOWEST 5
#define THREAD_PRIORITY_ABOVE_IDLE 6
#define THREAD_PRIORITY_IDLE 7
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

// ---- threads ----

// Starts `start(parameter)` on a new thread; with CREATE_SUSPENDED the
// thread starts at the ResumeThread that brings its suspend count to 0.
// The stack size is left to the host.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, DWORD stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD thread_id);

// Answer the previous suspend count, or (DWORD)-1 on failure.
// SuspendThread works on a thread that has not started yet and on the calling
// thread itself (which then sleeps until another thread resumes it). A running
// thread cannot be stopped from outside on this host: ERROR_NOT_SUPPORTED.
DWORD ResumeThread(HANDLE thread);
DWORD SuspendThread(HANDLE thread);

// Priorities are recorded, not applied (raising them needs host privileges).
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// ---- waits ----

DWORD WaitForSingleObject(HANDLE object, DWORD timeout_ms);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL wait_all, DWORD timeout_ms);

// ---- mutexes, events, semaphores ----
// Names are accepted and ignored: every call makes a new, unnamed object.

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Releases the threads waiting now (all of them for a manual-reset event, one
// for an automatic one) and leaves the event non-signalled.
BOOL PulseEvent(HANDLE event);

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial_count, LONG maximum_count, LPCWSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG release_count, LPLONG previous_count);

// Any kernel handle. Closing a thread's handle never stops the thread.
BOOL CloseHandle(HANDLE object);

// ---- critical sections (recursive, within one process) ----

struct CRITICAL_SECTION
{
    void* implementation; // set by InitializeCriticalSection
    DWORD owner_thread;
    LONG recursion;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

// ---- interlocked operations (sequentially consistent) ----

inline LONG InterlockedIncrement(LONG volatile* value)
{
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedDecrement(LONG volatile* value)
{
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value)
{
    return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}

// Stores `exchange` when *target equals `comparand`; answers the old value.
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

// ---- sleeping ----

// Sleeps on the back end's clock (the headless clock is virtual: Sleep
// advances it at once). Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD ms);
