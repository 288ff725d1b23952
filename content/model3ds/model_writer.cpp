// model_writer.cpp -- 3DS files of whole models and a few shapes
#include "content/model3ds/model_writer.h"

#include "content/model3ds/chunk_writer.h"

#include <cmath>

namespace model3ds {

namespace {

void writeMap(ChunkWriter& w, uint16_t id, const std::string& file, int percent)
{
    if (file.empty())
        return;
    w.open(id);
    w.percentInt(uint16_t(percent));
    w.open(0xA300);
    w.name(file);
    w.close();
    w.close();
}

void writeMaterial(ChunkWriter& w, const MaterialSpec& m)
{
    w.open(0xAFFF);
    w.open(0xA000);
    w.name(m.name);
    w.close();
    w.open(0xA020);
    w.colourBytes(uint8_t(m.colour >> 16), uint8_t(m.colour >> 8), uint8_t(m.colour));
    w.close();
    if (m.twoSided)
        w.empty(0xA081);
    if (m.flat)
    {
        w.open(0xA100);
        w.u16(1);
        w.close();
    }
    writeMap(w, 0xA200, m.textureMap, m.texturePercent);
    writeMap(w, 0xA210, m.opacityMap, 100);
    writeMap(w, 0xA220, m.reflectionMap, 100);
    w.close();
}

void writeMesh(ChunkWriter& w, const MeshSpec& m)
{
    w.open(0x4000);
    w.name(m.name);
    w.open(0x4100);
    w.open(0x4110);
    w.u16(uint16_t(m.positions.size() / 3));
    for (float f : m.positions)
        w.f32(f);
    w.close();
    if (!m.uvs.empty())
    {
        w.open(0x4140);
        w.u16(uint16_t(m.uvs.size() / 2));
        for (float f : m.uvs)
            w.f32(f);
        w.close();
    }
    w.open(0x4120);
    w.u16(uint16_t(m.faces.size() / 3));
    for (size_t i = 0; i + 2 < m.faces.size(); i += 3)
    {
        w.u16(m.faces[i]);
        w.u16(m.faces[i + 1]);
        w.u16(m.faces[i + 2]);
        w.u16(7);
    }
    if (!m.material.empty())
    {
        w.open(0x4130);
        w.name(m.material);
        w.u16(uint16_t(m.faces.size() / 3));
        for (size_t i = 0; i < m.faces.size() / 3; ++i)
            w.u16(uint16_t(i));
        w.close();
    }
    w.close();
    w.close();
    w.close();
}

struct Axes
{
    float n[3], u[3], v[3];
};

} // namespace

std::vector<uint8_t> writeModel(const ModelSpec& model)
{
    ChunkWriter w;
    w.open(0x4D4D);
    w.open(0x0002);
    w.u32(3);
    w.close();
    w.open(0x3D3D);
    for (const MaterialSpec& m : model.materials)
        writeMaterial(w, m);
    for (const MeshSpec& m : model.meshes)
        writeMesh(w, m);
    w.close();
    w.close();
    return w.data();
}

MeshSpec boxMesh(const std::string& name, float hx, float hy, float hz, const std::string& material)
{
    // Per side: the outward normal and two axes with u x v = n.
    static const Axes kSides[6] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    static const float kCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const float half[3] = {hx, hy, hz};
    MeshSpec m{name, {}, {}, {}, material};
    for (const Axes& side : kSides)
    {
        const uint16_t base = uint16_t(m.positions.size() / 3);
        for (const auto& c : kCorners)
        {
            for (int k = 0; k < 3; ++k)
                m.positions.push_back((side.n[k] + side.u[k] * c[0] + side.v[k] * c[1]) * half[k]);
            m.uvs.push_back((c[0] + 1) * 0.5f);
            m.uvs.push_back((c[1] + 1) * 0.5f);
        }
        for (uint16_t i : {0, 1, 2, 0, 2, 3})
            m.faces.push_back(uint16_t(base + i));
    }
    return m;
}

void uprightBackPicture(MeshSpec& box)
{
    // The third side's four corners (see kSides): u runs -X across, v up Z.
    static const float kCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    constexpr size_t kFirst = 2 * 4 * 2;
    if (box.uvs.size() < kFirst + 8)
        return;
    for (size_t k = 0; k < 4; ++k)
    {
        box.uvs[kFirst + 2 * k] = (1 - kCorners[k][1]) * 0.5f;
        box.uvs[kFirst + 2 * k + 1] = (kCorners[k][0] + 1) * 0.5f;
    }
}

MeshSpec torusMesh(const std::string& name, float major, float minor, int segments, int sides,
                   const std::string& material)
{
    MeshSpec m{name, {}, {}, {}, material};
    const float turn = 6.2831853f;
    for (int i = 0; i <= segments; ++i)
    {
        const float theta = turn * float(i) / float(segments);
        for (int j = 0; j <= sides; ++j)
        {
            const float phi = turn * float(j) / float(sides);
            const float ring = major + minor * std::cos(phi);
            m.positions.push_back(ring * std::cos(theta));
            m.positions.push_back(ring * std::sin(theta));
            m.positions.push_back(minor * std::sin(phi));
            m.uvs.push_back(float(i) / float(segments) * 2.0f);
            m.uvs.push_back(float(j) / float(sides));
        }
    }
    const int row = sides + 1;
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j)
        {
            const uint16_t q[4] = {uint16_t(i * row + j), uint16_t((i + 1) * row + j), uint16_t((i + 1) * row + j + 1),
                                   uint16_t(i * row + j + 1)};
            for (int k : {0, 1, 2, 0, 2, 3})
                m.faces.push_back(q[k]);
        }
    return m;
}

void turnToFileAxes(MeshSpec& mesh)
{
    for (size_t i = 0; i + 2 < mesh.positions.size(); i += 3)
    {
        float x = mesh.positions[i], y = mesh.positions[i + 1], z = mesh.positions[i + 2];
        mesh.positions[i] = -x, mesh.positions[i + 1] = -z, mesh.positions[i + 2] = y;
    }
}

MeshSpec engineBox(const std::string& name, float hx, float hy, float hz, float ox, float oy, float oz,
                   const std::string& material)
{
    // boxMesh takes the file's axes: X across (-x), Y along (-z), Z up (y).
    MeshSpec m = boxMesh(name, hx, hz, hy, material);
    for (size_t i = 0; i + 2 < m.positions.size(); i += 3)
    {
        m.positions[i] += -ox;
        m.positions[i + 1] += -oz;
        m.positions[i + 2] += oy;
    }
    return m;
}

} // namespace model3ds
