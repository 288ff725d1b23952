// login_page_test.cpp -- the multiplayer log-on page of the game, started
// headless from the device tree on "ARG:MPGLogin": its fields are typed in,
// leaving the page keeps them in "MPGLogin.properties" (a comma left out),
// and the password is never written there (on the page it shows as marks).
#include "games/skyrend/tests/program_fixture.h"

using namespace skyrend_test;

namespace login_page_cases {

const uint32_t kLoginHeading = 0xFFE080;
const uint32_t kLoginButton = 0x284678;

// Each edit is tapped, emptied and typed into; Back leaves for the intro.
const char kLoginWalk[] = "wait 800\n"
                     "shot 01-login\n"
                     "tap 160 69\n"
                     "text \"game,host\"\n"
                     "tap 160 97\n"
                     "key END\nkey BACK\nkey BACK\nkey BACK\nkey BACK\nkey BACK\nkey BACK\nkey BACK\nkey BACK\nkey BACK\n"
                     "text \"127.0.0.9\"\n"
                     "tap 160 125\n"
                     "key END\nkey BACK\nkey BACK\nkey BACK\nkey BACK\n"
                     "text \"9001\"\n"
                     "tap 160 179\n"
                     "text \"<carol>\"\n"
                     "tap 160 207\n"
                     "text \"secret\"\n"
                     "wait 300\n"
                     "shot 02-typed\n"
                     "tap 62 286       # Back\n"
                     "wait 800\n"
                     "shot 03-left\n";

} // namespace login_page_cases

using namespace login_page_cases;

TEST(SkyrendLoginPage, FieldsAreKeptAndThePasswordIsNot)
{
    ProgramRun run;
    const std::string page = run.resources("GUI/MPGLogin.properties");
    // A password left in the file by an older copy is dropped as well.
    std::string before = ProgramRun::read(page);
    const size_t at = before.find("id:1004");
    ASSERT_NE(at, std::string::npos);
    before.replace(before.find("text:", at), 5, "text:old");
    std::ofstream(page) << before;

    ASSERT_EQ(0, run.run(kLoginWalk, {"ARG:MPGLogin"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("01-login", p)) << run.errors();
    EXPECT_GT(count(p, 0, 8, 240, 22, kLoginHeading), 50) << "the heading";
    EXPECT_GT(count(p, 12, 272, 100, 28, kLoginButton), 1000) << "Back";
    EXPECT_GT(count(p, 128, 272, 100, 28, kLoginButton), 1000) << "Log on";
    // The five edits: each filled with the edits' own colour.
    const uint32_t edit = p.at(220, 68);
    EXPECT_FALSE(near(edit, p.at(4, 40), 30)) << "an edit stands out of the page";
    for (int y : {58, 86, 114, 168, 196})
        EXPECT_GT(count(p, 93, y + 1, 134, 20, edit, 8), 1500) << "the edit at " << y;

    ASSERT_TRUE(run.shot("02-typed", p));
    // The password shows as a row of marks (fewer lit pixels than its letters).
    EXPECT_GT(count(p, 94, 198, 130, 18, 0xFFFFFF, 60), 15) << "the password's marks";

    ASSERT_TRUE(run.shot("03-left", p)) << run.errors();
    const std::string written = ProgramRun::read(page);
    EXPECT_NE(written.find("text:gamehost"), std::string::npos) << written;
    EXPECT_NE(written.find("text:127.0.0.9"), std::string::npos) << written;
    EXPECT_NE(written.find("text:9001"), std::string::npos) << written;
    EXPECT_NE(written.find("text:<carol>"), std::string::npos) << written;
    EXPECT_EQ(written.find("secret"), std::string::npos) << written;
    EXPECT_EQ(written.find("text:old"), std::string::npos) << written;
}
