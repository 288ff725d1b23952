// input_pad_test.cpp -- the on-screen keyboard: layout, taps, hardware keys,
// Caps, Clear, Del, Esc and Ok, and the call-back to the previous listener
#include "canvas_fixture.h"

#include "engine/scene/screen/input_pad.h"

using namespace canvas_test;

namespace {

struct InputPadTest : CanvasFixture
{
    void SetUp() override
    {
        CanvasFixture::SetUp();
        pad = new InputPad(canvas, 0xFFFFFF, nullptr, nullptr, nullptr, nullptr);
        canvas->setInputPad(pad);
        edit = addSprite(u"edtName", Sprite::EditBox, 10, 10, 100, 20, u"-8,Pilot name");
        edit->setText(u"Ace", false);
        canvas->setMouseListener(&log);
    }

    // The centre of a pad sprite in canvas pixels.
    void tapPad(const Sprite* sprite)
    {
        SceneSprite* scene = pad->getScene();
        tapAt(scene->x + sprite->x + sprite->width / 2, scene->y + sprite->y + sprite->height / 2);
    }
    void tapButton(const WCHAR* name) { tapPad(static_cast<Sprite*>(pad->getScene()->findChild(name))); }
    void tapKeys(const char* keys)
    {
        for (const char* k = keys; *k; ++k)
            for (int i = 0; i < InputPad::kKeyCount; ++i)
                if (InputPad::kLowerLayout[i] == WCHAR(*k))
                    tapPad(pad->keySprite(i));
    }
    void pressKey(int code)
    {
        key(WM_KEYDOWN, code);
        pump();
        key(WM_KEYUP, code);
        pump();
    }

    InputPad* pad = nullptr;
    Sprite* edit = nullptr;
    PenLog log;
};

} // namespace

TEST_F(InputPadTest, EditBoxTapOpensThePadWithItsTextTitleAndLimit)
{
    tapAt(20, 20);
    ASSERT_TRUE(pad->isOpen());
    EXPECT_TRUE(canvas->inputPadOpen);
    EXPECT_EQ(u"Ace", pad->getText());
    auto* message = static_cast<Sprite*>(pad->getScene()->findChild(u"sptMessage_MSGBOX"));
    EXPECT_EQ(std::u16string(u"Pilot name"), message->getText());
    EXPECT_EQ(pad, canvas->getMouseListener());
    SceneSprite* scene = pad->getScene();
    EXPECT_EQ(5, scene->x);
    EXPECT_EQ(60, scene->y);
    EXPECT_EQ(u"sceneInputPad_INPUTPAD", std::u16string(scene->name));
    tapKeys("bcdefghij");
    EXPECT_EQ(u"Acebcdef", pad->getText()) << "a tap on a full text is ignored";
    tapButton(u"btnOk_MSGBOX");
    EXPECT_FALSE(pad->isOpen());
    EXPECT_EQ(std::u16string(u"Acebcdef"), edit->getText());
    EXPECT_EQ(&log, canvas->getMouseListener());
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(UINT(WM_LBUTTONUP), log.entries.back().message);
    EXPECT_EQ(WPARAM(1), log.entries.back().keys);
}

TEST_F(InputPadTest, PadStaysOnTopOfScenesAddedAfterIt)
{
    pad->show(edit, u"", u"Name", 8, true);
    pad->finish(false);
    auto* later = new SceneSprite(0, 0, 240, 320, Scene::kNoColor, nullptr);
    canvas->addScene(u"later", later);
    pad->show(edit, u"", u"Name", 8, true);
    EXPECT_EQ(pad->getScene(), canvas->getScene(canvas->getSceneCount() - 1));
    tapKeys("k");
    EXPECT_EQ(u"k", pad->getText());
    pad->finish(false);
}

TEST_F(InputPadTest, LimitsAndInitialTextAreCut)
{
    pad->show(edit, u"abcdefghijklmnopqrstuvwxyz", u"Long", 50, true);
    EXPECT_EQ(u"abcdefghijklmnopqrst", pad->getText());
    pad->finish(false);
    pad->show(edit, u"abcdef", u"Short", 3, true);
    EXPECT_EQ(u"abc", pad->getText());
    pad->finish(false);
}

