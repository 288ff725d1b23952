// Conformance tests of run-time binding: LoadLibraryW, GetProcAddress and
// FreeLibrary over the table of stand-in libraries.
#include "os/kernel/module_private.h"

#include <os/module.h>
#include <os/process.h>

#include <gtest/gtest.h>

namespace {

int WINAPI answer_one()
{
    return 1;
}

int WINAPI answer_two()
{
    return 2;
}

class Module : public ::testing::Test
{
protected:
    void SetUp() override
    {
        os::module::register_library(u"fake.dll", {
                                                      {"One", 10, os::module::proc(answer_one)},
                                                      {"?Two@@YAHXZ", 0, os::module::proc(answer_two)},
                                                      {nullptr, 3, os::module::proc(answer_two)},
                                                  });
    }

    static int call(FARPROC p) { return reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(p))(); }
};

TEST_F(Module, NamesMatchLoosely)
{
    HMODULE first = LoadLibraryW(u"fake.dll");
    ASSERT_NE(first, nullptr);
    const char16_t* names[] = {u"FAKE.DLL", u"fake", u"\\Windows\\Fake.dll", u"Fake.Dll", u"\\windows\\FAKE"};
    for (const char16_t* name : names)
    {
        SetLastError(0xdeadbeef);
        HMODULE again = LoadLibraryW(name);
        EXPECT_EQ(again, first) << "name " << std::string(name, name + std::char_traits<char16_t>::length(name));
        EXPECT_TRUE(FreeLibrary(again));
    }
    EXPECT_TRUE(FreeLibrary(first));
}

TEST_F(Module, ExportsByNameAndOrdinal)
{
    HMODULE module = LoadLibraryW(u"fake.dll");
    ASSERT_NE(module, nullptr);
    struct Case
    {
        const char* how;
        FARPROC proc;
        int result;
    };
    const Case cases[] = {
        {"narrow name", GetProcAddress(module, "One"), 1},
        {"wide name", GetProcAddress(module, u"One"), 1},
        {"decorated name", GetProcAddress(module, u"?Two@@YAHXZ"), 2},
        {"ordinal of a named export", GetProcAddress(module, (LPCWSTR)(uintptr_t)10), 1},
        {"ordinal only", GetProcAddress(module, (LPCSTR)(uintptr_t)3), 2},
    };
    for (const Case& c : cases)
    {
        ASSERT_NE(c.proc, nullptr) << c.how;
        EXPECT_EQ(call(c.proc), c.result) << c.how;
    }
    FreeLibrary(module);
}

TEST_F(Module, UnknownExports)
{
    HMODULE module = LoadLibraryW(u"fake.dll");
    const struct
    {
        const char* how;
        LPCWSTR name;
    } cases[] = {
        {"unknown name", u"Three"},
        {"wrong case", u"one"},
        {"decorated form of a plain export", u"?One@@YAHXZ"},
        {"unknown ordinal", (LPCWSTR)(uintptr_t)11},
        {"ordinal 0", (LPCWSTR) nullptr},
    };
    for (const auto& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetProcAddress(module, c.name), nullptr) << c.how;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND) << c.how;
    }
    FreeLibrary(module);
}

TEST_F(Module, ReferenceCounting)
{
    int loads = os::module::load_total(u"fake.dll");
    HMODULE a = LoadLibraryW(u"fake.dll");
    HMODULE b = LoadLibraryW(u"fake");
    EXPECT_EQ(os::module::reference_count(u"fake.dll"), 2);
    EXPECT_EQ(GetModuleHandleW(u"FAKE.DLL"), a);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(GetProcAddress(b, "One"), nullptr) << "one reference left";
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(os::module::reference_count(u"fake.dll"), 0);
    EXPECT_EQ(os::module::load_total(u"fake.dll"), loads + 2);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(b, "One"), nullptr) << "freed for good";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FreeLibrary(b)) << "more frees than loads";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleHandleW(u"fake.dll"), nullptr) << "not loaded";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
    HMODULE c = LoadLibraryW(u"fake.dll");
    EXPECT_NE(c, nullptr) << "loads again";
    FreeLibrary(c);
}

TEST_F(Module, AbsentAndUnknownLibraries)
{
    HMODULE held = LoadLibraryW(u"fake.dll");
    os::module::set_library_absent(u"Fake.dll", true);
    struct Case
    {
        const char* how;
        LPCWSTR name;
        DWORD error;
    };
    const Case cases[] = {
        {"absent", u"fake.dll", ERROR_MOD_NOT_FOUND},
        {"never registered", u"gxdma.dll", ERROR_MOD_NOT_FOUND},
        {"empty name", u"", ERROR_INVALID_PARAMETER},
        {"null name", nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(LoadLibraryW(c.name), nullptr) << c.how;
        EXPECT_EQ(GetLastError(), c.error) << c.how;
    }
    EXPECT_NE(GetProcAddress(held, "One"), nullptr) << "a reference taken before stays valid";
    EXPECT_TRUE(FreeLibrary(held));
    os::module::set_library_absent(u"fake", false);
    HMODULE back = LoadLibraryW(u"fake.dll");
    EXPECT_NE(back, nullptr);
    FreeLibrary(back);
}

TEST_F(Module, BadHandles)
{
    for (HMODULE bad : {(HMODULE) nullptr, os::module::program_instance(), (HMODULE)(uintptr_t)0x1234})
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetProcAddress(bad, "One"), nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(FreeLibrary(bad));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
}

TEST_F(Module, ReplacingExportsKeepsHandles)
{
    HMODULE module = LoadLibraryW(u"fake.dll");
    os::module::register_library(u"fake.dll", {{"One", 10, os::module::proc(answer_two)}});
    FARPROC one = GetProcAddress(module, "One");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(call(one), 2);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(module, "?Two@@YAHXZ"), nullptr) << "a removed export";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
}

} // namespace
