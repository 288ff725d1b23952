// saved_properties_test.cpp -- a damaged saved properties file is set aside,
// named once, and its shipped copy takes its place
#include "engine/base/saved_properties.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <filesystem>
#include <string>
#include <vector>

using os::testing::get;
using os::testing::host;
using os::testing::put;
namespace headless = os::host::headless;
namespace fs = std::filesystem;

namespace {

const std::string kShipped = "# settings page\n"
                             "title=GUIType:label, text:Settings\n"
                             "chkSound=GUIType:checkbox, status:1\n"
                             "chkVibrate=GUIType:checkbox, status:0\n"
                             "cmdBack=GUIType:button, text:Back\n";

// The jet game's settings page as the previous build shipped it, before the
// page gained the mixed-sound box and its label.
const char kPreviousJetSettings[] =
    "# The game settings: read when the game starts and when a flight starts.\n"
    "btn=GUIType:button, color:(40;70;120), brightColor:(230;180;60), frame:(170;200;240), textColor:(255;255;255), textAlignment:center, textSize:14, textWeight:700\n"
    "box=GUIType:checkbox, persistent:1, width:18, height:18, color:(30;40;70), brightColor:(120;220;120), frame:(200;220;255)\n"
    "label=textSize:13, textColor:(230;235;255), height:18\n"
    "soundEffect=GUIType:checkboxGroup, selected:0\n"
    "missionType=GUIType:checkboxGroup, selected:0\n"
    "skydomeRendering=GUIType:checkboxGroup, selected:0\n"
    "settings=type:SceneSprite, bkgTexture:menu.jpg\n"
    "heading=type:Sprite, container:settings, x:0, y:8, width:240, height:22, text:SETTINGS, textSize:18, textWeight:700, textColor:(255;224;128), textAlignment:center\n"
    "soundTitle=type:Sprite, container:settings, x:12, y:40, width:216, text:Sound effects, textWeight:700, {label}\n"
    "rdoSoundOn=type:Sprite, container:settings, {box}, group:soundEffect, status:1, x:20, y:60\n"
    "rdoSoundOnText=type:Sprite, container:settings, x:44, y:60, width:70, text:On, {label}\n"
    "rdoSoundOff=type:Sprite, container:settings, {box}, group:soundEffect, x:120, y:60\n"
    "rdoSoundOffText=type:Sprite, container:settings, x:144, y:60, width:70, text:Off, {label}\n"
    "missionTitle=type:Sprite, container:settings, x:12, y:90, width:216, text:Missions, textWeight:700, {label}\n"
    "missionAll=type:Sprite, container:settings, {box}, group:missionType, status:1, x:20, y:110\n"
    "missionAllText=type:Sprite, container:settings, x:44, y:110, width:190, text:Three enemies down wins, {label}\n"
    "missionEndless=type:Sprite, container:settings, {box}, group:missionType, x:20, y:132\n"
    "missionEndlessText=type:Sprite, container:settings, x:44, y:132, width:190, text:Endless waves of enemies, {label}\n"
    "skyTitle=type:Sprite, container:settings, x:12, y:162, width:216, text:Sky, textWeight:700, {label}\n"
    "skyDome=type:Sprite, container:settings, {box}, group:skydomeRendering, status:1, x:20, y:182\n"
    "skyDomeText=type:Sprite, container:settings, x:44, y:182, width:190, text:Sky dome, {label}\n"
    "skyClouds=type:Sprite, container:settings, {box}, group:skydomeRendering, x:20, y:204\n"
    "skyCloudsText=type:Sprite, container:settings, x:44, y:204, width:190, text:Sky colour and clouds, {label}\n"
    "deviceTitle=type:Sprite, container:settings, x:12, y:234, width:216, text:Device, textWeight:700, {label}\n"
    "chkGAPIVideo=type:Sprite, container:settings, {box}, status:0, x:20, y:254\n"
    "chkGAPIVideoText=type:Sprite, container:settings, x:44, y:254, width:76, text:Direct video, {label}, textSize:12\n"
    "chkGAPIButton=type:Sprite, container:settings, {box}, status:0, x:120, y:254\n"
    "chkGAPIButtonText=type:Sprite, container:settings, x:144, y:254, width:90, text:Game buttons, {label}, textSize:12\n"
    "cmdEnterGame=type:Sprite, container:settings, {btn}, x:70, y:284, width:100, height:28, text:Done, textOffsetY:5\n";

// The page as shipped now: the sound row narrowed for the two new entries.
std::string currentJetSettings()
{
    std::string page = kPreviousJetSettings;
    const std::string before = "rdoSoundOnText=type:Sprite, container:settings, x:44, y:60, width:70, text:On, {label}\n"
                               "rdoSoundOff=type:Sprite, container:settings, {box}, group:soundEffect, x:120, y:60\n"
                               "rdoSoundOffText=type:Sprite, container:settings, x:144, y:60, width:70, text:Off, {label}\n";
    const std::string after =
        "rdoSoundOnText=type:Sprite, container:settings, x:44, y:60, width:36, text:On, {label}\n"
        "rdoSoundOff=type:Sprite, container:settings, {box}, group:soundEffect, x:84, y:60\n"
        "rdoSoundOffText=type:Sprite, container:settings, x:108, y:60, width:36, text:Off, {label}\n"
        "soundHwdMixing=type:Sprite, container:settings, {box}, status:0, x:148, y:60\n"
        "soundHwdMixingText=type:Sprite, container:settings, x:172, y:60, width:64, text:Mixed, {label}, textSize:12\n";
    page.replace(page.find(before), before.size(), after);
    return page;
}

std::string savedText(const WCHAR* text)
{
    return text ? os::to_latin1(text) : std::string("<null>");
}

// One field of an entry's item list, or "<null>".
std::string fieldText(Properties& table, const WCHAR* key, const WCHAR* field)
{
    WCHAR* value = table.getField(key, field);
    std::string out = savedText(value);
    delete[] value;
    return out;
}

class SavedProperties : public ::testing::Test
{
protected:
    void SetUp() override { headless::clear_boxes(); }

