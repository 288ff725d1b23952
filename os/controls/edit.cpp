// edit.cpp -- the EDIT control, single-line and multi-line
//
// Text, selection and limit live in an EditBuffer; what is shown is laid
// out with the font module's line breaker, so EM_GETLINECOUNT counts the
// lines as drawn. A multi-line edit wraps at word boundaries unless it has
// ES_AUTOHSCROLL (then only hard breaks end lines); words longer than a line
// are cut. Typed text arrives as WM_CHAR (printable characters insert,
// Backspace deletes, Return breaks the line in a multi-line edit and is
// refused in a single-line one); WM_KEYDOWN moves the caret (arrows, Home,
// End; Shift extends the selection; in a multi-line edit Up, Down, Page Up
// and Page Down, which scroll a page with the caret, and Ctrl+Home and
// Ctrl+End for the ends of the text) and Delete deletes. The scroll bar of a
// multi-line edit with WS_VSCROLL pages on a tap beside its thumb and
// follows the thumb when it is dragged; the mouse wheel scrolls a
// multi-line edit three lines a notch (a single-line one passes it to its
// parent). Changes by the user,
// EM_REPLACESEL and WM_SETTEXT (single-line) notify EN_UPDATE then
// EN_CHANGE; text cut at the limit notifies EN_MAXTEXT.
#include "os/controls/control_private.h"
#include "os/base/warn.h"
#include "os/controls/edit_buffer.h"
#include "os/controls/scroll_bar.h"
#include "os/font/layout.h"
#include "os/host/host.h"

#include <algorithm>

