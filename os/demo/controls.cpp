// controls.cpp -- an edit box, a list box and a button on the demo window
#include "os/demo/demo_private.h"

namespace demo {

namespace {

constexpr int kEditId = 101;
constexpr int kListId = 102;
constexpr int kButtonId = 103;

HWND child(HWND parent, const WCHAR* cls, const WCHAR* text, DWORD style, const RECT& r, int id)
{
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
}

} // namespace

void create_controls(HWND window)
{
    State& s = state();
    s.edit = child(window, u"EDIT", u"", WS_BORDER | ES_AUTOHSCROLL, RECT{8, 196, 120, 216}, kEditId);
    s.button = child(window, u"BUTTON", u"Press", BS_PUSHBUTTON, RECT{8, 224, 88, 248}, kButtonId);
    s.list = child(window, u"LISTBOX", u"", WS_BORDER | LBS_NOTIFY, RECT{128, 196, 232, 276}, kListId);
    if (s.list)
    {
        for (const WCHAR* item : {u"alpha", u"beta", u"gamma", u"delta"})
        {
            SendMessageW(s.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
    }
}

void control_command(WPARAM wparam, LPARAM lparam)
{
    State& s = state();
    int id = LOWORD(wparam);
    int code = HIWORD(wparam);
    if (id == kListId && code == LBN_SELCHANGE)
    {
        s.picked = int(SendMessageW(s.list, LB_GETCURSEL, 0, 0));
    }
    else if (id == kButtonId && code == BN_CLICKED)
    {
        s.clicks++;
    }
    else if (id == kEditId && code == EN_CHANGE)
    {
        s.typed = GetWindowTextLengthW(s.edit);
    }
}

} // namespace demo
