// lookup_test.cpp -- FindWindowW in this process and across processes
//
// The cross-process cases start this test program again as a child that
// owns the window (HH_LOOKUP_CHILD set): it creates the window, reports on
// its standard output and takes commands ("destroy", "quit") on its input.
#include <os/user.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

LRESULT CALLBACK lookup_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void register_plain(LPCWSTR name)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = lookup_proc;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

HWND make_window(LPCWSTR cls, LPCWSTR title)
{
    register_plain(cls);
    return CreateWindowExW(0, cls, title, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

std::u16string widen(const char* text)
{
    std::u16string out;
    for (; text && *text; ++text)
    {
        out += (char16_t)(unsigned char)*text;
    }
    return out;
}

void say(const char* line)
{
    (void)!write(1, line, std::strlen(line));
}

// The child: owns the window until told to destroy it.
int child_main()
{
    std::u16string cls = widen(getenv("HH_LOOKUP_CLASS"));
    std::u16string title = widen(getenv("HH_LOOKUP_TITLE"));
    HWND target = make_window(cls.c_str(), title.c_str());
    HWND other = make_window(u"LookupOther", u"other");
    if (!target || !other || GetActiveWindow() != other)
    {
        say("failed\n");
        return 1;
    }
    say("ready\n");
    bool raised = false;
    std::string input;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
    {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        {
            DispatchMessageW(&m);
        }
        if (!raised && GetActiveWindow() == target)
        {
            raised = true;
            say("raised\n");
        }
        pollfd p{0, POLLIN, 0};
        char c;
        if (poll(&p, 1, 5) > 0 && read(0, &c, 1) == 1)
        {
            if (c != '\n')
            {
                input += c;
                continue;
            }
            if (input == "destroy")
            {
                DestroyWindow(target);
                say("destroyed\n");
            }
            if (input == "quit")
            {
                return 0;
            }
            input.clear();
        }
    }
    return 2;
}

const bool g_is_child = getenv("HH_LOOKUP_CHILD") ? (_exit(child_main()), true) : false;

class Child
{
public:
    // `set`: "NAME=value" entries the child gets instead of this process's.
    Child(const char* cls, const char* title, const std::vector<std::string>& set = {})
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
        {
            return;
        }
        std::vector<std::string> env_text;
        for (char** e = environ; *e; ++e)
        {
            bool replaced = false;
            for (const std::string& entry : set)
            {
                replaced = replaced || std::strncmp(*e, entry.c_str(), entry.find('=') + 1) == 0;
            }
            if (!replaced)
            {
                env_text.push_back(*e);
            }
        }
        env_text.push_back("HH_LOOKUP_CHILD=1");
        env_text.push_back(std::string("HH_LOOKUP_CLASS=") + cls);
        env_text.push_back(std::string("HH_LOOKUP_TITLE=") + title);
        env_text.insert(env_text.end(), set.begin(), set.end());
        std::vector<char*> env;
        for (auto& s : env_text)
        {
            env.push_back(s.data());
        }
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char self[] = "/proc/self/exe";
        char* argv[] = {self, nullptr};
        if (posix_spawn(&pid_, "/proc/self/exe", &actions, nullptr, argv, env.data()) != 0)
        {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        to_child_ = in[1];
        from_child_ = out[0];
    }

    ~Child()
    {
        tell("quit");
        close(to_child_);
        close(from_child_);
        if (pid_ > 0)
        {
            int status;
            waitpid(pid_, &status, 0);
        }
    }

    void tell(const char* line)
    {
        std::string text = std::string(line) + "\n";
        (void)!write(to_child_, text.data(), text.size());
    }

    // The next line from the child, or "" after 10 s.
    std::string line()
    {
        std::string text;
        char c;
        for (;;)
        {
            pollfd p{from_child_, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0 || read(from_child_, &c, 1) != 1)
            {
                return "";
            }
            if (c == '\n')
            {
                return text;
            }
            text += c;
        }
    }

private:
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
};

} // namespace

TEST(FindWindow, OwnWindowsBeforeAndAfterDestroy)
{
    HWND hwnd = make_window(u"FinderClass", u"Finder Title");
    ASSERT_NE(hwnd, nullptr);
    struct Case
    {
        LPCWSTR cls;
        LPCWSTR title;
        bool found;
    } cases[] = {
        {u"FinderClass", u"Finder Title", true}, {u"finderclass", u"FINDER TITLE", true},
        {u"FinderClass", nullptr, true},         {nullptr, u"Finder Title", true},
        {u"FinderClass", u"Other", false},       {u"Other", u"Finder Title", false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(FindWindowW(c.cls, c.title), c.found ? hwnd : nullptr)
            << (c.cls ? "class" : "no class") << " / " << (c.title ? "title" : "no title");
    }
    HWND child = CreateWindowExW(0, u"FinderClass", u"Child Title", WS_CHILD, 0, 0, 1, 1, hwnd, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, u"Child Title"), nullptr) << "only top-level windows are found";
    SetWindowTextW(hwnd, u"Renamed");
    EXPECT_EQ(FindWindowW(u"FinderClass", u"Renamed"), hwnd);
    EXPECT_EQ(FindWindowW(u"FinderClass", u"Finder Title"), nullptr);
    DestroyWindow(hwnd);
    EXPECT_EQ(FindWindowW(u"FinderClass", u"Renamed"), nullptr);
    EXPECT_EQ(FindWindowW(u"FinderClass", nullptr), nullptr);
}

TEST(FindWindow, AnotherProcessesWindowUntilItsDestroyReturns)
{
    Child child("Vasko-Skyrend", "Vasko-Skyrend");
    ASSERT_EQ(child.line(), "ready");
    HWND found = FindWindowW(u"Vasko-Skyrend", u"Vasko-Skyrend");
    ASSERT_NE(found, nullptr) << "a live window of another process must be found";
    EXPECT_TRUE(IsWindow(found));
    EXPECT_NE(FindWindowW(u"VASKO-SKYREND", nullptr), nullptr);
    EXPECT_NE(FindWindowW(nullptr, u"vasko-skyrend"), nullptr);
    EXPECT_EQ(FindWindowW(u"Vasko-Skyrend", u"another title"), nullptr);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetWindowLongW(found, GWL_STYLE), 0) << "a proxy is good for SetForegroundWindow only";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessageW(found, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);

    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_EQ(child.line(), "raised") << "the other process activates its window on request";

    child.tell("destroy");
    ASSERT_EQ(child.line(), "destroyed");
    EXPECT_EQ(FindWindowW(u"Vasko-Skyrend", u"Vasko-Skyrend"), nullptr)
        << "found after DestroyWindow returned, while the process still runs";
    EXPECT_FALSE(IsWindow(found));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetForegroundWindow(found));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST(FindWindow, OtherInstancesAreInvisible)
{
    Child child("Ravenor", "Ravenor", {"OS_INSTANCE=some-other-instance"});
    ASSERT_EQ(child.line(), "ready");
    EXPECT_EQ(FindWindowW(u"Ravenor", u"Ravenor"), nullptr) << "OS_INSTANCE keeps runs apart";
}

