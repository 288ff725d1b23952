// wizard_test.cpp -- the installer's wizard driven as a person would: by
// clicks on control ids, pen taps and keys
#include "installer/cabmover/tests/install_fixture.h"
#include "os/controls/tests/control_test_util.h"
#include "os/testing/desktop.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace cabmover_test;
using namespace os::desktop::testing;

class WizardTest : public Desktop
{
protected:
    void run(std::vector<Step> steps)
    {
        ModalDriver driver(std::move(steps));
        cabmover::InstallerMain();
        EXPECT_LT(driver.taken(), size_t(-1));
        EXPECT_EQ(cabmover::ActiveWizard(), nullptr) << "the wizard is no longer active";
    }
};

HWND page_of(HWND frame)
{
    return GetWindow(frame, GW_CHILD);
}

bool finish_enabled(HWND frame)
{
    return IsWindowEnabled(GetDlgItem(page_of(frame), cabmover::kFinish));
}

Step expect_finish(bool enabled)
{
    return call([enabled](HWND frame) { EXPECT_EQ(finish_enabled(frame), enabled) << "Finish enabled"; });
}

Step expect_still_open()
{
    return call([](HWND frame) { EXPECT_TRUE(IsWindowVisible(frame)) << "the wizard ended"; });
}

TEST_F(WizardTest, AcceptAndFinishInstalls)
{
    struct Case
    {
        const char* how;
        std::vector<Step> steps;
    };
    Case cases[] = {
        {"clicks", {click(cabmover::kAccept), expect_finish(true), click(cabmover::kFinish)}},
        {"taps", {tap(cabmover::kAccept), expect_finish(true), tap(cabmover::kFinish)}},
        {"tap and Enter", {tap(cabmover::kAccept), press(VK_RETURN)}},
        {"keys only", {press(VK_TAB), press(VK_SPACE), expect_finish(true), press(VK_RETURN)}},
    };
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.how);
        std::filesystem::remove_all(host(kFolder));
        starts.clear();
        run(std::move(c.steps));
        expect_installed();
        EXPECT_TRUE(boxes().empty());
    }
}

TEST_F(WizardTest, TheRadioButtonsSwitchFinish)
{
    run({expect_finish(false), click(cabmover::kDecline), expect_finish(false), click(cabmover::kAccept),
         expect_finish(true), click(cabmover::kDecline), expect_finish(false), press(VK_DOWN),
         expect_finish(false), press(VK_UP), expect_finish(false), click(cabmover::kAccept), expect_finish(true),
         click(cabmover::kCancel)});
    expect_nothing_installed();
}

TEST_F(WizardTest, EnterNeverInstallsWithoutTheAgreement)
{
    run({press(VK_RETURN), expect_still_open(), click(cabmover::kDecline), press(VK_RETURN), expect_still_open(),
         call([](HWND frame) { SendMessageA(frame, WM_COMMAND, IDOK, 0); }), expect_still_open(),
         press(VK_ESCAPE)});
    expect_nothing_installed();
    EXPECT_TRUE(boxes().empty());
}

TEST_F(WizardTest, CancelEscapeAndCloseWriteNothing)
{
    struct Case
    {
        const char* how;
        std::vector<Step> steps;
    };
    Case cases[] = {
        {"Cancel", {click(cabmover::kAccept), click(cabmover::kCancel)}},
        {"Escape", {click(cabmover::kAccept), press(VK_ESCAPE)}},
        {"closing the window", {call([](HWND frame) { PostMessageA(frame, WM_CLOSE, 0, 0); })}},
    };
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.how);
        run(std::move(c.steps));
        expect_nothing_installed();
        EXPECT_TRUE(boxes().empty());
    }
}

