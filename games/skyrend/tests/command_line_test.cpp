// command_line_test.cpp -- the mode switch and the "ARG:" commands, good and bad
#include "games/skyrend/command_line.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <string>

using namespace skyrend;

TEST(ServerStart, ByFileNameOrSwitch)
{
    const struct
    {
        const char16_t* file;
        const char16_t* line;
        bool server;
    } cases[] = {
        {u"Vasko-Skyrend-server", u"", true},
        {u"Vasko-Skyrend", u"/server", true},
        {u"Vasko-Skyrend", u"/SERVER", true},
        {u"Vasko-Skyrend", u"/Server", false},
        {u"Server", u"", false}, // the name test keeps its case
        {u"Vasko-Skyrend", u"ARG:intro", false},
        {u"Vasko-Skyrend", nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.server, isServerStart(c.file, c.line)) << os::to_latin1(c.file) << " "
                                                            << (c.line ? os::to_latin1(c.line) : "");
}

TEST(Argument, IsTheTextAfterArgWhereverItStands)
{
    EXPECT_EQ(std::u16string(u"scoreboard"), findArgument(u"ARG:scoreboard"));
    EXPECT_EQ(std::u16string(u"intro"), findArgument(u"x ARG:intro"));
    EXPECT_EQ(nullptr, findArgument(u"scoreboard"));
    EXPECT_EQ(nullptr, findArgument(nullptr));
}

TEST(PageCommand, ReadsPagesAndFlights)
{
    PageCommand none = parsePageCommand(nullptr);
    EXPECT_EQ(PageCommand::Cover, none.kind);

    PageCommand page = parsePageCommand(u"MainMenu");
    EXPECT_EQ(PageCommand::Page, page.kind);
    EXPECT_EQ(std::u16string(u"MainMenu"), page.page);

    PageCommand exercise = parsePageCommand(u"exerciseNow/2,5,0");
    ASSERT_EQ(PageCommand::Flight, exercise.kind);
    EXPECT_TRUE(exercise.exercise);
    EXPECT_EQ(2, exercise.plane);
    EXPECT_EQ(5, exercise.scene);
    EXPECT_EQ(0, exercise.pilot);

    PageCommand fight = parsePageCommand(u"fightNow/2,5,0");
    ASSERT_EQ(PageCommand::Flight, fight.kind);
    EXPECT_FALSE(fight.exercise);

    EXPECT_EQ(u"ARG:exerciseNow/2,0,1", flightArgument(true, 2, 0, 1));
    EXPECT_EQ(u"ARG:fightNow/1,1,3", flightArgument(false, 1, 1, 3));
}

TEST(PageCommand, AnythingUnusableGoesToTheCover)
{
    const std::u16string longName(kMaxPageName + 1, u'a');
    const char16_t* bad[] = {
        u"exerciseNow",           // no '/'
        u"fightNow/",             // no numbers
        u"fightNow/1,2",          // a number missing
        u"fightNow/1,,2",         // an empty number
        u"fightNow/-1,0,0",       // a sign is no digit
        u"fightNow/1,2,3x",       // something after the numbers
        u"fightNow/1234567,0,0",  // more digits than any table holds
        u"",                      // no page name
        u"..\\..\\secret",        // out of the GUI folder
        u"\\Windows\\page",       // an absolute path
        u"a/b",                   // a host separator
        u"c:page",                // a drive
        longName.c_str(),         // longer than a template name
    };
    for (const char16_t* text : bad)
    {
        PageCommand command = parsePageCommand(text);
        EXPECT_EQ(PageCommand::Cover, command.kind) << os::to_latin1(text);
        EXPECT_TRUE(command.page.empty()) << os::to_latin1(text);
    }
    EXPECT_EQ(PageCommand::Page, parsePageCommand(std::u16string(kMaxPageName, u'a').c_str()).kind);
    EXPECT_EQ(PageCommand::Page, parsePageCommand(u"manual\\index").kind);
}

TEST(PageCommand, FlightIndexesMustFitTheTables)
{
    PageCommand flight = parsePageCommand(u"exerciseNow/1,1,2");
    EXPECT_TRUE(flightFits(flight, 2, 2, 3));
    EXPECT_FALSE(flightFits(flight, 1, 2, 3)) << "plane";
    EXPECT_FALSE(flightFits(flight, 2, 1, 3)) << "scene";
    EXPECT_FALSE(flightFits(flight, 2, 2, 2)) << "pilot";
    EXPECT_FALSE(flightFits(flight, 0, 0, 0)) << "empty tables";
    EXPECT_FALSE(flightFits(parsePageCommand(u"MainMenu"), 2, 2, 3));
}
