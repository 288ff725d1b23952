// game_app_test.cpp -- the sound switch and the temporary folder of a start
#include "games/skyrend/game_app.h"

#include "engine/base/properties.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <memory>

#include <os/gdi.h>
#include <os/process.h>
#include <os/user.h>
#include <os/wstring.h>

using namespace skyrend;

namespace {

// "gsetting.properties" holding the text, as the game reads it.
std::unique_ptr<Properties> settingsOf(const char* text)
{
    os::testing::put("GUI/gsetting.properties", text);
    auto settings = std::make_unique<Properties>(u'=', u',', u':');
    EXPECT_TRUE(settings->load(u"\\GUI\\", u"gsetting.properties"));
    return settings;
}

} // namespace

TEST(SoundSwitch, OnOnlyWhenSelectedIsZero)
{
    const struct
    {
        const char* settings;
        bool on;
    } cases[] = {
        {"soundEffect=GUIType:checkboxGroup, selected:0\n", true},
        {"soundEffect=GUIType:checkboxGroup, selected:1\n", false},
        {"soundEffect=GUIType:checkboxGroup\n", false}, // no field: off
        {"missionType=GUIType:checkboxGroup, selected:0\n", false}, // no entry: off
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.on, soundSwitchOf(*settingsOf(c.settings))) << c.settings;
}

TEST(TemporaryFolder, OnePerProcessUnderTheDocuments)
{
    const std::u16string expected = os::format(u"\\Kalmir.tmp\\%u\\", unsigned(GetCurrentProcessId()));
    const std::u16string folder = processTempFolder();
    ASSERT_GE(folder.size(), expected.size());
    EXPECT_EQ(expected, folder.substr(folder.size() - expected.size())) << os::to_latin1(folder.c_str());
}

TEST(FlightSettings, ReadAsAFlightStarts)
{
    const struct
    {
        const char* settings;
        bool replace, dome, video, buttons;
    } cases[] = {
        {"# nothing\n", true, false, true, true}, // every one missing
        {"missionType=GUIType:checkboxGroup, selected:0\nskydomeRendering=GUIType:checkboxGroup, selected:0\n"
         "chkGAPIVideo=GUIType:checkbox, status:0\nchkGAPIButton=GUIType:checkbox, status:0\n",
         false, true, false, false},
        {"missionType=GUIType:checkboxGroup, selected:1\nskydomeRendering=GUIType:checkboxGroup, selected:1\n"
         "chkGAPIVideo=GUIType:checkbox, status:1\nchkGAPIButton=GUIType:checkbox, status:0\n",
         true, false, true, false},
        {"chkGAPIVideo=GUIType:checkbox, status:0\nchkGAPIButton=GUIType:checkbox, status:1\n", true, false, false,
         true},
    };
    for (const auto& c : cases)
    {
        const GameCanvas::Mission m = flightSettingsOf(*settingsOf(c.settings));
        EXPECT_EQ(m.replaceDowned, c.replace) << c.settings;
        EXPECT_EQ(m.skyDome, c.dome) << c.settings;
        EXPECT_EQ(m.directVideo, c.video) << c.settings;
        EXPECT_EQ(m.directButtons, c.buttons) << c.settings;
    }
}

TEST(HardwareMixing, OnlyWhenItsBoxIsTicked)
{
    const struct
    {
        const char* settings;
        bool on;
    } cases[] = {
        {"soundHwdMixing=type:Sprite, GUIType:checkbox, status:1\n", true},
        {"soundHwdMixing=type:Sprite, GUIType:checkbox, status:0\n", false},
        {"soundHwdMixing=type:Sprite, GUIType:checkbox\n", false},
        {"# no box\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.on, hardwareMixingOf(*settingsOf(c.settings))) << c.settings;
}

TEST(WindowClass, BlackBehindThePagesAndTheProgramsIcon)
{
    GameApp app(nullptr, u"");
    EXPECT_EQ(app.windowClass.hbrBackground, HBRUSH(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(app.windowClass.hIcon, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)));
    EXPECT_NE(app.windowClass.hIcon, nullptr);
}
