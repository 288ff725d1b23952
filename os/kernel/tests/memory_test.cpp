// Conformance tests of memory blocks, the address space, the memory status
// and the system facts.
#include "os/kernel/sysinfo_private.h"

#include <os/sysinfo.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

bool all_zero(const void* p, size_t n)
{
    auto* bytes = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (bytes[i])
            return false;
    return true;
}

TEST(LocalAlloc, FlagsSizesAndFree)
{
    struct Case
    {
        UINT flags;
        SIZE_T size;
        bool zeroed;
    };
    const Case cases[] = {
        {LMEM_FIXED, 16, false}, {LPTR, 4096, true}, {LHND, 100, true}, {LMEM_MOVEABLE, 1, false}, {LPTR, 0, true},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        HLOCAL block = LocalAlloc(c.flags, c.size);
        ASSERT_NE(block, nullptr) << "flags " << c.flags << " size " << c.size;
        EXPECT_EQ(LocalSize(block), c.size);
        if (c.zeroed)
        {
            EXPECT_TRUE(all_zero(block, c.size)) << "flags " << c.flags;
        }
        std::memset(block, 0xAB, c.size); // writable over its whole size
        EXPECT_EQ(LocalFree(block), nullptr);
    }
}

TEST(LocalAlloc, BadFreeIsRefused)
{
    HLOCAL block = LocalAlloc(LPTR, 8);
    EXPECT_EQ(LocalFree(block), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LocalFree(block), block) << "freed twice";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    int local = 0;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LocalFree(&local), &local) << "not a block";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LocalAlloc(0x8000, 8), nullptr) << "unknown flag";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(GlobalAlloc, LockCounts)
{
    HGLOBAL block = GlobalAlloc(GHND, 64);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(all_zero(block, 64));
    EXPECT_EQ(GlobalSize(block), 64u);
    void* first = GlobalLock(block);
    void* second = GlobalLock(block);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second) << "the block never moves";
    EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR) << "unlocked for good";
    EXPECT_EQ(GlobalFree(block), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GlobalLock(block), nullptr) << "freed";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(LocalAlloc, SharedWithGlobal)
{
    HLOCAL block = LocalAlloc(LPTR, 32);
    EXPECT_EQ(GlobalSize(block), 32u);
    EXPECT_EQ(GlobalFree(block), nullptr) << "one heap for both";
}

TEST(VirtualAlloc, ReserveCommitRelease)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    SIZE_T size = 4 * info.dwPageSize;
    auto* reserved = static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(reserved, nullptr);
    EXPECT_EQ(VirtualAlloc(reserved, info.dwPageSize, MEM_COMMIT, PAGE_READWRITE), reserved);
    reserved[0] = 7; // committed read-write
    EXPECT_EQ(reserved[0], 7);
    auto* committed = static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(committed, nullptr);
    EXPECT_TRUE(all_zero(committed, size));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(VirtualFree(reserved, size, MEM_RELEASE)) << "a release names the start with size 0";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(VirtualFree(reserved, 0, MEM_RELEASE));
    EXPECT_TRUE(VirtualFree(committed, 0, MEM_RELEASE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(VirtualFree(committed, 0, MEM_RELEASE)) << "released twice";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ADDRESS);
}

TEST(VirtualAlloc, Errors)
{
    struct Case
    {
        SIZE_T size;
        DWORD type;
        DWORD protect;
    };
    const Case cases[] = {{0, MEM_COMMIT, PAGE_READWRITE}, {4096, 0, PAGE_READWRITE}, {4096, MEM_COMMIT, 0x80}};
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(VirtualAlloc(nullptr, c.size, c.type, c.protect), nullptr) << c.size << " " << c.type;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(VirtualCopy(nullptr, nullptr, 4096, PAGE_READWRITE | PAGE_NOCACHE)) << "no physical memory here";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
}

class MemoryStatus : public ::testing::Test
{
protected:
    void TearDown() override
    {
        os::sysinfo::clear_available_memory();
        unsetenv("OS_MEM_AVAIL");
    }
};

TEST_F(MemoryStatus, AvailableIsClampedAndOverridable)
{
    struct Case
    {
        const char* how;
        const char* env;
        bool hook;
        uint64_t hook_value;
        DWORD expected;
    };
    const Case cases[] = {
        {"hook, small", nullptr, true, 123456, 123456},
        {"hook, exactly 4 GiB - 1", nullptr, true, 0xFFFFFFFFull, 0xFFFFFFFFu},
        {"hook, 4 GiB", nullptr, true, 0x100000000ull, 0xFFFFFFFFu},
        {"hook, 64 GiB", nullptr, true, 64ull << 30, 0xFFFFFFFFu},
        {"hook, none", nullptr, true, 0, 0},
        {"environment", "5000000", false, 0, 5000000},
        {"environment above 4 GiB", "8589934592", false, 0, 0xFFFFFFFFu},
        {"hook over environment", "5000000", true, 42, 42},
    };
    for (const Case& c : cases)
    {
        os::sysinfo::clear_available_memory();
        if (c.env)
            setenv("OS_MEM_AVAIL", c.env, 1);
        else
            unsetenv("OS_MEM_AVAIL");
        if (c.hook)
            os::sysinfo::set_available_memory(c.hook_value);
        MEMORYSTATUS status{};
        status.dwLength = sizeof(status);
        GlobalMemoryStatus(&status);
        EXPECT_EQ(status.dwAvailPhys, c.expected) << c.how;
        EXPECT_EQ(status.dwLength, sizeof(status));
        EXPECT_LE(status.dwMemoryLoad, 100u) << c.how;
    }
}

TEST_F(MemoryStatus, HostFigures)
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    EXPECT_GT(status.dwTotalPhys, 0u);
    EXPECT_GT(status.dwAvailPhys, 0u);
    EXPECT_NE(status.dwTotalVirtual, 0u);
    setenv("OS_MEM_AVAIL", "not a number", 1);
    MEMORYSTATUS bad{};
    GlobalMemoryStatus(&bad);
    EXPECT_GT(bad.dwAvailPhys, 0u) << "a malformed override is ignored";
}

TEST(SystemInfo, DeviceFacts)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_ARM);
    EXPECT_GT(info.dwPageSize, 0u);
    EXPECT_EQ(info.dwPageSize & (info.dwPageSize - 1), 0u) << "a power of two";
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_NE(info.dwActiveProcessorMask, 0u);
}

TEST(GetVersionExW, WindowsCe)
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_CE);
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 20u);
    info.dwOSVersionInfoSize = sizeof(info) - 2;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetVersionExW(&info)) << "size field too small";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetVersionExW(nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

} // namespace
