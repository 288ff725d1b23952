// group3d.cpp -- meshes, materials, levels of detail and clones of a group
#include "engine/scene/3d/group3d.h"

#include "engine/base/math_utils.h"

#include <os/wstring.h>

#include <cmath>

Group3D::Group3D() : SceneObject(Group3DObject), objects(new PtrVector()), materials(new PtrVector())
{
}

static void deleteMeshes(PtrVector* list)
{
    for (int i = 0; i < list->size(); ++i)
        delete static_cast<Mesh*>(list->get(i));
    delete list;
}

Group3D::~Group3D()
{
    if (ownsPart(kCloneMeshes))
        deleteMeshes(objects);
    if (ownsPart(kCloneMaterials))
    {
        for (int i = 0; i < materials->size(); ++i)
            delete material(i);
        delete materials;
    }
    if (levels && ownsPart(kCloneLevels))
    {
        for (int i = 0; i < levelCount; ++i)
            deleteMeshes(levels[i]);
        delete[] levels;
    }
}

void Group3D::addObject(const WCHAR* meshName, Mesh* m)
{
    copyName(m->name, meshName);
    objects->add(m);
}

Mesh* Group3D::findObject(const WCHAR* meshName) const
{
    for (int i = 0; i < meshCount(); ++i)
        if (sameName(mesh(i)->name, meshName))
            return mesh(i);
    return nullptr;
}

Mesh* Group3D::removeObject(const WCHAR* meshName)
{
    Mesh* m = findObject(meshName);
    if (m)
        objects->remove(m);
    return m;
}

void Group3D::addMaterial(const WCHAR* materialName, Material* m)
{
    m->setName(materialName);
    materials->add(m);
}

Material* Group3D::findMaterial(const WCHAR* materialName) const
{
    for (int i = 0; i < materialCount(); ++i)
        if (sameName(material(i)->name, materialName))
            return material(i);
    return nullptr;
}

Mesh* Group3D::findLevelObject(int level, const WCHAR* meshName) const
{
    if (level < 0 || level >= levelCount)
        return nullptr;
    for (int i = 0; i < levels[level]->size(); ++i)
    {
        Mesh* m = static_cast<Mesh*>(levels[level]->get(i));
        if (sameName(m->name, meshName))
            return m;
    }
    return nullptr;
}

// A mesh without material gets a new one from its update; the group keeps
// it in its list so that it is freed with the others.
void Group3D::updateMesh(Mesh* m, bool computeBounds)
{
    const bool adopt = m->material == nullptr && ownsPart(kCloneMaterials);
    m->update(computeBounds);
    if (adopt && m->material)
        materials->add(m->material);
}

void Group3D::update(bool computeBounds)
{
    for (int i = meshCount() - 1; i >= 0; --i)
        updateMesh(mesh(i), computeBounds);
    for (int l = 0; l < levelCount; ++l)
        for (int i = levels[l]->size() - 1; i >= 0; --i)
            updateMesh(static_cast<Mesh*>(levels[l]->get(i)), computeBounds);
}

bool Group3D::passesFilter(const WCHAR* meshName, const WCHAR* wanted, const WCHAR* unwanted)
{
    if (wanted && !wcsstr(wanted, meshName))
        return false;
    return !(unwanted && wcsstr(unwanted, meshName));
}

void Group3D::getBounds(Vector3& min, Vector3& max, const WCHAR* wanted, const WCHAR* unwanted) const
{
    bool first = true;
    for (int i = 0; i < meshCount(); ++i)
    {
        const Mesh* m = mesh(i);
        if (!passesFilter(m->name, wanted, unwanted) || m->vertexCount() == 0)
            continue;
        if (first)
        {
            m->getBounds(min, max);
            first = false;
            continue;
        }
        Vector3 lo, hi;
        m->getBounds(lo, hi);
        min.set(std::fmin(min.x, lo.x), std::fmin(min.y, lo.y), std::fmin(min.z, lo.z));
        max.set(std::fmax(max.x, hi.x), std::fmax(max.y, hi.y), std::fmax(max.z, hi.z));
    }
}

void Group3D::normalize(float newRadius, const WCHAR* wanted, const WCHAR* unwanted)
{
    radius = newRadius;
    if (meshCount() == 0)
        return;
    Vector3 min, max;
    getBounds(min, max, wanted, unwanted);
    size.setDifference(max, min);
    const float largest = std::fmax(size.x, std::fmax(size.y, size.z));
    // Flat or empty geometry has no scale of its own: it is only centred.
    const float f = largest > 0.0f ? newRadius / (0.5f * largest) : 1.0f;
    size.scale(f);
    const float scale = float(fixedScale());
    const int32_t c[3] = {saturatingInt(scale * (min.x + max.x) * 0.5f + 0.5f),
                          saturatingInt(scale * (min.y + max.y) * 0.5f + 0.5f),
                          saturatingInt(scale * (min.z + max.z) * 0.5f + 0.5f)};
    for (int i = 0; i < meshCount(); ++i)
    {
        Mesh* m = mesh(i);
        for (int k = 0; k < m->vertexCount(); ++k)
        {
            Vertex* v = m->vertex(k);
            v->x = saturatingInt(double(int64_t(v->x) - c[0]) * f);
            v->y = saturatingInt(double(int64_t(v->y) - c[1]) * f);
            v->z = saturatingInt(double(int64_t(v->z) - c[2]) * f);
        }
    }
}

