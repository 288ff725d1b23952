// canvas_input_test.cpp -- the keys of a racing canvas (key bits, exclusive
// keys, GAPI's buttons, the released key), index typing onto sprites and
// native controls, tip links, the box of a check-box group missing from the
// template, the template saved by a persistent check box, and "number"
// copies keeping their text and GUI type
#include "racing/engine/canvas.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "engine/platform/gapi_display.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/core/material.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace headless = os::host::headless;

namespace {

struct PenPress
{
    UINT message;
    int x, y;
};

// A page that records the presses that reach it.
class InputPage : public racing::Canvas
{
public:
    InputPage() : Canvas(u"page") {}
    std::vector<PenPress> presses;
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override
    {
        if (phase == 0 && (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP))
            presses.push_back({message, x, y});
        Canvas::onMouse(message, keys, x, y, phase);
    }
};

void pumpInput()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&m);
}

class RacingCanvasInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        headless::clear_boxes();
        ASSERT_TRUE(window.create(0, 0, 240, 320));
        ASSERT_TRUE(window.addChild(page, 0, 0, 240, 320));
    }
    void TearDown() override { window.destroy(); }

    void key(UINT message, int code) { page->onKey(message, code); }
    void tap(int code)
    {
        key(WM_KEYDOWN, code);
        key(WM_KEYUP, code);
    }
    racing::Sprite* addSprite(racing::SceneSprite& scene, const char16_t* name, int x, int y, const char16_t* index)
    {
        auto* s = new racing::Sprite(x, y, 40, 20);
        s->guiType = 1;
        scene.addSprite(name, s, index);
        return s;
    }

    racing::Window window{u"frame", nullptr, false};
    InputPage* page = new InputPage();
};

} // namespace

TEST_F(RacingCanvasInput, KeyBitsHeldTogetherOrOneAtATime)
{
    struct Step
    {
        UINT message;
        int key;
        uint32_t bits;
    };
    const std::vector<Step> together = {{WM_KEYDOWN, VK_UP, 1},        {WM_KEYDOWN, VK_LEFT, 5},
                                        {WM_KEYDOWN, 134, 133},         {WM_KEYUP, VK_UP, 132},
                                        {WM_KEYDOWN, VK_INSERT, 2180},  {WM_KEYUP, 134, 2052},
                                        {WM_KEYDOWN, 'Q', 2052},        {WM_KEYDOWN, VK_NEXT, 2564}};
    for (const Step& s : together)
    {
        key(s.message, s.key);
        EXPECT_EQ(page->getKeyBits(), s.bits) << s.key;
    }
    InputPage* single = new InputPage();
    ASSERT_TRUE(window.addChild(single, 0, 0, 10, 10));
    single->exclusiveKeys = true;
    const std::vector<Step> exclusive = {{WM_KEYDOWN, VK_UP, 1}, {WM_KEYDOWN, VK_LEFT, 4}, {WM_KEYUP, VK_LEFT, 0},
                                         {WM_KEYDOWN, VK_RETURN, 128}, {WM_KEYDOWN, 'A', 128}};
    for (const Step& s : exclusive)
    {
        single->onKey(s.message, s.key);
        EXPECT_EQ(single->getKeyBits(), s.bits) << "exclusive " << s.key;
    }
    EXPECT_EQ(racing::Canvas::lastKeyBit(), 128u);
    single->onKey(WM_KEYUP, VK_RETURN);
    EXPECT_EQ(racing::Canvas::lastKeyBit(), 128u) << "the released key's own bit";
    single->onKey(WM_KEYUP, 'A');
    EXPECT_EQ(racing::Canvas::lastKeyBit(), 0u) << "a release of a key without a bit clears it";
    EXPECT_EQ(single->takeReleasedKey(), 'A');
    single->onKey(WM_KEYUP, VK_RETURN);
    EXPECT_EQ(single->takeReleasedKey(), VK_RETURN);
    EXPECT_EQ(single->takeReleasedKey(), 0) << "once";
}

