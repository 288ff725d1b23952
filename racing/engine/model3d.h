// model3d.h -- the racing build on the engine's 3D model
//
// Both builds share one model (Group3D, Mesh, Vertex, Face, Material): the
// racing loader and rasteriser read the same material fields (reflection map
// and amount among them) and the same per-face lighting values. What the
// racing build numbers differently is mapped here when a group is built, and
// its billboard chip is built here.
#pragma once

#include "engine/scene/3d/group3d.h"

class Texture;

namespace racing {

// The racing templates number the culling policy 0 (one sphere for the
// group) and 1 (one per mesh); the shared model stores the engine's numbers.
int cullingPolicyFromRacing(int racingNumber);
int racingCullingNumber(int cullingPolicy);

// Group-wide settings of the racing template keys ("color", "luminous",
// "transparency", "reflectivity", "flat", "wireframe", "doubleside") on every
// material of the group, its level objects' materials included.
void setColor(Group3D& group, uint32_t colour);
void setLuminous(Group3D& group, uint32_t colour);
void setTransparency(Group3D& group, int transparency);
void setReflectivity(Group3D& group, int reflectivity);
void setFlat(Group3D& group, bool flat);
void setWireframe(Group3D& group, bool wireframe);
void setDoubleSided(Group3D& group, bool doubleSided);
// Faces with a vertex behind the near plane are dropped instead of clipped.
void setNearPlaneCulling(Group3D& group, bool culling);

// A textured quad: orientation 0 upright in the y-z plane, 2 upright in the
// x-y plane, any other flat in the x-z plane; faces (0, 1, 2) and (0, 2, 3),
// flat and double-sided, normalised to max(width, height) x scale, its
// radius the scale. The material is "chipMtl", the mesh "chip".
class Chip3D : public Group3D
{
public:
    Chip3D(float scale, float width, float height, int orientation, Texture* texture, Texture* mask);
    Material* getMaterial() const { return materialCount() > 0 ? material(0) : nullptr; }
};

} // namespace racing
