// mesh_writer.cpp -- mesh records of a ".p3d" file
#include "content/ravenor/mesh_writer.h"

#include "content/ravenor/le_bytes.h"

namespace ravenor_content {

std::vector<uint8_t> WriteP3d(const std::vector<Mesh>& meshes)
{
    std::vector<uint8_t> out;
    for (const Mesh& mesh : meshes)
    {
        for (size_t i = 0; i < 24; ++i)
            out.push_back(i < mesh.name.size() ? static_cast<uint8_t>(mesh.name[i]) : 0);
        for (int16_t m : mesh.rotation)
            AppendI16(out, m);
        for (int16_t t : mesh.translation)
            AppendI16(out, t);
        AppendU32(out, static_cast<uint32_t>(mesh.vertices.size()));
        AppendU32(out, static_cast<uint32_t>(mesh.faces.size()));
        for (const MeshVertex& v : mesh.vertices)
        {
            out.insert(out.end(), 16, 0);   // the renderer's work space
            AppendI16(out, v.x);
            AppendI16(out, v.y);
            AppendI16(out, v.z);
            AppendI16(out, v.shade);
            for (int16_t n : v.normal)
                AppendI16(out, n);
            AppendU16(out, 0);
        }
        for (const MeshFace& f : mesh.faces)
        {
            for (const MeshCorner& c : f.corners)
            {
                AppendU32(out, c.vertex);
                AppendI16(out, c.u);
                AppendI16(out, c.v);
            }
            AppendU32(out, f.texture);
            AppendU32(out, f.cell);
            AppendU32(out, f.extra);
        }
    }
    AppendU32(out, static_cast<uint32_t>(meshes.size()));
    return out;
}

} // namespace ravenor_content