TEST_F(RacingCanvasInput, GapiButtonsAddUpWhileItsInputIsOpen)
{
    GapiDisplay::open(page->getHandle(), false, true);
    ASSERT_TRUE(GapiDisplay::isInputOpen());
    page->exclusiveKeys = true;
    key(WM_KEYDOWN, GapiDisplay::getKeyA());
    key(WM_KEYDOWN, GapiDisplay::keyStart());
    EXPECT_EQ(page->getKeyBits(), 0x2000u | 0x10000u) << "GAPI's buttons add up even one key at a time";
    key(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(page->getKeyBits(), 1u) << "a navigation key is then the only one";
    key(WM_KEYDOWN, GapiDisplay::getKeyC());
    EXPECT_EQ(page->getKeyBits(), 0x8000u | 1u);
    key(WM_KEYUP, GapiDisplay::getKeyC());
    EXPECT_EQ(page->getKeyBits(), 1u);
    GapiDisplay::close();
    key(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(page->getKeyBits(), 64u) << "with its input closed the GAPI bits go on any key";
}

TEST_F(RacingCanvasInput, IndexTypingPressesTheSpriteOrFocusesTheControl)
{
    page->indexKeys = true;
    auto* scene = new racing::SceneSprite(0, 20, 240, 300, 0xFFFFFFFFu, nullptr);
    page->addScene(u"menu", scene);
    racing::Sprite* one = addSprite(*scene, u"one", 10, 10, u"1");
    racing::Sprite* ab = addSprite(*scene, u"ab", 100, 50, u"AB");
    auto* controls = new racing::SceneAWT();
    page->addScene(u"controls", controls);
    AWTComponent* edit = racing::SceneAWT::makeComponent(1, 1000, 10, 200, 80, 20, u"x");
    controls->addComponent(u"edit", edit, u"9");

    // A then B within 2 s: "AB" presses the sprite at its centre, with the
    // scene's offset; the key-up releases it and starts a new index.
    key(WM_KEYDOWN, 'A');
    EXPECT_EQ(page->getTypedIndex(), u"A");
    key(WM_KEYUP, 'A');
    Sleep(1500);
    key(WM_KEYDOWN, 'B');
    EXPECT_EQ(page->getTypedIndex(), u"AB");
    pumpInput();
    ASSERT_EQ(page->presses.size(), 1u);
    EXPECT_EQ(page->presses[0].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(page->presses[0].x, 0 + 100 + 20);
    EXPECT_EQ(page->presses[0].y, 20 + 50 + 10);
    EXPECT_EQ(ab->getState(), 1) << "pressed through the pen";
    key(WM_KEYUP, 'B');
    pumpInput();
    ASSERT_EQ(page->presses.size(), 2u);
    EXPECT_EQ(page->presses[1].message, UINT(WM_LBUTTONUP));
    EXPECT_EQ(ab->getState(), 0);
    EXPECT_EQ(page->getTypedIndex(), u"");

    // After more than 2 s a new index starts; a held key's repeats type once.
    key(WM_KEYDOWN, 'A');
    Sleep(2500);
    key(WM_KEYUP, 'A');
    key(WM_KEYDOWN, '1');
    key(WM_KEYDOWN, '1');
    EXPECT_EQ(page->getTypedIndex(), u"1");
    key(WM_KEYUP, '1');
    pumpInput();
    EXPECT_EQ(one->getState(), 0);
    EXPECT_EQ(page->presses.size(), 4u) << "the sprite indexed 1 pressed and released once";

    // An index nothing begins with is dropped; a hidden sprite is not typed.
    key(WM_KEYDOWN, 'Z');
    EXPECT_EQ(page->getTypedIndex(), u"");
    key(WM_KEYUP, 'Z');
    one->visible = 0;
    tap('1');
    pumpInput();
    EXPECT_EQ(page->presses.size(), 4u);

    // A native control takes the focus on the key-up.
    tap('9');
    ASSERT_NE(edit->control, nullptr);
    EXPECT_EQ(GetFocus(), edit->control->getHandle());
    EXPECT_EQ(page->getTypedIndex(), u"");
}

TEST_F(RacingCanvasInput, IndexTypingStartsAgainAfterFourCharacters)
{
    page->indexKeys = true;
    auto* scene = new racing::SceneSprite(0, 0, 240, 320, 0xFFFFFFFFu, nullptr);
    page->addScene(u"menu", scene);
    addSprite(*scene, u"long", 0, 0, u"ABCD");
    addSprite(*scene, u"e", 50, 0, u"E");
    for (int k : {'A', 'B', 'C'})
        tap(k);
    EXPECT_EQ(page->getTypedIndex(), u"ABC");
    key(WM_KEYDOWN, 'D');
    EXPECT_EQ(page->getTypedIndex(), u"ABCD");
    key(WM_KEYUP, 'D');
    key(WM_KEYDOWN, 'E');
    EXPECT_EQ(page->getTypedIndex(), u"E") << "a fifth quick letter starts again with it";
    key(WM_KEYUP, 'E');
    // Off, nothing is typed.
    page->indexKeys = false;
    key(WM_KEYDOWN, 'E');
    EXPECT_EQ(page->getTypedIndex(), u"");
}

TEST_F(RacingCanvasInput, ATipLinkShowsItsTipWhileThePenHoldsIt)
{
    auto* scene = new racing::SceneSprite(0, 40, 240, 280, 0x0000FF, nullptr);
    page->addScene(u"menu", scene);
    auto* link = new racing::Sprite(10, 10, 20, 16);
    link->guiType = 4;
    copyName(link->link, u"tip");
    scene->addSprite(u"help", link, nullptr);
    auto* tip = new racing::Sprite(100, 100, 60, 20);
    tip->fillColor = 0xFFFF00;
    tip->visible = 0;
    scene->addSprite(u"tip", tip, nullptr);
    auto* nowhere = new racing::Sprite(10, 200, 20, 16);
    nowhere->guiType = 4;
    copyName(nowhere->link, u"missing");
    scene->addSprite(u"nowhere", nowhere, nullptr);

    Image* back = page->getBackBuffer()->getImage();
    SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 55));
    EXPECT_EQ(link->getState(), 1);
    EXPECT_EQ(tip->visible, 1);
    EXPECT_EQ(back->colorAt(130, 150), 0xFFFF00u) << "drawn at once, at its place in the scene";
    EXPECT_FALSE(page->trackMouseMoves);
    page->drawScenes();
    EXPECT_EQ(back->colorAt(130, 150), 0xFFFF00u) << "still up in the next frame while held";
    SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(15, 55));
    EXPECT_EQ(link->getState(), 0);
    EXPECT_EQ(tip->visible, 0);
    EXPECT_TRUE(page->trackMouseMoves);
    page->drawScenes();
    EXPECT_EQ(back->colorAt(130, 150), 0x0000FFu);
    // A link to no sprite shows nothing and does not fail.
    SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 245));
    EXPECT_EQ(nowhere->getState(), 1);
    SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(15, 245));
    EXPECT_EQ(nowhere->getState(), 0);
    EXPECT_EQ(page->findComponent(u"tip"), tip);
    EXPECT_EQ(page->findComponent(u"missing"), nullptr);
}

