// command_line.h -- what a start of Vasko-Skyrend is asked to do
//
// The program is the game or, by a switch or its file name, the game
// server. A game started by the restart protocol gets "ARG:" followed by a
// page name or a flight command; anything it cannot use safely sends it to
// the cover page.
#pragma once

#include <os/types.h>

#include <string>

namespace skyrend {

// Longest page name an "ARG:" command may name (the template name, with
// ".properties", must fit the canvas's 64 characters).
constexpr size_t kMaxPageName = 48;

// True for the game server: the program file's name holds "server", or the
// command line "/server" or "/SERVER".
bool isServerStart(const WCHAR* programFileName, const WCHAR* commandLine);

// The text after the first "ARG:" of the command line, or null.
const WCHAR* findArgument(const WCHAR* commandLine);

struct PageCommand
{
    enum Kind
    {
        Cover, // no argument, or one that cannot be used
        Page,  // the template "<page>.properties"
        Flight,
    };
    Kind kind = Cover;
    std::u16string page;
    int plane = 0;
    int scene = 0;
    int pilot = 0;
    bool exercise = false;
};

// Reads an argument: "fightNow/P,S,N" or "exerciseNow/P,S,N" (three
// decimal numbers, nothing else after them), or a page name of at most
// kMaxPageName characters without '/', ':' or "..". Anything else, or
// null, answers Cover.
PageCommand parsePageCommand(const WCHAR* argument);

// The flight's three indexes lie within the tables.
bool flightFits(const PageCommand& command, int planeCount, int sceneCount, int pilotCount);

// "ARG:exerciseNow/%d,%d,%d" or "ARG:fightNow/%d,%d,%d".
std::u16string flightArgument(bool exercise, int plane, int scene, int pilot);

} // namespace skyrend
