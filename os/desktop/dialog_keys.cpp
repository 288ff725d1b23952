// dialog_keys.cpp -- the keyboard of dialogs and the modal loop
//
// Enter presses the focused push button, else the enabled default button of
// the dialog holding the focus, else sends IDOK to the outer dialog; Escape
// sends IDCANCEL to the outer dialog; Tab and Shift+Tab walk the tab stops of
// the dialog and of the dialogs inside it; the arrow keys move the check
// within a group of radio buttons.
#include "os/desktop/dialog_private.h"

#include <os/wstring.h>

#include <algorithm>
#include "os/testing/desktop.h"

namespace os::desktop {
namespace {

std::function<void(HWND)>& idle_hook()
{
    static std::function<void(HWND)> hook;
    return hook;
}

DWORD style_of(HWND hwnd)
{
    return DWORD(GetWindowLongW(hwnd, GWL_STYLE));
}

bool is_push(HWND hwnd)
{
    DWORD type = button_type(hwnd);
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool is_radio(HWND hwnd)
{
    DWORD type = button_type(hwnd);
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Shown (by its own style: the dialog itself may not be shown yet) and
// enabled.
bool usable(HWND hwnd)
{
    return IsWindow(hwnd) && (style_of(hwnd) & WS_VISIBLE) && IsWindowEnabled(hwnd);
}

void collect_stops(HWND dialog, std::vector<HWND>& out)
{
    auto state = dialog_state(dialog);
    if (!state)
        return;
    for (HWND h : state->items)
    {
        if (is_dialog(h))
        {
            if (usable(h))
                collect_stops(h, out);
        }
        else if (usable(h) && (style_of(h) & WS_TABSTOP))
            out.push_back(h);
    }
}

void command(HWND dialog, int id, HWND control)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
}

void press_enter(HWND outer, HWND focus)
{
    if (focus && is_push(focus) && usable(focus))
    {
        command(holding_dialog(GetParent(focus)), GetDlgCtrlID(focus), focus);
        return;
    }
    HWND inner = holding_dialog(focus);
    inner = inner ? inner : outer;
    LRESULT def = SendMessageW(inner, DM_GETDEFID, 0, 0);
    HWND button = HIWORD(def) == DC_HASDEFID ? GetDlgItem(inner, LOWORD(def)) : nullptr;
    if (button && usable(button))
        command(inner, LOWORD(def), button);
    else
        command(outer, IDOK, GetDlgItem(outer, IDOK));
}

void move_tab(HWND outer, HWND focus, bool back)
{
    std::vector<HWND> stops = tab_stops(outer);
    if (stops.empty())
        return;
    auto it = std::find(stops.begin(), stops.end(), focus);
    size_t n = stops.size();
    size_t at = it == stops.end() ? (back ? 0 : n - 1) : size_t(it - stops.begin());
    SetFocus(stops[(at + (back ? n - 1 : 1)) % n]);
}

// The radio buttons of `radio`'s group, in template order.
std::vector<HWND> radio_group(HWND radio)
{
    auto state = dialog_state(holding_dialog(GetParent(radio)));
    std::vector<HWND> group;
    if (!state)
        return group;
    bool inside = false;
    for (HWND h : state->items)
    {
        if (style_of(h) & WS_GROUP)
        {
            if (inside)
                break;
            group.clear();
        }
        if (h == radio)
            inside = true;
        if (is_radio(h) && usable(h))
            group.push_back(h);
    }
    return group;
}

bool move_radio(HWND focus, bool back)
{
    if (!focus || !is_radio(focus))
        return false;
    std::vector<HWND> group = radio_group(focus);
    auto it = std::find(group.begin(), group.end(), focus);
    if (it == group.end())
        return true;
    size_t n = group.size();
    HWND next = group[(size_t(it - group.begin()) + (back ? n - 1 : 1)) % n];
    SetFocus(next);
    SendMessageW(next, BM_CLICK, 0, 0);
    return true;
}

bool wants_return(HWND focus)
{
    return focus && (style_of(focus) & ES_WANTRETURN) && button_type(focus) == kNotButton;
}

} // namespace

void set_modal_idle_hook(std::function<void(HWND)> hook)
{
    idle_hook() = std::move(hook);
}

std::vector<HWND> tab_stops(HWND dialog)
{
    std::vector<HWND> out;
    collect_stops(dialog, out);
    return out;
}

void focus_first(HWND dialog)
{
    HWND focus = GetFocus();
    if (focus && (focus == dialog || IsChild(dialog, focus)))
        return;
    std::vector<HWND> stops = tab_stops(dialog);
    if (!stops.empty())
        SetFocus(stops[0]);
}

void run_modal(HWND dialog, DialogState& state)
{
    while (!state.ended)
    {
        MSG msg{};
        if (idle_hook() && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            idle_hook()(dialog);
            continue; // the hook may have queued input, or ended the dialog
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
        {
            if (got == 0)
                PostQuitMessage(int(msg.wParam)); // the program's own loop sees it too
            break;
        }
        if (!IsDialogMessageA(dialog, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace os::desktop

using namespace os::desktop;

BOOL IsDialogMessageA(HWND dialog, LPMSG msg)
{
    if (!msg || !is_dialog(dialog) || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
        return FALSE;
    if (msg->message == WM_CHAR && (msg->wParam == '\r' || msg->wParam == 27 || msg->wParam == '\t'))
        return !wants_return(GetFocus()) || msg->wParam != '\r';
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    HWND focus = GetFocus();
    switch (msg->wParam)
    {
    case VK_ESCAPE:
        command(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
        return TRUE;
    case VK_RETURN:
        if (wants_return(focus))
            return FALSE;
        press_enter(dialog, focus);
        return TRUE;
    case VK_TAB:
        move_tab(dialog, focus, GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    case VK_LEFT:
    case VK_UP:
        return move_radio(focus, true);
    case VK_RIGHT:
    case VK_DOWN:
        return move_radio(focus, false);
    default:
        return FALSE;
    }
}
