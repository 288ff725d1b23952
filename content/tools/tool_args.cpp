// tool_args.cpp -- reading the content tool's arguments
#include "content/tools/tool_args.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace content_tool {

Size parseSize(const std::string& text)
{
    size_t x = text.find('x');
    if (x == std::string::npos)
        throw ToolError("size \"" + text + "\" is not WIDTHxHEIGHT");
    Size s;
    s.width = int(parseInteger(text.substr(0, x), 1, 4096, "width"));
    s.height = int(parseInteger(text.substr(x + 1), 1, 4096, "height"));
    return s;
}

uint32_t parseColour(const std::string& text)
{
    std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    bool ok = hex.size() == 6;
    for (char c : hex)
        ok = ok && std::isxdigit(static_cast<unsigned char>(c));
    if (!ok)
        throw ToolError("colour \"" + text + "\" is not RRGGBB in hex");
    return uint32_t(std::strtoul(hex.c_str(), nullptr, 16));
}

std::vector<uint32_t> parseColours(const std::vector<std::string>& args, size_t first)
{
    if (args.size() <= first)
        throw ToolError("at least one colour is needed");
    std::vector<uint32_t> colours;
    for (size_t i = first; i < args.size(); ++i)
        colours.push_back(parseColour(args[i]));
    return colours;
}

long parseInteger(const std::string& text, long low, long high, const std::string& what)
{
    char* end = nullptr;
    errno = 0;
    long v = text.empty() ? 0 : std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high)
        throw ToolError(what + " \"" + text + "\" is not a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high));
    return v;
}

float parsePositive(const std::string& text, const std::string& what)
{
    char* end = nullptr;
    float v = text.empty() ? 0 : std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0)
        throw ToolError(what + " \"" + text + "\" is not a number above zero");
    return v;
}

void expectCount(const std::vector<std::string>& args, size_t low, size_t high, const std::string& usage)
{
    if (args.size() < low || args.size() > high)
        throw ToolError("usage: content_tool " + usage);
}

} // namespace content_tool
