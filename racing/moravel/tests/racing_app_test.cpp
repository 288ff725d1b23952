// racing_app_test.cpp -- the frame window of a racing program in this
// process: its class (black brush, the program's icon); a close asked for
// while the program restarts or sets a race up is never lost
#include "racing/moravel/tests/race_fixture.h"

#include <os/windows.h>

#include <gtest/gtest.h>

namespace moravel {
namespace {

using namespace race_test;

TEST(RacingApp, BlackBehindThePagesAndTheProgramsIcon)
{
    RacingApp app(u"Vasko-Moravel class test");
    ASSERT_TRUE(app.create(0, 0, 176, 234));
    EXPECT_EQ(HBRUSH(GetClassLongPtrW(app.getHandle(), GCL_HBRBACKGROUND)), HBRUSH(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(HICON(GetClassLongPtrW(app.getHandle(), GCL_HICON)),
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)));
    app.destroy();
}

// A close waiting in the queue when the menu restarts into a race ends the
// program instead: the race is not started.
TEST(RacingApp, ACloseWhileRestartingEndsTheProgram)
{
    std::u16string restartedWith = u"none";
    RacingApp::restartHook = [&](const std::u16string& command) { restartedWith = command; };
    RacingApp app(u"Vasko-Moravel restart test");
    ASSERT_TRUE(app.create(0, 0, 176, 234));
    PostMessageW(app.getHandle(), WM_CLOSE, 0, 0);
    app.restart(u"ARG:goNow/0,0,0,0,0,Bob:");
    EXPECT_EQ(restartedWith, u"none");
    EXPECT_FALSE(IsWindow(app.getHandle()));
    RacingApp::restartHook = nullptr;
}

// A close asked for while the race is set up waits in the queue and ends
// the program as soon as its loop runs, before any frame of the race.
TEST(RacingApp, ACloseWhileTheRaceIsSetUpEndsTheProgram)
{
    tree();
    std::u16string restartedWith;
    RacingApp::restartHook = [&](const std::u16string& command) { restartedWith = command; };
    RacingApp app(u"Vasko-Moravel set-up test");
    ASSERT_TRUE(app.create(0, 0, 176, 234));
    auto* page = new RaceCanvas(&app, u"\\Program Files\\Vasko-Moravel\\resources\\");
    PostMessageW(app.getHandle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.runRacePage(page, [&] {
        return page->prepareRace({u"SBPaint_Blue", u"SBPaint_Red"}, {u"Oval"}, 1, 0, u"Bob:");
    }));
    racing::runMessageLoop(app.getHandle());
    EXPECT_FALSE(IsWindow(app.getHandle()));
    EXPECT_TRUE(restartedWith.empty());
    RacingApp::restartHook = nullptr;
}

} // namespace
} // namespace moravel
