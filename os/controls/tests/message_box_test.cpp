// The modal message box drawn on the device screen, answered by taps and keys.
#include "os/controls/message_box.h"

#include "control_test_util.h"
#include "os/kernel/path.h"

namespace {

using namespace control_test;
using os::controls::MessageBoxLayout;

// Schedules a tap on the button with the given id of the box that the
// layout describes; the box's own loop delivers it.
void tap_button(const MessageBoxLayout& layout, int id)
{
    for (const auto& b : layout.buttons)
        if (b.id == id)
        {
            os::host::headless::tap(layout.box.left + (b.rect.left + b.rect.right) / 2,
                                    layout.box.top + (b.rect.top + b.rect.bottom) / 2);
            return;
        }
    ADD_FAILURE() << "no button " << id;
}

TEST(MessageBox, ButtonsPerType)
{
    struct Case
    {
        UINT flags;
        std::vector<int> ids;
        int default_id;
        int cancel_id;
    } cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_OKCANCEL, {IDOK, IDCANCEL}, IDOK, IDCANCEL},
        {MB_YESNO, {IDYES, IDNO}, IDYES, IDNO},
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDABORT, IDIGNORE},
        {MB_OK | MB_DEFBUTTON3, {IDOK}, IDOK, IDOK},
    };
    for (const Case& c : cases)
    {
        MessageBoxLayout l = os::controls::message_box_layout(u"Text", u"Caption", c.flags);
        std::vector<int> ids;
        for (const auto& b : l.buttons)
            ids.push_back(b.id);
        EXPECT_EQ(describe(ids), describe(c.ids)) << "flags " << c.flags;
        EXPECT_EQ(l.default_id, c.default_id) << "flags " << c.flags;
        EXPECT_EQ(l.cancel_id, c.cancel_id) << "flags " << c.flags;
        // Everything lies on the screen, the buttons side by side under the text.
        EXPECT_GE(l.box.left, 0);
        EXPECT_LE(l.box.right, 240);
        EXPECT_LE(l.box.bottom, 320);
        for (size_t i = 0; i < l.buttons.size(); ++i)
        {
            EXPECT_GE(l.buttons[i].rect.top, l.text.bottom);
            if (i)
            {
                EXPECT_GT(l.buttons[i].rect.left, l.buttons[i - 1].rect.right);
            }
        }
    }
}

TEST(MessageBox, LongTextWrapsWithinTheScreen)
{
    std::u16string text;
    for (int i = 0; i < 40; ++i)
        text += u"word ";
    MessageBoxLayout l = os::controls::message_box_layout(text, u"Warning", MB_OK);
    MessageBoxLayout one = os::controls::message_box_layout(u"word", u"Warning", MB_OK);
    EXPECT_GT(l.text.bottom - l.text.top, 2 * (one.text.bottom - one.text.top)) << "the text wraps onto lines";
    EXPECT_LE(l.box.bottom, 320);
}

// Long device paths on the handheld screens and a desktop one: the box
// wraps them at their separators (a name longer than a line within it),
// shows every character and stays on the screen.
struct Screen
{
    const char* name;
    int width, height, bpp;
};

class MessageBoxOnScreen : public ::testing::TestWithParam<Screen>
{
protected:
    void SetUp() override
    {
        const Screen& s = GetParam();
        os::host::set_default_screen(s.width, s.height, s.bpp);
        if (os::host::screen().width != s.width || os::host::screen().height != s.height)
            GTEST_SKIP() << "the screen of this process was made before the test (run one case per process)";
    }
};

std::u16string without_breaks(std::u16string_view text)
{
    std::u16string out;
    for (char16_t c : text)
        if (c != u' ' && c != u'\r' && c != u'\n')
            out += c;
    return out;
}

std::vector<std::u16string> lines_of(const std::u16string& wrapped)
{
    std::vector<std::u16string> lines(1);
    for (size_t i = 0; i < wrapped.size(); ++i)
    {
        if (wrapped[i] == u'\r' && i + 1 < wrapped.size() && wrapped[i + 1] == u'\n')
        {
            lines.emplace_back();
            ++i;
        }
        else
            lines.back() += wrapped[i];
    }
    return lines;
}

int width_of(std::u16string_view text)
{
    HDC dc = GetDC(nullptr);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), (int)text.size(), &size);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

int line_height()
{
    HDC dc = GetDC(nullptr);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

// A timer in the box's own loop saves the screen, then Return closes the box.
std::string g_shotName;

void CALLBACK shootBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    save_shot(g_shotName);
    os::host::headless::key(VK_RETURN);
}

