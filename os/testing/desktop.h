// desktop.h -- the desktop library's test seams: resources taken away, and modal
// dialogs driven from tests
//
// A modal dialog runs its own loop, so a test hands it a list of steps
// before it starts; the loop takes the next step each time it has nothing
// left to do. Input steps go through the headless back end and the next
// step comes once the input has been delivered.
//
//     os::desktop::testing::ModalDriver driver({click(1031), press(VK_RETURN)});
//     INT_PTR result = DialogBoxParamA(...);
//
// When the steps run out before the dialog ends, the driver ends it with
// kOverran, so a test never waits for the host's idle timeout.
#pragma once

#include "os/host/headless.h"

#include <os/desktop.h>
#include <os/sysinfo.h>

#include <functional>
#include <vector>

namespace os::desktop {

// Takes a resource or a string away again.
bool remove_resource(int type, int id);
bool remove_string(UINT id);

// Called each time a modal dialog loop has nothing left to do, before it
// waits; the test drives the dialog from here (taps, keys, clicks). An empty
// function removes the hook.
void set_modal_idle_hook(std::function<void(HWND dialog)> hook);

} // namespace os::desktop

namespace os::desktop::testing {

using Step = std::function<void(HWND dialog)>;

const INT_PTR kOverran = -7;
const DWORD kInputMs = 50; // a tap or key press lasts this long in the host

// The control with this id in the dialog or in a dialog inside it.
inline HWND find_control(HWND dialog, int id)
{
    for (HWND h = GetWindow(dialog, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    {
        if (GetDlgCtrlID(h) == id)
            return h;
        if (HWND inner = find_control(h, id))
            return inner;
    }
    return nullptr;
}

class ModalDriver
{
public:
    explicit ModalDriver(std::vector<Step> steps) : steps_(std::move(steps))
    {
        set_modal_idle_hook([this](HWND dialog) { idle(dialog); });
    }
    ~ModalDriver() { set_modal_idle_hook({}); }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    size_t taken() const { return next_; }
    static DWORD& ready_at()
    {
        static DWORD at = 0;
        return at;
    }

private:
    void idle(HWND dialog)
    {
        DWORD now = GetTickCount();
        if (now < ready_at())
        {
            os::host::headless::advance(ready_at() - now); // let the input arrive
            return;
        }
        if (next_ < steps_.size())
            steps_[next_++](dialog);
        else
            EndDialog(dialog, kOverran);
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
};

// A key pressed and released.
inline Step press(UINT vk)
{
    return [vk](HWND) {
        os::host::headless::key(vk);
        ModalDriver::ready_at() = GetTickCount() + kInputMs;
    };
}

// Shift held around a key press.
inline Step press_shifted(UINT vk)
{
    return [vk](HWND) {
        os::host::Event e;
        e.type = os::host::EventType::KeyDown;
        e.key = VK_SHIFT;
        os::host::headless::push_event(e);
        os::host::headless::key(vk);
        ModalDriver::ready_at() = GetTickCount() + kInputMs;
    };
}

inline Step release_shift()
{
    return [](HWND) {
        os::host::Event e;
        e.type = os::host::EventType::KeyUp;
        e.key = VK_SHIFT;
        os::host::headless::push_event(e);
    };
}

// A pen tap at the centre of a control.
inline Step tap(int id)
{
    return [id](HWND dialog) {
        RECT r{};
        GetWindowRect(find_control(dialog, id), &r);
        os::host::headless::tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ModalDriver::ready_at() = GetTickCount() + kInputMs;
    };
}

// A click on a button by its id (BM_CLICK).
inline Step click(int id)
{
    return [id](HWND dialog) { SendMessageW(find_control(dialog, id), BM_CLICK, 0, 0); };
}

// Anything else the test wants to do or look at, at this point.
inline Step call(std::function<void(HWND)> action)
{
    return action;
}

inline Step end(INT_PTR result)
{
    return [result](HWND dialog) { EndDialog(dialog, result); };
}

} // namespace os::desktop::testing
