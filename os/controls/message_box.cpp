// message_box.cpp -- a modal message box drawn on the device screen
#include "os/controls/message_box.h"

#include "os/controls/control_private.h"
#include "os/font/layout.h"
#include "os/host/host.h"

#include <algorithm>

namespace os::controls {

namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kPad = 6;
constexpr int kMinButtonWidth = 48;
constexpr int kMaxBoxWidth = 300;

struct Label
{
    int id;
    const char16_t* text;
};

std::vector<Label> buttons_for(UINT flags)
{
    switch (flags & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
        return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, u"Abort"}, {IDRETRY, u"Retry"}, {IDIGNORE, u"Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, u"Yes"}, {IDNO, u"No"}, {IDCANCEL, u"Cancel"}};
    case MB_YESNO:
        return {{IDYES, u"Yes"}, {IDNO, u"No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, u"Retry"}, {IDCANCEL, u"Cancel"}};
    default:
        return {{IDOK, u"OK"}};
    }
}

int cancel_answer(const std::vector<Label>& labels)
{
    for (int id : {IDCANCEL, IDNO, IDOK})
        for (const Label& l : labels)
            if (l.id == id)
                return id;
    return labels.back().id;
}

int text_width(os::font::Face& face, std::u16string_view s)
{
    std::lock_guard<std::recursive_mutex> guard(os::font::face_lock());
    return os::font::run_width(face, s);
}

// The lines of the text as the box shows them. A line wider than `width`
// (0: no limit) breaks at its last space, or after the last path separator
// when that keeps more on the line, and a word longer than a whole line
// breaks within it: a long device path is shown whole, never cut at the edge.
std::vector<std::u16string> box_lines(os::font::Face& face, const std::u16string& text, int width)
{
    os::font::BreakOptions o;
    o.width = width;
    o.wrap = width > 0;
    o.split_words = true;
    o.break_after = u"\\/";
    std::lock_guard<std::recursive_mutex> guard(os::font::face_lock());
    std::vector<std::u16string> lines;
    for (const os::font::Line& l : os::font::break_lines(face, text, o))
        lines.push_back(text.substr(l.start, l.visible));
    return lines;
}

// The width the box needs to show every line of the text unbroken, its
// caption and its buttons.
int natural_width(os::font::Face& face, const std::u16string& text, const std::u16string& caption,
                  const std::vector<Label>& labels)
{
    int widest = 0;
    for (const std::u16string& line : box_lines(face, text, 0))
        widest = std::max(widest, text_width(face, line));
    int buttons = kPad * ((int)labels.size() - 1);
    for (const Label& l : labels)
        buttons += std::max(kMinButtonWidth, text_width(face, l.text) + 2 * kPad);
    return std::max({widest + 2 * kPad + 2, text_width(face, caption) + 8, buttons + 2 * kPad + 2});
}

void place_buttons(MessageBoxLayout& out, os::font::Face& face, int width, int top, int height)
{
    int total = 0;
    for (auto& b : out.buttons)
    {
        int w = std::max(kMinButtonWidth, text_width(face, b.label) + 2 * kPad);
        b.rect = {0, top, w, top + height};
        total += w;
    }
    total += kPad * ((int)out.buttons.size() - 1);
    int x = (width - total) / 2;
    for (auto& b : out.buttons)
    {
        OffsetRect(&b.rect, x, 0);
        x = b.rect.right + kPad;
    }
}

} // namespace

MessageBoxLayout message_box_layout(const std::u16string& text, const std::u16string& caption, UINT flags)
{
    MessageBoxLayout out;
    os::font::Face& face = *os::font::font_from_handle(nullptr)->face;
    int lh = face.metrics().height;
    std::vector<Label> labels = buttons_for(flags);
    for (const Label& l : labels)
        out.buttons.push_back({l.id, l.text, {}});
    int def = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
    out.default_id = labels[std::min(def, (int)labels.size() - 1)].id;
    out.cancel_id = cancel_answer(labels);

    // A box is at least as wide as a short message needs on a desktop (the
    // whole screen less a margin on a handheld) and grows with its text up
    // to five eighths of a desktop screen; longer lines wrap, and the box
    // grows downwards to the screen's height.
    os::host::Screen& screen = os::host::screen();
    int room = screen.width - 2 * kPad;
    int least = std::min(room, kMaxBoxWidth);
    int most = std::max(least, std::min(room, screen.width * 5 / 8));
    int width = std::clamp(natural_width(face, text, caption, labels), least, most);
    int text_w = width - 2 * kPad - 2;
    std::vector<std::u16string> lines = box_lines(face, text, text_w);
    for (size_t i = 0; i < lines.size(); ++i)
        out.wrapped += (i ? u"\r\n" : u"") + lines[i];
    int text_h = std::max(lh, (int)lines.size() * lh);
    int max_text_h = screen.height - (lh + 4) - (lh + 8) - 4 * kPad - 2;
    text_h = std::min(text_h, std::max(lh, max_text_h));
    out.caption = {1, 1, width - 1, 1 + lh + 4};
    out.text = {1 + kPad, out.caption.bottom + kPad, 1 + kPad + text_w, out.caption.bottom + kPad + text_h};
    place_buttons(out, face, width, out.text.bottom + kPad, lh + 8);
    int height = out.text.bottom + kPad + lh + 8 + kPad + 1;
    int x = (screen.width - width) / 2;
    int y = std::max(0, (screen.height - height) / 2);
    out.box = {x, y, x + width, y + height};
    return out;
}

namespace {

class BoxState : public ControlState
{
public:
    MessageBoxLayout layout;
    int result = 0;
};

void paint_box(HWND hwnd, const BoxState& state)
{
    PaintDc dc(hwnd, state);
    HDC hdc = dc.hdc();
    RECT rc;
    GetClientRect(hwnd, &rc);
    fill_color(hdc, rc, GetSysColor(COLOR_WINDOW));
    frame_color(hdc, rc, kBorder);
    fill_color(hdc, state.layout.caption, GetSysColor(COLOR_ACTIVECAPTION));
    std::u16string caption = window_text(hwnd);
    RECT text = state.layout.caption;
    InflateRect(&text, -3, 0);
    SetTextColor(hdc, GetSysColor(COLOR_CAPTIONTEXT));
    SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, caption.c_str(), (int)caption.size(), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool is_button_id(const BoxState& state, int id)
{
    for (const auto& b : state.layout.buttons)
        if (b.id == id)
            return true;
    return false;
}

void create_children(HWND hwnd, const MessageBoxLayout& layout)
{
    const RECT& t = layout.text;
    CreateWindowExW(0, u"STATIC", layout.wrapped.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, t.left, t.top,
                    t.right - t.left, t.bottom - t.top, hwnd, (HMENU)(INT_PTR)kTextId, nullptr, nullptr);
    for (const auto& b : layout.buttons)
    {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b.id == layout.default_id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        CreateWindowExW(0, u"BUTTON", b.label.c_str(), style, b.rect.left, b.rect.top, b.rect.right - b.rect.left,
                        b.rect.bottom - b.rect.top, hwnd, (HMENU)(INT_PTR)b.id, nullptr, nullptr);
    }
}

// Return and Escape act on the box whichever of its windows has the focus.
bool box_key(HWND box, const MSG& msg, BoxState& state)
{
    if (msg.message != WM_KEYDOWN || (msg.hwnd != box && !IsChild(box, msg.hwnd)))
        return false;
    if (msg.wParam == VK_RETURN)
        state.result = state.layout.default_id;
    else if (msg.wParam == VK_ESCAPE)
        state.result = state.layout.cancel_id;
    else
        return false;
    return true;
}

int modal_loop(HWND box, BoxState& state)
{
    MSG msg;
    while (!state.result && IsWindow(box))
    {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
        {
            state.result = state.layout.cancel_id;
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (got < 0)
            break;
        if (box_key(box, msg, state))
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return state.result ? state.result : state.layout.cancel_id;
}

LRESULT handle_message_box_proc(HWND hwnd, BoxState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_CREATE:
    {
        state.layout = *(const MessageBoxLayout*)((CREATESTRUCTW*)lparam)->lpCreateParams;
        create_children(hwnd, state.layout);
        return 0;
    }
    case WM_PAINT:
        paint_box(hwnd, state);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED && is_button_id(state, LOWORD(wparam)))
            state.result = LOWORD(wparam);
        return 0;
    case WM_CLOSE:
        state.result = state.layout.cancel_id;
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

} // namespace

LRESULT CALLBACK message_box_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    return run_control<BoxState>(hwnd, msg, wparam, lparam, handle_message_box_proc);
}

int run_message_box(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags)
{
    MessageBoxLayout layout = message_box_layout(text, caption, flags);
    const RECT& r = layout.box;
    HWND box = CreateWindowExW(WS_EX_TOPMOST, kMessageBoxClass, caption.c_str(), WS_POPUP | WS_BORDER, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, owner, nullptr, nullptr, &layout);
    if (!box)
        return 0;
    bool disabled = owner && IsWindowEnabled(owner);
    if (disabled)
        EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    UpdateWindow(box);
    SetFocus(GetDlgItem(box, layout.default_id));
    auto state = std::dynamic_pointer_cast<BoxState>(find_state(box));
    int answer = state ? modal_loop(box, *state) : layout.cancel_id;
    if (disabled)
        EnableWindow(owner, TRUE);
    DestroyWindow(box);
    if (owner && IsWindow(owner))
        SetActiveWindow(owner);
    return answer;
}

} // namespace os::controls
