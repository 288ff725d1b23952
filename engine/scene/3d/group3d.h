// group3d.h -- a named 3D model placed in a 3D scene
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/core/material.h"
#include "engine/scene/3d/mesh.h"

#include "engine/scene/core/scene_object.h"

class Group3D : public SceneObject
{
public:
    // Clone bits: copy the meshes, the materials, the level lists.
    static constexpr int kCloneMeshes = 1;
    static constexpr int kCloneMaterials = 2;
    static constexpr int kCloneLevels = 4;

    PtrVector* objects;   // of Mesh
    PtrVector* materials; // of Material
    Matrix4 matrix;
    int32_t billboard = 0;
    int32_t cullingPolicy = 1;
    float frontClip = -1.0f;
    float backClip = -1.0f;
    float radius = 0.0f;
    Vector3 size;
    PtrVector** levels = nullptr;
    int32_t levelCount = 0;
    float levelDistance = 0.0f;
    // The racing build culls a group against the clip range only while set.
    uint8_t environmentEnabled = 1;

    Group3D();
    ~Group3D() override;
    Group3D(const Group3D&) = delete;
    Group3D& operator=(const Group3D&) = delete;

    int meshCount() const { return objects->size(); }
    Mesh* mesh(int i) const { return static_cast<Mesh*>(objects->get(i)); }
    int materialCount() const { return materials->size(); }
    Material* material(int i) const { return static_cast<Material*>(materials->get(i)); }

    void addObject(const WCHAR* meshName, Mesh* m);
    Mesh* removeObject(const WCHAR* meshName);
    Mesh* findObject(const WCHAR* meshName) const;
    void addMaterial(const WCHAR* materialName, Material* m);
    Material* findMaterial(const WCHAR* materialName) const;
    Mesh* findLevelObject(int level, const WCHAR* meshName) const;

    void update(bool computeBounds);
    void getBounds(Vector3& min, Vector3& max, const WCHAR* wanted, const WCHAR* unwanted) const;
    void normalize(float newRadius, const WCHAR* wanted, const WCHAR* unwanted);
    void transformObjects(const float matrix12[12], const WCHAR* wanted, const WCHAR* unwanted, bool invalidate);
    Group3D* clone(int mode) const;
    // The level groups give up their meshes and materials to this group,
    // which owns them from then on; the groups are left empty.
    void setLevels(Group3D** groups, int count, float distance);
    // The meshes drawn at `depth` along the view: the whole model, and past
    // every levelDistance one level further down, the last level beyond.
    const PtrVector* objectsAtDepth(float depth) const;

    void setFlatShading(int value);
    void setDetailLevel(int level);
    void setEnvironmentEnabled(int value);

    // Whether a mesh of that name passes the wanted and unwanted lists.
    static bool passesFilter(const WCHAR* meshName, const WCHAR* wanted, const WCHAR* unwanted);

private:
    void updateMesh(Mesh* m, bool computeBounds);
    void copySceneFields(Group3D& to) const;
    void cloneMaterialsInto(Group3D& copy) const;
    void cloneLevelsInto(Group3D& copy) const;
    bool ownsPart(int bit) const { return !cloneFlag || (cloneMode & bit); }
};
