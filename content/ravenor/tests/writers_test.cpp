// Tests of the content writers: byte layouts and the archive's rules
#include <gtest/gtest.h>

#include "content/ravenor/archive_writer.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/mesh_writer.h"

using namespace ravenor_content;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

TEST(RavenorContentArchive, LayoutAndListing)
{
    ArchiveWriter w;
    w.Add("font.tga", {1, 2, 3});
    w.Add("b", {});
    w.Add("c.lev", {9});
    const std::vector<uint8_t> image = w.Build();
    ASSERT_EQ(image.size(), 12u + 4 + 3 * 64);
    EXPECT_EQ(U32(image, 4), 16u) << "directory after the data";
    EXPECT_EQ(U32(image, 8), 192u);
    std::vector<ArchiveListing> list;
    ASSERT_TRUE(ListArchive(image, list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "font.tga");
    EXPECT_EQ(list[0].offset, 12u);
    EXPECT_EQ(list[0].size, 3u);
    EXPECT_EQ(list[1].offset, 15u);
    EXPECT_EQ(list[1].size, 0u);
    EXPECT_EQ(list[2].offset, 15u);
    EXPECT_EQ(image[16 + 64 * 2 + 5], 0) << "names are NUL-padded";

    std::vector<uint8_t> cut(image.begin(), image.end() - 1);
    EXPECT_FALSE(ListArchive(cut, list));
    EXPECT_FALSE(ListArchive({1, 2, 3}, list));
}

TEST(RavenorContentArchive, RulesOfNames)
{
    struct Case
    {
        std::vector<std::string> names;
        bool ok;
    };
    const Case cases[] = {
        {{"font.tga", "sphereslider#k.tga", "stg000.lev"}, true},
        {{"Font.tga"}, false},
        {{""}, false},
        {{std::string(55, 'a')}, true},
        {{std::string(56, 'a')}, false},
        {{"a", "b", "a"}, false},
        {{std::string("a\0b", 3)}, false},
    };
    for (const Case& c : cases)
    {
        ArchiveWriter w;
        for (const std::string& n : c.names)
            w.Add(n, {0});
        std::string error;
        EXPECT_EQ(w.Check(error), c.ok) << (c.names.empty() ? "" : c.names[0]) << ": " << error;
    }
    ArchiveWriter many;
    for (int i = 0; i < 200; ++i)
        many.Add("e" + std::to_string(i), {});
    std::string error;
    EXPECT_TRUE(many.Check(error));
    many.Add("e200", {});
    EXPECT_FALSE(many.Check(error));
    EXPECT_EQ(LowerName("ABC.Wav#K"), "abc.wav#k");
}

TEST(RavenorContentFiles, MeshTextureAndImageLayouts)
{
    Mesh m;
    m.name = "wheel_front_left";
    m.translation[0] = -2;
    m.vertices = {{1, 2, 3, 4}};
    MeshFace f;
    f.corners[2].vertex = 7;
    f.corners[2].u = -16;
    f.texture = 5;
    f.cell = 6;
    f.extra = 8;
    m.faces = {f};
    const std::vector<uint8_t> p3d = WriteP3d({m, m});
    const size_t record = 56 + 32 + 36;
    ASSERT_EQ(p3d.size(), 2 * record + 4);
    EXPECT_EQ(U32(p3d, p3d.size() - 4), 2u) << "the mesh count ends the file";
    EXPECT_EQ(p3d[0], 'w');
    EXPECT_EQ(p3d[23], 0);
    EXPECT_EQ(p3d[24], 0x00);
    EXPECT_EQ(p3d[25], 0x40) << "rotation starts with 0x4000";
    EXPECT_EQ(p3d[42], 0xFE) << "translation x = -2";
    EXPECT_EQ(U32(p3d, 48), 1u);
    EXPECT_EQ(U32(p3d, 52), 1u);
    EXPECT_EQ(p3d[56 + 15], 0) << "renderer work space";
    EXPECT_EQ(p3d[56 + 16], 1);
    EXPECT_EQ(p3d[56 + 22], 4) << "shade offset";
    EXPECT_EQ(p3d[56 + 29], 0x40) << "default normal z";
    const size_t face = 56 + 32;
    EXPECT_EQ(U32(p3d, face + 16), 7u);
    EXPECT_EQ(p3d[face + 20], 0xF0);
    EXPECT_EQ(U32(p3d, face + 24), 5u);
    EXPECT_EQ(U32(p3d, face + 28), 6u);
    EXPECT_EQ(U32(p3d, face + 32), 8u);

    Texture t;
    t.width = 2;
    t.height = 1;
    t.drawMode = 4;
    t.oneSided = 1;
    t.extra = 3;
    t.frames = {{0x1234, 0x5678}, {1, 2}};
    const std::vector<uint8_t> tex = WriteTex({t});
    ASSERT_EQ(tex.size(), 4u + 24 + 8);
    const uint32_t header[] = {1, 2, 1, 4, 1, 2, 3};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(U32(tex, 4 * i), header[i]) << "word " << i;
    EXPECT_EQ(tex[28], 0x34);
    EXPECT_EQ(tex[29], 0x12);
    EXPECT_EQ(Rgb565(255, 255, 255), 0xFFFF);
    EXPECT_EQ(Rgb565(128, 128, 128), 0x8410);

    const std::vector<uint8_t> tga = WriteTga(2, 1, {0x112233, 0xAABBCC});
    ASSERT_EQ(tga.size(), 18u + 6);
    EXPECT_EQ(tga[0], 0) << "no identification field";
    EXPECT_EQ(tga[2], 2);
    EXPECT_EQ(tga[12], 2);
    EXPECT_EQ(tga[14], 1);
    EXPECT_EQ(tga[16], 24);
    const uint8_t pixels[] = {0x33, 0x22, 0x11, 0xCC, 0xBB, 0xAA};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tga[18 + i], pixels[i]) << i;
}

} // namespace
