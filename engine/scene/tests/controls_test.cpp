// controls_test.cpp -- native controls hosted by a control scene
#include "engine/platform/window.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/scenes/scene_awt.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Host : public Window
{
public:
    Host() : Window(u"host", nullptr, false) {}
};

std::u16string classOf(HWND hwnd)
{
    WCHAR name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

void pumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

TEST(AWTComponent, KindsMakeTheirControls)
{
    Host host;
    ASSERT_TRUE(host.create(0, 0, 240, 320));
    struct Case
    {
        int kind;
        const char16_t* className;
        DWORD style, exStyle;
    };
    const Case cases[] = {
        {0, u"BUTTON", 0x50000000, 0},      {1, u"EDIT", 0x500000C0, 0x200},
        {2, u"COMBOBOX", 0x50200003, 0},    {3, u"LISTBOX", 0x50200001, 0x200},
        {4, u"STATIC", 0x50000000, 0},      {5, u"STATIC", 0x50000000, 0},
        {6, u"EDIT", 0x503010C4, 0x200},
    };
    {
        SceneAWT scene;
        scene.hostWindow = &host;
        for (const Case& c : cases)
        {
            auto* component = new AWTComponent(c.kind, 100 + c.kind, 10, 10 + 20 * c.kind, 100, 18, u"text");
            ASSERT_NE(nullptr, component->control);
            EXPECT_EQ(nullptr, component->control->getHandle()) << "created only when added";
            scene.addComponent(u"c", component, u"123456");
            HWND hwnd = component->control->getHandle();
            ASSERT_NE(nullptr, hwnd) << c.kind;
            EXPECT_EQ(std::u16string(c.className), classOf(hwnd)) << c.kind;
            EXPECT_EQ(c.style, DWORD(GetWindowLongW(hwnd, GWL_STYLE)) & c.style) << c.kind;
            EXPECT_EQ(c.exStyle, DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)) & 0x200) << c.kind;
            EXPECT_EQ(100 + c.kind, GetDlgCtrlID(hwnd));
            EXPECT_EQ(std::u16string(u"1234"), std::u16string(component->indexLabel));
        }
        EXPECT_EQ(7, host.getChildCount());
    }
    EXPECT_EQ(0, host.getChildCount()) << "the scene removed its controls";
    AWTComponent none(7, 1, 0, 0, 10, 10, nullptr);
    EXPECT_EQ(nullptr, none.control);
    host.destroy();
}

TEST(AWTComponent, FontsAndTextArea)
{
    Host host;
    ASSERT_TRUE(host.create(0, 0, 240, 320));
    SceneAWT scene;
    scene.hostWindow = &host;
    auto* area = new AWTComponent(AWTComponent::TextAreaKind, 1, 0, 0, 200, 100, nullptr);
    auto* edit = new AWTComponent(AWTComponent::EditKind, 2, 0, 120, 200, 20, u"");
    area->setFont(14, nullptr, false, 400);
    HFONT first = area->font;
    area->setFont(-1, nullptr, false, 400);
    EXPECT_EQ(first, area->font);
    scene.addComponent(u"area", area, nullptr);
    scene.addComponent(u"edit", edit, nullptr);
    EXPECT_EQ(reinterpret_cast<LRESULT>(first), SendMessageW(area->control->getHandle(), WM_GETFONT, 0, 0));
    struct Case
    {
        AWTComponent* component;
        const char16_t* want;
    };
    for (const Case& c : {Case{area, u"a\r\nb"}, Case{edit, u"ab"}})
    {
        HWND hwnd = c.component->control->getHandle();
        SetFocus(hwnd);
        os::host::headless::type(u"a");
        os::host::headless::key(VK_RETURN);
        os::host::headless::type(u"b");
        pumpMessages();
        WCHAR text[32] = {};
        GetWindowTextW(hwnd, text, 32);
        EXPECT_EQ(std::u16string(c.want), std::u16string(text));
    }
    host.destroy();
}
