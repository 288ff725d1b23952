// lookup.cpp -- FindWindowW across the processes of one device tree
//
// Every top-level window holds listening Unix sockets in the abstract
// namespace, one per way FindWindowW can name it: (class, title), (class,
// any title) and (any class, title). A socket's name is built from
// OS_INSTANCE, the device root's real path (symbolic links resolved) and a
// hash of the lower-cased names: two device trees are two devices, one tree
// reached by two paths is one, and test runs side by side never meet. The sockets are bound when the window is created or retitled
// and closed inside DestroyWindow, so a window can no longer be found once
// DestroyWindow has returned, even while its process goes on running.
//
// Another process finds a window by connecting to the socket; it gets a
// proxy handle. SetForegroundWindow on a proxy writes "R" over a connection,
// and a listener thread of the owning process turns that into a request its
// message loop carries out (the window is restored and activated). Other
// calls on a proxy fail with ERROR_INVALID_WINDOW_HANDLE.
#include "os/user/user_private.h"

#include <os/wstring.h>

#include "os/host/host.h"
#include "os/kernel/path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace os::user {

namespace {

struct Registration
{
    HWND hwnd = nullptr;
    std::string name;
    int fd = -1;
};

struct Registry
{
    std::mutex lock;
    std::vector<Registration> regs;
    std::map<HWND, std::string> proxies;
    int wake_pipe[2] = {-1, -1};
    bool listening = false;
    // A socket the listener may be polling is closed by the listener itself,
    // between two polls: only then is its name really released.
    std::vector<int> to_close;
    uint64_t close_requested = 0;
    uint64_t close_done = 0;
    std::condition_variable closed;
};

Registry& registry()
{
    static Registry* r = new Registry; // the listener thread outlives static destruction
    return *r;
}

std::string socket_name(const std::u16string& key)
{
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : key)
    {
        h = (h ^ (uint64_t)wtolower16(c)) * 1099511628211ull;
    }
    // The device root (a host folder) keeps two trees apart, however alike
    // their programs: a window of one tree is never found from another. The
    // real path counts, so a tree reached through a symbolic link is the
    // same device as the tree itself.
    std::error_code ec;
    std::string real = std::filesystem::weakly_canonical(os::path::device_root(), ec).string();
    if (ec || real.empty())
    {
        real = os::path::device_root();
    }
    uint64_t root = 1469598103934665603ull;
    for (unsigned char c : real)
    {
        root = (root ^ c) * 1099511628211ull;
    }
    std::string instance = os::host::env("OS_INSTANCE", "default").substr(0, 40);
    char hex[40];
    std::snprintf(hex, sizeof hex, "%012llx-%016llx", (unsigned long long)(root & 0xffffffffffffull),
                  (unsigned long long)h);
    return "hhwin-" + std::to_string(getuid()) + "-" + instance + "-" + hex;
}

// The names a window answers to; a null part stands for "any".
std::string key_name(const std::u16string* cls, const std::u16string* title)
{
    std::u16string key = cls ? *cls : u"\x02";
    key += u'\x01';
    key += title ? *title : u"\x02";
    return socket_name(key);
}

sockaddr_un address(const std::string& name, socklen_t& len)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t n = std::min(name.size(), sizeof(addr.sun_path) - 1);
    std::copy_n(name.begin(), n, addr.sun_path + 1); // abstract: leading NUL
    len = (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + n);
    return addr;
}