void Group3D::transformObjects(const float m[12], const WCHAR* wanted, const WCHAR* unwanted, bool invalidate)
{
    for (int i = 0; i < meshCount(); ++i)
        if (passesFilter(mesh(i)->name, wanted, unwanted))
            mesh(i)->transform(m, invalidate);
    for (int l = 0; l < levelCount; ++l)
        for (int i = levels[l]->size() - 1; i >= 0; --i)
        {
            Mesh* lm = static_cast<Mesh*>(levels[l]->get(i));
            if (passesFilter(lm->name, wanted, unwanted))
                lm->transform(m, invalidate);
        }
}

void Group3D::copySceneFields(Group3D& to) const
{
    to.copyFieldsFrom(*this);
    copyName(to.name, name);
    to.billboard = billboard;
    to.cullingPolicy = cullingPolicy;
    to.radius = radius;
    to.frontClip = frontClip;
    to.backClip = backClip;
    to.environmentEnabled = environmentEnabled;
    to.size = size;
    to.matrix = matrix;
}

void Group3D::cloneMaterialsInto(Group3D& copy) const
{
    for (int i = 0; i < materialCount(); ++i)
        copy.materials->add(material(i)->clone());
    for (int i = 0; i < copy.meshCount() && i < meshCount(); ++i)
    {
        const int j = materials->indexOf(mesh(i)->material);
        if (mesh(i)->material && j >= 0)
            copy.mesh(i)->material = copy.material(j);
    }
}

void Group3D::cloneLevelsInto(Group3D& copy) const
{
    copy.levels = new PtrVector*[size_t(levelCount)];
    for (int l = 0; l < levelCount; ++l)
    {
        copy.levels[l] = new PtrVector();
        for (int i = 0; i < levels[l]->size(); ++i)
        {
            Mesh* m = static_cast<Mesh*>(levels[l]->get(i))->clone();
            // Level meshes whose material was copied use the copy.
            const int j = materials->indexOf(m->material);
            if (copy.materials != materials && j >= 0)
                m->material = copy.material(j);
            copy.levels[l]->add(m);
        }
    }
}

Group3D* Group3D::clone(int mode) const
{
    if (mode == 2)
        mode = 3;
    Group3D* copy = new Group3D();
    copySceneFields(*copy);
    if (mode & kCloneMeshes)
    {
        for (int i = 0; i < meshCount(); ++i)
            copy->objects->add(mesh(i)->clone());
    }
    else
    {
        delete copy->objects;
        copy->objects = objects;
    }
    if (mode & kCloneMaterials)
    {
        cloneMaterialsInto(*copy);
    }
    else
    {
        delete copy->materials;
        copy->materials = materials;
    }
    copy->levelCount = levelCount;
    copy->levelDistance = levelDistance;
    if ((mode & kCloneLevels) && levels)
        cloneLevelsInto(*copy);
    else
        copy->levels = levels;
    copy->cloneFlag = 1;
    copy->cloneMode = mode;
    return copy;
}

void Group3D::setLevels(Group3D** groups, int count, float distance)
{
    if (count < 1 || !(distance > 0.0f) || levels || !ownsPart(kCloneMaterials))
        return;
    levelCount = count;
    levelDistance = distance;
    levels = new PtrVector*[size_t(count)];
    for (int l = 0; l < count; ++l)
    {
        levels[l] = new PtrVector();
        Group3D* g = groups[l];
        if (!g || !g->ownsPart(kCloneMeshes) || !g->ownsPart(kCloneMaterials))
            continue;
        for (int i = 0; i < g->meshCount(); ++i)
        {
            Mesh* m = g->mesh(i);
            // The mesh's material moves with it, so that this group frees
            // both; a material of the same name here does not replace it.
            if (m->material && g->materials->contains(m->material))
            {
                materials->add(m->material);
                g->materials->remove(m->material);
            }
            levels[l]->add(m);
        }
        g->objects->clear();
    }
}

void Group3D::setFlatShading(int value)
{
    for (int i = 0; i < materialCount(); ++i)
        material(i)->flat = uint8_t(value);
}

void Group3D::setDetailLevel(int level)
{
    for (int i = 0; i < materialCount(); ++i)
        material(i)->detailLevel = level;
}

void Group3D::setEnvironmentEnabled(int value)
{
    environmentEnabled = uint8_t(value);
    for (int i = 0; i < meshCount(); ++i)
        mesh(i)->environmentEnabled = uint8_t(value);
}

const PtrVector* Group3D::objectsAtDepth(float depth) const
{
    if (!levels || levelCount <= 0 || !(levelDistance > 0.0f))
        return objects;
    // Kept a float until it is known to be small: a depth past int's range,
    // or no number at all (a template's numbers past the float range), never
    // becomes an int. A depth that is no number draws the whole model.
    const float steps = std::fabs(depth) / levelDistance;
    if (!(steps >= 1.0f))
        return objects;
    return levels[steps >= float(levelCount) ? levelCount - 1 : int(steps) - 1];
}
