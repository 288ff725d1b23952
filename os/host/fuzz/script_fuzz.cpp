// script_fuzz.cpp -- random text through the input script parser and layout
#include "os/host/headless/script.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<os::host::script::Command> commands;
    std::string error;
    if (!os::host::script::parse(text, commands, error))
    {
        if (error.rfind("line ", 0) != 0)
        {
            __builtin_trap(); // every refusal names its line
        }
        return 0;
    }
    auto actions = os::host::script::schedule(commands, 0, 0xFFFFFF00ull, true);
    uint64_t last = 0;
    for (auto& action : actions)
    {
        if (action.due < last || action.command > commands.size())
        {
            __builtin_trap();
        }
        last = action.due;
    }
    return 0;
}
