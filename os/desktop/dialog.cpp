// dialog.cpp -- dialog windows made from templates: the dialog class, its
// default message handling and the creation of dialogs and their controls
#include "os/desktop/dialog_private.h"

#include <os/wstring.h>

#include <map>
#include <strings.h>
#include <mutex>

namespace os::desktop {
namespace {

const char16_t kDialogClass[] = u"#32770";

std::map<HWND, std::shared_ptr<DialogState>>& states()
{
    static std::map<HWND, std::shared_ptr<DialogState>> s;
    return s;
}

// The state of the dialog being created, taken by its first message.
std::shared_ptr<DialogState> g_pending;

bool is_color_message(UINT msg)
{
    return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
}

HWND default_button(HWND dialog)
{
    for (HWND h = GetWindow(dialog, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (button_type(h) == BS_DEFPUSHBUTTON)
            return h;
    return nullptr;
}

// What the dialog does with a message its procedure left alone.
LRESULT default_handling(HWND hwnd, DialogState& state, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_GETFONT:
        return (LRESULT)state.font;
    case WM_CLOSE:
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(hwnd, IDCANCEL));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        // Dialogs and what stands on them show the 3D face colour.
        SetTextColor((HDC)wparam, GetSysColor(COLOR_BTNTEXT));
        SetBkColor((HDC)wparam, GetSysColor(COLOR_BTNFACE));
        return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
    case DM_GETDEFID: {
        HWND def = default_button(hwnd);
        return def ? MAKELONG(GetDlgCtrlID(def), DC_HASDEFID) : 0;
    }
    default:
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

void forget(HWND hwnd)
{
    auto it = states().find(hwnd);
    if (it == states().end())
        return;
    if (it->second->own_font)
        DeleteObject(it->second->font);
    states().erase(it);
}

LRESULT CALLBACK dialog_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (g_pending && !states().count(hwnd))
        states()[hwnd] = std::move(g_pending);
    std::shared_ptr<DialogState> state = dialog_state(hwnd);
    if (!state)
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    if (msg == WM_SETFONT)
        state->font = (HFONT)wparam;
    INT_PTR answer = state->proc ? state->proc(hwnd, msg, wparam, lparam) : 0;
    if (msg == WM_NCDESTROY)
    {
        forget(hwnd);
        return 0;
    }
    if (msg == WM_INITDIALOG || (is_color_message(msg) && answer))
        return answer;
    if (answer)
        return 0;
    return default_handling(hwnd, *state, msg, wparam, lparam);
}

void register_dialog_class(HINSTANCE instance)
{
    static std::once_flag once;
    std::call_once(once, [instance] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = dialog_window_proc;
        wc.hInstance = instance;
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = kDialogClass;
        RegisterClassW(&wc);
    });
}

// The template's font (8 points at 96 dots per inch is 11 pixels) and the
// base units measured from it: average letter width and line height.
void choose_font(DialogState& state, const DialogTemplate& dialog)
{
    std::u16string face = os::to_u16(dialog.font_face);
    int height = -(dialog.point_size * 96 + 36) / 72;
    state.font = CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face.c_str());
    state.own_font = state.font != nullptr;
    HDC dc = GetDC(nullptr);
    if (!dc || !state.font)
        return;
    HGDIOBJ old = SelectObject(dc, state.font);
    static const char16_t letters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    TEXTMETRICW metrics{};
    if (GetTextExtentPoint32W(dc, letters, 52, &size) && size.cx > 0)
        state.base_x = (size.cx / 26 + 1) / 2;
    if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0)
        state.base_y = metrics.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
}

bool is_image(const DialogItem& item)
{
    DWORD type = item.style & SS_TYPEMASK;
    return strcasecmp(item.class_name.c_str(), "STATIC") == 0 && (type == SS_BITMAP || type == SS_ICON);
}

HWND create_item(HINSTANCE instance, HWND dialog, DialogState& state, const DialogItem& item)
{
    RECT r = dialog_units_to_pixels({item.x, item.y, item.x + item.cx, item.y + item.cy}, state.base_x, state.base_y);
    bool image = is_image(item);
    if (image)
        r.right = r.left, r.bottom = r.top; // sized to its image, and there are no image resources
    std::u16string text = image ? u"" : os::to_u16(item.text);
    std::u16string cls = os::to_u16(item.class_name);
    HWND h = CreateWindowExW(item.ex_style, cls.c_str(), text.c_str(), item.style | WS_CHILD, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, dialog, (HMENU)(INT_PTR)item.id, instance, nullptr);
    if (h)
        SendMessageW(h, WM_SETFONT, (WPARAM)state.font, FALSE);
    return h;
}

RECT dialog_rect(const DialogTemplate& dialog, const DialogState& state)
{
    return dialog_units_to_pixels({dialog.x, dialog.y, dialog.x + dialog.cx, dialog.y + dialog.cy}, state.base_x,
                                  state.base_y);
}

} // namespace

std::shared_ptr<DialogState> dialog_state(HWND hwnd)
{
    auto it = states().find(hwnd);
    return it == states().end() ? nullptr : it->second;
}

bool is_dialog(HWND hwnd)
{
    return hwnd && states().count(hwnd) > 0;
}

DWORD button_type(HWND hwnd)
{
    WCHAR cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    return _wcsicmp(cls, u"BUTTON") == 0 ? DWORD(GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) : kNotButton;
}

RECT dialog_units_to_pixels(const RECT& units, int base_x, int base_y)
{
    auto px = [](int v, int base, int div) { return (v * base + (v >= 0 ? div / 2 : -div / 2)) / div; };
    return {px(units.left, base_x, 4), px(units.top, base_y, 8), px(units.right, base_x, 4),
            px(units.bottom, base_y, 8)};
}

HWND holding_dialog(HWND hwnd)
{
    for (HWND h = hwnd; h; h = GetParent(h))
        if (is_dialog(h))
            return h;
    return nullptr;
}

HWND create_dialog(HINSTANCE instance, const DialogTemplate& dialog, HWND parent, DLGPROC proc, LPARAM param,
                   bool modal)
{
    register_dialog_class(instance);
    auto state = std::make_shared<DialogState>();
    state->proc = proc;
    state->param = param;
    state->modal = modal;
    choose_font(*state, dialog);
    RECT r = dialog_rect(dialog, *state);
    std::u16string caption = os::to_u16(dialog.caption);
    g_pending = state;
    HWND hwnd = CreateWindowExW(dialog.ex_style | WS_EX_CONTROLPARENT, kDialogClass, caption.c_str(),
                                dialog.style & ~WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                nullptr, instance, nullptr);
    g_pending.reset();
    if (!hwnd)
    {
        if (state->own_font)
            DeleteObject(state->font);
        return nullptr;
    }
    if (auto outer = dialog_state(holding_dialog(parent)))
        outer->items.push_back(hwnd);
    SendMessageW(hwnd, WM_SETFONT, (WPARAM)state->font, FALSE);
    for (const DialogItem& item : dialog.items)
        if (HWND h = create_item(instance, hwnd, *state, item))
            state->items.push_back(h);
    std::vector<HWND> stops = tab_stops(hwnd);
    if (SendMessageW(hwnd, WM_INITDIALOG, (WPARAM)(stops.empty() ? nullptr : stops[0]), param) && IsWindow(hwnd))
        focus_first(hwnd);
    if (IsWindow(hwnd) && (dialog.style & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

} // namespace os::desktop
