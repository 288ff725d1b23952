// Fuzz target: a ".p3d" file decoded, every face's corners followed, bounds taken
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ravenor/engine/data/models.h"

// Keeps the reads from being optimised away
volatile uint32_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<P3dMesh> meshes;
    std::string error;
    if (!DecodeP3d(data, size, meshes, error))
        return 0;
    uint32_t sum = 0;
    for (P3dMesh& mesh : meshes)
    {
        for (const P3dFace& face : mesh.faces)
            for (const P3dCorner& corner : face.corners)
                sum += corner.vertex->position.x + corner.u;
        MeshSize extent;
        mesh.GetBounds(extent);
        sum += extent.radius;
    }
    g_sink = g_sink + sum;
    return 0;
}
