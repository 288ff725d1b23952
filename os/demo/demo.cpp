// demo.cpp -- the platform demonstration program: window, input, worker, restart
#include "os/demo/demo_private.h"

namespace demo {

namespace {

const WCHAR kClassName[] = u"OsDemoWindow";

bool inside(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Ends this instance and starts the program again with "ARG:restarted"; the
// window goes first so that the new instance never sees the old one.
void restart(HWND window)
{
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DestroyWindow(window);
    WCHAR arguments[] = u"ARG:restarted";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(path, arguments, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

void pen_down(HWND window, int x, int y)
{
    if (inside(kRestartButton, x, y))
    {
        restart(window);
        return;
    }
    state().taps.push_back(POINT{x, y});
    InvalidateRect(window, nullptr, FALSE);
}

void key_down(HWND window, UINT vk)
{
    state().last_key = vk;
    InvalidateRect(window, nullptr, FALSE);
}

void count_worker_message(HWND window)
{
    state().worker_messages++;
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message)
    {
    case WM_CREATE:
        create_controls(window);
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        pen_down(window, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        return 0;
    case WM_KEYDOWN:
        key_down(window, UINT(wparam));
        return 0;
    case WM_COMMAND:
        control_command(wparam, lparam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case kWorkerPosted:
    case kWorkerSent:
        count_worker_message(window);
        return message == kWorkerSent ? 1 : 0;
    case MM_WOM_DONE:
        sound_finished(reinterpret_cast<HWAVEOUT>(wparam), reinterpret_cast<WAVEHDR*>(lparam));
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// Greets the window from another thread: posted and sent messages alike.
DWORD WINAPI worker(LPVOID parameter)
{
    HWND window = static_cast<HWND>(parameter);
    for (int i = 0; i < kWorkerRounds; i++)
    {
        PostMessageW(window, kWorkerPosted, WPARAM(i), 0);
        SendMessageW(window, kWorkerSent, WPARAM(i), 0);
    }
    return 0;
}

// Pumps messages until the worker is done, so that the counter is complete
// before any scripted input arrives.
void run_worker(HWND window)
{
    HANDLE thread = CreateThread(nullptr, 0, worker, window, 0, nullptr);
    if (!thread)
    {
        return;
    }
    bool quit = false;
    while (!quit && WaitForSingleObject(thread, 0) != WAIT_OBJECT_0)
    {
        MSG msg;
        while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                // Closed while starting: the main loop must see the request too.
                PostQuitMessage(int(msg.wParam));
                quit = true;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(0);
    }
    CloseHandle(thread);
}

// The first application button restarts the program whichever window has
// the keyboard focus.
bool hardware_button(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != kAppButton1)
    {
        return false;
    }
    restart(state().window);
    return true;
}

HWND create_window(HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    if (!RegisterClassW(&wc))
    {
        return nullptr;
    }
    return CreateWindowExW(0, kClassName, u"OsDemo", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                           instance, nullptr);
}

} // namespace

State& state()
{
    static State s;
    return s;
}

} // namespace demo

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int show)
{
    demo::State& s = demo::state();
    s.restarted = command_line && wcsstr(command_line, u"ARG:restarted");
    if (command_line && wcsstr(command_line, u"ARG:slowstart"))
    {
        Sleep(1500); // stands for a busy machine: the window comes late
    }
    demo::create_resources();
    s.window = demo::create_window(instance);
    if (!s.window)
    {
        return 1;
    }
    ShowWindow(s.window, show);
    UpdateWindow(s.window);
    demo::run_worker(s.window);
    demo::play_tone(s.window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (demo::hardware_button(msg))
        {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}