// One device tree reached by two paths (one through a symbolic link) is one
// device: its windows are found from either path. Another tree's are not.
TEST(FindWindow, ATreeReachedThroughALinkIsTheSameDevice)
{
    char pattern[] = "/tmp/lookup-tree-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path scratch = pattern;
    std::filesystem::create_directories(scratch / "tree");
    std::filesystem::create_directories(scratch / "other");
    std::filesystem::create_symlink(scratch / "tree", scratch / "link");
    const char* before = getenv("OS_DEVICE_ROOT");
    const std::string kept = before ? before : "";
    setenv("OS_DEVICE_ROOT", (scratch / "tree").c_str(), 1);
    {
        Child child("Vasko-Moravel", "Vasko-Moravel", {"OS_DEVICE_ROOT=" + (scratch / "link").string()});
        ASSERT_EQ(child.line(), "ready");
        EXPECT_NE(FindWindowW(u"Vasko-Moravel", u"Vasko-Moravel"), nullptr)
            << "the window of a program started through the link is found from the tree's own path";
        setenv("OS_DEVICE_ROOT", (scratch / "link" / ".").c_str(), 1);
        EXPECT_NE(FindWindowW(u"Vasko-Moravel", nullptr), nullptr) << "and from the link";
        setenv("OS_DEVICE_ROOT", (scratch / "other").c_str(), 1);
        EXPECT_EQ(FindWindowW(u"Vasko-Moravel", nullptr), nullptr) << "another tree is another device";
    }
    if (before)
    {
        setenv("OS_DEVICE_ROOT", kept.c_str(), 1);
    }
    else
    {
        unsetenv("OS_DEVICE_ROOT");
    }
    std::filesystem::remove_all(scratch);
}