    // The page's folder with its shipped copy in "defaults".
    static void ship() { put("GUI/defaults/gsetting.properties", kShipped); }

    static std::vector<std::string> boxTexts()
    {
        std::vector<std::string> out;
        for (const auto& box : headless::boxes())
            out.push_back(os::to_latin1(box.text));
        return out;
    }
};

struct Damage
{
    const char* what;
    std::string content; // written as the file (unless a folder or a loop)
    enum Kind
    {
        Bytes,
        Folder,
        Loop
    } kind = Bytes;
};

std::vector<Damage> damages()
{
    std::string random;
    for (int i = 0; i < 600; ++i)
        random += char((i * 97 + 13) & 0xFF);
    std::string nul = kShipped;
    nul.replace(nul.find("Settings"), 3, std::string(3, '\0'));
    return {
        {"NUL bytes in a line", nul},
        {"random bytes", random},
        {"a runaway line", kShipped + "junk=" + std::string(kSavedLineLimit + 10, 'x') + "\n"},
        {"a 20 MB line", std::string(20 << 20, 'a')},
        {"empty", ""},
        {"comments only", "# settings page\n\n\n"},
        {"cut short", kShipped.substr(0, kShipped.size() / 2)},
        {"a folder in its place", "", Damage::Folder},
        {"unreadable (a link to itself)", "", Damage::Loop},
    };
}

} // namespace

