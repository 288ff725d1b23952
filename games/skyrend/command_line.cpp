// command_line.cpp -- mode switch and "ARG:" commands, read defensively
#include "games/skyrend/command_line.h"

#include <os/wstring.h>

namespace skyrend {

namespace {

constexpr int kMaxDigits = 6;

bool contains(const WCHAR* text, const WCHAR* part)
{
    return text && wcsstr(text, part) != nullptr;
}

// A decimal number of 1..kMaxDigits digits at p; p moves past it.
bool readNumber(const WCHAR*& p, int& value)
{
    int digits = 0;
    value = 0;
    while (*p >= u'0' && *p <= u'9')
    {
        if (++digits > kMaxDigits)
            return false;
        value = value * 10 + (*p++ - u'0');
    }
    return digits > 0;
}

bool parseFlight(const WCHAR* argument, PageCommand& command)
{
    const WCHAR* p = wcschr(argument, u'/');
    if (!p)
        return false;
    ++p;
    if (!readNumber(p, command.plane) || *p++ != u',' || !readNumber(p, command.scene) || *p++ != u',' ||
        !readNumber(p, command.pilot))
        return false;
    return *p == 0;
}

bool isPageName(const std::u16string& name)
{
    if (name.empty() || name.size() > kMaxPageName || name.find(u"..") != std::u16string::npos)
        return false;
    for (WCHAR c : name)
        if (c < u' ' || c == u'/' || c == u':' || c == u'*' || c == u'?')
            return false;
    return name.front() != u'\\';
}

} // namespace

bool isServerStart(const WCHAR* programFileName, const WCHAR* commandLine)
{
    return contains(programFileName, u"server") || contains(commandLine, u"/server") ||
           contains(commandLine, u"/SERVER");
}

const WCHAR* findArgument(const WCHAR* commandLine)
{
    const WCHAR* at = commandLine ? wcsstr(commandLine, u"ARG:") : nullptr;
    return at ? at + 4 : nullptr;
}

PageCommand parsePageCommand(const WCHAR* argument)
{
    PageCommand command;
    if (!argument)
        return command;
    if (contains(argument, u"fightNow") || contains(argument, u"exerciseNow"))
    {
        command.exercise = contains(argument, u"exerciseNow");
        command.kind = parseFlight(argument, command) ? PageCommand::Flight : PageCommand::Cover;
        return command;
    }
    command.page = argument;
    command.kind = isPageName(command.page) ? PageCommand::Page : PageCommand::Cover;
    if (command.kind == PageCommand::Cover)
        command.page.clear();
    return command;
}

bool flightFits(const PageCommand& command, int planeCount, int sceneCount, int pilotCount)
{
    return command.kind == PageCommand::Flight && command.plane < planeCount && command.scene < sceneCount &&
           command.pilot < pilotCount;
}

std::u16string flightArgument(bool exercise, int plane, int scene, int pilot)
{
    return os::format(exercise ? u"ARG:exerciseNow/%d,%d,%d" : u"ARG:fightNow/%d,%d,%d", plane, scene, pilot);
}

} // namespace skyrend
