// Tests of the race score table: the insert rules as a table of files
// before and after one finished race, the exact line, reading back, and the
// bounds of a hand-edited file.
#include "racing/framework/score_table.h"
#include "racing/framework/restart_command.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using os::testing::get;
using os::testing::put;

namespace racing {
namespace {

const std::u16string kGui = u"\\gui\\";

ScoreRecord rec(const char16_t* track, const char16_t* racer, float time)
{
    return ScoreRecord(track, racer, u"SBPaint Red", u"2004/05/06", time, 100);
}

// "key=track:T, racer:R, ..." lines of a table, entry -1 first.
std::string fileOf(const std::optional<ScoreRecord>& latest, const std::vector<ScoreRecord>& table)
{
    std::string text;
    if (latest)
        text += "-1=" + toAscii(scoreLine(*latest)) + "\n";
    for (size_t i = 0; i < table.size(); ++i)
        text += std::to_string(i) + "=" + toAscii(scoreLine(table[i])) + "\n";
    return text;
}

// Track and racer of each record, as "T/R".
std::vector<std::string> rowsOf(const std::vector<ScoreRecord>& table)
{
    std::vector<std::string> out;
    for (const ScoreRecord& r : table)
        out.push_back(toAscii(r.track) + "/" + toAscii(r.racer));
    return out;
}

// The rows of the written file's table.
std::vector<std::string> rows()
{
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    return rowsOf(table);
}

TEST(ScoreTable, OneLineReadsExactly)
{
    ScoreRecord r(u"Alpine", u"Bob", u"SBPaint red", u"2004/05/06", 75.5f, 123);
    EXPECT_EQ(toAscii(scoreLine(r)),
              "track:Alpine, racer:Bob, vehicle:SBPaint red, date:2004/05/06, time:  75.500, speed:123");
    ASSERT_TRUE(insertScore(kGui, r));
    EXPECT_EQ(get("gui/racescore.properties"),
              "-1=track:Alpine, racer:Bob, vehicle:SBPaint red, date:2004/05/06, time:  75.500, speed:123\n"
              "0=track:Alpine, racer:Bob, vehicle:SBPaint red, date:2004/05/06, time:  75.500, speed:123\n");
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    ASSERT_EQ(table.size(), 1u);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->track, u"Alpine");
    EXPECT_EQ(table[0].vehicle, u"SBPaint red");
    EXPECT_EQ(table[0].date, u"2004/05/06");
    EXPECT_FLOAT_EQ(table[0].time, 75.5f);
    EXPECT_EQ(table[0].speed, 123);
}

// Each row: a starting table, one finished race, the table's tracks and
// racers afterwards (entry -1 is always the new race).
TEST(ScoreTable, InsertRules)
{
    const std::vector<ScoreRecord> fiveA = {rec(u"A", u"a10", 10), rec(u"A", u"a20", 20), rec(u"A", u"a30", 30),
                                            rec(u"A", u"a40", 40), rec(u"A", u"a50", 50)};
    const std::vector<ScoreRecord> mixed = {rec(u"A", u"a20", 20), rec(u"B", u"b10", 10), rec(u"A", u"a40", 40),
                                            rec(u"B", u"b30", 30)};
    struct Case
    {
        const char* what;
        std::vector<ScoreRecord> before;
        ScoreRecord race;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"the first race on an empty table", {}, rec(u"A", u"new", 42), {"A/new"}},
        {"fewer than five: placed by time",
         {rec(u"A", u"a10", 10), rec(u"A", u"a30", 30)},
         rec(u"A", u"new", 20),
         {"A/a10", "A/new", "A/a30"}},
        {"a new best of a full track",
         fiveA,
         rec(u"A", u"new", 5),
         {"A/new", "A/a10", "A/a20", "A/a30", "A/a40"}},
        {"a sixth race faster than one kept replaces the slowest",
         fiveA,
         rec(u"A", u"new", 25),
         {"A/a10", "A/a20", "A/new", "A/a30", "A/a40"}},
        {"a sixth slower race stays out of the table", fiveA, rec(u"A", u"new", 60),
         {"A/a10", "A/a20", "A/a30", "A/a40", "A/a50"}},
        {"an equal time stays after the one kept", fiveA, rec(u"A", u"new", 30),
         {"A/a10", "A/a20", "A/a30", "A/new", "A/a40"}},
        {"another track's records keep their places",
         mixed,
         rec(u"A", u"new", 10),
         {"A/new", "B/b10", "A/a20", "B/b30", "A/a40"}},
        {"a new track among others", mixed, rec(u"C", u"new", 99),
         {"A/a20", "B/b10", "A/a40", "B/b30", "C/new"}},
        {"names with blanks and colons",
         {rec(u"Big Oval", u"Jo Ann", 30)},
         rec(u"Big Oval", u"x:y", 20),
         {"Big Oval/x:y", "Big Oval/Jo Ann"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        put("gui/racescore.properties", fileOf(rec(u"Z", u"old latest", 1), c.before));
        ASSERT_TRUE(insertScore(kGui, c.race));
        EXPECT_EQ(rows(), c.after);
        std::vector<ScoreRecord> table;
        std::optional<ScoreRecord> latest;
        loadScores(kGui, table, latest);
        ASSERT_TRUE(latest);
        EXPECT_EQ(latest->track, c.race.track);
        EXPECT_EQ(latest->racer, c.race.racer);
        EXPECT_FLOAT_EQ(latest->time, c.race.time);
    }
}

TEST(ScoreTable, SixthSlowerRaceIsOnlyTheLatest)
{
    put("gui/racescore.properties", "");
    for (int t : {10, 20, 30, 40, 50})
        insertScore(kGui, rec(u"A", u"r", float(t)));
    const std::string before = get("gui/racescore.properties");
    insertScore(kGui, rec(u"A", u"slow", 60));
    const std::string after = get("gui/racescore.properties");
    // Only the first line (entry -1) changed.
    EXPECT_EQ(before.substr(before.find('\n')), after.substr(after.find('\n')));
    EXPECT_EQ(after.substr(0, after.find('\n')), "-1=" + toAscii(scoreLine(rec(u"A", u"slow", 60))));
}

TEST(ScoreTable, MissingFileReadsEmptyAndIsWrittenNew)
{
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest = rec(u"A", u"x", 1);
    loadScores(kGui, table, latest);
    EXPECT_TRUE(table.empty());
    EXPECT_FALSE(latest);
    EXPECT_TRUE(insertScore(kGui, rec(u"A", u"x", 1)));
    EXPECT_EQ(rows(), std::vector<std::string>{"A/x"});
}

// A hand-edited file: over-long dates and names are cut, and so are the
// lines written back.
TEST(ScoreTable, HandEditedFieldsAreBounded)
{
    const std::string longName(300, 'n');
    put("gui/racescore.properties", "-1=track:A, racer:" + longName +
                                        ", vehicle:v, date:2004/05/06/07/08/09/10, time:3, speed:1\n"
                                        "0=track:A, racer:r, vehicle:v, date:2004/05/06, time:3, speed:1\n");
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->racer.size(), ScoreRecord::kNameLength);
    EXPECT_EQ(latest->date, u"2004/05/06/");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].racer, u"r");
    // Written back, every line stays within its bounds.
    insertScore(kGui, ScoreRecord(std::u16string(500, u't'), u"r", u"v", u"2004/05/06", 9.0f, 1));
    const std::string file = get("gui/racescore.properties");
    size_t start = 0, longest = 0;
    for (size_t end; (end = file.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LT(longest, 300u);
}

// A table as the previous build wrote it: entry -1, then the table, each
// line ending in LF.
const std::string kPreviousTable = "-1=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, time:  91.250, speed:58\n"
                                   "0=track:Ring, racer:Ann, vehicle:Truck, date:2026/12/01, time:  80.500, speed:66\n"
                                   "1=track:Dunes, racer:Bob, vehicle:Wagon, date:2026/12/02, time: 120.000, speed:41\n"
                                   "2=track:Ring, racer:Dee, vehicle:Wagon, date:2026/12/03, time:  88.000, speed:60\n"
                                   "3=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, time:  91.250, speed:58\n";

std::vector<std::string> boxTexts()
{
    std::vector<std::string> out;
    for (const auto& box : os::host::headless::boxes())
        out.push_back(toAscii(box.text));
    return out;
}

// The previous build's table and the same with CR LF line ends load whole,
// without a word.
TEST(ScoreTable, ThePreviousBuildsTableLoadsWhole)
{
    std::string crlf;
    for (char c : kPreviousTable)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& file : {kPreviousTable, crlf})
    {
        os::host::headless::clear_boxes();
        put("gui/racescore.properties", file);
        EXPECT_EQ(rows(), (std::vector<std::string>{"Ring/Ann", "Dunes/Bob", "Ring/Dee", "Ring/Cy"}));
        std::vector<ScoreRecord> table;
        std::optional<ScoreRecord> latest;
        loadScores(kGui, table, latest);
        ASSERT_TRUE(latest);
        EXPECT_EQ(fileOf(latest, table), kPreviousTable) << "read as it was written";
        EXPECT_TRUE(boxTexts().empty());
        EXPECT_EQ(get("gui/racescore.properties"), file) << "left as it is";
    }
}

