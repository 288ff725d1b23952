// sync.cpp -- waits, mutexes, events, semaphores, critical sections, Sleep
#include "os/kernel/sync_private.h"
#include "os/base/warn.h"
#include "os/host/host.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace os::sync {

namespace {

std::condition_variable& changed()
{
    static auto* cv = new std::condition_variable; // never destroyed: threads may outlive statics
    return *cv;
}

class MutexObject;

// The mutexes a thread owns; abandoned when the thread ends.
struct OwnedMutexes
{
    DWORD thread = 0; // the owning thread's id, kept for the end of the thread
    std::vector<std::weak_ptr<MutexObject>> list;
    ~OwnedMutexes();
    void abandon();
};

thread_local OwnedMutexes t_owned;

class MutexObject : public Waitable
{
public:
    ObjectType type() const override { return ObjectType::Mutex; }
    bool ready(DWORD thread) const override { return owner == 0 || owner == thread; }
    bool take(DWORD thread) override
    {
        if (owner == thread)
        {
            ++count;
            return false;
        }
        owner = thread;
        count = 1;
        t_owned.thread = thread;
        t_owned.list.push_back(std::static_pointer_cast<MutexObject>(shared_from_this()));
        bool was_abandoned = abandoned;
        abandoned = false;
        return was_abandoned;
    }

    DWORD owner = 0;
    DWORD count = 0;
    bool abandoned = false;
};

void OwnedMutexes::abandon()
{
    std::lock_guard<std::mutex> guard(kernel_lock());
    for (auto& weak : list)
    {
        if (auto mutex = weak.lock(); mutex && mutex->owner == thread)
        {
            mutex->owner = 0;
            mutex->count = 0;
            mutex->abandoned = true;
        }
    }
    list.clear();
    notify_all();
}

OwnedMutexes::~OwnedMutexes()
{
    if (!list.empty())
        abandon();
}

class EventObject : public Waitable
{
public:
    EventObject(bool manual, bool initial) : manual(manual), signalled(initial) {}
    ObjectType type() const override { return ObjectType::Event; }
    bool ready(DWORD) const override { return signalled; }
    bool take(DWORD) override
    {
        if (!manual)
            signalled = false;
        return false;
    }

    bool manual;
    bool signalled;
};

class SemaphoreObject : public Waitable
{
public:
    SemaphoreObject(LONG initial, LONG maximum) : count(initial), maximum(maximum) {}
    ObjectType type() const override { return ObjectType::Semaphore; }
    bool ready(DWORD) const override { return count > 0; }
    bool take(DWORD) override
    {
        --count;
        return false;
    }

    LONG count;
    LONG maximum;
};

bool available(const Waitable& object, const Waiter& waiter, size_t index)
{
    return waiter.pulsed[index] || object.ready(waiter.thread);
}

// Takes what the wait asks for when it can; answers false to go on waiting.
bool try_take(const std::vector<std::shared_ptr<Waitable>>& objects, bool all, Waiter& waiter, DWORD* result)
{
    if (!all)
    {
        for (size_t i = 0; i < objects.size(); ++i)
        {
            if (!available(*objects[i], waiter, i))
                continue;
            bool abandoned = !waiter.pulsed[i] && objects[i]->take(waiter.thread);
            *result = DWORD((abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i);
            return true;
        }
        return false;
    }
    for (size_t i = 0; i < objects.size(); ++i)
        if (!available(*objects[i], waiter, i))
            return false;
    bool abandoned = false;
    for (size_t i = 0; i < objects.size(); ++i)
        if (!waiter.pulsed[i])
            abandoned |= objects[i]->take(waiter.thread);
    *result = abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
    return true;
}

void enlist(const std::vector<std::shared_ptr<Waitable>>& objects, Waiter& waiter)
{
    for (size_t i = 0; i < objects.size(); ++i)
        objects[i]->waiters.emplace_back(&waiter, i);
}

void delist(const std::vector<std::shared_ptr<Waitable>>& objects, Waiter& waiter)
{
    for (auto& object : objects)
    {
        auto& list = object->waiters;
        list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& entry) { return entry.first == &waiter; }),
                   list.end());
    }
}

template <class T>
std::shared_ptr<T> insert_object(std::shared_ptr<T> object, HANDLE* handle)
{
    *handle = handle_insert(object);
    return *handle ? object : nullptr;
}

} // namespace

std::mutex& kernel_lock()
{
    static auto* lock = new std::mutex; // never destroyed: threads may outlive statics
    return *lock;
}

void notify_all()
{
    changed().notify_all();
}

void wait_change(std::unique_lock<std::mutex>& lock)
{
    changed().wait(lock);
}

void abandon_owned_mutexes()
{
    t_owned.abandon();
}

DWORD wait_for(const std::vector<std::shared_ptr<Waitable>>& objects, bool all, DWORD timeout_ms)
{
    Waiter waiter;
    waiter.thread = current_thread_id();
    waiter.pulsed.assign(objects.size(), 0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock<std::mutex> lock(kernel_lock());
    DWORD result = WAIT_TIMEOUT;
    bool enlisted = false;
    while (!try_take(objects, all, waiter, &result))
    {
        result = WAIT_TIMEOUT;
        if (timeout_ms == 0)
            break;
        if (!enlisted)
        {
            enlist(objects, waiter);
            enlisted = true;
        }
        if (timeout_ms == INFINITE)
            changed().wait(lock);
        else if (changed().wait_until(lock, deadline) == std::cv_status::timeout)
        {
            if (!try_take(objects, all, waiter, &result))
                result = WAIT_TIMEOUT;
            break;
        }
    }
    if (enlisted)
        delist(objects, waiter);
    return result;
}

DWORD Waitable::wait(DWORD timeout_ms)
{
    return wait_for({shared_from_this()}, false, timeout_ms);
}

// Resolves pseudo-handles as well as table handles.
std::shared_ptr<KernelObject> object_from_handle(HANDLE handle)
{
    if (handle == OS_CURRENT_THREAD_HANDLE)
        return current_thread();
    if (handle == OS_CURRENT_PROCESS_HANDLE)
        return current_process_object();
    return handle_get(handle);
}

} // namespace os::sync

