// handle.cpp -- the kernel handle table and the per-thread last error
#include "os/kernel/handle.h"

#include <mutex>
#include <vector>

namespace {

thread_local DWORD t_last_error = 0;

// Handle values are (index + 1) << 2 | generation << 16, so they are never 0,
// never INVALID_HANDLE_VALUE and never a small constant such as a predefined key.
constexpr uintptr_t kIndexBits = 14;
constexpr uintptr_t kMaxObjects = (uintptr_t(1) << kIndexBits) - 1;

struct Slot
{
    std::shared_ptr<os::KernelObject> object;
    uint32_t generation = 1;
};

struct Table
{
    std::mutex lock;
    std::vector<Slot> slots;
    std::vector<size_t> free_list;
    size_t live = 0;
};

Table& table()
{
    static Table* t = new Table; // never destroyed: threads may close handles during exit
    return *t;
}

HANDLE make_handle(size_t index, uint32_t generation)
{
    uintptr_t value = ((uintptr_t(index) + 1) << 2) | (uintptr_t(generation & 0xFFFF) << (kIndexBits + 4));
    return reinterpret_cast<HANDLE>(value);
}

bool split_handle(HANDLE handle, size_t* index, uint32_t* generation)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || (value & 3) != 0)
        return false;
    uintptr_t raw_index = (value >> 2) & ((uintptr_t(1) << (kIndexBits + 2)) - 1);
    if (raw_index == 0)
        return false;
    *index = raw_index - 1;
    *generation = uint32_t(value >> (kIndexBits + 4));
    return (value >> (kIndexBits + 4)) <= 0xFFFF;
}

} // namespace

DWORD GetLastError()
{
    return t_last_error;
}

void SetLastError(DWORD code)
{
    t_last_error = code;
}

namespace os {

DWORD KernelObject::wait(DWORD)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFFu; // WAIT_FAILED
}

HANDLE handle_insert(std::shared_ptr<KernelObject> object)
{
    if (!object)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    size_t index;
    if (!t.free_list.empty())
    {
        index = t.free_list.back();
        t.free_list.pop_back();
    }
    else
    {
        if (t.slots.size() >= kMaxObjects)
        {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        index = t.slots.size();
        t.slots.emplace_back();
    }
    Slot& slot = t.slots[index];
    slot.object = std::move(object);
    ++t.live;
    return make_handle(index, slot.generation);
}

std::shared_ptr<KernelObject> handle_get(HANDLE handle)
{
    size_t index;
    uint32_t generation;
    if (split_handle(handle, &index, &generation))
    {
        Table& t = table();
        std::lock_guard<std::mutex> guard(t.lock);
        if (index < t.slots.size() && (t.slots[index].generation & 0xFFFF) == generation && t.slots[index].object)
            return t.slots[index].object;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

bool handle_close(HANDLE handle)
{
    std::shared_ptr<KernelObject> doomed; // released outside the lock
    size_t index;
    uint32_t generation;
    if (split_handle(handle, &index, &generation))
    {
        Table& t = table();
        std::lock_guard<std::mutex> guard(t.lock);
        if (index < t.slots.size() && (t.slots[index].generation & 0xFFFF) == generation && t.slots[index].object)
        {
            Slot& slot = t.slots[index];
            doomed = std::move(slot.object);
            slot.object.reset();
            slot.generation = (slot.generation + 1) & 0xFFFF;
            if (slot.generation == 0)
                slot.generation = 1;
            t.free_list.push_back(index);
            --t.live;
            return true;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

size_t handle_count()
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    return t.live;
}

} // namespace os
