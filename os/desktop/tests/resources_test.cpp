// resources_test.cpp -- FindResourceA, LoadResource, LockResource,
// SizeofResource and LoadStringA over the program's resource table
#include <os/desktop.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include "os/testing/desktop.h"

namespace {

class Resources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        os::desktop::add_resource(100, 1, std::vector<uint8_t>{'a', 'b', 0, 'c'});
        os::desktop::add_resource(100, 7, std::vector<uint8_t>{});
        os::desktop::add_resource("SCRIPT", "Intro", std::vector<uint8_t>{'x'});
        os::desktop::add_string(1, "Cabmover");
        os::desktop::add_string(2, "");
    }
};

TEST_F(Resources, FindsByNumberTextAndName)
{
    struct Case
    {
        const char* what;
        LPCSTR name;
        LPCSTR type;
        bool found;
    };
    const Case cases[] = {
        {"numbers", MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(100), true},
        {"#texts", "#1", "#100", true},
        {"number and #text", MAKEINTRESOURCEA(1), "#100", true},
        {"name in other case", "INTRO", "script", true},
        {"empty resource", MAKEINTRESOURCEA(7), MAKEINTRESOURCEA(100), true},
        {"missing id", MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(100), false},
        {"missing type", MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(101), false},
        {"id of another type", MAKEINTRESOURCEA(1), "SCRIPT", false},
        {"# without digits", "#", "#100", false},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        HRSRC found = FindResourceA(nullptr, c.name, c.type);
        EXPECT_EQ(found != nullptr, c.found) << c.what;
        if (!c.found)
        {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND)) << c.what;
        }
    }
}

TEST_F(Resources, GivesTheBytesAndTheirSize)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(100));
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(self, found), 4u);
    const char* bytes = (const char*)LockResource(LoadResource(self, found));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, 4), std::string("ab\0c", 4));
    EXPECT_EQ(SizeofResource(self, FindResourceA(self, MAKEINTRESOURCEA(7), MAKEINTRESOURCEA(100))), 0u);
}

TEST_F(Resources, ForeignModuleAndNullArgumentsFail)
{
    EXPECT_EQ(FindResourceA((HMODULE)0x1234, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(100)), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, nullptr, MAKEINTRESOURCEA(100)), nullptr);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST_F(Resources, RemovedResourceIsGone)
{
    EXPECT_TRUE(os::desktop::remove_resource(100, 1));
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(100)), nullptr);
    EXPECT_FALSE(os::desktop::remove_resource(100, 1));
}

TEST_F(Resources, LoadStringCutsAndAlwaysTerminates)
{
    struct Case
    {
        UINT id;
        int size;
        int length;
        const char* text;
    };
    const Case cases[] = {
        {1, 256, 8, "Cabmover"}, {1, 9, 8, "Cabmover"}, {1, 8, 7, "Cabmove"},
        {1, 1, 0, ""},           {2, 16, 0, ""},        {99, 16, 0, ""},
    };
    for (const Case& c : cases)
    {
        char buffer[300];
        std::memset(buffer, 'Z', sizeof(buffer));
        EXPECT_EQ(LoadStringA(nullptr, c.id, buffer, c.size), c.length) << "id " << c.id << " size " << c.size;
        EXPECT_STREQ(buffer, c.text) << "id " << c.id << " size " << c.size;
    }
    char buffer[4] = "abc";
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, 0), 0);
    EXPECT_STREQ(buffer, "abc") << "a size of 0 writes nothing";
}

} // namespace