TEST_P(MessageBoxOnScreen, LongPathsWrapAndFit)
{
    const Screen& screen = GetParam();
    struct Case
    {
        const char* name;
        std::u16string text;
        bool breaks_after_separators; // every soft break inside the path follows a separator
    } cases[] = {
        {"path",
         u"\\Storage Card\\Program Files\\Vasko-Skyrend\\resources\\aircraft\\interceptor.model was damaged "
         u"(it cannot be read) and has been set aside as "
         u"\\Storage Card\\Program Files\\Vasko-Skyrend\\resources\\aircraft\\interceptor.model.damaged.",
         true},
        {"name longer than a line",
         u"\\My Documents\\Ravenor\\Replays\\"
         u"a_replay_file_name_that_is_much_longer_than_any_line_of_a_message_box_can_hold_0123456789_abcdefghij"
         u"_klmnopqrstuvwxyz.rpl could not be opened.",
         false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        MessageBoxLayout l = os::controls::message_box_layout(c.text, u"Warning", MB_OK | MB_ICONEXCLAMATION);
        EXPECT_GE(l.box.left, 0);
        EXPECT_GE(l.box.top, 0);
        EXPECT_LE(l.box.right, screen.width);
        EXPECT_LE(l.box.bottom, screen.height);
        EXPECT_EQ(without_breaks(l.wrapped), without_breaks(c.text)) << "every character is shown";
        std::vector<std::u16string> lines = lines_of(l.wrapped);
        EXPECT_GE(lines.size(), 2u) << "the text wraps";
        EXPECT_GE(l.text.bottom - l.text.top, (int)lines.size() * line_height()) << "the box grows to show every line";
        for (size_t i = 0; i < lines.size(); ++i)
        {
            EXPECT_LE(width_of(lines[i]), l.text.right - l.text.left)
                << "line " << i << " is cut at the right edge: " << os::path::utf8(lines[i]);
            if (c.breaks_after_separators && i + 1 < lines.size())
            {
                // A break inside a name only where the name alone is wider than a line.
                bool at_separator = lines[i].back() == u'\\';
                bool at_space = c.text.find(lines[i] + u" ") != std::u16string::npos;
                size_t cut = lines[i].find_last_of(u" \\");
                std::u16string name = lines[i].substr(cut == std::u16string::npos ? 0 : cut + 1) +
                                      lines[i + 1].substr(0, lines[i + 1].find_first_of(u" \\"));
                bool too_long = width_of(name) > l.text.right - l.text.left;
                EXPECT_TRUE(at_separator || at_space || too_long)
                    << "line " << i << " breaks inside a name: " << os::path::utf8(lines[i]);
            }
        }
        g_shotName = std::string("message_box_") + screen.name + "_" +
                     (c.breaks_after_separators ? "path" : "long_name");
        SetTimer(nullptr, 0, 10, shootBox);
        EXPECT_EQ(os::controls::run_message_box(nullptr, c.text, u"Warning", MB_OK | MB_ICONEXCLAMATION), IDOK);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, MessageBoxOnScreen,
                         ::testing::Values(Screen{"pocket_pc", 240, 320, 16}, Screen{"city", 176, 220, 16},
                                           Screen{"desktop", 800, 600, 32}),
                         [](const ::testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

TEST(MessageBox, TapAnswers)
{
    struct Case
    {
        UINT flags;
        int tap;
    } cases[] = {
        {MB_OK, IDOK},          {MB_YESNO, IDNO},      {MB_YESNO, IDYES},
        {MB_OKCANCEL, IDCANCEL}, {MB_YESNOCANCEL, IDNO}, {MB_ABORTRETRYIGNORE, IDIGNORE},
    };
    Parent owner;
    for (const Case& c : cases)
    {
        const std::u16string text = u"The pilot already exists, change the pilot's name and try again.";
        MessageBoxLayout l = os::controls::message_box_layout(text, u"Warning", c.flags);
        tap_button(l, c.tap);
        int answer = os::controls::run_message_box(owner.hwnd, text, u"Warning", c.flags);
        EXPECT_EQ(answer, c.tap) << "flags " << c.flags << ": expected " << c.tap << ", got " << answer;
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd)) << "the owner is enabled again";
    }
    EXPECT_TRUE(log().notes.empty()) << "the box's buttons do not notify the owner";
}

TEST(MessageBox, KeysAnswer)
{
    struct Case
    {
        UINT flags;
        UINT vk;
        int expected;
    } cases[] = {
        {MB_YESNO, VK_RETURN, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, VK_RETURN, IDNO},
        {MB_YESNO, VK_ESCAPE, IDNO},
        {MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
        {MB_OK, VK_ESCAPE, IDOK},
    };
    for (const Case& c : cases)
    {
        os::host::headless::key(c.vk);
        int answer = os::controls::run_message_box(nullptr, u"Sure?", u"Question", c.flags);
        EXPECT_EQ(answer, c.expected) << "flags " << c.flags << " key " << c.vk;
    }
}

TEST(MessageBox, QuitEndsTheBoxAndIsKept)
{
    PostQuitMessage(3);
    int answer = os::controls::run_message_box(nullptr, u"Bye", u"Exit", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT) << "the quit goes on to the caller's loop";
    EXPECT_EQ(msg.wParam, 3u);
}

// The pixel at the box's caption bar while the box is up (a thread timer
// its loop runs reads it, then the key answers the box).
COLORREF g_captionShown = 0;
MessageBoxLayout g_shownLayout;

void CALLBACK readCaption(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HDC screen = GetDC(nullptr);
    g_captionShown = GetPixel(screen, g_shownLayout.box.right - 4, g_shownLayout.box.top + 3);
    ReleaseDC(nullptr, screen);
    os::host::headless::key(VK_RETURN);
}

TEST(MessageBox, DrawnOnTheScreen)
{
    g_shownLayout = os::controls::message_box_layout(u"Hello", u"Title", MB_OK);
    const MessageBoxLayout& l = g_shownLayout;
    SetTimer(nullptr, 0, 10, readCaption);
    EXPECT_EQ(os::controls::run_message_box(nullptr, u"Hello", u"Title", MB_OK), IDOK);
    EXPECT_EQ(g_captionShown, on_screen(GetSysColor(COLOR_ACTIVECAPTION)));
    // Closed, it leaves nothing of itself where no window stands.
    HDC screen = GetDC(nullptr);
    COLORREF after = GetPixel(screen, l.box.right - 4, l.box.top + 3);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(after, 0u);
}

} // namespace
