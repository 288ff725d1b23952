// tool_args.h -- reading the content tool's arguments: sizes, colours,
// numbers; a bad one throws ToolError with the message for the user
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace content_tool {

class ToolError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Size
{
    int width = 0;
    int height = 0;
};

// "WxH", both sides 1 to 4096.
Size parseSize(const std::string& text);
// "RRGGBB" or "#RRGGBB" in hex.
uint32_t parseColour(const std::string& text);
// Every argument from `first` on as a colour; at least one.
std::vector<uint32_t> parseColours(const std::vector<std::string>& args, size_t first);
// A whole decimal number within [low, high]; `what` names it in the message.
long parseInteger(const std::string& text, long low, long high, const std::string& what);
// A finite decimal number above zero.
float parsePositive(const std::string& text, const std::string& what);
// Throws unless the command got between `low` and `high` arguments.
void expectCount(const std::vector<std::string>& args, size_t low, size_t high, const std::string& usage);

} // namespace content_tool
