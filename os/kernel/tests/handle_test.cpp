// Conformance tests of the kernel handle table and the last error.
#include "os/kernel/handle.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class Dummy : public os::KernelObject
{
public:
    explicit Dummy(int* alive) : alive_(alive) { ++*alive_; }
    ~Dummy() override { --*alive_; }
    os::ObjectType type() const override { return os::ObjectType::Other; }

private:
    int* alive_;
};

TEST(Handle, InsertGetClose)
{
    int alive = 0;
    size_t before = os::handle_count();
    HANDLE h = os::handle_insert(std::make_shared<Dummy>(&alive));
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::handle_count(), before + 1);
    EXPECT_NE(os::handle_get(h), nullptr);
    EXPECT_TRUE(os::handle_close(h));
    EXPECT_EQ(alive, 0) << "closing the last reference must free the object";
    EXPECT_EQ(os::handle_count(), before);
}

TEST(Handle, StaleAndForgedHandlesAreRefused)
{
    int alive = 0;
    HANDLE h = os::handle_insert(std::make_shared<Dummy>(&alive));
    ASSERT_TRUE(os::handle_close(h));
    // The slot is reused by the next object; the old handle must not reach it.
    HANDLE h2 = os::handle_insert(std::make_shared<Dummy>(&alive));
    EXPECT_NE(h, h2);
    const HANDLE bad[] = {h, nullptr, INVALID_HANDLE_VALUE, (HANDLE)(uintptr_t)1, (HANDLE)(uintptr_t)0x12345677};
    for (HANDLE b : bad)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(os::handle_get(b), nullptr) << "handle " << b;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(os::handle_close(b));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    EXPECT_TRUE(os::handle_close(h2));
}

TEST(Handle, HeldReferenceOutlivesClose)
{
    int alive = 0;
    HANDLE h = os::handle_insert(std::make_shared<Dummy>(&alive));
    auto held = os::handle_get(h);
    ASSERT_TRUE(os::handle_close(h));
    EXPECT_EQ(alive, 1);
    held.reset();
    EXPECT_EQ(alive, 0);
}

TEST(LastError, IsPerThread)
{
    SetLastError(42);
    DWORD seen = 0;
    std::thread other([&] {
        seen = GetLastError();
        SetLastError(7);
    });
    other.join();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(GetLastError(), 42u);
}

} // namespace