TEST_F(RacingCanvasInput, ThePenMovingOverALinkShowsTheHand)
{
    auto* scene = new racing::SceneSprite(0, 40, 240, 280, 0x0000FF, nullptr);
    page->addScene(u"menu", scene);
    racing::Sprite* button = addSprite(*scene, u"go", 10, 10, nullptr);
    auto* picture = new racing::Sprite(100, 10, 40, 20);
    scene->addSprite(u"picture", picture, nullptr);
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(hand, arrow);
    SetCursor(nullptr);
    SendMessageW(page->getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 55));
    EXPECT_EQ(GetCursor(), nullptr) << "no hand set by the program: the cursor is left alone";
    racing::Canvas::setCursors(hand, arrow);
    SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 55));
    SendMessageW(page->getHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(110, 55));
    EXPECT_EQ(GetCursor(), arrow) << "a plain picture";
    EXPECT_EQ(page->getPressedSprite(), button) << "a move does not change the pressed sprite";
    SendMessageW(page->getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 55));
    EXPECT_EQ(GetCursor(), hand);
    SendMessageW(page->getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 300));
    EXPECT_EQ(GetCursor(), arrow);
    racing::Canvas::setCursors(nullptr, nullptr);
}

namespace {

void writeInputText(const char16_t* path, const std::string& text)
{
    ASSERT_TRUE(media::writeDeviceFile(path, media::Bytes(text.begin(), text.end())));
}

} // namespace

