// mesh.cpp -- normals, bounds, cloning and the integer transform of a mesh
#include "engine/scene/3d/mesh.h"

#include "engine/base/math_utils.h"

#include <cmath>
#include <initializer_list>

Mesh::~Mesh()
{
    for (int i = 0; i < vertices.size(); ++i)
        delete vertex(i);
    for (int i = 0; i < faces.size(); ++i)
        delete face(i);
}

Mesh* Mesh::clone() const
{
    Mesh* copy = new Mesh();
    copy->fogColor = fogColor;
    copy->radius = radius;
    copy->centre = centre;
    copy->extents = extents;
    copyName(copy->name, name);
    copy->noNearClip = noNearClip;
    copy->subdivider = subdivider;
    copy->depthBias = depthBias;
    copy->rangeEnabled = rangeEnabled;
    copy->rangeStart = rangeStart;
    copy->rangeEnd = rangeEnd;
    copy->normalsValid = normalsValid;
    copy->visible = visible;
    copy->environmentEnabled = environmentEnabled;
    copy->singleNormal = singleNormal;
    copy->material = material;
    copy->matrix = matrix;
    for (int i = 0; i < vertices.size(); ++i)
        copy->vertices.add(vertex(i)->clone());
    for (int i = 0; i < faces.size(); ++i)
    {
        Face* f = face(i)->clone();
        f->mesh = copy;
        copy->faces.add(f);
    }
    return copy;
}

void Mesh::addVertex(float x, float y, float z, int32_t u, int32_t v)
{
    vertices.add(new Vertex(x, y, z, u, v));
}

void Mesh::addFaceRecord(Face* f)
{
    f->mesh = this;
    faces.add(f);
}

void Mesh::addFace(int32_t a, int32_t b, int32_t c)
{
    faces.add(new Face(a, b, c, this, 0));
}

void Mesh::computeVertexNormals()
{
    // Sums in 64 bits: a vertex shared by many faces would overflow 32 bits.
    const int n = vertices.size();
    int64_t* sums = new int64_t[size_t(n) * 3]();
    for (int i = faces.size() - 1; i >= 0; --i)
    {
        const Face* f = face(i);
        for (int32_t index : {f->a, f->b, f->c})
        {
            sums[index * 3] += f->nx;
            sums[index * 3 + 1] += f->ny;
            sums[index * 3 + 2] += f->nz;
        }
    }
    const int shift = fixedShift();
    for (int i = n - 1; i >= 0; --i)
    {
        int64_t* s = sums + size_t(i) * 3;
        double length = std::sqrt(double(s[0]) * s[0] + double(s[1]) * s[1] + double(s[2]) * s[2]);
        int64_t len = int64_t(length);
        Vertex* v = vertex(i);
        if (len == 0)
        {
            v->nx = v->ny = v->nz = 0;
            continue;
        }
        v->nx = int32_t(s[0] * (int64_t(1) << shift) / len);
        v->ny = int32_t(s[1] * (int64_t(1) << shift) / len);
        v->nz = int32_t(s[2] * (int64_t(1) << shift) / len);
    }
    delete[] sums;
}

void Mesh::update(bool computeBounds)
{
    if (normalsValid)
        return;
    if (!material)
        material = new TexturedMaterial();
    const float scale = float(fixedScale() == -1 ? (initMathTables(), fixedScale()) : fixedScale());
    for (int i = faces.size() - 1; i >= 0; --i)
    {
        Face* f = face(i);
        Vector3 n;
        f->computeNormal(n);
        f->nx = saturatingInt(double(scale) * n.x);
        f->ny = saturatingInt(double(scale) * n.y);
        f->nz = saturatingInt(double(scale) * n.z);
    }
    if (material->detailLevel != 1 && material->flat == 0)
        computeVertexNormals();
    if (computeBounds && vertices.size() > 0)
    {
        Vector3 min, max;
        getBounds(min, max);
        Vector3 d;
        d.setDifference(max, min);
        radius = 0.5f * std::fmax(d.x, std::fmax(d.y, d.z));
        extents = d;
        centre.set((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f, (min.z + max.z) * 0.5f);
    }
    normalsValid = 1;
}

void Mesh::getBounds(Vector3& min, Vector3& max) const
{
    if (vertices.size() == 0)
        return;
    const Vertex* v0 = vertex(0);
    int32_t lo[3] = {v0->x, v0->y, v0->z}, hi[3] = {v0->x, v0->y, v0->z};
    for (int i = 1; i < vertices.size(); ++i)
    {
        const Vertex* v = vertex(i);
        const int32_t p[3] = {v->x, v->y, v->z};
        for (int k = 0; k < 3; ++k)
        {
            lo[k] = p[k] < lo[k] ? p[k] : lo[k];
            hi[k] = p[k] > hi[k] ? p[k] : hi[k];
        }
    }
    min.setFromFixed(lo[0], lo[1], lo[2]);
    max.setFromFixed(hi[0], hi[1], hi[2]);
}

void Mesh::transform(const float m[12], bool invalidate)
{
    static const float k = 8.0f * float(fixedScale() == -1 ? (initMathTables(), fixedScale()) : fixedScale());
    static const int s = fixedShift() - 2;
    int32_t r[9], t[3];
    for (int row = 0; row < 3; ++row)
    {
        for (int col = 0; col < 3; ++col)
            r[row * 3 + col] = saturatingInt(double(m[row * 4 + col]) * k);
        t[row] = saturatingInt(double(m[row * 4 + 3]) * fixedScale());
    }
    for (int i = 0; i < vertices.size(); ++i)
    {
        Vertex* v = vertex(i);
        const int64_t p[3] = {v->x >> 5, v->y >> 5, v->z >> 5};
        int32_t out[3];
        for (int row = 0; row < 3; ++row)
            out[row] = int32_t(t[row] + ((r[row * 3] * p[0] + r[row * 3 + 1] * p[1] + r[row * 3 + 2] * p[2]) >> s));
        v->x = out[0];
        v->y = out[1];
        v->z = out[2];
    }
    if (invalidate)
        normalsValid = 0;
}
