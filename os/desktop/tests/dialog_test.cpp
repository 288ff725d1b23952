// dialog_test.cpp -- dialogs from templates: creation, units, the modal
// loop, EndDialog, the dialog keys, radio groups and default colours
#include "os/testing/desktop.h"

#include <os/desktop.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace os::desktop::testing;

const int kKeysDialog = 300;
const int kOuterDialog = 301;
const int kInnerDialog = 302;

struct Command
{
    HWND dialog;
    int id;
    int code;
};

std::vector<Command>& commands()
{
    static std::vector<Command> c;
    return c;
}

LPARAM g_init_param = 0;
HWND g_init_focus = nullptr;

INT_PTR CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_INITDIALOG)
    {
        g_init_param = lparam;
        g_init_focus = (HWND)wparam;
        return TRUE;
    }
    if (msg == WM_COMMAND)
    {
        commands().push_back({hwnd, LOWORD(wparam), HIWORD(wparam)});
        return TRUE;
    }
    return FALSE;
}

HWND g_inner = nullptr;

INT_PTR CALLBACK outer_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_INITDIALOG)
    {
        g_inner = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kInnerDialog), hwnd, recording_proc, 0);
        ShowWindow(g_inner, SW_SHOW);
        return TRUE;
    }
    return recording_proc(hwnd, msg, wparam, lparam);
}

os::desktop::DialogItem item(const char* cls, int id, DWORD style, int x, int y, int cx, int cy,
                             const char* text = "")
{
    return {cls, text, id, DWORD(style | WS_VISIBLE), 0, x, y, cx, cy};
}

class Dialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        os::device::use_desktop_screen();
        os::desktop::DialogTemplate keys;
        keys.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        keys.caption = "Keys";
        keys.font_face = "MS Sans Serif";
        keys.x = 10, keys.y = 10, keys.cx = 200, keys.cy = 120;
        keys.items = {
            item("EDIT", 10, WS_TABSTOP | WS_BORDER, 5, 5, 100, 12),
            item("BUTTON", 11, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 5, 20, 80, 10, "One"),
            item("BUTTON", 12, BS_AUTORADIOBUTTON, 5, 32, 80, 10, "Two"),
            item("BUTTON", 13, BS_AUTORADIOBUTTON, 5, 44, 80, 10, "Three"),
            item("STATIC", 14, WS_GROUP, 5, 56, 80, 10, "Label"),
            item("BUTTON", 15, WS_TABSTOP | WS_DISABLED, 5, 70, 50, 14, "Off"),
            item("STATIC", 16, SS_BITMAP, 150, 5, 30, 25, "#149"),
            item("BUTTON", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 90, 100, 50, 14, "OK"),
            item("BUTTON", IDCANCEL, WS_TABSTOP, 145, 100, 50, 14, "Cancel"),
        };
        os::desktop::add_dialog(kKeysDialog, keys);

        os::desktop::DialogTemplate outer;
        outer.style = WS_POPUP;
        outer.cx = 200, outer.cy = 120;
        os::desktop::add_dialog(kOuterDialog, outer);
        os::desktop::DialogTemplate inner;
        inner.style = WS_CHILD | DS_CONTROL;
        inner.cx = 200, inner.cy = 120;
        inner.items = {
            item("EDIT", 10, WS_TABSTOP, 5, 5, 100, 12),
            item("BUTTON", 20, WS_TABSTOP, 5, 20, 50, 14, "Plain"),
            item("BUTTON", 21, WS_TABSTOP | BS_DEFPUSHBUTTON, 60, 20, 50, 14, "Default"),
        };
        os::desktop::add_dialog(kInnerDialog, inner);
        commands().clear();
    }

    INT_PTR run(std::vector<Step> steps, int dialog = kKeysDialog, DLGPROC proc = recording_proc)
    {
        ModalDriver driver(std::move(steps));
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(dialog), nullptr, proc, 77);
    }
};

std::vector<int> ids(HWND only = nullptr)
{
    std::vector<int> out;
    for (const Command& c : commands())
        if (c.code == BN_CLICKED && (!only || c.dialog == only))
            out.push_back(c.id);
    return out;
}

Step expect_focus(int id)
{
    return call([id](HWND dialog) { EXPECT_EQ(GetDlgCtrlID(GetFocus()), id) << "focus"; });
}

