// Tests of the race score table: the insert rules as a table of files
// before and after one finished race, the exact line, reading back, and the
// bounds of a hand-edited file.
#include "racing/framework/score_table.h"
#include "racing/framework/restart_command.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

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

// Track and racer of each table line of the written file, as "T/R".
std::vector<std::string> rows()
{
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    std::vector<std::string> out;
    for (const ScoreRecord& r : table)
        out.push_back(toAscii(r.track) + "/" + toAscii(r.racer));
    return out;
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

// A hand-edited file: over-long dates and names are cut, entries without a
// track are left out, missing numbers read 0.
TEST(ScoreTable, HandEditedFieldsAreBounded)
{
    const std::string longName(300, 'n');
    put("gui/racescore.properties", "-1=track:A, racer:" + longName +
                                        ", date:2004/05/06/07/08/09/10\n"
                                        "0=racer:nobody, time:3\n"
                                        "1=track:A, racer:r\n");
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kGui, table, latest);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->racer.size(), ScoreRecord::kNameLength);
    EXPECT_EQ(latest->date, u"2004/05/06/");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].racer, u"r");
    EXPECT_EQ(table[0].time, 0.0f);
    EXPECT_EQ(table[0].speed, 0);
    // Written back, every line stays within its bounds.
    insertScore(kGui, ScoreRecord(std::u16string(500, u't'), u"r", u"v", u"2004/05/06", 9.0f, 1));
    const std::string file = get("gui/racescore.properties");
    size_t start = 0, longest = 0;
    for (size_t end; (end = file.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LT(longest, 300u);
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
