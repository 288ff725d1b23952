// models.cpp -- ".p3d" decoding, LoadModel, LoadScenery and mesh bounds
#include "ravenor/engine/data/models.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <os/wstring.h>

#include "ravenor/engine/core/bytes.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/core/log.h"

SceneryTable g_scenery;

namespace {

constexpr size_t kMeshHeaderBytes = 56;
constexpr size_t kVertexBytes = 32;
constexpr size_t kFaceBytes = 36;

// Every model loaded in this run; nothing is unloaded while the game runs.
std::vector<std::unique_ptr<P3dModel>>& Models()
{
    static std::vector<std::unique_ptr<P3dModel>> models;
    return models;
}

P3dVertex DecodeVertex(const uint8_t* p)
{
    P3dVertex v;
    v.screenX = GetI16(p);
    v.screenY = GetI16(p + 2);
    v.depth = GetI16(p + 4);
    v.shade = GetI16(p + 6);
    v.cameraX = GetI16(p + 8);
    v.cameraY = GetI16(p + 10);
    v.cameraZ = GetI16(p + 12);
    v.frame = GetI16(p + 14);
    v.position = Vector4s{GetI16(p + 16), GetI16(p + 18), GetI16(p + 20), GetI16(p + 22)};
    v.normal[0] = GetI16(p + 24);
    v.normal[1] = GetI16(p + 26);
    v.normal[2] = GetI16(p + 28);
    v.unused = GetI16(p + 30);
    return v;
}

// Reads a whole ".p3d" entry and decodes it.
bool ReadMeshes(const char* name, std::vector<P3dMesh>& meshes)
{
    std::vector<uint8_t> bytes;
    std::string error = "cannot be read";
    if (!ReadWholeEntry(name, bytes) || !DecodeP3d(bytes.data(), bytes.size(), meshes, error))
    {
        Log("%s: %s\n", name, error.c_str());
        return false;
    }
    return true;
}

// Points every face at table entry base + its texture index; false when one
// would lie outside the table.
bool ResolveTextures(std::vector<P3dMesh>& meshes, int32_t base)
{
    for (P3dMesh& mesh : meshes)
    {
        for (P3dFace& face : mesh.faces)
        {
            if (face.textureIndex >= static_cast<uint32_t>(kMaxTextures - base))
                return false;
            face.texture = &g_textures.images[base + face.textureIndex];
        }
    }
    return true;
}

} // namespace

bool DecodeP3d(const uint8_t* data, size_t size, std::vector<P3dMesh>& meshes, std::string& error)
{
    meshes.clear();
    if (size < 4)
    {
        error = "no mesh count";
        return false;
    }
    const uint32_t count = GetU32(data + size - 4);
    if (count == 0 || count > static_cast<uint32_t>(kMaxMeshes))
    {
        error = "mesh count " + std::to_string(count) + " is not 1..64";
        return false;
    }
    const size_t end = size - 4;
    size_t at = 0;
    meshes.resize(count);
    for (uint32_t m = 0; m < count; ++m)
    {
        P3dMesh& mesh = meshes[m];
        const std::string where = "mesh " + std::to_string(m);
        if (end - at < kMeshHeaderBytes)
        {
            error = where + ": record cut short";
            return false;
        }
        const uint8_t* p = data + at;
        std::memcpy(mesh.name, p, 24);
        mesh.name[24] = 0;
        mesh.flag = 1;
        mesh.scenery = 0;
        for (int i = 0; i < 9; ++i)
            mesh.transform.m[i] = GetI16(p + 24 + 2 * i);
        for (int i = 0; i < 3; ++i)
            mesh.transform.t[i] = GetI16(p + 42 + 2 * i);
        const uint32_t vertexCount = GetU32(p + 48);
        const uint32_t faceCount = GetU32(p + 52);
        at += kMeshHeaderBytes;
        if (uint64_t{vertexCount} * kVertexBytes + uint64_t{faceCount} * kFaceBytes > end - at)
        {
            error = where + ": " + std::to_string(vertexCount) + " vertices and " + std::to_string(faceCount) +
                    " faces run past the end of the file";
            return false;
        }
        mesh.vertices.resize(vertexCount);
        for (uint32_t v = 0; v < vertexCount; ++v, at += kVertexBytes)
            mesh.vertices[v] = DecodeVertex(data + at);
        mesh.faces.resize(faceCount);
        for (uint32_t f = 0; f < faceCount; ++f, at += kFaceBytes)
        {
            P3dFace& face = mesh.faces[f];
            const uint8_t* q = data + at;
            for (int c = 0; c < 3; ++c)
            {
                const uint32_t index = GetU32(q + 8 * c);
                if (index >= vertexCount)
                {
                    error = where + ", face " + std::to_string(f) + ": vertex " + std::to_string(index) +
                            " of " + std::to_string(vertexCount);
                    return false;
                }
                face.corners[c].vertex = &mesh.vertices[index];
                face.corners[c].u = GetI16(q + 8 * c + 4);
                face.corners[c].v = GetI16(q + 8 * c + 6);
            }
            face.textureIndex = GetU32(q + 24);
            face.texture = nullptr;
            face.cell = static_cast<int32_t>(GetU32(q + 28));
            face.extra = GetU32(q + 32);
        }
        std::memset(&mesh.bounds, 0, sizeof mesh.bounds);
    }
    return true;
}