// Every kind of damage: the file goes aside whole, the user is told once
// where, and the page reads its shipped copy, which now stands in the file's
// place.
TEST_F(SavedProperties, DamagedFileIsSetAsideAndTheShippedCopyTakesItsPlace)
{
    for (const Damage& damage : damages())
    {
        SCOPED_TRACE(damage.what);
        fs::remove_all(host("GUI"));
        headless::clear_boxes();
        ship();
        const std::string file = host("GUI/gsetting.properties");
        if (damage.kind == Damage::Folder)
            put("GUI/gsetting.properties/inside.txt", "x");
        else if (damage.kind == Damage::Loop)
            fs::create_symlink("gsetting.properties", file);
        else
            put("GUI/gsetting.properties", damage.content);

        Properties table;
        ASSERT_TRUE(loadSavedProperties(table, u"\\GUI\\", u"gsetting.properties"));
        EXPECT_EQ(savedText(table.get(u"chkSound")), "GUIType:checkbox, status:1");
        EXPECT_EQ(savedText(table.get(u"cmdBack")), "GUIType:button, text:Back");
        EXPECT_EQ(get("GUI/gsetting.properties"), kShipped);

        const std::string aside = host("GUI/gsetting.properties.damaged");
        if (damage.kind == Damage::Folder)
            EXPECT_EQ(get("GUI/gsetting.properties.damaged/inside.txt"), "x");
        else if (damage.kind == Damage::Loop)
            EXPECT_TRUE(fs::is_symlink(aside));
        else
            EXPECT_EQ(get("GUI/gsetting.properties.damaged"), damage.content);

        std::vector<std::string> texts = boxTexts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(texts[0].find("\\GUI\\gsetting.properties was damaged"), std::string::npos) << texts[0];
        EXPECT_NE(texts[0].find("set aside as \\GUI\\gsetting.properties.damaged"), std::string::npos) << texts[0];

        // Read again (the next page, or the settings page's own save), the
        // file is sound: nothing more is said or moved.
        Properties again;
        EXPECT_TRUE(loadSavedProperties(again, u"\\GUI", u"gsetting.properties"));
        EXPECT_EQ(boxTexts().size(), 1u);
        EXPECT_FALSE(fs::exists(host("GUI/gsetting.properties.damaged-2")));
    }
}

