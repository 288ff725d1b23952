// pilots_test.cpp -- the pilot file, the scoreboard order and the menu labels
#include "games/skyrend/pilots.h"

#include "engine/base/properties.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <os/wstring.h>

using namespace skyrend;
using os::testing::get;
using os::testing::put;

namespace {

Properties* loadPilots(const std::string& text)
{
    put("GUI/tplist.properties", text);
    auto* file = new Properties(u'=', u',', u':');
    EXPECT_TRUE(file->load(u"\\GUI\\", u"tplist.properties"));
    return file;
}

std::vector<std::string> names(const std::vector<PilotRecord>& pilots)
{
    std::vector<std::string> out;
    for (const auto& p : pilots)
        out.push_back(os::to_latin1(p.name));
    return out;
}

} // namespace

TEST(Roster, RoundTripKeepsCommentsAndOtherEntries)
{
    std::unique_ptr<Properties> file(loadPilots("# pilots\n"
                                                "lastPilotNo=1\n"
                                                "Ace=ShootDown:3, BeShotDown:1, Missions:7\n"
                                                "\n"
                                                "# a note kept in place\n"
                                                "version=2\n"
                                                "Kite=ShootDown:9, Missions:12\n"
                                                "notAPilot=ShootDown:1\n"));
    Roster roster;
    roster.read(*file);
    ASSERT_EQ(names(roster.pilots), (std::vector<std::string>{"Ace", "Kite"}));
    EXPECT_EQ(1, roster.lastPilot);
    EXPECT_EQ(-1, roster.pilots[1].beShotDown) << "a missing number reads -1";
    EXPECT_EQ(12, roster.pilots[1].missions);

    roster.pilots[0].missions = 8;
    roster.pilots.emplace_back(u"Rookie", 0, 0, 0);
    roster.pilots.erase(roster.pilots.begin() + 1);
    roster.lastPilot = 1;
    roster.write(*file);
    ASSERT_TRUE(file->save());
    EXPECT_EQ(get("GUI/tplist.properties"), "# pilots\n"
                                            "lastPilotNo=1\n"
                                            "\n"
                                            "# a note kept in place\n"
                                            "version=2\n"
                                            "notAPilot=ShootDown:1\n"
                                            "Ace=ShootDown:3, BeShotDown:1, Missions:8\n"
                                            "Rookie=ShootDown:0, BeShotDown:0, Missions:0\n");

    std::unique_ptr<Properties> again(loadPilots(get("GUI/tplist.properties")));
    Roster reread;
    reread.read(*again);
    EXPECT_EQ(names(reread.pilots), (std::vector<std::string>{"Ace", "Rookie"}));
    EXPECT_EQ(8, reread.pilots[0].missions);
}

TEST(Roster, LastPilotIsClampedWhenWritten)
{
    const struct
    {
        int pilots;
        int last;
        const char* written;
    } cases[] = {{3, 5, "lastPilotNo=2"}, {3, 1, "lastPilotNo=1"}, {0, 0, "lastPilotNo=-1"}};
    for (const auto& c : cases)
    {
        Properties file(u'=', u',', u':');
        file.setPath(u"\\GUI\\", u"t.properties");
        Roster roster;
        for (int i = 0; i < c.pilots; ++i)
            roster.pilots.emplace_back(os::format(u"P%d", i).c_str(), 0, 0, 0);
        roster.lastPilot = c.last;
        roster.write(file);
        ASSERT_TRUE(file.save());
        EXPECT_NE(get("GUI/t.properties").find(c.written), std::string::npos) << get("GUI/t.properties");
    }
}

// The main screen's own way in: a missing pilot file is an empty roster with
// last pilot 0, and nothing is written in its place (the shipped pilots do
// not come back); the first save writes the empty roster.
TEST(Roster, MissingFileGivesAnEmptyRoster)
{
    put("GUI/defaults/tplist.properties", "lastPilotNo=0\nAce=ShootDown:3, BeShotDown:1, Missions:7\n");
    std::filesystem::remove(os::testing::host("GUI/tplist.properties"));
    os::host::headless::clear_boxes();
    Properties file(u'=', u',', u':');
    ASSERT_TRUE(openPilotFile(file, u"\\GUI\\", u"tplist.properties"));
    EXPECT_FALSE(std::filesystem::exists(os::testing::host("GUI/tplist.properties")));
    EXPECT_TRUE(os::host::headless::boxes().empty());
    Roster roster;
    roster.read(file);
    EXPECT_TRUE(roster.pilots.empty());
    EXPECT_EQ(0, roster.lastPilot);

    roster.write(file);
    ASSERT_TRUE(file.save());
    EXPECT_EQ(get("GUI/tplist.properties"), "lastPilotNo=-1\n");
}