P3dModel* LoadModel(const char* meshName, const char* textureName)
{
    auto model = std::make_unique<P3dModel>();
    if (!ReadMeshes(meshName, model->meshes))
        return nullptr;

    // Vertex positions become relative to their mesh's own origin
    for (P3dMesh& mesh : model->meshes)
    {
        for (P3dVertex& v : mesh.vertices)
        {
            v.position.x = static_cast<int16_t>(v.position.x - mesh.transform.t[0]);
            v.position.y = static_cast<int16_t>(v.position.y - mesh.transform.t[1]);
            v.position.z = static_cast<int16_t>(v.position.z - mesh.transform.t[2]);
        }
    }

    const int32_t base = g_textures.count;
    if (!ResolveTextures(model->meshes, base))
        return nullptr;
    // Each corner draws a new shade offset for its vertex; a shared vertex
    // keeps the one drawn last
    for (P3dMesh& mesh : model->meshes)
        for (P3dFace& face : mesh.faces)
            for (P3dCorner& corner : face.corners)
                corner.vertex->position.w = static_cast<int16_t>(os_rand() & 1023);

    if (!LoadTextures(textureName))
        return nullptr;
    const uint32_t loaded = static_cast<uint32_t>(g_textures.count - base);
    for (const P3dMesh& mesh : model->meshes)
    {
        for (const P3dFace& face : mesh.faces)
        {
            if (face.textureIndex >= loaded)
            {
                Log("%s: texture %u of %u\n", meshName, face.textureIndex, loaded);
                return nullptr;
            }
        }
    }
    Models().push_back(std::move(model));
    return Models().back().get();
}

int LoadScenery(const char* name)
{
    std::vector<P3dMesh> meshes;
    if (!ReadMeshes(name, meshes) || !ResolveTextures(meshes, g_textures.count))
        return 0;
    for (size_t i = 0; i < meshes.size(); ++i)
        g_scenery.meshes[i] = std::move(meshes[i]);
    g_scenery.count = static_cast<int32_t>(meshes.size());
    return 1;
}

void ResetModels()
{
    Models().clear();
    for (P3dMesh& mesh : g_scenery.meshes)
        mesh = P3dMesh();
    g_scenery.count = 0;
    ResetTextures();
}

void P3dMesh::ComputeBounds()
{
    Vector4s lo{0, 0, 0, 0};
    Vector4s hi{0, 0, 0, 0};
    if (!vertices.empty())
    {
        lo = hi = vertices[0].position;
        for (const P3dVertex& v : vertices)
        {
            lo.Min(v.position);
            hi.Max(v.position);
        }
    }
    for (Vector4s* p : {&lo, &hi})
    {
        p->x = static_cast<int16_t>(p->x + transform.t[0]);
        p->y = static_cast<int16_t>(p->y + transform.t[1]);
        p->z = static_cast<int16_t>(p->z + transform.t[2]);
    }
    bounds.Set(lo, hi);
}

void P3dMesh::GetBounds(MeshSize& size)
{
    ComputeBounds();
    const int16_t* lo = bounds.corners[0];
    const int16_t* hi = bounds.corners[7];
    int32_t extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    size.radius = extent / 2;
    size.minX = lo[0];
    size.maxX = hi[0];
    size.minZ = lo[2];
    size.maxZ = hi[2];
    size.minY = -hi[1];
    size.maxY = -lo[1];
}
