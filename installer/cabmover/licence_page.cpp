// licence_page.cpp -- the licence page: the agreement, the two radio
// buttons that enable Finish, and its white header
#include "installer/cabmover/cabmover.h"

#include <vector>

namespace cabmover {
namespace {

struct PageLook
{
    HWND page = nullptr;   // the page these belong to
    RECT header{};         // the header rectangle, painted white
    HWND labels[2] = {};   // title and subtitle
    HFONT bold = nullptr;  // the title's font
};

PageLook g_look;

// The radio button chosen, kept while the wizard's frame lives: Back and
// Next build the page again, and the choice stays as the user left it.
struct KeptChoice
{
    HWND frame = nullptr;
    int button = 0; // kAccept, kDecline or 0
};

KeptChoice g_choice;

void keep_choice(HWND page, int button)
{
    g_choice = {GetParent(page), button};
}

void restore_choice(HWND page)
{
    if (g_choice.frame != GetParent(page) || !g_choice.button)
        return;
    CheckRadioButton(page, kAccept, kDecline, g_choice.button);
    EnableWindow(GetDlgItem(page, kFinish), g_choice.button == kAccept);
}

void show_licence(HWND page)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(kLicenceId), MAKEINTRESOURCEA(kLicenceType));
    std::vector<char> text(found ? SizeofResource(Module(), found) + 1 : 1);
    if (LoadResourceText(kLicenceType, kLicenceId, text.data(), int(text.size())))
        SetDlgItemTextA(page, kLicenceEdit, text.data());
}

void init_page(HWND page)
{
    show_licence(page);
    char title[kTextSize];
    char subtitle[kTextSize];
    LoadText(title, kLicenceTitle);
    LoadText(subtitle, kLicenceSubtitle);
    AddPageHeader(page, title, subtitle);
    restore_choice(page);
}

bool accepted(HWND page)
{
    HWND finish = GetDlgItem(page, kFinish);
    return IsDlgButtonChecked(page, kAccept) == BST_CHECKED && finish && IsWindowEnabled(finish);
}

void clicked(HWND page, int id)
{
    HWND parent = GetParent(page);
    switch (id)
    {
    case kAccept:
        if (IsDlgButtonChecked(page, kAccept) == BST_CHECKED)
        {
            EnableWindow(GetDlgItem(page, kFinish), TRUE);
            keep_choice(page, kAccept);
        }
        break;
    case kDecline:
        if (IsDlgButtonChecked(page, kDecline) == BST_CHECKED)
        {
            EnableWindow(GetDlgItem(page, kFinish), FALSE);
            keep_choice(page, kDecline);
        }
        break;
    case kFinish:
        // Enter reaches here as IDOK even while Finish is disabled: never
        // install without the agreement.
        if (accepted(page))
            PostMessageA(parent, kPageMove, kMoveFinish, 0);
        break;
    case kCancel:
        PostMessageA(parent, kPageMove, kMoveCancel, 0);
        break;
    case kBack:
        PostMessageA(parent, kPageMove, kMoveBack, 0);
        break;
    default:
        break;
    }
}

void paint_header(HWND page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    FillRect(dc, &g_look.header, (HBRUSH)GetStockObject(WHITE_BRUSH));
    EndPaint(page, &ps);
}

INT_PTR label_colour(WPARAM dc, LPARAM control)
{
    HWND label = (HWND)control;
    if (label != g_look.labels[0] && label != g_look.labels[1])
        return FALSE;
    SetBkMode((HDC)dc, TRANSPARENT);
    return (INT_PTR)GetStockObject(WHITE_BRUSH);
}

void forget_look(HWND page)
{
    if (g_look.page != page)
        return; // a newer page took the look over
    if (g_look.bold)
        DeleteObject(g_look.bold);
    g_look = PageLook{};
}

} // namespace

void AddPageHeader(HWND page, const char* title, const char* subtitle)
{
    if (g_look.bold)
        DeleteObject(g_look.bold);
    g_look = PageLook{};
    g_look.page = page;
    HFONT font = (HFONT)SendMessageA(page, WM_GETFONT, 0, 0);
    LOGFONTA lf{};
    if (font && GetObjectA(font, sizeof(lf), &lf))
    {
        lf.lfWeight = 600;
        g_look.bold = CreateFontIndirectA(&lf);
    }
    // The title's box reaches into the subtitle's; siblings made earlier lie
    // above, so the subtitle comes first and keeps its text whole.
    g_look.labels[1] = CreateWindowExA(0, "STATIC", subtitle, WS_CHILD | WS_VISIBLE, 28, 33, 400, 20, page,
                                       (HMENU)(INT_PTR)kHeaderLabel, Module(), nullptr);
    g_look.labels[0] = CreateWindowExA(0, "STATIC", title, WS_CHILD | WS_VISIBLE, 17, 11, 400, 30, page,
                                       (HMENU)(INT_PTR)kHeaderLabel, Module(), nullptr);
    SendMessageA(g_look.labels[0], WM_SETFONT, (WPARAM)(g_look.bold ? g_look.bold : font), FALSE);
    SendMessageA(g_look.labels[1], WM_SETFONT, (WPARAM)font, FALSE);
    HWND header = GetDlgItem(page, kHeader);
    if (header)
    {
        GetWindowRect(header, &g_look.header);
        MapWindowPoints(nullptr, page, (LPPOINT)&g_look.header, 2);
        ShowWindow(header, SW_HIDE);
    }
}

INT_PTR CALLBACK LicencePageProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg)
    {
    case WM_INITDIALOG:
        init_page(hwnd);
        return TRUE;
    case WM_PAINT:
        paint_header(hwnd);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return label_colour(wparam, lparam);
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED)
            clicked(hwnd, LOWORD(wparam));
        else if (HIWORD(wparam) == EN_SETFOCUS && LOWORD(wparam) == kLicenceEdit)
            SendDlgItemMessageA(hwnd, kLicenceEdit, EM_SETSEL, WPARAM(-1), -1);
        return TRUE;
    case WM_DESTROY:
        forget_look(hwnd);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace cabmover
