// thread.cpp -- threads: creation, suspension, priorities, ids and the end
// of a thread
//
// A thread created suspended has no host thread yet: the pthread is created
// by the ResumeThread that brings its suspend count to 0. Host threads are
// detached; the thread's object (kept alive by the running thread and by its
// handles) records its end and exit code, so closing a handle never stops or
// loses a thread.
//
// ExitThread ends a thread with pthread_exit, which unwinds the thread's
// stack like an exception that cannot be caught for good: destructors run,
// but a `catch (...)` that swallows it without rethrowing aborts the process.
// Code that may call ExitThread must not sit inside such a handler.
#include "os/kernel/sync_private.h"
#include "os/base/warn.h"

#include <atomic>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace os::sync {

namespace {

std::atomic<DWORD> g_next_thread_id{1};

// The calling thread's identity and, once asked for, its object.
struct ThreadState
{
    DWORD id = 0;
    DWORD exit_code = 0;
    std::shared_ptr<ThreadObject> object;
    ~ThreadState();
};

thread_local ThreadState t_state;

void mark_finished(const std::shared_ptr<ThreadObject>& thread, DWORD code)
{
    std::lock_guard<std::mutex> guard(kernel_lock());
    if (thread->finished)
        return;
    thread->finished = true;
    thread->exit_code = code;
    notify_all();
}

ThreadState::~ThreadState()
{
    if (object)
        mark_finished(object, exit_code); // a host thread that had asked for its handle
}

// Marks the thread ended however it leaves the start routine (a return or
// the unwinding of ExitThread).
struct EndOfThread
{
    std::shared_ptr<ThreadObject> thread;
    ~EndOfThread()
    {
        abandon_owned_mutexes();
        mark_finished(thread, t_state.exit_code);
    }
};

void* run_thread(void* argument)
{
    auto* owned = static_cast<std::shared_ptr<ThreadObject>*>(argument);
    EndOfThread end{std::move(*owned)};
    delete owned;
    t_state.id = end.thread->id;
    t_state.object = end.thread;
    t_state.exit_code = end.thread->start(end.thread->parameter);
    return nullptr;
}

// Starts the host thread; false when the host refuses.
bool launch(const std::shared_ptr<ThreadObject>& thread)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* owned = new std::shared_ptr<ThreadObject>(thread);
    pthread_t host;
    int error = pthread_create(&host, &attributes, run_thread, owned);
    pthread_attr_destroy(&attributes);
    if (error != 0)
    {
        delete owned;
        return false;
    }
    return true;
}

DWORD new_thread_id()
{
    return g_next_thread_id.fetch_add(1);
}

DWORD fail(DWORD error)
{
    SetLastError(error);
    return DWORD(-1);
}

} // namespace

DWORD current_thread_id()
{
    if (t_state.id == 0)
        t_state.id = new_thread_id();
    return t_state.id;
}

std::shared_ptr<ThreadObject> current_thread()
{
    if (!t_state.object)
    {
        auto thread = std::make_shared<ThreadObject>();
        thread->id = current_thread_id();
        thread->started = true;
        t_state.object = thread;
    }
    return t_state.object;
}

std::shared_ptr<ThreadObject> thread_from_handle(HANDLE handle)
{
    if (handle == OS_CURRENT_THREAD_HANDLE)
        return current_thread();
    return get<ThreadObject>(handle);
}

bool on_main_thread()
{
    return syscall(SYS_gettid) == getpid();
}

void set_thread_exit_code(DWORD code)
{
    t_state.exit_code = code;
}

} // namespace os::sync

using namespace os::sync;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD thread_id)
{
    if (!start)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    thread->id = new_thread_id();
    thread->start = start;
    thread->parameter = parameter;
    thread->suspend_count = (flags & CREATE_SUSPENDED) ? 1 : 0;
    HANDLE handle = os::handle_insert(thread);
    if (!handle)
        return nullptr;
    if (thread->suspend_count == 0)
    {
        thread->started = true;
        if (!launch(thread))
        {
            os::handle_close(handle);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    if (thread_id)
        *thread_id = thread->id;
    return handle;
}

DWORD ResumeThread(HANDLE handle)
{
    auto thread = thread_from_handle(handle);
    if (!thread)
        return DWORD(-1);
    std::lock_guard<std::mutex> guard(kernel_lock());
    DWORD previous = thread->suspend_count;
    if (previous == 0 || --thread->suspend_count > 0)
        return previous;
    if (thread->started)
    {
        notify_all(); // a thread that suspended itself goes on
        return previous;
    }
    thread->started = true;
    if (!launch(thread))
    {
        thread->started = false;
        thread->suspend_count = previous;
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return previous;
}

DWORD SuspendThread(HANDLE handle)
{
    auto thread = thread_from_handle(handle);
    if (!thread)
        return DWORD(-1);
    std::unique_lock<std::mutex> lock(kernel_lock());
    if (!thread->started)
        return thread->suspend_count++;
    if (thread->id != current_thread_id() || thread->finished)
    {
        os::warn_once("kernel", "SuspendThread of another running thread is not supported");
        return fail(ERROR_NOT_SUPPORTED); // a running thread cannot be stopped from outside
    }
    DWORD previous = thread->suspend_count++;
    while (thread->suspend_count > 0)
        wait_change(lock);
    return previous;
}

BOOL SetThreadPriority(HANDLE handle, int priority)
{
    auto thread = thread_from_handle(handle);
    if (!thread)
        return FALSE;
    if (priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(kernel_lock());
    thread->priority = priority;
    return TRUE;
}

int GetThreadPriority(HANDLE handle)
{
    auto thread = thread_from_handle(handle);
    if (!thread)
        return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard<std::mutex> guard(kernel_lock());
    return thread->priority;
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD code)
{
    return answer_exit_code(thread_from_handle(handle), code);
}

DWORD GetCurrentThreadId()
{
    return current_thread_id();
}

HANDLE GetCurrentThread()
{
    return OS_CURRENT_THREAD_HANDLE;
}

void ExitThread(DWORD code)
{
    if (on_main_thread())
        ExitProcess(code);
    set_thread_exit_code(code);
    pthread_exit(nullptr);
}
