// tool_commands.cpp -- choosing the sub-command and reporting its errors
#include "content/tools/tool_commands.h"

#include "content/media/file_output.h"
#include "content/tools/tool_args.h"

#include <map>

namespace content_tool {

namespace {

const char kUsage[] = "usage: content_tool bmp|gif|jpeg OUT WIDTHxHEIGHT COLOUR...\n"
                      "       content_tool wav OUT HZ MS [KIND]\n"
                      "       content_tool zip OUT [NAME=FILE | FILE]...\n"
                      "       content_tool 3ds OUT box HX HY HZ [COLOUR [TEXTURE]]\n"
                      "       content_tool 3ds OUT torus MAJOR MINOR SEGMENTS SIDES [COLOUR [TEXTURE]]\n";

using Command = void (*)(const Args&);

const std::map<std::string, Command>& commands()
{
    static const std::map<std::string, Command> table = {
        {"bmp", writeBmpCommand}, {"gif", writeGifCommand}, {"jpeg", writeJpegCommand},
        {"wav", writeWavCommand}, {"zip", writeZipCommand}, {"3ds", write3dsCommand},
    };
    return table;
}

} // namespace

void saveFile(const std::string& path, const media::Bytes& bytes)
{
    if (!media::writeHostFile(path, bytes))
        throw std::runtime_error("can not write \"" + path + "\"");
}

int runTool(const Args& commandLine, std::string& errors)
{
    auto found = commandLine.empty() ? commands().end() : commands().find(commandLine[0]);
    if (found == commands().end())
    {
        errors = kUsage;
        return 2;
    }
    try
    {
        Args args(commandLine.begin() + 1, commandLine.end());
        if (args.empty() || args[0].empty())
            throw ToolError("usage: content_tool " + commandLine[0] + " OUT ...");
        found->second(args);
        return 0;
    }
    catch (const ToolError& e)
    {
        errors = std::string("content_tool: ") + e.what() + "\n";
        return 2;
    }
    catch (const std::exception& e)
    {
        errors = std::string("content_tool: ") + e.what() + "\n";
        return 1;
    }
}

} // namespace content_tool