TEST_F(Dialogs, CreatesControlsInDialogUnits)
{
    EXPECT_EQ(run({call([](HWND dialog) {
                  char caption[32];
                  GetWindowTextA(dialog, caption, sizeof(caption));
                  EXPECT_STREQ(caption, "Keys");
                  EXPECT_EQ(g_init_param, 77);
                  EXPECT_EQ(GetDlgCtrlID(g_init_focus), 10) << "WM_INITDIALOG names the first tab stop";
                  struct Case
                  {
                      int id;
                      RECT units;
                  };
                  for (Case c : {Case{10, {5, 5, 105, 17}}, Case{IDOK, {90, 100, 140, 114}}})
                  {
                      RECT want = c.units;
                      ASSERT_TRUE(MapDialogRect(dialog, &want));
                      RECT got{};
                      GetWindowRect(GetDlgItem(dialog, c.id), &got);
                      MapWindowPoints(nullptr, dialog, (LPPOINT)&got, 2);
                      EXPECT_TRUE(EqualRect(&got, &want)) << "control " << c.id;
                  }
                  RECT image{};
                  GetWindowRect(GetDlgItem(dialog, 16), &image);
                  EXPECT_TRUE(IsRectEmpty(&image)) << "an image that no resource holds takes no room";
                  EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
              }),
                   end(5)}),
              5);
}

TEST_F(Dialogs, DialogUnitsToPixels)
{
    struct Case
    {
        RECT units;
        int bx, by;
        RECT pixels;
    };
    const Case cases[] = {
        {{0, 0, 332, 218}, 6, 13, {0, 0, 498, 354}},
        {{6, 44, 325, 151}, 6, 13, {9, 72, 488, 245}},
        {{1, 1, 3, 3}, 7, 16, {2, 2, 5, 6}},
    };
    for (const Case& c : cases)
    {
        RECT got = os::desktop::dialog_units_to_pixels(c.units, c.bx, c.by);
        EXPECT_TRUE(EqualRect(&got, &c.pixels)) << got.left << "," << got.top << "," << got.right << ","
                                                << got.bottom;
    }
}

TEST_F(Dialogs, MissingTemplatesFail)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, recording_proc, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(CreateDialogParamA(nullptr, "NOPE", nullptr, recording_proc, 0), nullptr);
    EXPECT_FALSE(EndDialog(nullptr, 1));
    RECT r{};
    EXPECT_FALSE(MapDialogRect(nullptr, &r));
}

TEST_F(Dialogs, EscapeAndCloseSendCancel)
{
    run({press(VK_ESCAPE), call([](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }),
         call([](HWND) {}), end(0)});
    EXPECT_EQ(ids(), (std::vector<int>{IDCANCEL, IDCANCEL}));
}

TEST_F(Dialogs, EnterPressesFocusedButtonElseDefaultElseIdok)
{
    run({
        press(VK_RETURN), // focus in the edit: the default button
        call([](HWND dialog) { SetFocus(GetDlgItem(dialog, IDCANCEL)); }),
        press(VK_RETURN), // a focused push button is pressed
        call([](HWND dialog) {
            SetFocus(GetDlgItem(dialog, 10));
            EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        }),
        press(VK_RETURN), // a disabled default still gives IDOK to the dialog
        end(0),
    });
    EXPECT_EQ(ids(), (std::vector<int>{IDOK, IDCANCEL, IDOK}));
}

TEST_F(Dialogs, TabWalksEnabledTabStopsBothWays)
{
    run({expect_focus(10), press(VK_TAB), expect_focus(11), press(VK_TAB), expect_focus(IDOK), press(VK_TAB),
         expect_focus(IDCANCEL), press(VK_TAB), expect_focus(10), press_shifted(VK_TAB), release_shift(),
         expect_focus(IDCANCEL), end(0)});
    EXPECT_TRUE(ids().empty()) << "walking the focus sends no command";
}

TEST_F(Dialogs, ArrowsMoveTheCheckWithinTheGroup)
{
    auto checked = [](std::vector<int> want) {
        return call([want](HWND dialog) {
            for (int id : {11, 12, 13})
            {
                bool on = std::find(want.begin(), want.end(), id) != want.end();
                EXPECT_EQ(IsDlgButtonChecked(dialog, id), UINT(on ? BST_CHECKED : BST_UNCHECKED)) << "radio " << id;
            }
        });
    };
    run({press(VK_TAB), checked({}), press(VK_DOWN), checked({12}), expect_focus(12), press(VK_DOWN), checked({13}),
         press(VK_DOWN), checked({11}), press(VK_UP), checked({13}), end(0)});
}

