// handle.h -- the kernel handle table
//
// Kernel objects (files, threads, processes, mutexes, events, find handles,
// registry keys, modules) live in one table per process. A HANDLE is a small
// number with a generation, never a raw pointer, so a stale or forged handle
// is refused with ERROR_INVALID_HANDLE instead of touching freed memory.
// Objects are reference-counted: closing a handle drops the table's
// reference, and a waiter that holds its own reference keeps the object alive.
#pragma once

#include <os/types.h>

#include <memory>

namespace os {

enum class ObjectType
{
    File,
    Find,
    Thread,
    Process,
    Mutex,
    Event,
    Semaphore,
    RegistryKey,
    Module,
    Other,
};

class KernelObject
{
public:
    virtual ~KernelObject() = default;
    virtual ObjectType type() const = 0;

    // Waitable objects answer WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (with
    // the last error set). Others fail with ERROR_INVALID_HANDLE.
    virtual DWORD wait(DWORD timeout_ms);
};

// Insert an object; answers its new handle, or nullptr when the table is full
// (last error ERROR_NOT_ENOUGH_MEMORY).
HANDLE handle_insert(std::shared_ptr<KernelObject> object);

// The object behind a handle, or nullptr (last error ERROR_INVALID_HANDLE).
std::shared_ptr<KernelObject> handle_get(HANDLE handle);

// The object when it has the given type, else nullptr with ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> handle_get_as(HANDLE handle, ObjectType type)
{
    auto object = handle_get(handle);
    if (!object || object->type() != type)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

// Remove a handle from the table; false with ERROR_INVALID_HANDLE when unknown.
bool handle_close(HANDLE handle);

// Number of live handles (tests use it to find leaks).
size_t handle_count();

} // namespace os
