// sysinfo.cpp -- memory status, system facts and the version
//
// The programs see a Windows CE 4.20 device with an ARM processor. Memory
// figures come from the host, each clamped to the 32-bit fields; the free
// physical memory can be set by OS_MEM_AVAIL (bytes) or by a test.
#include "os/kernel/sysinfo_private.h"
#include "os/host/host.h"

#include <os/sysinfo.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sys/sysinfo.h>
#include <thread>
#include <unistd.h>

namespace os::sysinfo {

namespace {

std::atomic<bool> g_memory_set{false};
std::atomic<uint64_t> g_memory{0};

DWORD clamp32(uint64_t value)
{
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : DWORD(value);
}

// Free physical bytes: the test's value, OS_MEM_AVAIL, or the host's.
uint64_t available_physical(uint64_t host_free)
{
    if (g_memory_set.load())
        return g_memory.load();
    std::string text = os::host::env("OS_MEM_AVAIL");
    if (!text.empty())
    {
        char* end = nullptr;
        unsigned long long value = std::strtoull(text.c_str(), &end, 10);
        if (end && *end == 0)
            return value;
    }
    return host_free;
}

// Bytes the host could give without swapping (MemAvailable counts the page
// cache it would drop); free plus buffers on hosts that do not say.
uint64_t host_available(const struct sysinfo& host, uint64_t unit)
{
    if (FILE* meminfo = std::fopen("/proc/meminfo", "r"))
    {
        char line[256];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found)
            return uint64_t(kib) * 1024;
    }
    return uint64_t(host.freeram + host.bufferram) * unit;
}

} // namespace

void set_available_memory(uint64_t bytes)
{
    g_memory.store(bytes);
    g_memory_set.store(true);
}

void clear_available_memory()
{
    g_memory_set.store(false);
}

} // namespace os::sysinfo

void GlobalMemoryStatus(LPMEMORYSTATUS status)
{
    if (!status)
        return;
    struct sysinfo host{};
    ::sysinfo(&host);
    uint64_t unit = host.mem_unit ? host.mem_unit : 1;
    uint64_t total = uint64_t(host.totalram) * unit;
    uint64_t available = os::sysinfo::available_physical(os::sysinfo::host_available(host, unit));
    status->dwLength = sizeof(MEMORYSTATUS);
    status->dwTotalPhys = os::sysinfo::clamp32(total);
    status->dwAvailPhys = os::sysinfo::clamp32(available);
    status->dwMemoryLoad = total ? DWORD(100 - (available >= total ? 100 : available * 100 / total)) : 0;
    status->dwTotalPageFile = 0;
    status->dwAvailPageFile = 0;
    status->dwTotalVirtual = 0x02000000; // a device process has a 32 MiB slot
    status->dwAvailVirtual = 0x02000000;
}

void GetSystemInfo(LPSYSTEM_INFO info)
{
    if (!info)
        return;
    *info = SYSTEM_INFO{};
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM;
    info->dwPageSize = DWORD(sysconf(_SC_PAGESIZE));
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t(0x10000));
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t(0x7FFEFFFF));
    unsigned processors = std::thread::hardware_concurrency();
    info->dwNumberOfProcessors = processors ? processors : 1;
    info->dwActiveProcessorMask = processors >= 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << info->dwNumberOfProcessors) - 1;
    info->dwProcessorType = PROCESSOR_STRONGARM;
    info->dwAllocationGranularity = 0x10000;
    info->wProcessorLevel = 4;
}

BOOL GetVersionExW(LPOSVERSIONINFOW info)
{
    if (!info)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW))
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 20;
    info->dwBuildNumber = 1081;
    info->dwPlatformId = VER_PLATFORM_WIN32_CE;
    info->szCSDVersion[0] = 0;
    return TRUE;
}