using namespace os::sync;

DWORD WaitForSingleObject(HANDLE handle, DWORD timeout_ms)
{
    auto object = object_from_handle(handle);
    if (!object)
        return WAIT_FAILED;
    return object->wait(timeout_ms);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD timeout_ms)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    for (DWORD i = 0; i < count; ++i)
    {
        auto object = std::dynamic_pointer_cast<Waitable>(object_from_handle(handles[i]));
        if (!object)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (wait_all && std::find(objects.begin(), objects.end(), object) != objects.end())
        {
            SetLastError(ERROR_INVALID_PARAMETER); // the same object twice in a wait for all
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    return wait_for(objects, wait_all != FALSE, timeout_ms);
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initial_owner, LPCWSTR name)
{
    if (name && *name)
        os::warn_once("kernel", "named mutexes are not shared: each CreateMutexW makes a new mutex");
    HANDLE handle = nullptr;
    auto mutex = insert_object(std::make_shared<MutexObject>(), &handle);
    if (mutex && initial_owner)
    {
        std::lock_guard<std::mutex> guard(kernel_lock());
        mutex->take(current_thread_id());
    }
    return handle;
}

BOOL ReleaseMutex(HANDLE handle)
{
    auto mutex = get<MutexObject>(handle);
    if (!mutex)
        return FALSE;
    std::lock_guard<std::mutex> guard(kernel_lock());
    if (mutex->owner != current_thread_id())
    {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--mutex->count == 0)
    {
        mutex->owner = 0;
        auto& list = t_owned.list;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const auto& weak) { return weak.lock() == mutex || weak.expired(); }),
                   list.end());
        notify_all();
    }
    return TRUE;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCWSTR name)
{
    if (name && *name)
        os::warn_once("kernel", "named events are not shared: each CreateEventW makes a new event");
    HANDLE handle = nullptr;
    insert_object(std::make_shared<EventObject>(manual_reset != FALSE, initial_state != FALSE), &handle);
    return handle;
}

namespace {

// Applies a change to an event under the kernel lock and wakes the waiters.
template <class F>
BOOL change_event(HANDLE handle, F change)
{
    auto event = get<EventObject>(handle);
    if (!event)
        return FALSE;
    std::lock_guard<std::mutex> guard(kernel_lock());
    change(*event);
    notify_all();
    return TRUE;
}

} // namespace

BOOL SetEvent(HANDLE handle)
{
    return change_event(handle, [](EventObject& e) { e.signalled = true; });
}

BOOL ResetEvent(HANDLE handle)
{
    return change_event(handle, [](EventObject& e) { e.signalled = false; });
}

BOOL PulseEvent(HANDLE handle)
{
    return change_event(handle, [](EventObject& e) {
        for (auto& [waiter, index] : e.waiters)
        {
            if (waiter->pulsed[index])
                continue; // released already, not yet awake
            waiter->pulsed[index] = 1;
            if (!e.manual)
                break;
        }
        e.signalled = false;
    });
}

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initial_count, LONG maximum_count, LPCWSTR)
{
    if (maximum_count <= 0 || initial_count < 0 || initial_count > maximum_count)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = nullptr;
    insert_object(std::make_shared<SemaphoreObject>(initial_count, maximum_count), &handle);
    return handle;
}

BOOL ReleaseSemaphore(HANDLE handle, LONG release_count, LPLONG previous_count)
{
    auto semaphore = get<SemaphoreObject>(handle);
    if (!semaphore)
        return FALSE;
    if (release_count <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(kernel_lock());
    if (release_count > semaphore->maximum - semaphore->count)
    {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (previous_count)
        *previous_count = semaphore->count;
    semaphore->count += release_count;
    notify_all();
    return TRUE;
}

// ---- critical sections ----

namespace {

std::recursive_mutex* section_lock(LPCRITICAL_SECTION section)
{
    auto* slot = reinterpret_cast<std::atomic<std::recursive_mutex*>*>(&section->implementation);
    std::recursive_mutex* lock = slot->load(std::memory_order_acquire);
    if (lock)
        return lock;
    // A section used without InitializeCriticalSection: make one, once.
    auto* fresh = new std::recursive_mutex;
    if (slot->compare_exchange_strong(lock, fresh, std::memory_order_acq_rel))
        return fresh;
    delete fresh;
    return lock;
}

} // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    section->implementation = new std::recursive_mutex;
    section->owner_thread = 0;
    section->recursion = 0;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    delete static_cast<std::recursive_mutex*>(section->implementation);
    section->implementation = nullptr;
    section->owner_thread = 0;
    section->recursion = 0;
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    section_lock(section)->lock();
    section->owner_thread = current_thread_id();
    ++section->recursion;
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    if (!section_lock(section)->try_lock())
        return FALSE;
    section->owner_thread = current_thread_id();
    ++section->recursion;
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    if (section->owner_thread != current_thread_id() || section->recursion <= 0)
        return; // not held by the caller: leaving it would break the owner
    if (--section->recursion == 0)
        section->owner_thread = 0;
    section_lock(section)->unlock();
}

void Sleep(DWORD ms)
{
    os::host::backend().sleep_ms(ms);
    if (ms == 0)
        std::this_thread::yield();
}
