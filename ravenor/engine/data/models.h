// models.h -- ".p3d" meshes: models, the scenery table and their loaders
//
// ".p3d" file: mesh records back to back, then the mesh count (at most 64) as
// the last 32-bit word of the file. Mesh record (little-endian):
//   0   name, 24 bytes NUL-padded
//   24  Transform (9 x i16 Q14, 3 x i16 translation)
//   48  vertex count V, 52 face count F
//   56  V vertices of 32 bytes, then F faces of 36 bytes
// Vertex: 16 bytes of renderer work space, position x, y, z (i16), shade
// offset (i16), normal x, y, z (i16), 2 unused bytes.
// Face: three corners { u32 vertex index, i16 u, i16 v in 1/16 texel },
// u32 texture index in the model's own ".tex", u32 cell number, u32 extra word.
//
// In memory the indices become references: faces point at their vertices and
// at entries of the global texture table. A file whose counts run past its
// end, whose face names a vertex the mesh does not have, or whose texture
// would lie outside the table is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ravenor/engine/core/bounding_box.h"
#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/data/textures.h"
#include "ravenor/engine/core/transform.h"

constexpr int kMaxMeshes = 64;

struct P3dVertex
{
    // Work space of the renderer
    int16_t screenX;
    int16_t screenY;
    int16_t depth;      // 0 rejected this frame, 1 nearer than the near distance, else the projected depth
    int16_t shade;
    int16_t cameraX;
    int16_t cameraY;
    int16_t cameraZ;
    int16_t frame;      // frame in which it was last transformed
    // From the file
    Vector4s position;  // w: the shade offset
    int16_t normal[3];
    int16_t unused;
};
static_assert(sizeof(P3dVertex) == 32);

struct P3dCorner
{
    P3dVertex* vertex;
    int16_t u;          // 12.4 texels
    int16_t v;
};

struct P3dFace
{
    P3dCorner corners[3];
    TexImage* texture;
    uint32_t textureIndex;   // position in the model's own ".tex"
    int32_t cell;            // set by the city builder; -1 while unassigned
    uint32_t extra;          // carried into the halves when the renderer splits the face
};

// The sizes the game takes from a mesh for collisions, in this order.
struct MeshSize
{
    int32_t radius;   // half of the largest extent
    int32_t minX;
    int32_t maxX;
    int32_t minZ;
    int32_t maxZ;
    int32_t minY;     // the negated largest y
    int32_t maxY;     // the negated smallest y
};

struct P3dMesh
{
    Transform transform{};
    char name[25] = {};      // 24 characters from the file and a terminator of our own
    int16_t flag = 1;        // 1 at load
    int16_t scenery = 0;     // set by the loading step on every scenery mesh
    std::vector<P3dVertex> vertices;
    std::vector<P3dFace> faces;
    BoundingBox bounds{};

    P3dMesh() = default;
    P3dMesh(P3dMesh&&) = default;
    P3dMesh& operator=(P3dMesh&&) = default;
    P3dMesh(const P3dMesh&) = delete;
    P3dMesh& operator=(const P3dMesh&) = delete;

    // Smallest and largest vertex position moved by the mesh translation
    void ComputeBounds();
    void GetBounds(MeshSize& size);
};

struct P3dModel
{
    std::vector<P3dMesh> meshes;
};

struct SceneryTable
{
    P3dMesh meshes[kMaxMeshes];
    int32_t count = 0;
};
extern SceneryTable g_scenery;

// Decodes a whole ".p3d" file. Faces point at their vertices; their texture
// references are left for the loader. False with the reason for a bad file.
bool DecodeP3d(const uint8_t* data, size_t size, std::vector<P3dMesh>& meshes, std::string& error);

// A model from a ".p3d" and its ".tex": vertices relative to their mesh,
// random shade offsets, textures appended to the table. The model lives
// until the program ends; none when the file is bad, has more than 64
// meshes, or the textures fail.
P3dModel* LoadModel(const char* meshName, const char* textureName);

// The scenery from its ".p3d" (positions and shade offsets as in the file;
// texture references count from the table's present end, where the caller
// loads the scenery's ".tex" next). 1, or 0 when the file is bad or has more
// than 64 meshes (the table is then as it was).
int LoadScenery(const char* name);

// Tests: forgets every model and the scenery, and empties the texture table.
void ResetModels();