TEST_F(WizardTest, WizardEndCodes)
{
    static cabmover::Wizard wizard;
    struct Case
    {
        Step step;
        INT_PTR code;
    };
    Case cases[] = {
        {click(cabmover::kCancel), cabmover::kMoveCancel},
        {press(VK_ESCAPE), cabmover::kMoveCancel},
        {call([](HWND frame) { PostMessageA(frame, cabmover::kPageMove, cabmover::kMoveFinish, 0); }),
         cabmover::kMoveFinish},
    };
    for (Case& c : cases)
    {
        wizard.Init(cabmover::Module(), "Game");
        wizard.AddPage(cabmover::kLicenceDialog, cabmover::LicencePageProc);
        ModalDriver driver({c.step});
        EXPECT_EQ(wizard.Run(), c.code);
        wizard.End();
    }
    wizard.Init(cabmover::Module(), "Game");
    for (int i = 0; i < cabmover::Wizard::kCapacity; ++i)
        ASSERT_TRUE(wizard.AddPage(cabmover::kLicenceDialog, cabmover::LicencePageProc));
    EXPECT_FALSE(wizard.AddPage(cabmover::kLicenceDialog, cabmover::LicencePageProc)) << "past the last slot";
    EXPECT_EQ(wizard.count, cabmover::Wizard::kCapacity);
    wizard.End();
}

