// kernel_notice_test.cpp -- a damaged registry is told in a message box, in
// device paths, once the program has a window to show it over
#include "msg_log.h"

#include "os/host/headless.h"
#include "os/testing/kernel.h"

#include <os/registry.h>
#include <os/user.h>

#include <gtest/gtest.h>

#include <filesystem>

using namespace msglog;

namespace {

// The boxes the headless back end recorded that speak of the registry.
std::vector<os::host::headless::BoxRecord> registry_boxes()
{
    std::vector<os::host::headless::BoxRecord> found;
    for (const auto& box : os::host::headless::boxes())
        if (box.text.find(u"registry") != std::u16string::npos)
            found.push_back(box);
    return found;
}

TEST(KernelNotice, DamagedRegistryIsToldOnceInABoxAfterTheFirstWindow)
{
    os::testing::put("registry", "HHREG 1\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=4,4:01000000\n\x01\x02 garbage\n");
    // Read at start-up, before the program has a window (and its screen).
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\T", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    pump();
    EXPECT_TRUE(registry_boxes().empty()) << "no box before a window is shown";
    HWND hidden = make_top(WS_POPUP);
    pump();
    EXPECT_TRUE(registry_boxes().empty()) << "nor while the only window is hidden";

    HWND top = make_top();
    pump();
    ASSERT_EQ(registry_boxes().size(), 1u) << "told once the program has a window";
    const auto box = registry_boxes()[0];
    EXPECT_EQ(box.caption, u"Warning");
    EXPECT_EQ(box.flags, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(box.text.find(u"\\registry was damaged"), std::u16string::npos) << os::path::utf8(box.text);
    EXPECT_NE(box.text.find(u"set aside as \\registry.damaged"), std::u16string::npos) << os::path::utf8(box.text);
    EXPECT_EQ(box.text.find(os::utf::utf16(os::path::device_root())), std::u16string::npos)
        << "device paths, not the host's: " << os::path::utf8(box.text);

    // Read again, by this process and after a restart of the window: said once.
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\T", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    DestroyWindow(top);
    top = make_top();
    pump();
    EXPECT_EQ(registry_boxes().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(os::testing::host("registry.damaged")));
    DestroyWindow(top);
    DestroyWindow(hidden);
}

} // namespace
