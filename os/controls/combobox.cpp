// combobox.cpp -- the COMBOBOX control (drop-down list style)
//
// A field showing the selected row's text with an arrow box. A tap opens the
// list as a popup window below the field (CBN_DROPDOWN first), which takes
// the pen: a tap on a row selects it (CBN_SELCHANGE when it changed) and a
// tap anywhere else just closes it; either way CBN_CLOSEUP follows. A list
// of more than 8 rows has a scroll bar, and a tap on it pages instead.
// CBS_DROPDOWN (an editable field) is treated like CBS_DROPDOWNLIST. The CB_
// messages share the list box's item store and answer CB_ERR (-1) on errors.
// The mouse wheel scrolls the open list, and over the closed field with the
// focus it moves the selection a row a notch, as the arrow keys do.
#include "os/controls/list_view.h"

#include <algorithm>

namespace os::controls {

namespace {

constexpr int kMaxDropRows = 8;
const WCHAR kListClass[] = u"ComboLBox";

class ComboState : public ControlState
{
public:
    ItemList items;
    int item_height = 0;
    bool focused = false;
    int wheel_rest = 0;     // a turn of the wheel too small for a row yet
    HWND list = nullptr;    // the open drop-down list
    bool regaining = false; // taking the focus back from the list: no CBN_SETFOCUS
};

class ComboListState : public ControlState
{
public:
    HWND combo = nullptr;
    int wheel_rest = 0; // a turn of the wheel too small for a row yet
};

// The LB_ message a CB_ message stands for, or 0.
UINT list_message_for(UINT msg)
{
    static const UINT map[][2] = {
        {CB_ADDSTRING, LB_ADDSTRING},       {CB_DELETESTRING, LB_DELETESTRING}, {CB_GETCOUNT, LB_GETCOUNT},
        {CB_GETCURSEL, LB_GETCURSEL},       {CB_GETLBTEXT, LB_GETTEXT},         {CB_GETLBTEXTLEN, LB_GETTEXTLEN},
        {CB_INSERTSTRING, LB_INSERTSTRING}, {CB_RESETCONTENT, LB_RESETCONTENT}, {CB_FINDSTRING, LB_FINDSTRING},
        {CB_SELECTSTRING, LB_SELECTSTRING}, {CB_SETCURSEL, LB_SETCURSEL},       {CB_GETITEMDATA, LB_GETITEMDATA},
        {CB_SETITEMDATA, LB_SETITEMDATA},   {CB_FINDSTRINGEXACT, LB_FINDSTRINGEXACT},
    };
    for (const auto& m : map)
        if (m[0] == msg)
            return m[1];
    return 0;
}

int row_height(const ComboState& state)
{
    return state.item_height ? state.item_height : line_height(state);
}

RECT arrow_box(const RECT& client)
{
    int side = std::min(16, (int)(client.bottom - client.top));
    return {client.right - side, client.top, client.right, client.bottom};
}

void paint_arrow(HDC hdc, RECT box)
{
    fill_color(hdc, box, GetSysColor(COLOR_BTNFACE));
    frame_color(hdc, box, kBorder);
    int cx = (box.left + box.right) / 2;
    int cy = (box.top + box.bottom) / 2 - 1;
    for (int i = 0; i < 4; ++i)
        fill_color(hdc, {cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1}, kBorder);
}

void paint(HWND hwnd, const ComboState& state)
{
    PaintDc dc(hwnd, state);
    HDC hdc = dc.hdc();
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = control_colors(hwnd, hdc, WM_CTLCOLOREDIT);
    FillRect(hdc, &rc, brush);
    frame_color(hdc, rc, kBorder);
    RECT arrow = arrow_box(rc);
    paint_arrow(hdc, arrow);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    // With the focus (and the list closed) the field shows it: the selected
    // text in the highlight colours inside a dotted rectangle.
    RECT field = {rc.left + 2, rc.top + 2, arrow.left - 1, rc.bottom - 2};
    bool marked = state.focused && !state.list && IsWindowEnabled(hwnd);
    int sel = state.items.selection();
    if (marked && sel >= 0)
    {
        fill_color(hdc, field, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    if (marked)
        paint_focus_rect(hdc, field);
    if (sel < 0)
        return;
    RECT text = {rc.left + 3, rc.top + 1, arrow.left - 1, rc.bottom - 1};
    const std::u16string& s = state.items.at(sel).text;
    SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, s.c_str(), (int)s.size(), &text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void open_list(HWND hwnd, ComboState& state)
{
    if (state.list)
        return;
    notify_parent(hwnd, CBN_DROPDOWN);
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT origin = {0, rc.bottom};
    ClientToScreen(hwnd, &origin);
    int rows = std::clamp(state.items.count(), 1, kMaxDropRows);
    int height = rows * row_height(state) + 2;
    DWORD style = WS_POPUP | WS_BORDER | (state.items.count() > kMaxDropRows ? WS_VSCROLL : 0);
    state.list = CreateWindowExW(WS_EX_TOPMOST, kListClass, u"", style, origin.x, origin.y, rc.right, height, hwnd,
                                 nullptr, nullptr, (LPVOID)hwnd);
    if (!state.list)
        return;
    state.items.scroll_into_view(state.items.selection(), rows);
    ShowWindow(state.list, SW_SHOWNOACTIVATE);
    SetCapture(state.list);
    redraw(hwnd);
}

void close_list(HWND hwnd, ComboState& state)
{
    if (!state.list)
        return;
    HWND list = state.list;
    state.list = nullptr;
    bool had_focus = GetFocus() == list;
    if (GetCapture() == list)
        ReleaseCapture();
    state.regaining = had_focus;
    DestroyWindow(list);
    if (had_focus && GetFocus() != hwnd)
        SetFocus(hwnd);
    state.regaining = false;
    redraw(hwnd);
    notify_parent(hwnd, CBN_CLOSEUP);
}

// The user picked a row (from the list or with a key).
void user_select(HWND hwnd, ComboState& state, int row)
{
    if (row < 0 || row == state.items.selection())
        return;
    state.items.select(row);
    redraw(hwnd);
    notify_parent(hwnd, CBN_SELCHANGE);
}

LRESULT key_down(HWND hwnd, ComboState& state, WPARAM key)
{
    if (state.list && (key == VK_RETURN || key == VK_ESCAPE))
    {
        close_list(hwnd, state);
        return 0;
    }
    if (key == VK_F4)
    {
        state.list ? close_list(hwnd, state) : open_list(hwnd, state);
        return 0;
    }
    ListLook look;
    look.visible_rows = kMaxDropRows;
    user_select(hwnd, state, key_target(state.items, look, key));
    if (state.list)
        redraw(state.list);
    return 0;
}

bool item_message(HWND hwnd, ComboState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    UINT lb = list_message_for(msg);
    bool changed = false;
    if (!lb || !items_message(state.items, window_style(hwnd) & CBS_SORT, kMaxDropRows, lb, wparam, lparam, result,
                              &changed))
        return false;
    if (changed)
    {
        redraw(hwnd);
        if (state.list)
            redraw(state.list);
    }
    return true;
}

LRESULT combo_message(HWND hwnd, ComboState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case CB_SHOWDROPDOWN:
        wparam ? open_list(hwnd, state) : close_list(hwnd, state);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return state.list ? TRUE : FALSE;
    case CB_GETITEMHEIGHT:
        return row_height(state);
    case CB_SETITEMHEIGHT:
        if (LOWORD(lparam) == 0 || LOWORD(lparam) > 255)
            return CB_ERR;
        state.item_height = LOWORD(lparam);
        return CB_OKAY;
    case WM_GETTEXT:
    {
        int sel = state.items.selection();
        return copy_out(sel >= 0 ? std::u16string_view(state.items.at(sel).text) : u"", (WCHAR*)lparam, wparam);
    }
    case WM_GETTEXTLENGTH:
        return state.items.selection() >= 0 ? (LRESULT)state.items.at(state.items.selection()).text.size() : 0;
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

LRESULT handle_combobox_proc(HWND hwnd, ComboState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    if (item_message(hwnd, state, msg, wparam, lparam, &result))
        return result;
    switch (msg)
    {
    case WM_PAINT:
        paint(hwnd, state);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        state.list ? close_list(hwnd, state) : open_list(hwnd, state);
        return 0;
    case WM_KEYDOWN:
        return key_down(hwnd, state, wparam);
    case WM_MOUSEWHEEL:
    {
        if (!state.focused)
            return DefWindowProcW(hwnd, msg, wparam, lparam);
        state.wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
        int notches = state.wheel_rest / WHEEL_DELTA;
        state.wheel_rest -= notches * WHEEL_DELTA;
        int row = std::clamp(std::max(0, state.items.selection()) - notches, 0, state.items.count() - 1);
        if (notches != 0 && state.items.count() > 0)
            user_select(hwnd, state, row);
        return 0;
    }
    case WM_DESTROY:
        close_list(hwnd, state);
        return 0;
    case WM_SETFOCUS:
        state.focused = true;
        redraw(hwnd);
        if (!state.regaining && (HWND)wparam != state.list)
            notify_parent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state.focused = false;
        redraw(hwnd);
        if ((HWND)wparam != state.list)
        {
            close_list(hwnd, state);
            notify_parent(hwnd, CBN_KILLFOCUS);
        }
        return 0;
    default:
        return combo_message(hwnd, state, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK combobox_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<ComboState>(hwnd, msg, wparam, lparam, handle_combobox_proc);
}

namespace {

std::shared_ptr<ComboState> combo_of(const ComboListState& list)
{
    return std::dynamic_pointer_cast<ComboState>(find_state(list.combo));
}

void paint_drop_list(HWND hwnd, const ComboListState& state)
{
    auto combo = combo_of(state);
    PaintDc dc(hwnd, combo ? static_cast<const ControlState&>(*combo) : state);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = control_colors(hwnd, dc.hdc(), WM_CTLCOLORLISTBOX);
    if (!combo)
        return (void)FillRect(dc.hdc(), &rc, brush);
    paint_list(dc.hdc(), rc, has_border(hwnd), combo->items, list_look(hwnd, combo->items, combo->item_height, *combo), brush);
}

void drop_list_tap(HWND hwnd, const ComboListState& state, LPARAM lparam)
{
    auto combo = combo_of(state);
    if (!combo)
        return;
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ListLook look = list_look(hwnd, combo->items, combo->item_height, *combo);
    if (bar_page(look, combo->items, p))
    {
        redraw(hwnd);
        return;
    }
    user_select(state.combo, *combo, row_at(look, combo->items, p));
    close_list(state.combo, *combo);
}

LRESULT handle_combolist_proc(HWND hwnd, ComboListState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_CREATE:
        state.combo = (HWND)((CREATESTRUCTW*)lparam)->lpCreateParams;
        return 0;
    case WM_PAINT:
        paint_drop_list(hwnd, state);
        return 0;
    case WM_LBUTTONDOWN:
        drop_list_tap(hwnd, state, lparam);
        return 0;
    case WM_MOUSEWHEEL:
        if (auto combo = combo_of(state))
        {
            scroll_by_wheel(combo->items, list_look(hwnd, combo->items, combo->item_height, *combo), state.wheel_rest,
                            wparam);
            redraw(hwnd);
        }
        return 0;
    case WM_KEYDOWN:
        return SendMessageW(state.combo, msg, wparam, lparam);
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK combolist_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<ComboListState>(hwnd, msg, wparam, lparam, handle_combolist_proc);
}

} // namespace os::controls