TEST_F(Dialogs, CheckRadioButtonSetsOneOfARange)
{
    run({call([](HWND dialog) {
             EXPECT_TRUE(CheckRadioButton(dialog, 11, 13, 12));
             EXPECT_EQ(IsDlgButtonChecked(dialog, 11), UINT(BST_UNCHECKED));
             EXPECT_EQ(IsDlgButtonChecked(dialog, 12), UINT(BST_CHECKED));
             EXPECT_TRUE(CheckRadioButton(dialog, 11, 13, 11));
             EXPECT_EQ(IsDlgButtonChecked(dialog, 12), UINT(BST_UNCHECKED));
             EXPECT_FALSE(CheckRadioButton(dialog, 13, 11, 11));
         }),
         end(0)});
}

TEST_F(Dialogs, TapsReachControls)
{
    run({tap(12), call([](HWND dialog) { EXPECT_EQ(IsDlgButtonChecked(dialog, 12), UINT(BST_CHECKED)); }),
         tap(IDCANCEL), end(0)});
    EXPECT_EQ(ids(), (std::vector<int>{12, IDCANCEL}));
}

TEST_F(Dialogs, EndDialogInsideTheProcedureEndsTheLoop)
{
    static INT_PTR (*ending)(HWND, UINT, WPARAM, LPARAM) = [](HWND hwnd, UINT msg, WPARAM wparam,
                                                              LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wparam) == IDOK)
            EndDialog(hwnd, 42);
        return msg == WM_INITDIALOG;
    };
    EXPECT_EQ(run({click(IDOK), press(VK_ESCAPE)}, kKeysDialog, ending), 42);
}

TEST_F(Dialogs, NestedDialogKeepsItsOwnDefaultButton)
{
    run({call([](HWND) { ASSERT_NE(g_inner, nullptr); }), expect_focus(10), press(VK_RETURN), press(VK_TAB),
         press(VK_TAB), expect_focus(21), press(VK_TAB), expect_focus(10), press(VK_ESCAPE), end(0)},
        kOuterDialog, outer_proc);
    EXPECT_EQ(ids(g_inner), std::vector<int>{21}) << "Enter goes to the dialog holding the focus";
    EXPECT_EQ(ids(), (std::vector<int>{21, IDCANCEL})) << "Escape goes to the outer dialog";
}

TEST_F(Dialogs, DefaultColoursAreTheFaceColour)
{
    run({call([](HWND dialog) {
             HDC dc = GetDC(dialog);
             for (UINT msg : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORDLG})
             {
                 LRESULT brush = SendMessageA(dialog, msg, (WPARAM)dc, (LPARAM)GetDlgItem(dialog, 14));
                 EXPECT_EQ(brush, (LRESULT)GetSysColorBrush(COLOR_BTNFACE)) << msg;
                 EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE)) << msg;
             }
             ReleaseDC(dialog, dc);
         }),
         end(0)});
}

TEST_F(Dialogs, ModelessDialogAndItsItems)
{
    HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kKeysDialog), nullptr, recording_proc, 5);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "shown only when the template says WS_VISIBLE";
    EXPECT_TRUE(SetDlgItemTextA(dialog, 10, "licence"));
    char text[16];
    EXPECT_EQ(SendDlgItemMessageA(dialog, 10, WM_GETTEXT, sizeof(text), (LPARAM)text), 7);
    EXPECT_STREQ(text, "licence");
    EXPECT_EQ(SendDlgItemMessageA(dialog, 999, WM_GETTEXT, sizeof(text), (LPARAM)text), 0);
    EXPECT_FALSE(SetDlgItemTextA(dialog, 999, "x"));
    MSG msg{dialog, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(dialog, &msg));
    msg.wParam = 'A';
    EXPECT_FALSE(IsDialogMessageA(dialog, &msg));
    EXPECT_EQ(ids(), (std::vector<int>{IDCANCEL}));
    DestroyWindow(dialog);
    EXPECT_FALSE(IsDialogMessageA(dialog, &msg));
}

} // namespace
