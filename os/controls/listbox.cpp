// listbox.cpp -- the LISTBOX control
//
// Rows of text with a data word each (os/controls/items.h). The pen selects
// the row under it and drags the selection; the arrow, Home, End and page
// keys move it; the list scrolls so the selection stays in view. With
// LBS_NOTIFY the parent hears LBN_SELCHANGE when the user (not a message)
// changes the selection. A simple scroll bar is drawn with WS_VSCROLL when
// rows are hidden; a tap on it above or below the thumb pages. The list with
// the focus marks the row the keys move from with a dotted rectangle. The
// mouse wheel scrolls the rows, three a notch.
#include "os/controls/list_view.h"

#include <algorithm>
#include <cstdint>

namespace os::controls {

namespace {

constexpr int kMaxItemHeight = 255;

} // namespace

ListLook list_look(HWND hwnd, const ItemList& items, int item_height, const ControlState& state)
{
    ListLook look;
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (has_border(hwnd))
        InflateRect(&rc, -1, -1);
    look.row_height = std::max(1, item_height ? item_height : line_height(state));
    look.visible_rows = std::max(1, (int)(rc.bottom - rc.top) / look.row_height);
    look.rows = rc;
    if ((window_style(hwnd) & WS_VSCROLL) && items.count() > look.visible_rows)
    {
        look.rows.right -= kBarWidth;
        look.bar = {look.rows.right, rc.top, rc.right, rc.bottom};
    }
    return look;
}

namespace {

ScrollBar bar_of(const ListLook& look, const ItemList& items)
{
    return {look.bar, items.top(), look.visible_rows, items.count()};
}

} // namespace

void paint_list(HDC hdc, const RECT& client, bool border, const ItemList& items, const ListLook& look, HBRUSH brush,
                bool focused)
{
    FillRect(hdc, &client, brush);
    if (border)
        frame_color(hdc, client, kBorder);
    COLORREF text = GetTextColor(hdc);
    COLORREF back = GetBkColor(hdc);
    int focus_row = !focused ? -2 : items.selection() >= 0 ? items.selection() : items.top();
    if (focused && items.count() == 0)
        paint_focus_rect(hdc, {look.rows.left, look.rows.top, look.rows.right,
                               std::min((int)look.rows.bottom, (int)look.rows.top + look.row_height)});
    for (int row = items.top(), y = look.rows.top; row < items.count() && y < look.rows.bottom; ++row, y += look.row_height)
    {
        RECT r = {look.rows.left, y, look.rows.right, std::min((int)look.rows.bottom, y + look.row_height)};
        bool selected = row == items.selection();
        if (selected)
        {
            fill_color(hdc, r, GetSysColor(COLOR_HIGHLIGHT));
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            SetBkColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
        }
        RECT t = {r.left + 2, r.top, r.right, r.bottom};
        const std::u16string& s = items.at(row).text;
        DrawTextW(hdc, s.c_str(), (int)s.size(), &t, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (row == focus_row)
            paint_focus_rect(hdc, r);
        if (selected)
        {
            SetTextColor(hdc, text);
            SetBkColor(hdc, back);
        }
    }
    paint_scroll_bar(hdc, bar_of(look, items));
}

int row_at(const ListLook& look, const ItemList& items, POINT p)
{
    if (!PtInRect(&look.rows, p))
        return -1;
    int row = items.top() + (p.y - look.rows.top) / look.row_height;
    return items.valid(row) ? row : -1;
}

bool bar_page(const ListLook& look, ItemList& items, POINT p)
{
    if (!PtInRect(&look.bar, p))
        return false;
    items.set_top(page_top(bar_of(look, items), p));
    return true;
}

void scroll_by_wheel(ItemList& items, const ListLook& look, int& rest, WPARAM wparam)
{
    int last_top = std::max(0, items.count() - look.visible_rows);
    items.set_top(std::clamp(items.top() + wheel_rows(rest, wparam), 0, last_top));
}

int key_target(const ItemList& items, const ListLook& look, WPARAM key)
{
    int n = items.count();
    if (n == 0)
        return -1;
    int cur = items.selection();
    switch (key)
    {
    case VK_UP:
        return std::max(0, cur - 1);
    case VK_DOWN:
        return std::min(n - 1, cur + 1);
    case VK_HOME:
        return 0;
    case VK_END:
        return n - 1;
    case VK_PRIOR:
        return std::max(0, cur - look.visible_rows);
    case VK_NEXT:
        return std::min(n - 1, std::max(0, cur) + look.visible_rows);
    default:
        return -1;
    }
}

namespace {

class ListBoxState : public ControlState
{
public:
    ItemList items;
    int item_height = 0;
    bool tracking = false;
    bool focused = false;
    int wheel_rest = 0; // a turn of the wheel too small for a row yet
};

ListLook look_of(HWND hwnd, const ListBoxState& state)
{
    return list_look(hwnd, state.items, state.item_height, state);
}

// Select a row for the user: scroll to it, repaint, notify.
void user_select(HWND hwnd, ListBoxState& state, int row)
{
    if (row < 0 || row == state.items.selection())
        return;
    state.items.select(row);
    state.items.scroll_into_view(row, look_of(hwnd, state).visible_rows);
    redraw(hwnd);
    if (window_style(hwnd) & LBS_NOTIFY)
        notify_parent(hwnd, LBN_SELCHANGE);
}

void paint(HWND hwnd, const ListBoxState& state)
{
    PaintDc dc(hwnd, state);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = control_colors(hwnd, dc.hdc(), WM_CTLCOLORLISTBOX);
    paint_list(dc.hdc(), rc, has_border(hwnd), state.items, look_of(hwnd, state), brush, state.focused);
}

LRESULT pen_message(HWND hwnd, ListBoxState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ListLook look = look_of(hwnd, state);
    switch (msg)
    {
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        if (bar_page(look, state.items, p))
        {
            redraw(hwnd);
            return 0;
        }
        SetCapture(hwnd);
        state.tracking = true;
        user_select(hwnd, state, row_at(look, state.items, p));
        return 0;
    case WM_MOUSEMOVE:
        if (state.tracking && (wparam & MK_LBUTTON))
        {
            p.x = std::clamp(p.x, look.rows.left, look.rows.right - 1);
            if (p.y < look.rows.top && state.items.selection() > 0)
                user_select(hwnd, state, state.items.selection() - 1);
            else if (p.y >= look.rows.bottom)
                user_select(hwnd, state, std::min(state.items.count() - 1, state.items.selection() + 1));
            else
                user_select(hwnd, state, row_at(look, state.items, p));
        }
        return 0;
    case WM_LBUTTONUP:
        if (state.tracking)
        {
            state.tracking = false;
            if (GetCapture() == hwnd)
                ReleaseCapture();
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        if (window_style(hwnd) & LBS_NOTIFY)
            notify_parent(hwnd, LBN_DBLCLK);
        return 0;
    }
    return 0;
}

LRESULT set_top(HWND hwnd, ListBoxState& state, int row)
{
    if (row < 0 || (row >= state.items.count() && state.items.count() > 0))
        return LB_ERR;
    state.items.set_top(row);
    redraw(hwnd);
    return LB_OKAY;
}

LRESULT item_rect(HWND hwnd, const ListBoxState& state, int row, RECT* out)
{
    if (!state.items.valid(row) || !out)
        return LB_ERR;
    ListLook look = look_of(hwnd, state);
    int y = look.rows.top + (row - state.items.top()) * look.row_height;
    *out = {look.rows.left, y, look.rows.right, y + look.row_height};
    return 1;
}

} // namespace

bool items_message(ItemList& items, bool sorted, int visible_rows, UINT msg, WPARAM wparam, LPARAM lparam,
                   LRESULT* r, bool* changed)
{
    int row = (int)wparam;
    *changed = true;
    switch (msg)
    {
    case LB_ADDSTRING:
        *r = items.add(text_arg(lparam), sorted);
        return true;
    case LB_INSERTSTRING:
        *r = items.insert(row, text_arg(lparam));
        return true;
    case LB_DELETESTRING:
        *r = items.remove(row);
        return true;
    case LB_RESETCONTENT:
        items.clear();
        *r = LB_OKAY;
        return true;
    case LB_SETCURSEL:
        *r = items.select(row) && row != -1 ? row : LB_ERR;
        items.scroll_into_view(row, visible_rows);
        return true;
    case LB_SELECTSTRING:
        *r = items.find(row, text_arg(lparam), ItemList::Match::Prefix);
        if (*r != LB_ERR)
        {
            items.select((int)*r);
            items.scroll_into_view((int)*r, visible_rows);
        }
        return true;
    }
    *changed = false;
    switch (msg)
    {
    case LB_SETITEMDATA:
        if (!items.valid(row))
            *r = LB_ERR;
        else
        {
            items.at(row).data = lparam;
            *r = LB_OKAY;
        }
        return true;
    case LB_GETCURSEL:
        *r = items.selection();
        return true;
    case LB_GETSEL:
        *r = items.valid(row) ? (row == items.selection() ? 1 : 0) : LB_ERR;
        return true;
    case LB_GETCOUNT:
        *r = items.count();
        return true;
    case LB_GETTEXT:
        *r = items.valid(row) && lparam ? copy_out(items.at(row).text, (WCHAR*)lparam, SIZE_MAX) : LB_ERR;
        return true;
    case LB_GETTEXTLEN:
        *r = items.valid(row) ? (LRESULT)items.at(row).text.size() : LB_ERR;
        return true;
    case LB_GETITEMDATA:
        *r = items.valid(row) ? items.at(row).data : LB_ERR;
        return true;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        *r = items.find(row, text_arg(lparam), msg == LB_FINDSTRING ? ItemList::Match::Prefix : ItemList::Match::Exact);
        return true;
    case LB_GETTOPINDEX:
        *r = items.top();
        return true;
    default:
        return false;
    }
}

namespace {

// The LB_ messages of the item store, repainting after a change.
bool item_message(HWND hwnd, ListBoxState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* r)
{
    bool changed = false;
    bool sorted = window_style(hwnd) & LBS_SORT;
    if (!items_message(state.items, sorted, look_of(hwnd, state).visible_rows, msg, wparam, lparam, r, &changed))
        return false;
    if (changed)
        redraw(hwnd);
    return true;
}

LRESULT handle_listbox_proc(HWND hwnd, ListBoxState& state, UINT msg, WPARAM wparam, LPARAM lparam)
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
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        return pen_message(hwnd, state, msg, wparam, lparam);
    case WM_CAPTURECHANGED:
        state.tracking = false;
        return 0;
    case WM_KEYDOWN:
        user_select(hwnd, state, key_target(state.items, look_of(hwnd, state), wparam));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state.focused = msg == WM_SETFOCUS;
        redraw(hwnd);
        if (window_style(hwnd) & LBS_NOTIFY)
            notify_parent(hwnd, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
    case WM_MOUSEWHEEL:
        scroll_by_wheel(state.items, look_of(hwnd, state), state.wheel_rest, wparam);
        redraw(hwnd);
        return 0;
    case LB_SETTOPINDEX:
        return set_top(hwnd, state, (int)wparam);
    case LB_GETITEMHEIGHT:
        return look_of(hwnd, state).row_height;
    case LB_GETITEMRECT:
        return item_rect(hwnd, state, (int)wparam, (RECT*)lparam);
    case LB_SETITEMHEIGHT:
        if (LOWORD(lparam) == 0 || LOWORD(lparam) > kMaxItemHeight)
            return LB_ERR;
        state.item_height = LOWORD(lparam);
        redraw(hwnd);
        return LB_OKAY;
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK listbox_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<ListBoxState>(hwnd, msg, wparam, lparam, handle_listbox_proc);
}

} // namespace os::controls
