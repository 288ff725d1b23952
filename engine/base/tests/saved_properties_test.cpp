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

std::string savedText(const WCHAR* text)
{
    return text ? os::to_latin1(text) : std::string("<null>");
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
