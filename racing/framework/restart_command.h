// restart_command.h -- the "ARG:" commands by which a racing program restarts
// itself between its menu pages, a race and the scoreboard
#pragma once

#include <os/types.h>

#include <string>

namespace racing {

// The longest player name a racer text may carry, and the longest track,
// racer or second name of a scoreboard command.
constexpr size_t kPlayerNameLength = 32;
constexpr size_t kBoardFieldLength = 64;

struct RaceChoice
{
    int mode = 0;        // motorbike: 0 superbike, 1 motocross; car: library
    int paintIndex = 0;  // motorbike paint, car vehicle
    int trackIndex = 0;
    bool music = false;
    bool noScore = false;
    std::u16string racer;      // the name before ':' (at most kPlayerNameLength)
    std::u16string secondName; // the text after ':' ("N/A" when empty)
};

enum class StartKind
{
    Cover,      // no "ARG:": the first start by the user
    Race,       // "goNow/..."
    Exercise,   // "exerciseNow/..."
    Scoreboard, // "scoreboard/..." or "remoteboard/..."
    Page,       // any other word: that page's template
    Invalid     // a race or scoreboard command whose fields do not parse
};

struct StartCommand
{
    StartKind kind = StartKind::Cover;
    RaceChoice race;
    bool remote = false; // "remoteboard": nothing is entered into the score table
    float frameRate = -1.0f;
    std::u16string track, racer, secondName; // scoreboard fields
    std::u16string page;                     // page name, for StartKind::Page
};

// The argument text of a command line: from its fifth character on when it
// contains "ARG:" anywhere; `present` tells whether it did.
std::u16string argumentText(const WCHAR* commandLine, bool& present);

// Reads an argument text (without "ARG:"). Race fields are
// "mode,paint,track,music,noScore,name:second"; scoreboard fields
// "frameRate,track:racer:second" up to the first blank.
StartCommand parseStartCommand(const std::u16string& argument, bool present);

// "ARG:goNow/..." or "ARG:exerciseNow/..." with the six fields.
std::u16string raceCommandLine(bool exercise, const RaceChoice& choice);
// "ARG:scoreboard/%f,%s:%s:%s".
std::u16string scoreboardCommandLine(float frameRate, const std::u16string& track, const std::u16string& racer,
                                     const std::u16string& secondName);

// Whether a race's paint and track indexes name entries of lists of these
// sizes; a race command that fails goes back to the menu.
bool raceChoiceInRange(const RaceChoice& choice, int paintCount, int trackCount);

// Text helpers on the engine's 16-bit strings.
std::u16string toU16(const std::string& ascii);
std::string toAscii(const std::u16string& text);

} // namespace racing