TEST_F(WizardTest, TheLicencePageAsShown)
{
    run({call([](HWND frame) {
             char text[64];
             GetWindowTextA(frame, text, sizeof(text));
             EXPECT_STREQ(text, "Game") << "the frame's caption is the component name";
             HWND page = page_of(frame);
             std::string licence = resource(cabmover::kLicenceType, cabmover::kLicenceId);
             licence.pop_back();
             std::vector<char> shown(licence.size() + 16);
             EXPECT_EQ(GetWindowTextA(GetDlgItem(page, cabmover::kLicenceEdit), shown.data(), int(shown.size())),
                       int(licence.size()));
             EXPECT_EQ(std::string(shown.data()), licence);
             std::vector<std::string> labels;
             for (HWND h = GetWindow(page, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
                 if (GetDlgCtrlID(h) == cabmover::kHeaderLabel && GetWindowTextA(h, text, sizeof(text)))
                     labels.push_back(text);
             std::sort(labels.begin(), labels.end());
             EXPECT_EQ(labels, (std::vector<std::string>{text_of(cabmover::kLicenceTitle),
                                                         text_of(cabmover::kLicenceSubtitle)}));
             EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, cabmover::kHeader))) << "the header is painted instead";
             EXPECT_EQ(IsDlgButtonChecked(page, cabmover::kAccept), UINT(BST_UNCHECKED));
             EXPECT_EQ(IsDlgButtonChecked(page, cabmover::kDecline), UINT(BST_UNCHECKED));
             HDC dc = GetDC(page);
             for (HWND h = GetWindow(page, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
             {
                 SetBkMode(dc, OPAQUE);
                 LRESULT brush = SendMessageA(page, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)h);
                 bool label = GetDlgCtrlID(h) == cabmover::kHeaderLabel;
                 EXPECT_EQ(brush == (LRESULT)GetStockObject(WHITE_BRUSH), label) << "control " << GetDlgCtrlID(h);
                 EXPECT_EQ(GetBkMode(dc) == TRANSPARENT, label) << "control " << GetDlgCtrlID(h);
             }
             ReleaseDC(page, dc);
             EXPECT_EQ(GetDlgCtrlID(GetFocus()), cabmover::kLicenceEdit);
             DWORD start = 0, end = 0;
             SendDlgItemMessageA(page, cabmover::kLicenceEdit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
             EXPECT_EQ(start, end) << "the licence is never shown selected";
         }),
         press(VK_ESCAPE)});
}

Step save_shot(const char* name)
{
    return call([name](HWND) { control_test::save_shot(name); });
}

// The mouse wheel turned a notch towards the user over a control.
Step wheel_over(int id)
{
    return [id](HWND dialog) {
        RECT r{};
        GetWindowRect(find_control(dialog, id), &r);
        os::host::Event e;
        e.type = os::host::EventType::Wheel;
        e.x = (r.left + r.right) / 2;
        e.y = (r.top + r.bottom) / 2;
        e.wheel = -WHEEL_DELTA;
        os::host::headless::push_event(e);
        ModalDriver::ready_at() = GetTickCount() + kInputMs;
    };
}

// Tab takes the focus round the page's controls and each one shows it; the
// licence scrolls under the mouse wheel whichever control has the focus.
TEST_F(WizardTest, TabShowsTheFocusAndTheWheelScrollsTheLicence)
{
    std::vector<COLORREF> plain[3];
    const int ids[3] = {cabmover::kAccept, cabmover::kBack, cabmover::kCancel};
    auto keep_plain = call([&](HWND frame) {
        for (int i = 0; i < 3; ++i)
            plain[i] = control_test::pixels_of(GetDlgItem(page_of(frame), ids[i]));
    });
    auto marked = [&](int which) {
        return call([&, which](HWND frame) {
            HWND page = page_of(frame);
            EXPECT_EQ(GetFocus(), GetDlgItem(page, ids[which])) << "focus on control " << ids[which];
            for (int i = 0; i < 3; ++i)
            {
                bool changed = control_test::pixels_of(GetDlgItem(page, ids[i])) != plain[i];
                EXPECT_EQ(changed, i == which)
                    << "control " << ids[i] << (i == which ? " shows no focus" : " still marked");
            }
        });
    };
    auto first_line = [](int expected) {
        return call([expected](HWND frame) {
            EXPECT_EQ(SendDlgItemMessageA(page_of(frame), cabmover::kLicenceEdit, EM_GETFIRSTVISIBLELINE, 0, 0),
                      expected);
        });
    };
    run({keep_plain, save_shot("wizard_licence_focused"), press(VK_TAB), marked(0), save_shot("wizard_accept_focused"),
         press(VK_TAB), marked(1), press(VK_TAB), marked(2), save_shot("wizard_cancel_focused"), first_line(0),
         wheel_over(cabmover::kLicenceEdit), first_line(3), wheel_over(cabmover::kLicenceEdit), first_line(6),
         save_shot("wizard_licence_wheeled"), press(VK_ESCAPE)});
    expect_nothing_installed();
}

// The page is built again, with the user's choice as it was.
TEST_F(WizardTest, BackAndNextShowTheOnlyPageAgainWithItsChoice)
{
    HWND first = nullptr;
    auto next = call([](HWND frame) { PostMessageA(frame, cabmover::kPageMove, cabmover::kMoveNext, 0); });
    auto page_is_new = [&](int checked) {
        return call([&, checked](HWND frame) {
             HWND page = page_of(frame);
             EXPECT_NE(page, first) << "a new page window";
             EXPECT_FALSE(IsWindow(first)) << "the old page is gone";
             EXPECT_EQ(cabmover::ActiveWizard()->index, 0);
             EXPECT_EQ(IsDlgButtonChecked(page, cabmover::kAccept), UINT(checked == cabmover::kAccept));
             EXPECT_EQ(IsDlgButtonChecked(page, cabmover::kDecline), UINT(checked == cabmover::kDecline));
             first = page;
         });
    };
    run({click(cabmover::kAccept), call([&](HWND frame) { first = page_of(frame); }), click(cabmover::kBack),
         page_is_new(cabmover::kAccept), expect_finish(true), click(cabmover::kDecline), next, call([](HWND) {}),
         page_is_new(cabmover::kDecline), expect_finish(false), click(cabmover::kAccept), click(cabmover::kFinish)});
    expect_installed();
    run({expect_finish(false), call([](HWND frame) {
             EXPECT_EQ(IsDlgButtonChecked(page_of(frame), cabmover::kAccept), UINT(BST_UNCHECKED))
                 << "a new wizard starts without a choice";
         }),
         click(cabmover::kCancel)});
}

} // namespace
