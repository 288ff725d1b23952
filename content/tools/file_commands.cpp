// file_commands.cpp -- the wav, zip and 3ds sub-commands
#include "content/media/sound_synth.h"
#include "content/media/wav_writer.h"
#include "content/media/zip_writer.h"
#include "content/model3ds/model_writer.h"
#include "content/tools/tool_args.h"
#include "content/tools/tool_commands.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace content_tool {

namespace {

std::string readHostFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ToolError("can not read \"" + path + "\"");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// "NAME=FILE" names the member; a bare FILE is stored under its file name.
std::pair<std::string, std::string> zipMember(const std::string& arg)
{
    size_t eq = arg.find('=');
    std::string name = eq == std::string::npos ? std::filesystem::path(arg).filename().string() : arg.substr(0, eq);
    std::string file = eq == std::string::npos ? arg : arg.substr(eq + 1);
    if (name.empty() || file.empty())
        throw ToolError("member \"" + arg + "\" is not NAME=FILE or FILE");
    return {name, readHostFile(file)};
}

model3ds::MeshSpec shapeMesh(const Args& args, size_t& next)
{
    const std::string& shape = args[1];
    if (shape == "box" && args.size() >= 5)
    {
        next = 5;
        return model3ds::boxMesh("box", parsePositive(args[2], "HX"), parsePositive(args[3], "HY"),
                                 parsePositive(args[4], "HZ"), "skin");
    }
    if (shape == "torus" && args.size() >= 6)
    {
        next = 6;
        return model3ds::torusMesh("torus", parsePositive(args[2], "MAJOR"), parsePositive(args[3], "MINOR"),
                                   int(parseInteger(args[4], 3, 64, "SEGMENTS")),
                                   int(parseInteger(args[5], 3, 64, "SIDES")), "skin");
    }
    throw ToolError("usage: content_tool 3ds OUT box HX HY HZ [COLOUR [TEXTURE]] | "
                    "3ds OUT torus MAJOR MINOR SEGMENTS SIDES [COLOUR [TEXTURE]]");
}

} // namespace

void writeWavCommand(const Args& args)
{
    expectCount(args, 3, 4, "wav OUT HZ MS [KIND]");
    long hz = parseInteger(args[1], 1, 11025, "HZ");
    long ms = parseInteger(args[2], 1, 60000, "MS");
    const std::string kind = args.size() > 3 ? args[3] : "tone";
    const std::vector<std::string> kinds = media::soundKinds();
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
    {
        std::string names;
        for (const std::string& k : kinds)
            names += (names.empty() ? "" : ", ") + k;
        throw ToolError("KIND \"" + kind + "\" is not one of " + names);
    }
    saveFile(args[0], media::makeWav(1, 22050, 16, media::makeSound(kind, double(hz), int(ms))));
}

void writeZipCommand(const Args& args)
{
    expectCount(args, 1, size_t(-1), "zip OUT [NAME=FILE | FILE]...");
    media::ZipMembers members;
    for (size_t i = 1; i < args.size(); ++i)
        members.push_back(zipMember(args[i]));
    if (!media::writeZip(args[0], members))
        throw std::runtime_error("can not write \"" + args[0] + "\"");
}

void write3dsCommand(const Args& args)
{
    expectCount(args, 2, 8, "3ds OUT box|torus SIZES... [COLOUR [TEXTURE]]");
    size_t next = 0;
    model3ds::ModelSpec model;
    model.meshes.push_back(shapeMesh(args, next));
    model3ds::MaterialSpec skin;
    skin.name = "skin";
    if (next < args.size())
        skin.colour = parseColour(args[next++]);
    if (next < args.size())
        skin.textureMap = args[next++];
    if (next < args.size())
        throw ToolError("too many arguments for 3ds");
    model.materials.push_back(skin);
    saveFile(args[0], model3ds::writeModel(model));
}

} // namespace content_tool