// A damaged table is set aside as it was and named in one box; its whole
// races are written in its place, numbered afresh, and the next race is
// entered among them. A race cut short or without a usable time is not
// whole: it never takes a place with a time of nought.
TEST(ScoreTable, ADamagedTableKeepsItsWholeRaces)
{
    const std::string head = kPreviousTable.substr(0, kPreviousTable.find("3="));
    const std::vector<std::string> three = {"Ring/Ann", "Dunes/Bob", "Ring/Dee"};
    const std::vector<std::string> threeAndFay = {"Ring/Ann", "Dunes/Bob", "Ring/Fay", "Ring/Dee"};
    const struct
    {
        const char* what;
        std::string file;
        std::vector<std::string> kept;  // the table's rows after the check
        std::vector<std::string> after; // and after the next race
        const char* why;
        const char* said;
    } cases[] = {
        {"cut inside its last race", head + "3=track:Ring, racer:Cy", three, threeAndFay, "(its last line is cut off)",
         "the 3 races that could be read are kept."},
        {"cut inside the last race's speed", kPreviousTable.substr(0, kPreviousTable.size() - 2), three, threeAndFay,
         "(its last line is cut off)", "the 3 races that could be read are kept."},
        {"a race without its time", head + "3=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, speed:58\n", three,
         threeAndFay, "(one of its races is not whole)", "the 3 races that could be read are kept."},
        {"a time of nought, as a cut race was written back",
         "-1=track:Ring, racer:Eve, vehicle:Wagon, date:2026/12/11, time: 101.000, speed:52\n"
         "0=track:Ring, racer:Cy, vehicle:, date:, time:   0.000, speed:0\n"
         "1=track:Ring, racer:Ann, vehicle:Truck, date:2026/12/01, time:  80.500, speed:66\n"
         "2=track:Dunes, racer:Bob, vehicle:Wagon, date:2026/12/02, time: 120.000, speed:41\n"
         "3=track:Ring, racer:Dee, vehicle:Wagon, date:2026/12/03, time:  88.000, speed:60\n"
         "4=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, time:  91.250, speed:58\n",
         {"Ring/Ann", "Dunes/Bob", "Ring/Dee", "Ring/Cy"},
         {"Ring/Ann", "Dunes/Bob", "Ring/Fay", "Ring/Dee", "Ring/Cy"},
         "(one of its races is not whole)",
         "the 4 races that could be read are kept."},
        {"a time and a speed that are not numbers",
         head + "3=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, time: 9x.250, speed:58\n"
                "4=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, time: 91.250, speed:5e\n",
         three, threeAndFay, "(one of its races is not whole)", "the 3 races that could be read are kept."},
        {"a race missing its track",
         "0=racer:Cy, vehicle:Wagon, date:2026/12/10, time:  91.250, speed:58\n" +
             kPreviousTable.substr(kPreviousTable.find("\n1=") + 1),
         {"Dunes/Bob", "Ring/Dee", "Ring/Cy"},
         {"Dunes/Bob", "Ring/Fay", "Ring/Dee", "Ring/Cy"},
         "(one of its races is not whole)",
         "the 3 races that could be read are kept."},
        {"bytes that are not text in one race", head + "3=track:Ring, racer:\x01\x02\xff\n", three, threeAndFay,
         "(it holds bytes that are not text)", "the 3 races that could be read are kept."},
        {"one race left",
         "0=track:Ring, racer:Ann, vehicle:Truck, date:2026/12/01, time:  80.500, speed:66\n1=track:R",
         {"Ring/Ann"},
         {"Ring/Ann", "Ring/Fay"},
         "(its last line is cut off)",
         "the race that could be read is kept."},
        {"cut inside its first line",
         "-1=track:Ring, racer:Cy, vehicle:Wagon, date:2026/12/10, ti",
         {},
         {"Ring/Fay"},
         "(its last line is cut off)",
         "the score table starts empty."},
    };
    const ScoreRecord next(u"Ring", u"Fay", u"Truck", u"2026/12/11", 85.0f, 62);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        os::host::headless::clear_boxes();
        std::filesystem::remove(os::testing::host("gui/racescore.properties.damaged"));
        put("gui/racescore.properties", c.file);
        std::vector<ScoreRecord> table;
        std::optional<ScoreRecord> latest;
        loadScores(kGui, table, latest);
        EXPECT_EQ(rowsOf(table), c.kept);
        for (const ScoreRecord& r : table)
            EXPECT_GT(r.time, 0.0f) << toAscii(r.racer);
        const std::vector<std::string> said = boxTexts();
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].find("\\gui\\racescore.properties was damaged "), 0u) << said[0];
        EXPECT_NE(said[0].find(c.why), std::string::npos) << said[0];
        EXPECT_NE(said[0].find("set aside as \\gui\\racescore.properties.damaged; "), std::string::npos) << said[0];
        EXPECT_NE(said[0].find(c.said), std::string::npos) << said[0];
        EXPECT_EQ(get("gui/racescore.properties.damaged"), c.file) << "set aside as it was";
        if (c.kept.empty())
            EXPECT_FALSE(std::filesystem::exists(os::testing::host("gui/racescore.properties")));
        else
            EXPECT_EQ(get("gui/racescore.properties"), fileOf(latest, table)) << "the whole races, numbered afresh";

        // The next race is entered among the kept ones, without a word.
        ASSERT_TRUE(insertScore(kGui, next));
        EXPECT_EQ(rows(), c.after);
        EXPECT_EQ(boxTexts().size(), 1u);
    }
}