TEST_F(InputPadTest, EmptyOkWithoutEmptyAllowedActsAsEscape)
{
    struct Case
    {
        bool allowEmpty;
        const char16_t* kept;
        WPARAM ok;
    };
    const Case cases[] = {{false, u"Ace", 0}, {true, u"", 1}};
    for (const Case& c : cases)
    {
        edit->setText(u"Ace", false);
        pad->show(edit, u"Ace", u"Name", 8, c.allowEmpty);
        tapButton(u"btnClear_MSGBOX");
        EXPECT_EQ(u"", pad->getText());
        tapButton(u"btnOk_MSGBOX");
        EXPECT_EQ(std::u16string(c.kept), edit->getText()) << c.allowEmpty;
        EXPECT_EQ(c.ok, log.entries.back().keys);
    }
    pad->show(edit, u"Ace", u"Name", 8, true);
    tapKeys("x");
    tapButton(u"btnCancel_MSGBOX");
    EXPECT_EQ(std::u16string(u""), edit->getText()) << "Esc keeps the target's text";
    EXPECT_EQ(WPARAM(0), log.entries.back().keys);
}

TEST_F(InputPadTest, CapsRelabelsTheKeys)
{
    pad->show(edit, u"", u"Name", 8, true);
    tapButton(u"btnCaps_MSGBOX");
    EXPECT_TRUE(pad->isCaps());
    auto* capsButton = static_cast<Sprite*>(pad->getScene()->findChild(u"btnCaps_MSGBOX"));
    EXPECT_EQ(std::u16string(u"CAPS"), capsButton->getText());
    struct Case
    {
        int key;
        const char16_t* label;
    };
    const Case cases[] = {{10, u"Q"}, {0, u"!"}, {6, u"`"}, {29, u"\\"}, {39, u":"}};
    for (const Case& c : cases)
        EXPECT_EQ(std::u16string(c.label), pad->keySprite(c.key)->getText()) << c.key;
    tapPad(pad->keySprite(10));
    EXPECT_EQ(u"Q", pad->getText());
    tapButton(u"btnCaps_MSGBOX");
    EXPECT_EQ(std::u16string(u"Caps"), capsButton->getText());
    EXPECT_EQ(std::u16string(u"q"), pad->keySprite(10)->getText());
    tapButton(u"btnDel_MSGBOX");
    EXPECT_EQ(u"", pad->getText());
    tapButton(u"btnDel_MSGBOX");
    EXPECT_EQ(u"", pad->getText());
}

TEST_F(InputPadTest, HardwareKeysTapTheirOnScreenKeys)
{
    pad->show(edit, u"", u"Name", 8, true);
    pad->show(edit, u"zz", u"Other", 8, true); // already open: nothing changes
    pressKey('A');
    EXPECT_EQ(u"a", pad->getText());
    pressKey('7');
    pressKey(VK_LEFT); // not a character key
    pressKey(VK_DOWN);
    EXPECT_EQ(u"a7", pad->getText());
    pressKey(VK_BACK);
    EXPECT_EQ(u"a", pad->getText());
    key(WM_KEYDOWN, 'B');
    key(WM_KEYDOWN, 'B'); // auto-repeat posts nothing more
    key(WM_KEYUP, 'B');
    pump();
    EXPECT_EQ(u"ab", pad->getText());
    pressKey(VK_RETURN);
    EXPECT_FALSE(pad->isOpen());
    EXPECT_EQ(std::u16string(u"ab"), edit->getText());
}

TEST_F(InputPadTest, HardwareKeyPostsItsTapAtTheKeyCentre)
{
    pad->show(edit, u"", u"Name", 8, true);
    PenLog seen; // stands in for the pad to see the posted taps
    canvas->setMouseListener(&seen);
    key(WM_KEYDOWN, 'A');
    key(WM_KEYUP, 'A');
    pump();
    ASSERT_EQ(2u, seen.entries.size());
    EXPECT_EQ(24, seen.entries[0].x);
    EXPECT_EQ(182, seen.entries[0].y);
    canvas->setMouseListener(pad);
    pad->finish(false);
}

TEST_F(InputPadTest, IndexLabelsSelectKeysInsteadOfTyping)
{
    canvas->showIndexLabels = true;
    canvas->typeToFind = true;
    pad->show(edit, u"", u"Name", 8, true);
    pressKey('A');
    EXPECT_EQ(u"", pad->getText());
    key(WM_KEYDOWN, '3');
    key(WM_KEYDOWN, '0');
    pump();
    key(WM_KEYUP, '0');
    pump();
    key(WM_KEYUP, '3');
    pump();
    EXPECT_EQ(u"a", pad->getText()) << "label 30 is the key 'a'";
    pressKey(VK_ESCAPE);
    EXPECT_FALSE(pad->isOpen());
}