int bind_name(const std::string& name)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
    {
        return -1;
    }
    socklen_t len;
    sockaddr_un addr = address(name, len);
    if (bind(fd, (sockaddr*)&addr, len) != 0 || listen(fd, 8) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

// Connects to a name; answers the connected socket or -1.
int connect_name(const std::string& name)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
    {
        return -1;
    }
    socklen_t len;
    sockaddr_un addr = address(name, len);
    if (connect(fd, (sockaddr*)&addr, len) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

void wake_listener()
{
    auto& r = registry();
    if (r.wake_pipe[1] >= 0)
    {
        char c = 1;
        (void)!write(r.wake_pipe[1], &c, 1);
    }
}

void serve_request(int listen_fd, HWND hwnd)
{
    int client = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
    {
        return;
    }
    pollfd p{client, POLLIN, 0};
    char c = 0;
    if (poll(&p, 1, 200) > 0 && read(client, &c, 1) == 1 && c == 'R')
    {
        Lock lock(state().lock);
        state().raise_requests.push_back(hwnd);
        if (Window* w = state().windows.count(hwnd) ? state().windows[hwnd].get() : nullptr)
        {
            wake_thread(*w->queue);
        }
    }
    close(client);
}

void listen_loop()
{
    auto& r = registry();
    for (;;)
    {
        std::vector<pollfd> fds{{r.wake_pipe[0], POLLIN, 0}};
        std::vector<Registration> snapshot;
        {
            std::lock_guard<std::mutex> lock(r.lock);
            for (int fd : r.to_close)
            {
                close(fd);
            }
            r.to_close.clear();
            r.close_done = r.close_requested;
            r.closed.notify_all();
            snapshot = r.regs;
        }
        for (auto& reg : snapshot)
        {
            fds.push_back({reg.fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) <= 0)
        {
            continue;
        }
        char buf[64];
        if (fds[0].revents)
        {
            (void)!read(r.wake_pipe[0], buf, sizeof buf);
        }
        for (size_t i = 1; i < fds.size(); ++i)
        {
            if (!(fds[i].revents & POLLIN))
            {
                continue;
            }
            std::lock_guard<std::mutex> lock(r.lock);
            for (auto& reg : r.regs)
            {
                if (reg.fd == fds[i].fd && reg.hwnd == snapshot[i - 1].hwnd)
                {
                    serve_request(reg.fd, reg.hwnd);
                    break;
                }
            }
        }
    }
}

// Registry lock held.
void start_listener()
{
    auto& r = registry();
    if (r.listening || pipe2(r.wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        return;
    }
    r.listening = true;
    std::thread(listen_loop).detach();
}

// The names each live top-level window should hold.
std::vector<std::pair<HWND, std::string>> wanted_names()
{
    std::vector<std::pair<HWND, std::string>> out;
    Lock lock(state().lock);
    for (HWND h : state().top)
    {
        const Window& w = *state().windows[h];
        if (w.destroying)
        {
            continue;
        }
        out.emplace_back(h, key_name(&w.cls->name, &w.text));
        out.emplace_back(h, key_name(&w.cls->name, nullptr));
        out.emplace_back(h, key_name(nullptr, &w.text));
    }
    return out;
}

HWND make_proxy(const std::string& name)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    for (auto& [h, n] : r.proxies)
    {
        if (n == name)
        {
            return h;
        }
    }
    HWND h;
    {
        Lock state_lock(state().lock);
        h = (HWND)state().next_handle;
        state().next_handle += 4;
    }
    r.proxies[h] = name;
    return h;
}

std::string proxy_name(HWND proxy)
{
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.lock);
    auto it = r.proxies.find(proxy);
    return it == r.proxies.end() ? std::string() : it->second;
}

bool local_match(const Window& w, const std::u16string* cls, const std::u16string* title)
{
    return !w.destroying && (!cls || same_text_nocase(w.cls->name, *cls)) &&
           (!title || same_text_nocase(w.text, *title));
}

} // namespace

bool same_text_nocase(const std::u16string& a, const std::u16string& b)
{
    return a.size() == b.size() && _wcsicmp(a.c_str(), b.c_str()) == 0;
}

void sync_registrations()
{
    auto wanted = wanted_names();
    auto& r = registry();
    std::unique_lock<std::mutex> lock(r.lock);
    start_listener();
    size_t closing = r.to_close.size();
    std::erase_if(r.regs, [&](const Registration& reg) {
        bool keep = std::find(wanted.begin(), wanted.end(), std::make_pair(reg.hwnd, reg.name)) != wanted.end();
        if (!keep)
        {
            r.to_close.push_back(reg.fd);
        }
        return !keep;
    });
    if (!r.listening)
    {
        for (int fd : r.to_close)
        {
            close(fd);
        }
        r.to_close.clear();
    }
    if (r.to_close.size() > closing)
    {
        uint64_t ticket = ++r.close_requested;
        wake_listener();
        r.closed.wait_for(lock, std::chrono::seconds(5), [&] { return r.close_done >= ticket; });
    }
    for (auto& want : wanted)
    {
        HWND h = want.first;
        const auto& name = want.second;
        bool held = std::any_of(r.regs.begin(), r.regs.end(), [&](auto& reg) { return reg.name == name; });
        int fd = held ? -1 : bind_name(name);
        if (fd >= 0)
        {
            r.regs.push_back(Registration{h, name, fd});
        }
    }
    wake_listener();
}

HWND find_remote_window(const std::u16string* cls, const std::u16string* title)
{
    std::string name = key_name(cls, title);
    int fd = connect_name(name);
    if (fd < 0)
    {
        return nullptr;
    }
    close(fd);
    return make_proxy(name);
}

bool is_proxy(HWND hwnd)
{
    return hwnd && !proxy_name(hwnd).empty();
}

bool proxy_alive(HWND proxy)
{
    int fd = connect_name(proxy_name(proxy));
    if (fd >= 0)
    {
        close(fd);
    }
    return fd >= 0;
}

bool raise_remote(HWND proxy)
{
    int fd = connect_name(proxy_name(proxy));
    if (fd < 0)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    char c = 'R';
    bool ok = write(fd, &c, 1) == 1;
    close(fd);
    return ok;
}

void handle_raise_requests()
{
    std::vector<HWND> mine;
    {
        Lock lock(state().lock);
        auto& req = state().raise_requests;
        std::erase_if(req, [&](HWND h) {
            auto it = state().windows.find(h);
            if (it == state().windows.end())
            {
                return true;
            }
            if (!is_own_thread(*it->second))
            {
                return false;
            }
            mine.push_back(h);
            return true;
        });
    }
    for (HWND h : mine)
    {
        if (GetWindowLongW(h, GWL_STYLE) & WS_MINIMIZE)
        {
            ShowWindow(h, SW_RESTORE);
        }
        SetForegroundWindow(h);
    }
}

} // namespace os::user

using namespace os::user;

HWND FindWindowW(LPCWSTR class_name, LPCWSTR title)
{
    std::u16string cls_text;
    if (class_name && IS_INTRESOURCE(class_name))
    {
        auto c = find_class(class_name);
        if (!c)
        {
            return nullptr;
        }
        cls_text = c->name;
    }
    else if (class_name)
    {
        cls_text = class_name;
    }
    std::u16string title_text = title ? title : u"";
    const std::u16string* cls = class_name ? &cls_text : nullptr;
    const std::u16string* ttl = title ? &title_text : nullptr;
    {
        Lock lock(state().lock);
        for (HWND h : state().top)
        {
            if (local_match(*state().windows[h], cls, ttl))
            {
                return h;
            }
        }
    }
    return (cls || ttl) ? find_remote_window(cls, ttl) : nullptr;
}
