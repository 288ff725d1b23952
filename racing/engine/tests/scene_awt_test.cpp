// scene_awt_test.cpp -- the racing native-control scene: the control table
// with the racing edit border, controls becoming children of the canvas
// window when the scene is attached, removed last first, and index fonts
#include "racing/engine/scene_awt.h"

#include "engine/platform/window.h"

#include <os/font.h>
#include <os/windows.h>

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

} // namespace

TEST(RacingSceneAWT, TheControlTableWithTheRacingEditBorder)
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
        {0, u"BUTTON", 0x50000000, 0},        {1, u"EDIT", 0x500000C0, 0x20000},
        {2, u"COMBOBOX", 0x50200003, 0},      {3, u"LISTBOX", 0x50200001, 0x200},
        {4, u"STATIC", 0x50000000, 0},        {5, u"STATIC", 0x50000000, 0},
        {6, u"EDIT", 0x503010C4, 0x20000},
    };
    {
        racing::SceneAWT scene;
        // Added before the scene has its canvas: made when it is attached.
        AWTComponent* first = racing::SceneAWT::makeComponent(0, 100, 10, 10, 100, 18, u"go");
        scene.addComponent(u"c0", first, u"12345");
        EXPECT_EQ(first->control->getHandle(), nullptr);
        EXPECT_EQ(std::u16string(first->indexLabel), u"1234");
        scene.attach(&host);
        ASSERT_NE(first->control->getHandle(), nullptr);
        for (const Case& c : cases)
        {
            AWTComponent* component = first;
            if (c.kind > 0)
            {
                component = racing::SceneAWT::makeComponent(c.kind, 100 + c.kind, 10, 10 + 20 * c.kind, 100, 18, u"t");
                scene.addComponent(u"c", component, nullptr);
            }
            HWND hwnd = component->control->getHandle();
            ASSERT_NE(hwnd, nullptr) << c.kind;
            EXPECT_EQ(classOf(hwnd), c.className) << c.kind;
            EXPECT_EQ(DWORD(GetWindowLongW(hwnd, GWL_STYLE)) & c.style, c.style) << c.kind;
            EXPECT_EQ(DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)) & 0x20200, c.exStyle) << c.kind;
            EXPECT_EQ(GetDlgCtrlID(hwnd), 100 + c.kind);
        }
        EXPECT_EQ(host.getChildCount(), 7);
        scene.removeComponents();
        EXPECT_EQ(host.getChildCount(), 0);
        EXPECT_NE(scene.findChild(u"c0"), nullptr) << "the components stay until the scene goes";
    }
    std::unique_ptr<AWTComponent> none(racing::SceneAWT::makeComponent(7, 1, 0, 0, 1, 1, nullptr));
    EXPECT_EQ(none->control, nullptr);
    host.destroy();
}

TEST(RacingSceneAWT, IndexLabelsAreItalicAndUnderlined)
{
    racing::SceneAWT scene;
    scene.setIndexTextSize(14);
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(scene.getIndexFont(), sizeof(font), &font), 0);
    EXPECT_EQ(font.lfHeight, 14);
    EXPECT_EQ(font.lfItalic, 1);
    EXPECT_EQ(font.lfUnderline, 1);
    EXPECT_EQ(font.lfWeight, 400);
}
