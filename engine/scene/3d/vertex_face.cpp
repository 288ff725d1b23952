// vertex_face.cpp -- construction and cloning of vertices and faces
#include "engine/scene/3d/vertex_face.h"

#include "engine/base/math_utils.h"
#include "engine/base/vector.h"
#include "engine/scene/3d/mesh.h"

int32_t floatToFixed(float value)
{
    if (fixedScale() == -1)
        initMathTables();
    return saturatingInt(double(value) * fixedScale());
}

Vertex::Vertex(float fx, float fy, float fz, int32_t tu, int32_t tv)
    : u(tu), v(tv), x(floatToFixed(fx)), y(floatToFixed(fy)), z(floatToFixed(fz))
{
}

Vertex* Vertex::clone() const
{
    Vertex* copy = new Vertex();
    copy->u = u;
    copy->v = v;
    copy->x = x;
    copy->y = y;
    copy->z = z;
    copy->nx = nx;
    copy->ny = ny;
    copy->nz = nz;
    copy->texelU = texelU;
    copy->texelV = texelV;
    copy->shadeU = shadeU;
    copy->shadeV = shadeV;
    copy->outcode = outcode;
    return copy;
}

Face* Face::clone() const
{
    Face* copy = new Face(a, b, c, mesh, temporary);
    copy->nx = nx;
    copy->ny = ny;
    copy->nz = nz;
    return copy;
}

void Face::computeNormal(Vector3& out) const
{
    const Vertex* v0 = mesh->vertex(a);
    const Vertex* v1 = mesh->vertex(b);
    const Vertex* v2 = mesh->vertex(c);
    Tuple3 p0, p1, p2;
    p0.setFromFixed(v0->x, v0->y, v0->z);
    p1.setFromFixed(v1->x, v1->y, v1->z);
    p2.setFromFixed(v2->x, v2->y, v2->z);
    out.setTriangleNormal(p0, p1, p2);
}
