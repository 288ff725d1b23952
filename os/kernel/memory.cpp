// memory.cpp -- local and global memory blocks and the address space
//
// Blocks come from malloc. A table of live blocks lets a bad or repeated
// free be refused (ERROR_INVALID_HANDLE) instead of corrupting the heap, and
// answers sizes and lock counts. Moveable blocks never move, so a handle is
// always the block's address.
#include <os/sysinfo.h>
#include "os/base/warn.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unordered_map>

namespace {

struct Block
{
    SIZE_T size;
    int locks;
};

struct Heap
{
    std::mutex lock;
    std::unordered_map<void*, Block> blocks;
    std::unordered_map<void*, SIZE_T> reservations; // VirtualAlloc: start -> length
};

Heap& heap()
{
    static auto* h = new Heap; // never destroyed: blocks may be freed during exit
    return *h;
}

constexpr UINT kKnownFlags = LMEM_MOVEABLE | LMEM_ZEROINIT;

void* allocate(UINT flags, SIZE_T bytes)
{
    if (flags & ~kKnownFlags)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
    if (!block)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(heap().lock);
    heap().blocks[block] = Block{bytes, 0};
    return block;
}

// NULL when freed (or nothing to free), else the handle itself.
void* release(void* block)
{
    if (!block)
        return nullptr;
    {
        std::lock_guard<std::mutex> guard(heap().lock);
        if (heap().blocks.erase(block) == 0)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return block;
        }
    }
    std::free(block);
    return nullptr;
}

// Runs `use` on the live block under the heap lock; false when unknown.
template <class F>
bool with_block(void* handle, F use)
{
    std::lock_guard<std::mutex> guard(heap().lock);
    auto it = heap().blocks.find(handle);
    if (it == heap().blocks.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    use(it->second);
    return true;
}

SIZE_T block_size(void* handle)
{
    SIZE_T size = 0;
    with_block(handle, [&](Block& b) { size = b.size; });
    return size;
}

int protection(DWORD protect)
{
    switch (protect & 0xFF)
    {
    case PAGE_NOACCESS:
        return PROT_NONE;
    case PAGE_READONLY:
        return PROT_READ;
    case PAGE_READWRITE:
        return PROT_READ | PROT_WRITE;
    default:
        return -1;
    }
}

BOOL release_reservation(void* address)
{
    SIZE_T length = 0;
    {
        std::lock_guard<std::mutex> guard(heap().lock);
        auto it = heap().reservations.find(address);
        if (it == heap().reservations.end())
        {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        length = it->second;
        heap().reservations.erase(it);
    }
    munmap(address, length);
    return TRUE;
}

} // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    return allocate(flags, bytes);
}

HLOCAL LocalFree(HLOCAL block)
{
    return release(block);
}

SIZE_T LocalSize(HLOCAL block)
{
    return block_size(block);
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    return allocate(flags, bytes);
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    return release(block);
}

SIZE_T GlobalSize(HGLOBAL block)
{
    return block_size(block);
}

LPVOID GlobalLock(HGLOBAL block)
{
    return with_block(block, [](Block& b) { ++b.locks; }) ? block : nullptr;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    bool locked = false;
    bool known = with_block(block, [&](Block& b) {
        if (b.locks > 0)
            --b.locks;
        locked = b.locks > 0;
    });
    if (known && !locked)
        SetLastError(NO_ERROR);
    return locked ? TRUE : FALSE;
}

LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD type, DWORD protect)
{
    int prot = protection(protect);
    if (bytes == 0 || !(type & (MEM_COMMIT | MEM_RESERVE)) || prot < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (address)
    {
        // Committing pages inside a reservation: give them the protection.
        if (!(type & MEM_COMMIT) || mprotect(address, bytes, prot) != 0)
        {
            SetLastError(ERROR_INVALID_ADDRESS);
            return nullptr;
        }
        return address;
    }
    int effective = (type & MEM_COMMIT) ? prot : PROT_NONE;
    void* pages = mmap(nullptr, bytes, effective, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(heap().lock);
    heap().reservations[pages] = bytes;
    return pages;
}

BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD type)
{
    if (!address || !(type & (MEM_RELEASE | MEM_DECOMMIT)))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (type & MEM_DECOMMIT)
        return mprotect(address, bytes, PROT_NONE) == 0 ? TRUE : (SetLastError(ERROR_INVALID_ADDRESS), FALSE);
    // A release names the reservation's start with size 0.
    if (bytes != 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return release_reservation(address);
}

BOOL VirtualCopy(LPVOID, LPVOID, DWORD, DWORD)
{
    os::warn_once("kernel", "VirtualCopy is not supported (no physical memory to map)");
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