// What a program writes, or a person edits, is not damage.
TEST_F(SavedProperties, SoundFilesAreReadAsTheyAre)
{
    const struct
    {
        const char* what;
        std::string content;
        bool shipped;
    } cases[] = {
        {"values changed, an entry added",
         "# settings page\ntitle=GUIType:label, text:Settings\n"
         "chkSound=GUIType:checkbox, status:0\n"
         "chkVibrate=GUIType:checkbox, status:1\n"
         "cmdBack=GUIType:button, text:Back\nplaneSelected=2\n",
         true},
        {"CRLF, tabs, Latin-1 and no last newline",
         "title=GUIType:label,\ttext:Caf\xe9\r\nchkSound=status:0\r\nchkVibrate=status:0\r\ncmdBack=x", true},
        {"a score table of the program's own", "-1=track:Dunes, racer:Ann, time:  61.500\n", false},
        {"an empty score table", "", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        fs::remove_all(host("GUI"));
        if (c.shipped)
            ship();
        put("GUI/gsetting.properties", c.content);
        Properties table;
        EXPECT_FALSE(repairSavedProperties(u"\\GUI", u"gsetting.properties"));
        EXPECT_TRUE(table.load(u"\\GUI", u"gsetting.properties"));
        EXPECT_EQ(get("GUI/gsetting.properties"), c.content);
        EXPECT_FALSE(fs::exists(host("GUI/gsetting.properties.damaged")));
    }
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(SavedProperties, MissingFileTakesTheShippedCopyWithoutAWord)
{
    ship();
    Properties table;
    ASSERT_TRUE(loadSavedProperties(table, u"\\GUI", u"gsetting.properties"));
    EXPECT_EQ(savedText(table.get(u"chkVibrate")), "GUIType:checkbox, status:0");
    EXPECT_EQ(get("GUI/gsetting.properties"), kShipped);

    Properties none;
    EXPECT_FALSE(loadSavedProperties(none, u"\\GUI", u"racescore.properties"));
    EXPECT_FALSE(fs::exists(host("GUI/racescore.properties")));
    EXPECT_TRUE(boxTexts().empty());
}

// A damaged file the program makes itself (no shipped copy) is set aside
// too; the program starts from an empty table, as on its first run.
TEST_F(SavedProperties, DamagedFileWithoutShippedCopyLeavesAnEmptyTable)
{
    put("GUI/racescore.properties", "0=track:\x01\x02\x03\n");
    Properties table;
    EXPECT_FALSE(loadSavedProperties(table, u"\\GUI", u"racescore.properties"));
    EXPECT_EQ(table.getKeyCount(), 0);
    EXPECT_FALSE(fs::exists(host("GUI/racescore.properties")));
    EXPECT_EQ(get("GUI/racescore.properties.damaged"), "0=track:\x01\x02\x03\n");
    EXPECT_EQ(boxTexts().size(), 1u);
    // The program's next save makes the file afresh where it belongs.
    table.put(u"0", u"track:Dunes");
    EXPECT_TRUE(table.save());
    EXPECT_EQ(get("GUI/racescore.properties"), "0=track:Dunes\n");
}

// When the damaged file cannot be moved, it is neither read nor lost: the
// table takes the shipped copy under the file's own name, and the user hears
// of it once however often the page loads.
TEST_F(SavedProperties, DamagedFileThatCannotBeMovedIsNotRead)
{
    ship();
    const std::string damaged = std::string("chkSound=\0\0", 11);
    put("GUI/gsetting.properties", damaged);
    put("GUI/gsetting.properties.damaged", "earlier");
    for (int n = 2; n < 1000; ++n)
        put("GUI/gsetting.properties.damaged-" + std::to_string(n), "earlier");
    for (int load = 0; load < 2; ++load)
    {
        Properties table;
        ASSERT_TRUE(loadSavedProperties(table, u"\\GUI", u"gsetting.properties"));
        EXPECT_EQ(savedText(table.get(u"chkSound")), "GUIType:checkbox, status:1");
        EXPECT_EQ(savedText(table.getPath()), "\\GUI\\gsetting.properties");
    }
    EXPECT_EQ(get("GUI/gsetting.properties"), damaged);
    std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("could not be set aside"), std::string::npos) << texts[0];
}

// A page saved by an earlier build lacks the entries the page gained since.
// It is no damage: the file takes those entries from the shipped copy, each
// after the entry it follows there, and the page's new layout around every
// value the player set; nothing is said or set aside, and the next save
// writes the whole page.
TEST_F(SavedProperties, EarlierBuildsPageTakesTheNewEntriesAndKeepsThePlayersValues)
{
    const std::string current = currentJetSettings();
    // The previous build's page with the player's choice (sound off), as its
    // settings page wrote it: references expanded, the statuses changed.
    auto savedWithSoundOff = [] {
        put("GUI/gsetting.properties", kPreviousJetSettings);
        Properties page;
        EXPECT_TRUE(page.load(u"\\GUI", u"gsetting.properties"));
        page.setField(u"rdoSoundOn", u"status", u"0");
        page.setField(u"rdoSoundOff", u"status", u"1");
        page.setField(u"soundEffect", u"selected", u"1");
        EXPECT_TRUE(page.save());
        return get("GUI/gsetting.properties");
    };
    const struct
    {
        const char* what;
        std::string file;
        const char* soundOn;  // rdoSoundOn's status the page keeps
        const char* selected; // soundEffect's choice
    } cases[] = {
        {"saved by the previous build, sound off", savedWithSoundOff(), "0", "1"},
        {"laid by the previous build, never saved", kPreviousJetSettings, "1", "0"},
        {"the current page cut between two lines", current.substr(0, current.find("missionAll=")), "1", "0"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        fs::remove_all(host("GUI"));
        headless::clear_boxes();
        put("GUI/defaults/gsetting.properties", current);
        put("GUI/gsetting.properties", c.file);

        Properties page;
        PtrVector keyList(0);
        ASSERT_TRUE(loadSavedProperties(page, u"\\GUI", u"gsetting.properties", &keyList));
        EXPECT_TRUE(boxTexts().empty());
        EXPECT_FALSE(fs::exists(host("GUI/gsetting.properties.damaged")));

        Properties shipped;
        PtrVector shippedKeys(0);
        ASSERT_TRUE(shipped.load(u"\\GUI\\defaults", u"gsetting.properties", &shippedKeys));
        std::vector<std::string> order, shippedOrder;
        for (int i = 0; i < keyList.size(); ++i)
            order.push_back(savedText(static_cast<const WCHAR*>(keyList.get(i))));
        for (int i = 0; i < shippedKeys.size(); ++i)
            shippedOrder.push_back(savedText(static_cast<const WCHAR*>(shippedKeys.get(i))));
        EXPECT_EQ(order, shippedOrder) << "every entry, in the page's order";

        EXPECT_EQ(page.getFieldInt(u"soundHwdMixing", u"status", -1), 0);
        EXPECT_EQ(page.getFieldInt(u"soundHwdMixing", u"width", -1), 18) << "its {box} reference resolves";
        EXPECT_EQ(fieldText(page, u"soundHwdMixingText", u"text"), "Mixed");
        EXPECT_EQ(fieldText(page, u"rdoSoundOn", u"status"), c.soundOn);
        EXPECT_EQ(fieldText(page, u"soundEffect", u"selected"), c.selected);
        // The sound row takes the new layout, so the new box beside it does
        // not cover its labels.
        EXPECT_EQ(page.getFieldInt(u"rdoSoundOnText", u"width", -1), 36);
        EXPECT_EQ(page.getFieldInt(u"rdoSoundOff", u"x", -1), 84);
        EXPECT_EQ(fieldText(page, u"rdoSoundOffText", u"text"), "Off");
        EXPECT_EQ(page.getFieldInt(u"rdoSoundOffText", u"textSize", -1), 13) << "its {label} stays";

        // The settings page saves what it shows; read back, the page is whole.
        page.setField(u"soundHwdMixing", u"status", u"1");
        ASSERT_TRUE(page.save());
        Properties reread;
        ASSERT_TRUE(loadSavedProperties(reread, u"\\GUI", u"gsetting.properties"));
        EXPECT_EQ(reread.getFieldInt(u"soundHwdMixing", u"status", -1), 1);
        EXPECT_EQ(fieldText(reread, u"rdoSoundOn", u"status"), c.soundOn);
        EXPECT_EQ(reread.getKeyCount(), shipped.getKeyCount());
        EXPECT_TRUE(boxTexts().empty());
    }
}

// What of an entry is the player's: the fields the programs write back
// (status, selected, text, texture, mask) and plain values; the rest is
// layout and follows the shipped copy. Entries the shipped copy no longer has
// stay.
TEST_F(SavedProperties, EarlierBuildsPageKeepsThePlayersFieldsInTheNewLayout)
{
    const std::string shipped = "# main menu\n"
                                "sceneMenu=type:SceneSprite, width:100%, height:100%\n"
                                "sptGround=type:Sprite, width:176, color:(18;22;44), container:sceneMenu\n"
                                "txtPlayerName=type:Sprite, x:40, y:199, text:Rider, container:sceneMenu\n"
                                "chkMusic=type:Sprite, {box}, x:10, container:sceneMenu\n"
                                "imgBike=type:Sprite, texture:bike_blue.jpg, x:4\n"
                                "SB_vehicleSelected=0\n"
                                "box=GUIType:checkbox, width:18\n";
    const std::string earlier = "# main menu\n"
                                "sceneMenu=type:SceneSprite, width:100%, height:100%, bkgColor:(18;22;44)\n"
                                "txtPlayerName=type:Sprite, x:30, y:190, text:Jo, Ann, container:sceneMenu\n"
                                "chkMusic=type:Sprite, GUIType:checkbox, width:18, x:8, container:sceneMenu, status:1\n"
                                "imgBike=type:Sprite, texture:bike_red.jpg, x:2\n"
                                "SB_vehicleSelected=2\n"
                                "SB_trackSelected=1\n"
                                "box=GUIType:checkbox, width:18\n";
    ship();
    put("GUI/defaults/MainMenu.properties", shipped);
    put("GUI/MainMenu.properties", earlier);
    EXPECT_FALSE(repairSavedProperties(u"\\GUI", u"MainMenu.properties"));
    EXPECT_EQ(get("GUI/MainMenu.properties"),
              "# main menu\n"
              "sceneMenu=type:SceneSprite, width:100%, height:100%\n"
              "sptGround=type:Sprite, width:176, color:(18;22;44), container:sceneMenu\n"
              "txtPlayerName=type:Sprite, x:40, y:199, text:Jo, Ann, container:sceneMenu\n"
              "chkMusic=type:Sprite, {box}, x:10, container:sceneMenu, status:1\n"
              "imgBike=type:Sprite, texture:bike_red.jpg, x:4\n"
              "SB_vehicleSelected=2\n"
              "SB_trackSelected=1\n"
              "box=GUIType:checkbox, width:18\n");
    EXPECT_TRUE(boxTexts().empty());
}
