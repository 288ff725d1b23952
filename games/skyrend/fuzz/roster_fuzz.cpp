// roster_fuzz.cpp -- arbitrary bytes as a start command (the first line)
// and a pilot file (the rest): the command is read without crashing and a
// flight it names writes back to itself; the roster is read with names
// within their limit, and once written and read it no longer grows
#include "engine/base/fuzz/fuzz_tree.h"
#include "engine/base/properties.h"
#include "games/skyrend/command_line.h"
#include "games/skyrend/pilots.h"

#include <os/wstring.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace skyrend;

namespace {

void checkCommand(const std::u16string& text)
{
    const PageCommand command = parsePageCommand(text.c_str());
    if (command.kind == PageCommand::Page && (command.page.empty() || command.page.size() > kMaxPageName))
        __builtin_trap();
    if (command.kind != PageCommand::Flight)
        return;
    const std::u16string written = flightArgument(command.exercise, command.plane, command.scene, command.pilot);
    const PageCommand again = parsePageCommand(findArgument(written.c_str()));
    if (again.kind != PageCommand::Flight || again.plane != command.plane || again.scene != command.scene ||
        again.pilot != command.pilot || again.exercise != command.exercise)
        __builtin_trap();
}

// The roster written into the file, the file saved under `name` and the
// roster read back from it.
Roster writtenAndRead(Properties& file, const Roster& roster, const WCHAR* name)
{
    roster.write(file);
    file.setPath(u"\\f\\", name);
    if (!file.save())
        __builtin_trap();
    Properties saved(u'=', u',', u':');
    if (!saved.load(u"\\f\\", name))
        __builtin_trap();
    Roster back;
    back.read(saved);
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t line = 0;
    while (line < size && data[line] != '\n')
        ++line;
    std::u16string command;
    for (size_t i = 0; i < line; ++i)
        command.push_back(char16_t(data[i]));
    checkCommand(command);

    const size_t rest = line < size ? line + 1 : size;
    writeFuzzInput("tplist.properties", data + rest, size - rest);
    Properties file(u'=', u',', u':');
    if (!file.load(u"\\f\\", u"tplist.properties"))
        __builtin_trap(); // the file is there
    Roster roster;
    roster.read(file);
    for (const PilotRecord& pilot : roster.pilots)
        if (wcslen(pilot.name) > size_t(kPilotNameLength))
            __builtin_trap();
    // Written and read back twice: the first writing may still resolve the
    // file's references (a line that named a pilot line's fields through
    // one becomes a pilot line itself); from then on no pilot is added.
    Roster again = writtenAndRead(file, roster, u"out.properties");
    Properties saved(u'=', u',', u':');
    if (!saved.load(u"\\f\\", u"out.properties"))
        __builtin_trap();
    const Roster third = writtenAndRead(saved, again, u"out2.properties");
    if (third.pilots.size() > again.pilots.size())
        __builtin_trap();
    return 0;
}
