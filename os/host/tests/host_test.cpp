// host_test.cpp -- choosing the back end, replacing it, and the environment
#include "os/host/host.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace os::host;

namespace {

// A back end that only answers its name and the child's variables.
class FakeBackend : public Backend
{
public:
    const char* name() const override { return "fake"; }
    uint64_t now_ms() override { return 42; }
    void sleep_ms(uint32_t) override {}
    void present(const RECT*) override {}
    bool poll_event(Event&) override { return false; }
    bool wait_event(Event&, uint32_t) override { return false; }
    void wake() override {}
    int message_box(const std::u16string&, const std::u16string&, UINT) override { return 2; }
    void text_input(bool) override {}
    void set_cursor(int) override {}
    bool audio_start(int, AudioFill, void*) override { return false; }
    void audio_stop() override {}
    std::vector<std::pair<std::string, std::string>> handover_environment() override { return {{"FAKE", "1"}}; }
};

} // namespace

TEST(HostBackend, ChosenFromTheEnvironment)
{
    struct
    {
        const char* os_backend; // nullptr: unset
        const char* display;    // nullptr: unset
        const char* expected;
    } cases[] = {
        {"headless", nullptr, "headless"},
        {"headless", ":0", "headless"},
        {nullptr, nullptr, "headless"},
    };
    for (auto& c : cases)
    {
        EXPECT_EXIT(
            {
                c.os_backend ? setenv("OS_BACKEND", c.os_backend, 1) : unsetenv("OS_BACKEND");
                c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
                unsetenv("WAYLAND_DISPLAY");
                exit(std::string(backend().name()) == c.expected ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << "OS_BACKEND=" << (c.os_backend ? c.os_backend : "(unset)")
            << " DISPLAY=" << (c.display ? c.display : "(unset)");
    }
}

TEST(HostBackend, UnknownBackendIsAClearError)
{
    EXPECT_EXIT(
        {
            setenv("OS_BACKEND", "vga", 1);
            backend();
        },
        testing::ExitedWithCode(2), "OS_BACKEND=vga is not a back end; use headless or sdl");
}

TEST(HostBackend, TestsInstallTheirOwn)
{
    FakeBackend fake;
    EXPECT_STREQ("headless", backend().name());
    set_backend(&fake);
    EXPECT_EQ(&fake, &backend());
    EXPECT_EQ(42u, backend().now_ms());
    auto vars = child_environment();
    ASSERT_EQ(1u, vars.size()) << "child_environment asks the current back end";
    EXPECT_EQ("FAKE", vars[0].first);
    set_backend(nullptr);
    EXPECT_STREQ("headless", backend().name()) << "nullptr goes back to the default";
}

TEST(HostEnv, ValueOrFallback)
{
    setenv("HH_HOST_TEST_SET", "value", 1);
    setenv("HH_HOST_TEST_EMPTY", "", 1);
    unsetenv("HH_HOST_TEST_UNSET");
    struct
    {
        const char* name;
        const char* fallback;
        const char* expected;
    } cases[] = {
        {"HH_HOST_TEST_SET", "x", "value"},
        {"HH_HOST_TEST_EMPTY", "x", ""},
        {"HH_HOST_TEST_UNSET", "x", "x"},
        {"HH_HOST_TEST_UNSET", "", ""},
    };
    for (auto& c : cases)
    {
        EXPECT_EQ(c.expected, env(c.name, c.fallback)) << c.name;
    }
    EXPECT_EQ("", env("HH_HOST_TEST_UNSET")) << "the fallback defaults to empty";
}
