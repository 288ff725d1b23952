// Tests of the racing restart commands: reading every kind, bounded fields,
// writers that the reader reads back, index checks.
#include "racing/framework/restart_command.h"

#include <gtest/gtest.h>

namespace racing {
namespace {

StartCommand read(const char16_t* line)
{
    bool present = false;
    std::u16string argument = argumentText(line, present);
    return parseStartCommand(argument, present);
}

TEST(RestartCommand, RaceCommandsGiveEveryField)
{
    struct Case
    {
        const char16_t* line;
        StartKind kind;
        int mode, paint, track;
        bool music, noScore;
        const char16_t* racer;
    };
    const Case cases[] = {
        {u"ARG:goNow/1,0,2,1,0,Bob:", StartKind::Race, 1, 0, 2, true, false, u"Bob"},
        {u"ARG:exerciseNow/0,1,0,0,1,Ann:", StartKind::Exercise, 0, 1, 0, false, true, u"Ann"},
        {u"ARG:goNow/0,-3,7,0,0,Eve:x", StartKind::Race, 0, -3, 7, false, false, u"Eve"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line)));
        StartCommand cmd = read(c.line);
        ASSERT_EQ(cmd.kind, c.kind);
        EXPECT_EQ(cmd.race.mode, c.mode);
        EXPECT_EQ(cmd.race.paintIndex, c.paint);
        EXPECT_EQ(cmd.race.trackIndex, c.track);
        EXPECT_EQ(cmd.race.music, c.music);
        EXPECT_EQ(cmd.race.noScore, c.noScore);
        EXPECT_EQ(cmd.race.racer, c.racer);
    }
    EXPECT_EQ(read(u"ARG:goNow/0,0,0,0,0,Bob:").race.secondName, u"N/A");
    EXPECT_EQ(read(u"ARG:goNow/0,0,0,0,0,Bob:Al").race.secondName, u"Al");
}

TEST(RestartCommand, OverlongRacerTextIsCutToTheNameField)
{
    std::u16string name(200, u'x');
    StartCommand cmd = read((u"ARG:goNow/0,0,0,0,0," + name + u":").c_str());
    ASSERT_EQ(cmd.kind, StartKind::Race);
    EXPECT_EQ(cmd.race.racer.size(), kPlayerNameLength);
}

TEST(RestartCommand, BrokenRaceFieldsAreInvalid)
{
    for (const char16_t* line : {u"ARG:goNow/", u"ARG:goNow/1,2", u"ARG:goNow/a,0,0,0,0,Bob:", u"ARG:goNow",
                                 u"ARG:exerciseNow/1,2,3,4,99999999999,Bob:"})
        EXPECT_EQ(read(line).kind, StartKind::Invalid);
}

TEST(RestartCommand, ScoreboardAndPagesAndCover)
{
    StartCommand board = read(u"ARG:scoreboard/-1.000000,Alpine:Bob:N/A");
    ASSERT_EQ(board.kind, StartKind::Scoreboard);
    EXPECT_FLOAT_EQ(board.frameRate, -1.0f);
    EXPECT_EQ(board.track, u"Alpine");
    EXPECT_EQ(board.racer, u"Bob");
    EXPECT_EQ(board.secondName, u"N/A");
    EXPECT_FALSE(board.remote);
    EXPECT_TRUE(read(u"ARG:remoteboard/12.5,A:B:C").remote);
    EXPECT_EQ(read(u"ARG:scoreboard/12.5,A:B:C rest").secondName, u"C");

    StartCommand page = read(u"ARG:gsetting");
    EXPECT_EQ(page.kind, StartKind::Page);
    EXPECT_EQ(page.page, u"gsetting");
    EXPECT_EQ(read(u"Vasko-Moravel").kind, StartKind::Cover);
    EXPECT_EQ(read(nullptr).kind, StartKind::Cover);
}

TEST(RestartCommand, WritersAreReadBack)
{
    RaceChoice choice;
    choice.mode = 1;
    choice.paintIndex = 2;
    choice.trackIndex = 3;
    choice.music = true;
    choice.racer = u"Bob";
    EXPECT_EQ(raceCommandLine(false, choice), u"ARG:goNow/1,2,3,1,0,Bob:");
    StartCommand back = read(raceCommandLine(true, choice).c_str());
    EXPECT_EQ(back.kind, StartKind::Exercise);
    EXPECT_EQ(back.race.trackIndex, 3);
    EXPECT_EQ(scoreboardCommandLine(-1.0f, u"Alpine", u"Bob", u"N/A"), u"ARG:scoreboard/-1.000000,Alpine:Bob:N/A");
}

// Track and racer names with blanks, ':' or '%' come back whole, so the
// scoreboard still finds their rows.
TEST(RestartCommand, ScoreboardNamesWithBlanksAndColonsComeBack)
{
    const std::u16string line = scoreboardCommandLine(12.5f, u"Big Oval: night", u"Jo 100%", u"N/A");
    EXPECT_EQ(line, u"ARG:scoreboard/12.500000,Big%20Oval%3A%20night:Jo%20100%25:N/A");
    EXPECT_EQ(line.find(u' '), std::u16string::npos);
    StartCommand back = read(line.c_str());
    ASSERT_EQ(back.kind, StartKind::Scoreboard);
    EXPECT_EQ(back.track, u"Big Oval: night");
    EXPECT_EQ(back.racer, u"Jo 100%");
    EXPECT_EQ(back.secondName, u"N/A");
    EXPECT_EQ(read(u"ARG:scoreboard/1.0,50%off:%zz:x").track, u"50%off");
}

TEST(RestartCommand, IndexesOutsideTheListsAreCaught)
{
    RaceChoice c;
    EXPECT_TRUE(raceChoiceInRange(c, 2, 1));
    c.trackIndex = 1;
    EXPECT_FALSE(raceChoiceInRange(c, 2, 1));
    c.trackIndex = 0;
    c.paintIndex = -1;
    EXPECT_FALSE(raceChoiceInRange(c, 2, 1));
    c.paintIndex = 0;
    EXPECT_FALSE(raceChoiceInRange(c, 0, 1));
}

} // namespace
} // namespace racing
