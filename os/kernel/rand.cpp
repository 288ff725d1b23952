// rand.cpp -- the C runtime's 15-bit linear congruential generator
//
// One state per process, as on the device. Threads may draw at once: the
// state is advanced with a compare-and-swap so that no draw is lost or doubled.
#include <os/wstring.h>

#include <atomic>
#include "os/testing/kernel.h"

namespace {

std::atomic<uint32_t> g_state{1};
std::atomic<int (*)()> g_hook{nullptr};

uint32_t next_state(uint32_t state)
{
    return state * 214013u + 2531011u;
}

} // namespace

int os_rand()
{
    if (int (*hook)() = g_hook.load())
        return hook();
    uint32_t state = g_state.load(std::memory_order_relaxed);
    while (!g_state.compare_exchange_weak(state, next_state(state), std::memory_order_relaxed))
    {
    }
    return int((next_state(state) >> 16) & 0x7FFF);
}

void os_srand(unsigned int seed)
{
    g_state.store(seed, std::memory_order_relaxed);
}

namespace os {

void set_rand_hook(int (*hook)())
{
    g_hook.store(hook);
}

} // namespace os
