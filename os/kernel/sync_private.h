// sync_private.h -- waitable kernel objects and the per-thread state
//
// All waitable objects share one kernel lock and one condition variable:
// a state change (an event set, a mutex released, a thread ended) wakes every
// waiter, which checks its own objects again. That keeps waits on several
// objects at once (WaitForMultipleObjects, wait-all) simple and atomic.
#pragma once

#include "os/kernel/handle.h"

#include <os/process.h>
#include <os/sync.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace os::sync {

std::mutex& kernel_lock();
// Wake every waiter; call after changing a state under the kernel lock.
void notify_all();
// Wait on the shared condition variable (the lock must be held).
void wait_change(std::unique_lock<std::mutex>& lock);

struct Waiter;

class Waitable : public KernelObject, public std::enable_shared_from_this<Waitable>
{
public:
    // Both run under the kernel lock. `thread` is the waiting thread's id.
    virtual bool ready(DWORD thread) const = 0;
    // Takes the object for the thread (an automatic event resets, a semaphore
    // counts down, a mutex becomes owned); answers true when a mutex was
    // abandoned by its previous owner.
    virtual bool take(DWORD thread) { return false; }
    DWORD wait(DWORD timeout_ms) override;

    // Threads blocked on this object now (PulseEvent releases them).
    std::vector<std::pair<Waiter*, size_t>> waiters;
};

// Waiting thread's record: which of its objects were pulsed while it slept.
struct Waiter
{
    DWORD thread = 0;
    std::vector<char> pulsed;
};

// Waits for one (any) or all of the objects. Answers WAIT_OBJECT_0 + i,
// WAIT_ABANDONED_0 + i, WAIT_TIMEOUT or WAIT_FAILED.
DWORD wait_for(const std::vector<std::shared_ptr<Waitable>>& objects, bool all, DWORD timeout_ms);

// The object behind a handle when it is of class T (pseudo-handles are not
// resolved here), else nullptr with ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> get(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<T>(handle_get(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// A thread: one started by CreateThread, or a thread of the host that asked
// for its own handle.
class ThreadObject : public Waitable
{
public:
    ObjectType type() const override { return ObjectType::Thread; }
    bool ready(DWORD) const override { return finished_state(); }
    // Under the kernel lock: has the thread ended, and with which code.
    virtual bool finished_state() const { return finished; }
    virtual DWORD exit_code_state() const { return finished ? exit_code : DWORD(STILL_ACTIVE); }

    DWORD id = 0;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    DWORD suspend_count = 0;
    bool started = false;
    bool finished = false;
    DWORD exit_code = 0;
    int priority = THREAD_PRIORITY_NORMAL;
};

// GetExitCodeThread and GetExitCodeProcess: the object's exit code, or
// STILL_ACTIVE while it runs. FALSE for no object (the last error is set).
template <class T>
BOOL answer_exit_code(const std::shared_ptr<T>& object, LPDWORD code)
{
    if (!object)
        return FALSE;
    if (!code)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(kernel_lock());
    *code = object->exit_code_state();
    return TRUE;
}

// The calling thread's id (assigned on first use, never 0).
DWORD current_thread_id();

// The calling thread's own object (created on first use for host threads).
std::shared_ptr<ThreadObject> current_thread();

// A thread handle or the GetCurrentThread pseudo-handle.
std::shared_ptr<ThreadObject> thread_from_handle(HANDLE handle);

// Abandons the mutexes the calling thread still owns (at thread end).
void abandon_owned_mutexes();

// This process as a waitable object (the GetCurrentProcess pseudo-handle).
std::shared_ptr<Waitable> current_process_object();

// A handle's object, with the two pseudo-handles resolved.
std::shared_ptr<KernelObject> object_from_handle(HANDLE handle);

// True on the process's main thread.
bool on_main_thread();

// Exit code recorded by ExitThread for the calling thread.
void set_thread_exit_code(DWORD code);

} // namespace os::sync