// A race of no time (or one the line would write as 0.000) is not entered:
// read back it would be no whole race, and it would stand first.
TEST(ScoreTable, ARaceOfNoTimeIsNotEntered)
{
    put("gui/racescore.properties", kPreviousTable);
    os::host::headless::clear_boxes();
    for (float time :
         {0.0f, 0.0004f, -3.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
    {
        SCOPED_TRACE(time);
        EXPECT_FALSE(insertScore(kGui, rec(u"Ring", u"Fay", time)));
        EXPECT_EQ(get("gui/racescore.properties"), kPreviousTable);
    }
    EXPECT_TRUE(insertScore(kGui, rec(u"Ring", u"Fay", 0.001f)));
    EXPECT_EQ(rows().front(), "Ring/Fay");
    EXPECT_TRUE(boxTexts().empty());
}

// A damaged table that cannot be set aside is neither read nor written
// over: the race is not entered, and the user is told once.
TEST(ScoreTable, ADamagedTableThatCannotBeMovedIsLeftAlone)
{
    const std::string cut = kPreviousTable.substr(0, kPreviousTable.size() - 20);
    put("gui/racescore.properties", cut);
    for (int n = 1; n < 1000; ++n)
        put("gui/racescore.properties.damaged" + (n == 1 ? std::string() : "-" + std::to_string(n)), "earlier");
    os::host::headless::clear_boxes();
    EXPECT_EQ(rows(), std::vector<std::string>{});
    EXPECT_FALSE(insertScore(kGui, rec(u"Ring", u"Fay", 85)));
    EXPECT_EQ(get("gui/racescore.properties"), cut);
    const std::vector<std::string> said = boxTexts();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("could not be set aside; the scores are not read or saved in this run."), std::string::npos)
        << said[0];
}

// Names that the file's own syntax would cut ("//" starts a remark, a line
// break ends the row) are stored so that the row reads back whole: its
// time and speed stay with it.
TEST(ScoreTable, NamesThatWouldCutTheRowReadBackWhole)
{
    ASSERT_TRUE(insertScore(kGui, ScoreRecord(u"Ring//2", u"Max///Power", u"Van\nX", u"2004/05/06", 61.25f, 118)));
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    ASSERT_EQ(table.size(), 1u);
    for (const ScoreRecord& r : {table[0], *latest})
    {
        EXPECT_EQ(r.track, u"Ring/2");
        EXPECT_EQ(r.racer, u"Max/Power");
        EXPECT_EQ(r.vehicle, u"Van X");
        EXPECT_FLOAT_EQ(r.time, 61.25f);
        EXPECT_EQ(r.speed, 118);
    }
}

TEST(ScoreTable, AverageSpeed)
{
    EXPECT_EQ(averageSpeed(1000.0f, 100.0f, 2, 1.26f), 25); // 25.2
    EXPECT_EQ(averageSpeed(1000.0f, 100.0f, 2, 1.44f), 29); // 28.8
    EXPECT_EQ(averageSpeed(1000.0f, 0.0f, 2, 1.26f), 0);
    const std::u16string date = scoreDate();
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(date[4], u'/');
    EXPECT_EQ(date[7], u'/');
}

} // namespace
} // namespace racing