TEST_F(RacingCanvasInput, CheckBoxesSaveTheTemplateAndAGroupWithoutItsEntryShowsTheBox)
{
    CreateDirectoryW(u"\\rinput", nullptr);
    writeInputText(u"\\rinput\\boxes.properties",
              "# check boxes\n"
              "s=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
              "a=type:Sprite, container:s, x:0, y:0, width:20, height:20, GUIType:checkbox, group:grp, persistent:1\n"
              "b=type:Sprite, container:s, x:30, y:0, width:20, height:20, GUIType:checkbox, group:grp, persistent:1\n"
              "grp=GUIType:checkboxGroup, selected:0\n"
              "lone=type:Sprite, container:s, x:60, y:0, width:20, height:20, GUIType:checkbox, group:nogroup\n");
    page->loadTemplate(u"\\rinput", u"boxes.properties", true);
    auto press = [this](int x) {
        SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
        SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    };
    press(35);
    EXPECT_EQ(page->getSelectedValue(u"grp"), 1);
    EXPECT_EQ(page->getSelectedValue(u"a"), 0) << "no such field";
    EXPECT_EQ(page->getSelectedValue(u"nothing"), 0) << "no such entry";
    EXPECT_TRUE(headless::boxes().empty());
    // The file as saved, read back.
    Properties saved;
    ASSERT_TRUE(saved.load(u"\\rinput", u"boxes.properties"));
    EXPECT_EQ(saved.getFieldInt(u"b", u"status", -1), 1);
    EXPECT_EQ(saved.getFieldInt(u"a", u"status", -1), 0);
    EXPECT_EQ(saved.getFieldInt(u"grp", u"selected", -1), 1);
    EXPECT_EQ(saved.getKeyCount(), page->getTemplate().getKeyCount()) << "comments and entries kept";

    // A box of a group that has no entry: the box, and still checked.
    press(65);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].caption, u"Error");
    EXPECT_EQ(headless::boxes()[0].text,
              u"The property \"grpName=GUIType:checkboxGroup, selected:0\" need to be added into template.");
    EXPECT_EQ(headless::boxes()[0].flags, UINT(MB_ICONSTOP));
    EXPECT_EQ(page->findComponent(u"lone")->getState(), 1);
}

TEST_F(RacingCanvasInput, NumberCopiesKeepTheirTextAndGuiType)
{
    CreateDirectoryW(u"\\rinput", nullptr);
    writeInputText(u"\\rinput\\copies.properties",
              "s=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
              "row=type:Sprite, container:s, x:5, y:6, width:50, height:16, text:Lap^c1, textColor:(255;0;0), "
              "color:(1;2;3), GUIType:tiplink, href:tip, index:7, status:1, number:3\n");
    page->loadTemplate(u"\\rinput", u"copies.properties", true);
    for (const char16_t* name : {u"row0", u"row1", u"row2"})
    {
        racing::Sprite* s = page->findComponent(name);
        ASSERT_NE(s, nullptr) << std::string(name, name + 4);
        EXPECT_EQ(s->getText(), u"Lap: 1");
        EXPECT_EQ(s->guiType, 4);
        EXPECT_EQ(std::u16string(s->link), u"tip");
        EXPECT_EQ(s->textColor, 0xFF0000u);
        EXPECT_EQ(s->fillColor, 0x010203u);
        EXPECT_EQ(s->underline, 1) << "a link's text is underlined";
        EXPECT_EQ(s->getState(), 1);
        EXPECT_EQ(std::u16string(s->index), u"7");
        EXPECT_EQ(s->x, 5);
    }
    EXPECT_EQ(page->findComponent(u"row1")->cloneFlag, 1);
}
