// notice.cpp -- MM_WOM_OPEN, MM_WOM_CLOSE and MM_WOM_DONE to the device's callback
//
// Window callbacks get the notice posted (wParam = device, lParam = header),
// so it is handled on the window's own thread whichever thread mixed the
// sound. Function callbacks are called directly, on the mixing thread.
#include "os/sound/sound_private.h"
#include "os/sound/sound_test_api.h"

#include <os/user.h>

namespace os::sound {
namespace {

struct Notifier
{
    std::mutex lock;
    std::function<void(const test::NoticeRecord&)> replace;
};

Notifier& notifier()
{
    static Notifier* n = new Notifier;
    return *n;
}

void post(const test::NoticeRecord& r)
{
    std::function<void(const test::NoticeRecord&)> replace;
    {
        std::lock_guard<std::mutex> guard(notifier().lock);
        replace = notifier().replace;
    }
    if (replace)
    {
        replace(r);
        return;
    }
    // A window destroyed meanwhile drops the notice; its error must not
    // reach the thread that happened to mix.
    DWORD saved = GetLastError();
    PostMessageW(r.window, r.message, r.wparam, r.lparam);
    SetLastError(saved);
}

} // namespace

Notice make_notice(const Device& device, UINT message, WAVEHDR* header)
{
    Notice n;
    n.device = device.handle;
    n.callback_type = device.callback_type;
    n.callback = device.callback;
    n.instance = device.instance;
    n.message = message;
    n.header = header;
    return n;
}

void deliver(const Notice& n)
{
    if (n.callback_type == CALLBACK_WINDOW && n.callback)
    {
        HWND window = reinterpret_cast<HWND>(n.callback);
        post({window, n.message, reinterpret_cast<WPARAM>(n.device), reinterpret_cast<LPARAM>(n.header)});
    }
    else if (n.callback_type == CALLBACK_FUNCTION && n.callback)
    {
        auto proc = reinterpret_cast<LPWAVECALLBACK>(n.callback);
        proc(n.device, n.message, n.instance, reinterpret_cast<DWORD_PTR>(n.header), 0);
    }
}

void test::set_notifier(std::function<void(const NoticeRecord&)> replace)
{
    std::lock_guard<std::mutex> guard(notifier().lock);
    notifier().replace = std::move(replace);
}

} // namespace os::sound