TEST(Roster, OneNameLimitForRecordsAndLookups)
{
    const std::u16string long25 = u"ABCDEFGHIJKLMNOPQRSTUVWXY";
    PilotRecord record(long25.c_str(), 0, 0, 0);
    EXPECT_EQ(std::u16string(record.name), long25.substr(0, kPilotNameLength));
    Roster roster;
    roster.pilots.push_back(record);
    // Equal in the first 24 characters is the same pilot: a second record
    // would share the first one's key in the file and one would be lost.
    EXPECT_EQ(0, roster.find((long25.substr(0, 24) + u"Z").c_str()));
    EXPECT_EQ(-1, roster.find(u"ABC"));
    EXPECT_EQ(nullptr, roster.at(-1));
    EXPECT_EQ(nullptr, roster.at(1));
}

TEST(Ranking, MostDownsFirstThenFewestTimesDowned)
{
    std::vector<PilotRecord> pilots = {{u"A", 3, 2, 0}, {u"B", 3, 1, 0}, {u"C", 9, 0, 0}, {u"D", 0, 0, 0}};
    rankPilots(pilots);
    EXPECT_EQ(names(pilots), (std::vector<std::string>{"C", "B", "A", "D"}));
}

TEST(Labels, PlanesAndScenes)
{
    EXPECT_EQ(u"F16,BLOCK50", planeLabel(u"plane_f16_block50"));
    EXPECT_EQ(u"SWIFT,MK2", planeLabel(u"plane_swift_mk2"));
    EXPECT_EQ(u"X", planeLabel(u"x"));
    EXPECT_EQ(u"red sea", sceneLabel(u"scene_red_sea"));
    EXPECT_EQ(u"desert", sceneLabel(u"desert"));
}

// The menu lists each demo plane by the heading of its data page: a
// '_' in a plane file's name shows as ',', so a name meant with a blank
// has the blank in the file's name.
TEST(Labels, DemoPlanesReadAsTheirDataPagesHeading)
{
    const std::filesystem::path aircraft = std::filesystem::path(os::testing::built_device_root()) /
                                           "Program Files/Vasko-Skyrend/resources/aircraft";
    int planes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(aircraft))
    {
        const std::string file = entry.path().filename().string();
        if (file.rfind("plane_", 0) != 0 || entry.path().extension() != ".properties")
            continue;
        ++planes;
        const std::string stem = entry.path().stem().string();
        // The plane's data page, in the folder and under the name the game loads.
        std::ifstream page(aircraft / "specs" / (stem + "_specs.properties"));
        ASSERT_TRUE(page) << stem;
        std::string line, heading;
        while (std::getline(page, line))
            if (line.rfind("heading=", 0) == 0)
            {
                const size_t at = line.find("text:") + 5;
                heading = line.substr(at, line.find(',', at) - at);
            }
        EXPECT_EQ(os::to_latin1(planeLabel(os::to_u16(stem))), heading) << file;
    }
    EXPECT_GE(planes, 2);
}

namespace {

Roster rosterOf(const std::string& text)
{
    std::unique_ptr<Properties> file(loadPilots(text));
    Roster roster;
    roster.read(*file);
    return roster;
}

} // namespace

