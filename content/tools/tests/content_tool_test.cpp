// content_tool_test.cpp -- the content tool's sub-commands: bad arguments are
// refused with a message, good ones write files the engine reads
#include "content/tools/tool_commands.h"

#include "engine/base/resource_files.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/3d/mesh.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using content_tool::Args;
using os::testing::get;
using os::testing::host;

namespace {

int run(const Args& args, std::string& errors)
{
    return content_tool::runTool(args, errors);
}

std::string joined(const Args& args)
{
    std::string s;
    for (const std::string& a : args)
        s += a + " ";
    return s;
}

} // namespace

TEST(ContentTool, BadArgumentsAreRefused)
{
    os::testing::put("in.txt", "x");
    os::testing::put("afile", "x");
    std::string out = host("out.bin");
    const struct
    {
        Args args;
        int status;
        const char* message;
    } cases[] = {
        {{}, 2, "usage: content_tool bmp|gif|jpeg"},
        {{"png", out}, 2, "usage: content_tool bmp|gif|jpeg"},
        {{"bmp"}, 2, "usage: content_tool bmp OUT"},
        {{"bmp", ""}, 2, "usage: content_tool bmp OUT"},
        {{"bmp", out, "16x16"}, 2, "usage: content_tool bmp OUT WIDTHxHEIGHT COLOUR..."},
        {{"bmp", out, "16", "FF0000"}, 2, "size \"16\" is not WIDTHxHEIGHT"},
        {{"gif", out, "0x16", "FF0000"}, 2, "width \"0\" is not a whole number from 1 to 4096"},
        {{"jpeg", out, "16x5000", "FF0000"}, 2, "height \"5000\" is not a whole number from 1 to 4096"},
        {{"jpeg", out, "16x1q", "FF0000"}, 2, "height \"1q\""},
        {{"bmp", out, "16x16", "red"}, 2, "colour \"red\" is not RRGGBB in hex"},
        {{"bmp", out, "16x16", "#FF00"}, 2, "colour \"#FF00\""},
        {{"bmp", out, "16x16", "FF0000", "GG0000"}, 2, "colour \"GG0000\""},
        {{"wav", out, "440"}, 2, "usage: content_tool wav OUT HZ MS"},
        {{"wav", out, "0", "100"}, 2, "HZ \"0\" is not a whole number from 1 to 11025"},
        {{"wav", out, "440", "-1"}, 2, "MS \"-1\""},
        {{"wav", out, "440", "99999999999999999999"}, 2, "MS \"99999999999999999999\""},
        {{"wav", out, "440", "100", "harp"}, 2, "KIND \"harp\" is not one of tone, engine"},
        {{"wav", out, "440", "100", "click", "x"}, 2, "usage: content_tool wav OUT HZ MS [KIND]"},
        {{"zip", out, host("none.txt")}, 2, "can not read"},
        {{"zip", out, "=" + host("in.txt")}, 2, "is not NAME=FILE or FILE"},
        {{"zip", out, "a.txt="}, 2, "is not NAME=FILE or FILE"},
        {{"3ds", out}, 2, "usage: content_tool 3ds"},
        {{"3ds", out, "cone", "1", "1", "1"}, 2, "usage: content_tool 3ds OUT box"},
        {{"3ds", out, "box", "1", "1"}, 2, "usage: content_tool 3ds OUT box"},
        {{"3ds", out, "box", "1", "0", "1"}, 2, "HY \"0\" is not a number above zero"},
        {{"3ds", out, "box", "1", "nan", "1"}, 2, "HY \"nan\""},
        {{"3ds", out, "torus", "2", "0.5", "2", "8"}, 2, "SEGMENTS \"2\""},
        {{"3ds", out, "box", "1", "1", "1", "FFFFFF", "t.bmp", "extra"}, 2, "too many arguments for 3ds"},
        {{"bmp", host("afile/out.bmp"), "4x4", "FF0000"}, 1, "can not write"},
        {{"zip", host("afile/out.zip"), host("in.txt")}, 1, "can not write"},
    };
    for (const auto& c : cases)
    {
        std::string errors;
        EXPECT_EQ(run(c.args, errors), c.status) << joined(c.args);
        EXPECT_NE(errors.find(c.message), std::string::npos) << joined(c.args) << "\n" << errors;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ContentTool, PicturesAreStripesOfTheColours)
{
    const char* files[] = {"pic/s.bmp", "pic/s.gif", "pic/s.jpg"};
    const char* commands[] = {"bmp", "gif", "jpeg"};
    const char16_t* paths[] = {u"\\pic\\s.bmp", u"\\pic\\s.gif", u"\\pic\\s.jpg"};
    for (int i = 0; i < 3; ++i)
    {
        std::string errors;
        ASSERT_EQ(run({commands[i], host(files[i]), "48x16", "FF0000", "00FF00", "#0000FF"}, errors), 0) << errors;
        Image image(paths[i], false);
        ASSERT_FALSE(image.isEmpty()) << files[i];
        EXPECT_EQ(image.width, 48);
        EXPECT_EQ(image.height, 16);
        const uint32_t want[] = {0xFF0000, 0x00FF00, 0x0000FF};
        for (int stripe = 0; stripe < 3; ++stripe)
        {
            uint32_t got = image.colorAt(stripe * 16 + 8, 8);
            for (int shift = 0; shift < 24; shift += 8)
                EXPECT_NEAR(int(got >> shift & 0xFF), int(want[stripe] >> shift & 0xFF), 6) << files[i] << stripe;
        }
    }
}

TEST(ContentTool, ToneIsACanonicalWave)
{
    std::string errors;
    ASSERT_EQ(run({"wav", host("snd/click.wav"), "1760", "100"}, errors), 0) << errors;
    std::string bytes = get("snd/click.wav");
    WaveLayout layout;
    ASSERT_TRUE(parseWaveFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), layout));
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.format.nChannels, 1);
    EXPECT_EQ(layout.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(layout.format.wBitsPerSample, 16);
    EXPECT_EQ(layout.dataSize, 2 * 2205u);

    // Another kind of sound: the same layout, other samples.
    ASSERT_EQ(run({"wav", host("snd/boom.wav"), "1760", "100", "explosion"}, errors), 0) << errors;
    std::string boom = get("snd/boom.wav");
    ASSERT_EQ(boom.size(), bytes.size());
    EXPECT_EQ(boom.substr(0, 44), bytes.substr(0, 44));
    EXPECT_NE(boom, bytes);
}