namespace os::controls {

namespace {

constexpr size_t kDefaultLimit = 30000;
constexpr size_t kMaxLimit = 0x7FFFFFFE;
constexpr int kMargin = 2; // pixels between the border and the text

class EditState : public ControlState
{
public:
    EditBuffer buffer;
    size_t limit = kDefaultLimit;
    WCHAR password = 0;
    bool focused = false;
    bool modified = false;
    bool tracking = false;
    ScrollDrag drag;  // the scroll bar's thumb held by the pen
    int wheel_rest = 0; // a turn of the wheel too small for a line yet
    int top_line = 0; // multi-line: first line shown
    int scroll_x = 0; // single-line: pixels scrolled left
};

bool is_multi(HWND hwnd)
{
    return window_style(hwnd) & ES_MULTILINE;
}

bool is_read_only(HWND hwnd)
{
    return window_style(hwnd) & ES_READONLY;
}

bool has_bar(HWND hwnd)
{
    return is_multi(hwnd) && (window_style(hwnd) & WS_VSCROLL);
}

// The client area inside the border, less the scroll bar.
RECT inner_area(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    int inset = has_border(hwnd) ? 1 : 0;
    InflateRect(&rc, -inset, -inset);
    if (has_bar(hwnd))
        rc.right -= kBarWidth;
    return rc;
}

RECT text_area(HWND hwnd)
{
    RECT rc = inner_area(hwnd);
    return {rc.left + kMargin, rc.top + 1, rc.right - kMargin, rc.bottom - 1};
}

// What is drawn: the text, or as many password characters.
std::u16string shown_text(const EditState& state)
{
    if (state.password)
        return std::u16string(state.buffer.text().size(), state.password);
    return state.buffer.text();
}

std::vector<os::font::Line> layout(HWND hwnd, const EditState& state, const std::u16string& text)
{
    os::font::BreakOptions o;
    o.single_line = !is_multi(hwnd);
    o.wrap = !o.single_line && !(window_style(hwnd) & ES_AUTOHSCROLL);
    o.split_words = true;
    o.trailing_line = true;
    RECT area = text_area(hwnd);
    o.width = std::max(1, (int)(area.right - area.left));
    std::lock_guard<std::recursive_mutex> guard(os::font::face_lock());
    return os::font::break_lines(control_face(state), text, o);
}

// The line showing a character index: the last one starting at or before it.
int line_of(const std::vector<os::font::Line>& lines, size_t index)
{
    int found = 0;
    for (int i = 0; i < (int)lines.size(); ++i)
        if (lines[i].start <= index)
            found = i;
    return found;
}

int visible_lines(HWND hwnd, const EditState& state)
{
    RECT area = text_area(hwnd);
    return std::max(1, (int)(area.bottom - area.top) / line_height(state));
}

// The scroll bar of a multi-line edit with WS_VSCROLL (empty otherwise).
ScrollBar scroll_bar(HWND hwnd, const EditState& state, int lines)
{
    ScrollBar bar{{}, state.top_line, visible_lines(hwnd, state), lines};
    if (has_bar(hwnd))
    {
        RECT in = inner_area(hwnd);
        bar.bar = {in.right, in.top, in.right + kBarWidth, in.bottom};
    }
    return bar;
}

std::vector<int> positions(const EditState& state, std::u16string_view run)
{
    std::lock_guard<std::recursive_mutex> guard(os::font::face_lock());
    return os::font::run_positions(control_face(state), run);
}

// Left edge of a line's text in client coordinates (alignment and scroll).
int line_left(HWND hwnd, const EditState& state, const RECT& area, int width)
{
    DWORD style = window_style(hwnd);
    int room = area.right - area.left;
    if (style & ES_CENTER)
        return area.left + (room - width) / 2;
    if (style & ES_RIGHT)
        return area.right - width;
    return area.left - state.scroll_x;
}

void scroll_to_caret(HWND hwnd, EditState& state)
{
    std::u16string text = shown_text(state);
    auto lines = layout(hwnd, state, text);
    int line = line_of(lines, state.buffer.caret());
    RECT area = text_area(hwnd);
    if (is_multi(hwnd))
    {
        int visible = visible_lines(hwnd, state);
        if (line < state.top_line)
            state.top_line = line;
        else if (line >= state.top_line + visible)
            state.top_line = line - visible + 1;
        return;
    }
    int x = positions(state, text).at(state.buffer.caret());
    int room = std::max(1, (int)(area.right - area.left) - 1);
    if (x - state.scroll_x > room)
        state.scroll_x = x - room;
    else if (x < state.scroll_x)
        state.scroll_x = x;
}

// Caret index nearest to a client point.
size_t hit_index(HWND hwnd, const EditState& state, POINT p)
{
    std::u16string text = shown_text(state);
    auto lines = layout(hwnd, state, text);
    RECT area = text_area(hwnd);
    int line = state.top_line + (p.y - area.top) / line_height(state);
    line = std::clamp(line, 0, (int)lines.size() - 1);
    const os::font::Line& l = lines[line];
    std::u16string_view run = std::u16string_view(text).substr(l.start, l.length);
    auto xs = positions(state, run);
    int x = p.x - line_left(hwnd, state, area, xs.back());
    size_t best = 0;
    for (size_t i = 1; i < xs.size(); ++i)
        if (std::abs(xs[i] - x) < std::abs(xs[best] - x))
            best = i;
    return l.start + best;
}

void paint_run(HDC hdc, int x, int y, std::u16string_view run, const RECT& clip, bool selected)
{
    if (run.empty())
        return;
    COLORREF text = GetTextColor(hdc);
    COLORREF back = GetBkColor(hdc);
    int mode = GetBkMode(hdc);
    if (selected)
    {
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
        SetBkMode(hdc, OPAQUE);
    }
    ExtTextOutW(hdc, x, y, ETO_CLIPPED, &clip, run.data(), (UINT)run.size(), nullptr);
    if (selected)
    {
        SetTextColor(hdc, text);
        SetBkColor(hdc, back);
        SetBkMode(hdc, mode);
    }
}

// One line: the parts before, inside and after the selection, and the caret.
void paint_line(HWND hwnd, HDC hdc, const EditState& state, std::u16string_view text, const os::font::Line& l, int y,
                const RECT& area)
{
    std::u16string_view run = text.substr(l.start, l.visible);
    auto xs = positions(state, run);
    int left = line_left(hwnd, state, area, xs.back());
    size_t lo = std::clamp(state.buffer.sel_min(), l.start, l.start + l.visible) - l.start;
    size_t hi = std::clamp(state.buffer.sel_max(), l.start, l.start + l.visible) - l.start;
    bool show_sel = state.focused || (window_style(hwnd) & ES_NOHIDESEL);
    if (!show_sel)
        lo = hi = run.size();
    paint_run(hdc, left, y, run.substr(0, lo), area, false);
    paint_run(hdc, left + xs[lo], y, run.substr(lo, hi - lo), area, true);
    paint_run(hdc, left + xs[hi], y, run.substr(hi), area, false);
}

void paint_caret(HWND hwnd, HDC hdc, const EditState& state, const std::u16string& text,
                 const std::vector<os::font::Line>& lines, const RECT& area)
{
    int line = line_of(lines, state.buffer.caret());
    int y = area.top + (line - state.top_line) * line_height(state);
    const os::font::Line& l = lines[line];
    auto xs = positions(state, std::u16string_view(text).substr(l.start, l.visible));
    size_t at = std::min(state.buffer.caret() - l.start, l.visible);
    int x = line_left(hwnd, state, area, xs.back()) + xs[at];
    RECT bar = {x, y, x + 1, y + line_height(state)};
    RECT cut;
    if (IntersectRect(&cut, &bar, &area))
        fill_color(hdc, cut, GetTextColor(hdc));
}

void paint(HWND hwnd, const EditState& state)
{
    PaintDc dc(hwnd, state);
    HDC hdc = dc.hdc();
    RECT rc;
    GetClientRect(hwnd, &rc);
    bool dim = is_read_only(hwnd) || !IsWindowEnabled(hwnd);
    HBRUSH brush = control_colors(hwnd, hdc, dim ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    FillRect(hdc, &rc, brush);
    if (has_border(hwnd))
        frame_color(hdc, rc, kBorder);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    std::u16string text = shown_text(state);
    auto lines = layout(hwnd, state, text);
    RECT area = text_area(hwnd);
    int lh = line_height(state);
    for (int i = state.top_line, y = area.top; i < (int)lines.size() && y < area.bottom; ++i, y += lh)
        paint_line(hwnd, hdc, state, text, lines[i], y, area);
    if (state.focused)
        paint_caret(hwnd, hdc, state, text, lines, area);
    paint_scroll_bar(hdc, scroll_bar(hwnd, state, (int)lines.size()));
}

// After the text changed: keep the caret in view, repaint, notify.
void text_changed(HWND hwnd, EditState& state)
{
    state.modified = true;
    scroll_to_caret(hwnd, state);
    redraw(hwnd);
    notify_parent(hwnd, EN_UPDATE);
    notify_parent(hwnd, EN_CHANGE);
}

void replace_selection(HWND hwnd, EditState& state, std::u16string_view text)
{
    std::u16string before = state.buffer.text();
    bool whole = state.buffer.replace(text, state.limit);
    if (state.buffer.text() != before)
        text_changed(hwnd, state);
    else
    {
        scroll_to_caret(hwnd, state);
        redraw(hwnd);
    }
    if (!whole)
        notify_parent(hwnd, EN_MAXTEXT);
}

bool accepts(HWND hwnd, WCHAR ch)
{
    if (ch == u'\r' || ch == u'\n' || ch == u'\t')
        return is_multi(hwnd);
    if (ch < 0x20 || ch == 0x7f)
        return false;
    return !(window_style(hwnd) & ES_NUMBER) || (ch >= u'0' && ch <= u'9');
}

LRESULT on_char(HWND hwnd, EditState& state, WCHAR ch)
{
    if (is_read_only(hwnd))
    {
        MessageBeep(0);
        return 0;
    }
    if (ch == VK_BACK)
    {
        if (state.buffer.erase_back())
            text_changed(hwnd, state);
        return 0;
    }
    if (!accepts(hwnd, ch))
    {
        if (ch == u'\r' || (window_style(hwnd) & ES_NUMBER))
            MessageBeep(0);
        return 0;
    }
    if (ch == u'\r' || ch == u'\n')
        replace_selection(hwnd, state, u"\r\n");
    else
        replace_selection(hwnd, state, std::u16string_view(&ch, 1));
    return 0;
}

// The caret target of a navigation key, or SIZE_MAX for other keys.
size_t key_target(HWND hwnd, const EditState& state, WPARAM key)
{
    const EditBuffer& b = state.buffer;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    std::u16string text = shown_text(state);
    auto lines = layout(hwnd, state, text);
    int line = line_of(lines, b.caret());
    const os::font::Line& l = lines[line];
    switch (key)
    {
    case VK_LEFT:
        return b.has_selection() && !shift ? b.sel_min() : b.step_left(b.caret());
    case VK_RIGHT:
        return b.has_selection() && !shift ? b.sel_max() : b.step_right(b.caret());
    case VK_HOME:
        return GetKeyState(VK_CONTROL) < 0 ? 0 : l.start;
    case VK_END:
        if (GetKeyState(VK_CONTROL) < 0)
            return b.text().size();
        return line + 1 < (int)lines.size() && lines[line + 1].start == l.start + l.length ? l.start + l.visible
                                                                                          : l.start + l.length;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    {
        if (!is_multi(hwnd))
            return key == VK_UP || key == VK_DOWN ? b.caret() : SIZE_MAX;
        int page = visible_lines(hwnd, state);
        int step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
        int target = std::clamp(line + step, 0, (int)lines.size() - 1);
        if (target == line)
            return b.caret();
        if (target < 0 || target >= (int)lines.size())
            return b.caret();
        auto xs = positions(state, std::u16string_view(text).substr(l.start, l.visible));
        RECT area = text_area(hwnd);
        int x = line_left(hwnd, state, area, xs.back()) + xs[std::min(b.caret() - l.start, l.visible)];
        int y = area.top + (target - state.top_line) * line_height(state);
        return hit_index(hwnd, state, {x, y});
    }
    default:
        return SIZE_MAX;
    }
}

int line_count(HWND hwnd, const EditState& state)
{
    return (int)layout(hwnd, state, shown_text(state)).size();
}

// The first line shown, kept where the last page of lines still fills the box.
void set_top_line(HWND hwnd, EditState& state, int top)
{
    int lines = line_count(hwnd, state);
    state.top_line = std::clamp(top, 0, std::max(0, lines - visible_lines(hwnd, state)));
}

// Page Up and Page Down scroll a page before the caret follows.
void page_view(HWND hwnd, EditState& state, int direction)
{
    set_top_line(hwnd, state, state.top_line + direction * visible_lines(hwnd, state));
}

LRESULT on_key(HWND hwnd, EditState& state, WPARAM key)
{
    if (key == VK_DELETE)
    {
        if (!is_read_only(hwnd) && state.buffer.erase_forward())
            text_changed(hwnd, state);
        return 0;
    }
        if (is_multi(hwnd) && (key == VK_PRIOR || key == VK_NEXT))
        page_view(hwnd, state, key == VK_PRIOR ? -1 : 1);
    size_t target = key_target(hwnd, state, key);
    if (target == SIZE_MAX)
        return 0;
    state.buffer.move_to(target, GetKeyState(VK_SHIFT) < 0);
    scroll_to_caret(hwnd, state);
    redraw(hwnd);
    return 0;
}

LRESULT on_pen(HWND hwnd, EditState& state, UINT msg, LPARAM lparam)
{
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (msg == WM_LBUTTONUP)
    {
        state.tracking = false;
        state.drag.active = false;
        if (GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    }
    ScrollBar bar = scroll_bar(hwnd, state, line_count(hwnd, state));
    if (msg == WM_MOUSEMOVE && state.drag.active)
    {
        set_top_line(hwnd, state, state.drag.top_at(bar, p));
        redraw(hwnd);
        return 0;
    }
    if (msg == WM_MOUSEMOVE && !state.tracking)
        return 0;
    if (msg == WM_LBUTTONDOWN && PtInRect(&bar.bar, p))
    {
        if (state.drag.begin(bar, p))
            SetCapture(hwnd);
        else
            set_top_line(hwnd, state, page_top(bar, p));
        redraw(hwnd);
        return 0;
    }
    if (msg == WM_LBUTTONDOWN)
    {
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        state.tracking = true;
        SetCapture(hwnd);
    }
    state.buffer.move_to(hit_index(hwnd, state, p), msg == WM_MOUSEMOVE);
    scroll_to_caret(hwnd, state);
    redraw(hwnd);
    return 0;
}

LRESULT on_focus(HWND hwnd, EditState& state, bool gained)
{
    state.focused = gained;
    os::host::backend().text_input(gained);
    redraw(hwnd);
    notify_parent(hwnd, gained ? EN_SETFOCUS : EN_KILLFOCUS);
    return 0;
}

LRESULT set_text(HWND hwnd, EditState& state, LPCWSTR text)
{
    state.buffer.set_text(text ? text : u"");
    state.modified = false;
    state.top_line = 0;
    state.scroll_x = 0;
    redraw(hwnd);
    if (!is_multi(hwnd))
    {
        notify_parent(hwnd, EN_UPDATE);
        notify_parent(hwnd, EN_CHANGE);
    }
    return TRUE;
}

// EM_ messages about lines (line index -1 means the caret's line).
bool line_message(HWND hwnd, EditState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* r)
{
    const std::u16string& text = state.buffer.text();
    auto lines = layout(hwnd, state, text);
    int caret_line = line_of(lines, state.buffer.caret());
    int n = (int)lines.size();
    int line = (int)wparam == -1 ? caret_line : (int)wparam;
    switch (msg)
    {
    case EM_GETLINECOUNT:
        *r = n;
        return true;
    case EM_LINEINDEX:
        *r = line >= 0 && line < n ? (LRESULT)lines[line].start : -1;
        return true;
    case EM_LINEFROMCHAR:
        *r = (int)wparam == -1 ? line_of(lines, state.buffer.sel_min()) : line_of(lines, std::min((size_t)wparam, text.size()));
        return true;
    case EM_LINELENGTH:
        if ((int)wparam == -1)
            *r = (LRESULT)(lines[caret_line].length - (state.buffer.sel_max() - state.buffer.sel_min()));
        else
            *r = (LRESULT)lines[line_of(lines, std::min((size_t)wparam, text.size()))].length;
        return true;
    case EM_GETLINE:
    {
        if (!is_multi(hwnd))
            line = 0;
        if (line < 0 || line >= n || !lparam)
            return *r = 0, true;
        size_t room = *(WORD*)lparam;
        size_t count = std::min(room, lines[line].length);
        std::copy_n(text.data() + lines[line].start, count, (WCHAR*)lparam);
        *r = (LRESULT)count;
        return true;
    }
    case EM_LINESCROLL:
        if (is_multi(hwnd))
            state.top_line = std::clamp(state.top_line + (int)lparam, 0, std::max(0, n - 1));
        redraw(hwnd);
        *r = TRUE;
        return true;
    case EM_GETFIRSTVISIBLELINE:
        *r = is_multi(hwnd) ? state.top_line : 0;
        return true;
    default:
        return false;
    }
}

LRESULT get_sel(const EditState& state, WPARAM wparam, LPARAM lparam)
{
    DWORD lo = (DWORD)state.buffer.sel_min();
    DWORD hi = (DWORD)state.buffer.sel_max();
    if (wparam)
        *(DWORD*)wparam = lo;
    if (lparam)
        *(DWORD*)lparam = hi;
    return MAKELRESULT(lo, hi);
}

// The other EM_ messages.
bool edit_message(HWND hwnd, EditState& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* r)
{
    *r = 0;
    switch (msg)
    {
    case EM_GETSEL:
        *r = get_sel(state, wparam, lparam);
        return true;
    case EM_SETSEL:
        state.buffer.set_sel((long)(int)wparam, (long)(int)lparam);
        scroll_to_caret(hwnd, state);
        redraw(hwnd);
        return true;
    case EM_REPLACESEL:
        replace_selection(hwnd, state, lparam ? (LPCWSTR)lparam : u"");
        return true;
    case EM_LIMITTEXT:
        state.limit = wparam ? std::min((size_t)wparam, kMaxLimit) : kMaxLimit;
        return true;
    case EM_GETLIMITTEXT:
        *r = (LRESULT)state.limit;
        return true;
    case EM_SETREADONLY:
        SetWindowLongW(hwnd, GWL_STYLE, wparam ? window_style(hwnd) | ES_READONLY : window_style(hwnd) & ~ES_READONLY);
        redraw(hwnd);
        *r = TRUE;
        return true;
    case EM_SETPASSWORDCHAR:
        state.password = (WCHAR)wparam;
        redraw(hwnd);
        return true;
    case EM_GETPASSWORDCHAR:
        *r = state.password;
        return true;
    case EM_GETMODIFY:
        *r = state.modified;
        return true;
    case EM_SETMODIFY:
        state.modified = wparam != 0;
        return true;
    case EM_SCROLLCARET:
        scroll_to_caret(hwnd, state);
        redraw(hwnd);
        *r = TRUE;
        return true;
    case EM_GETRECT:
        if (lparam)
            *(RECT*)lparam = text_area(hwnd);
        return true;
    case EM_CANUNDO:
    case EM_UNDO:
    case EM_EMPTYUNDOBUFFER:
        if (msg == EM_UNDO)
            os::warn_once("controls", "EM_UNDO: edit controls keep no undo");
        return true; // no undo: answers FALSE
    default:
        return false;
    }
}

LRESULT handle_edit_proc(HWND hwnd, EditState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    if (edit_message(hwnd, state, msg, wparam, lparam, &result) ||
        line_message(hwnd, state, msg, wparam, lparam, &result))
        return result;
    switch (msg)
    {
    case WM_CREATE:
    {
        auto* cs = (CREATESTRUCTW*)lparam;
        state.buffer.set_text(cs && cs->lpszName ? cs->lpszName : u"");
        if (window_style(hwnd) & ES_PASSWORD)
            state.password = u'*';
        return 0;
    }
    case WM_PAINT:
        paint(hwnd, state);
        return 0;
    case WM_SETTEXT:
        return set_text(hwnd, state, (LPCWSTR)lparam);
    case WM_GETTEXT:
        return copy_out(state.buffer.text(), (WCHAR*)lparam, wparam);
    case WM_GETTEXTLENGTH:
        return (LRESULT)state.buffer.text().size();
    case WM_CHAR:
        return on_char(hwnd, state, (WCHAR)wparam);
    case WM_KEYDOWN:
        return on_key(hwnd, state, wparam);
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        return on_pen(hwnd, state, msg, lparam);
    case WM_CAPTURECHANGED:
        state.tracking = false;
        state.drag.active = false;
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return on_focus(hwnd, state, msg == WM_SETFOCUS);
    case WM_SIZE:
        redraw(hwnd);
        return 0;
    case WM_MOUSEWHEEL:
        if (!is_multi(hwnd))
            return DefWindowProcW(hwnd, msg, wparam, lparam);
        set_top_line(hwnd, state, state.top_line + wheel_rows(state.wheel_rest, wparam));
        redraw(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<EditState>(hwnd, msg, wparam, lparam, handle_edit_proc);
}

} // namespace os::controls