// A damaged pilot file is set aside whole (nothing of it lost), the user is
// told once, and the pilots that can still be read fly on; with none the
// shipped roster takes over. A sound file is left as it is, and so is a
// missing one (no word said).
TEST(PilotFile, ADamagedOneIsSetAsideAndItsReadablePilotsKept)
{
    const std::string shipped = "# shipped\nlastPilotNo=0\nAce=ShootDown:3, BeShotDown:1, Missions:7\n";
    const std::string garbage("\x01\x02\xff\x00zz\x7f", 7);
    // The header of the shipped roster, whose second line reads like a pilot.
    const std::string header = "# The pilots and their scores:\n"
                               "#   name=ShootDown:enemies downed, BeShotDown:times downed, Missions:missions flown\n";
    // A file as the previous build saved it.
    const std::string saved = header + "lastPilotNo=1\nAce=ShootDown:3, BeShotDown:1, Missions:7\n"
                                       "Kite=ShootDown:9, BeShotDown:0, Missions:12\n"
                                       "Rookie=ShootDown:0, BeShotDown:2, Missions:13\n";
    const struct
    {
        const char* name;
        std::string file;
        PilotFileState state;
        std::vector<std::string> pilots;
        int boxes;
        const char* said; // in the box
    } cases[] = {
        {"sound",
         "# mine\nlastPilotNo=1\nKite=ShootDown:9, BeShotDown:0, Missions:12\nJay=ShootDown:1, BeShotDown:0, "
         "Missions:2\n",
         PilotFileState::Sound,
         {"Kite", "Jay"},
         0,
         ""},
        {"saved by the previous build", saved, PilotFileState::Sound, {"Ace", "Kite", "Rookie"}, 0, ""},
        {"with CR LF line ends",
         "lastPilotNo=0\r\nKite=ShootDown:9, BeShotDown:0, Missions:12\r\n",
         PilotFileState::Sound,
         {"Kite"},
         0,
         ""},
        {"garbage among pilots",
         header + "Kite=ShootDown:9, BeShotDown:0, Missions:12\n" + garbage + "\nJay=ShootDown:1, BeShotDown:0, Mis" +
             garbage + "\nOwl=ShootDown:2, BeShotDown:1, Missions:4\r\nstray words\n",
         PilotFileState::Repaired,
         {"Kite", "Owl"},
         1,
         "the 2 pilots that could be read are kept"},
        {"all garbage", garbage + garbage, PilotFileState::Repaired, {"Ace"}, 1, "the shipped pilots are used"},
        {"a runaway line",
         "Kite=ShootDown:9, BeShotDown:0, Missions:12\n" + std::string(10000, 'x') + "\n",
         PilotFileState::Repaired,
         {"Kite"},
         1,
         "the pilot that could be read is kept"},
        {"emptied", "", PilotFileState::Repaired, {"Ace"}, 1, "(it is empty)"},
        {"cut in half", saved.substr(0, saved.size() / 2), PilotFileState::Repaired, {"Ace"}, 1, "cut off"},
        {"cut mid-record",
         saved.substr(0, saved.size() - 3),
         PilotFileState::Repaired,
         {"Ace", "Kite"},
         1,
         "the 2 pilots that could be read are kept"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        os::host::headless::clear_boxes();
        std::filesystem::remove(os::testing::host("GUI/tplist.properties.damaged"));
        put("GUI/defaults/tplist.properties", shipped);
        put("GUI/tplist.properties", c.file);
        EXPECT_EQ(repairPilotFile(u"\\GUI\\", u"tplist.properties"), c.state);
        EXPECT_EQ(names(rosterOf(get("GUI/tplist.properties")).pilots), c.pilots);
        ASSERT_EQ(int(os::host::headless::boxes().size()), c.boxes);
        if (c.state != PilotFileState::Repaired)
            continue;
        EXPECT_EQ(get("GUI/tplist.properties.damaged"), c.file) << "set aside as it was";
        const std::string said = os::to_latin1(os::host::headless::boxes().front().text);
        EXPECT_NE(said.find("tplist.properties.damaged"), std::string::npos) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        // Read again: sound now, nothing more said.
        EXPECT_EQ(repairPilotFile(u"\\GUI\\", u"tplist.properties"), PilotFileState::Sound);
        EXPECT_EQ(os::host::headless::boxes().size(), 1u);
    }

    os::host::headless::clear_boxes();
    std::filesystem::remove(os::testing::host("GUI/tplist.properties"));
    EXPECT_EQ(repairPilotFile(u"\\GUI\\", u"tplist.properties"), PilotFileState::Missing);
    EXPECT_FALSE(std::filesystem::exists(os::testing::host("GUI/tplist.properties")))
        << "a missing file stays missing: the roster starts empty";
    EXPECT_TRUE(os::host::headless::boxes().empty());
}