TEST(ContentTool, PackHoldsTheNamedFiles)
{
    os::testing::put("src/readme.txt", "about the pack");
    os::testing::put("src/pic.bmp", "BM...");
    std::string errors;
    ASSERT_EQ(run({"zip", host("res/demo.zip"), host("src/readme.txt"), "gui/p.bmp=" + host("src/pic.bmp")}, errors),
              0)
        << errors;
    setTempFolder(u"\\My Documents\\packs.tmp\\");
    addResourcePack(u"demo.zip", u"\\res");
    ASSERT_EQ(getResourcePackCount(), 1);
    for (const auto& [path, content] : {std::pair{u"\\res\\readme.txt", "about the pack"},
                                        std::pair{u"\\res\\gui\\p.bmp", "BM..."}})
    {
        FILE* file = openResourceFile(path, u"rb");
        ASSERT_NE(file, nullptr);
        char buf[64] = {};
        size_t n = std::fread(buf, 1, sizeof buf, file);
        closeResourceFile(file);
        EXPECT_EQ(std::string(buf, n), content);
    }
    closeResourcePacks();
}

TEST(ContentTool, ModelsLoadAsOneTexturedMesh)
{
    const struct
    {
        Args args;
        int vertices;
        int faces;
    } cases[] = {
        {{"box", "1", "2", "0.5"}, 24, 12},
        {{"box", "1", "1", "1", "C08040", "cube.bmp"}, 24, 12},
        {{"torus", "2", "0.5", "8", "6"}, 0, 2 * 8 * 6},
    };
    for (const auto& c : cases)
    {
        Args args = {"3ds", host("m.3ds")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string errors;
        ASSERT_EQ(run(args, errors), 0) << errors;
        std::string bytes = get("m.3ds");
        std::unique_ptr<Group3D> group(
            Loader3DS::parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), nullptr, u""));
        ASSERT_NE(group, nullptr) << joined(args);
        ASSERT_EQ(group->meshCount(), 1);
        EXPECT_EQ(group->mesh(0)->faceCount(), c.faces) << joined(args);
        if (c.vertices)
        {
            EXPECT_EQ(group->mesh(0)->vertexCount(), c.vertices) << joined(args);
        }
        EXPECT_NE(group->findMaterial(u"skin"), nullptr);
    }
}
