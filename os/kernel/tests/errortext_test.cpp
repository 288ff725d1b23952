// Conformance tests of the system's error texts (FormatMessageW).
#include <os/sysinfo.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

constexpr DWORD kSystemFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// The text as the programs ask for it, or "" with the call's answer in *length.
std::u16string system_text(DWORD code, DWORD* length = nullptr)
{
    LPWSTR text = nullptr;
    DWORD n = FormatMessageW(kSystemFlags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length)
        *length = n;
    std::u16string result = text ? std::u16string(text, n) : u"";
    if (text)
    {
        EXPECT_EQ(LocalFree(text), nullptr) << "the text is a local block";
    }
    return result;
}

TEST(FormatMessageW, KnownTexts)
{
    struct Case
    {
        DWORD code;
        std::u16string text;
    };
    const Case cases[] = {
        {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
        {ERROR_INVALID_PARAMETER, u"The parameter is incorrect.\r\n"},
        {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\r\n"},
        {ERROR_NOT_ENOUGH_MEMORY, u"Not enough storage is available to process this command.\r\n"},
    };
    for (const Case& c : cases)
    {
        DWORD length = 0;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(system_text(c.code, &length), c.text) << "code " << c.code;
        EXPECT_EQ(length, c.text.size()) << "code " << c.code << ": the length without the terminator";
    }
}

// Every error code the platform layer declares has a text: read the codes
// from the declarations themselves, so a code added later without a text is
// caught here.
TEST(FormatMessageW, EveryDeclaredCodeHasText)
{
    // The source tree is found through the build tree's cache: a compiler
    // cache may compile this file under a relative name.
    const char* build = std::getenv("HH_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "HH_BUILD_DIR is not set";
    std::ifstream cache(std::filesystem::path(build) / "CMakeCache.txt");
    std::string root;
    for (std::string entry; std::getline(cache, entry);)
        if (entry.rfind("CMAKE_HOME_DIRECTORY:INTERNAL=", 0) == 0)
            root = entry.substr(entry.find('=') + 1);
    ASSERT_FALSE(root.empty()) << "no source folder in the build tree's cache";
    std::filesystem::path types = std::filesystem::path(root) / "os/include/os/types.h";
    std::ifstream in(types);
    ASSERT_TRUE(in) << "cannot read " << types;
    std::regex declaration(R"(^#define\s+(ERROR_\w+|WAIT_TIMEOUT|NO_ERROR)\s+(\d+)L?\s*$)");
    int codes = 0;
    std::string line;
    while (std::getline(in, line))
    {
        std::smatch m;
        if (!std::regex_match(line, m, declaration))
            continue;
        ++codes;
        DWORD code = DWORD(std::stoul(m[2].str()));
        std::u16string text = system_text(code);
        EXPECT_GT(text.size(), 2u) << m[1].str() << " (" << code << ") has no text";
        EXPECT_TRUE(text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0)
            << m[1].str() << ": texts end in CRLF";
    }
    EXPECT_GT(codes, 0) << "no error codes found in " << types;
}

TEST(FormatMessageW, CallerBuffer)
{
    const std::u16string expected = u"Access is denied.\r\n"; // 19 characters
    struct Case
    {
        DWORD size;
        DWORD answer;
        DWORD error;
    };
    const Case cases[] = {{64, 19, 0xdeadbeef}, {20, 19, 0xdeadbeef}, {19, 0, ERROR_INSUFFICIENT_BUFFER}, {0, 0, ERROR_INSUFFICIENT_BUFFER}};
    for (const Case& c : cases)
    {
        WCHAR buffer[64] = {};
        SetLastError(0xdeadbeef);
        DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 ERROR_ACCESS_DENIED, 0, buffer, c.size, nullptr);
        EXPECT_EQ(n, c.answer) << "size " << c.size;
        EXPECT_EQ(GetLastError(), c.error) << "size " << c.size;
        if (n)
        {
            EXPECT_EQ(std::u16string(buffer), expected);
        }
    }
}

TEST(FormatMessageW, AllocatesAtLeastTheMinimum)
{
    LPWSTR text = nullptr;
    DWORD n = FormatMessageW(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, reinterpret_cast<LPWSTR>(&text), 200,
                             nullptr);
    EXPECT_EQ(n, 19u);
    ASSERT_NE(text, nullptr);
    EXPECT_GE(LocalSize(text), 200 * sizeof(WCHAR));
    LocalFree(text);
}

TEST(FormatMessageW, Errors)
{
    struct Case
    {
        const char* name;
        DWORD flags;
        DWORD code;
        bool buffer;
        DWORD error;
    };
    const Case cases[] = {
        {"unknown code", kSystemFlags, 0x12345, true, ERROR_MR_MID_NOT_FOUND},
        {"from a string", FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, 2, true, ERROR_INVALID_PARAMETER},
        {"from a module", FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM, 2, true, ERROR_INVALID_PARAMETER},
        {"no source", FORMAT_MESSAGE_ALLOCATE_BUFFER, 2, true, ERROR_INVALID_PARAMETER},
        {"no buffer", kSystemFlags, 2, false, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        LPWSTR text = nullptr;
        SetLastError(0xdeadbeef);
        DWORD n = FormatMessageW(c.flags, nullptr, c.code, 0, c.buffer ? reinterpret_cast<LPWSTR>(&text) : nullptr,
                                 0, nullptr);
        EXPECT_EQ(n, 0u) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(text, nullptr) << c.name << ": nothing allocated";
    }
}

} // namespace
