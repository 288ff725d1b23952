// The demo city keeps the rules the engine relies on
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "content/ravenor/demo_city.h"

using namespace ravenor_content;

namespace {

int Span(const Mesh& mesh, const MeshFace& face, int16_t MeshVertex::*axis)
{
    int lo = 32767, hi = -32768;
    for (const MeshCorner& c : face.corners)
    {
        lo = std::min<int>(lo, mesh.vertices[c.vertex].*axis);
        hi = std::max<int>(hi, mesh.vertices[c.vertex].*axis);
    }
    return hi - lo;
}

using Triangle = std::tuple<int, int, int, int, int, int, int, int, int>;

Triangle Corners(const Mesh& mesh, const MeshFace& face)
{
    const MeshVertex& a = mesh.vertices[face.corners[0].vertex];
    const MeshVertex& b = mesh.vertices[face.corners[1].vertex];
    const MeshVertex& c = mesh.vertices[face.corners[2].vertex];
    return {a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z};
}

} // namespace

TEST(DemoCity, MeshesFacesAndTextures)
{
    const std::vector<Mesh> meshes = DemoCityMeshes();
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].name, "Object01");
    EXPECT_EQ(meshes[1].name, "Road");
    std::set<uint32_t> used;
    for (const Mesh& mesh : meshes)
    {
        for (const MeshFace& face : mesh.faces)
        {
            // No face more than 250 units across: near corners stay inside
            // the perspective filler's table and screen points inside i16.
            EXPECT_LE(Span(mesh, face, &MeshVertex::x), 250);
            EXPECT_LE(Span(mesh, face, &MeshVertex::y), 250);
            EXPECT_LE(Span(mesh, face, &MeshVertex::z), 250);
            EXPECT_LT(face.texture, uint32_t(kCityTextureCount));
            for (const MeshCorner& c : face.corners)
                ASSERT_LT(c.vertex, mesh.vertices.size());
            used.insert(face.texture);
        }
    }
    EXPECT_EQ(used.size(), size_t(kCityTextureCount));
}

TEST(DemoCity, RoadRepeatsTheVisibleRoadTiles)
{
    const std::vector<Mesh> meshes = DemoCityMeshes();
    std::set<Triangle> visibleRoad;
    for (const MeshFace& face : meshes[0].faces)
        if (face.texture == kCityRoad)
            visibleRoad.insert(Corners(meshes[0], face));
    ASSERT_FALSE(meshes[1].faces.empty());
    EXPECT_EQ(meshes[1].faces.size(), visibleRoad.size());
    for (const MeshFace& face : meshes[1].faces)
        EXPECT_TRUE(visibleRoad.count(Corners(meshes[1], face)));
}
