// render_faces.cpp -- per-mesh work of the 3D render pass: fixed-point
// matrices, vertex projection and lighting, face classification, near
// clipping and subdivision
#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/scenes/render_state.h"
#include "engine/scene/core/texture_access.h"

#include <cstdlib>

namespace {

constexpr int32_t kNotLit = int32_t(0x80000000u);
constexpr uint8_t kTemporary = 128;
constexpr uint8_t kSkipped = 64;

void toFixedRotation(const Matrix4& m, double scale, int32_t out[9])
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r * 3 + c] = saturatingInt(double(m.m[r * 4 + c]) * scale);
}

int64_t dot3(const int32_t row[3], int64_t x, int64_t y, int64_t z)
{
    return row[0] * x + row[1] * y + row[2] * z;
}

} // namespace

void Renderer3D::drawMesh(Mesh& mesh, const Matrix4& working, const Matrix4& groupView, int cullingPolicy)
{
    if (!mesh.material)
        return;
    MeshState& s = *meshState;
    const int shift = frame->shift;
    const double scale = double(int64_t(1) << shift);
    Matrix4 world, modelView;
    world.setProduct(working, mesh.matrix);
    modelView.setProduct(groupView, mesh.matrix);
    toFixedRotation(modelView, scale * 8.0, s.rotation);
    for (int r = 0; r < 3; ++r)
        s.translation[r] = saturatingInt(double(modelView.m[r * 4 + 3]) * scale);
    if (lightInCameraSpace)
        for (int k = 0; k < 9; ++k)
            s.lighting[k] = s.rotation[k] >> 3;
    else
        toFixedRotation(world, scale, s.lighting);
    s.mesh = &mesh;
    const Material& m = *mesh.material;
    s.material = &m;
    s.perVertexLighting = m.detailLevel != 1 && !m.flat;
    s.offsetU = m.textureOffsetU;
    s.offsetV = m.textureOffsetV;
    const Image* sized = textureImage(m.texture);
    if (!sized)
        sized = textureImage(m.mask);
    s.shiftU = sized ? floorLog2(sized->width) : 0;
    s.shiftV = sized ? floorLog2(sized->height) : 0;
    if (cullingPolicy == 2)
    {
        Tuple3 centre;
        modelView.transformPointTo(mesh.centre, centre);
        if (isSphereOutside(centre, mesh.radius))
            return;
    }
    ++meshesDrawn;
    projectVertices(mesh);
    const bool transparent = m.transparency != 0 || (m.mask && !m.useColorKey);
    PtrVector& list = transparent ? transparentList : opaqueList;
    for (int i = mesh.faceCount() - 1; i >= 0; --i)
    {
        Face* face = mesh.face(i);
        const int code = classify(*face);
        if (code == 255)
            continue;
        if (code == 0)
            addFace(face, list);
        else if (!mesh.noNearClip)
            clipNear(*face, code, list);
    }
}

void Renderer3D::projectVertices(Mesh& mesh)
{
    const int n = mesh.vertexCount();
    if (!mesh.rangeEnabled)
    {
        for (int i = 0; i < n; ++i)
            project(*mesh.vertex(i));
        verticesProjected += n;
        return;
    }
    const int s = mesh.rangeStart, e = mesh.rangeEnd;
    if (s < 0)
    {
        for (int i = 0; i < n; ++i)
            if (mesh.vertex(i)->outcode == 0)
            {
                project(*mesh.vertex(i));
                ++verticesProjected;
            }
        return;
    }
    for (int i = 0; i < n; ++i)
    {
        Vertex& v = *mesh.vertex(i);
        const bool inside = s <= e ? (i >= s && i < e) : !(i >= e && i < s);
        v.outcode = inside ? 0 : kSkipped;
        if (inside)
            project(v);
    }
    verticesProjected += e - s + (s > e ? n : 0);
}

void Renderer3D::project(Vertex& v)
{
    const MeshState& s = *meshState;
    const FrameState& f = *frame;
    v.depth = kNotLit;
    if (v.outcode != kTemporary)
    {
        const int64_t px = v.x >> 5, py = v.y >> 5, pz = v.z >> 5;
        const int down = f.shift - 2;
        v.cameraX = clamp32(s.translation[0] + (dot3(s.rotation, px, py, pz) >> down));
        v.cameraY = clamp32(s.translation[1] + (dot3(s.rotation + 3, px, py, pz) >> down));
        v.cameraZ = clamp32(s.translation[2] + (dot3(s.rotation + 6, px, py, pz) >> down));
        v.behindNear = v.cameraZ < nearFixed;
        if (v.behindNear)
        {
            v.outcode = 16;
            return;
        }
    }
    else
    {
        v.behindNear = 0;
    }
    const int64_t z = v.cameraZ > 0 ? v.cameraZ : 1;
    const int64_t sx = f.cx + int64_t(v.cameraX) * f.P / z;
    const int64_t sy = f.cy - int64_t(v.cameraY) * f.P / z;
    v.screenX = int32_t(sx < -4096 ? -4096 : (sx > 4095 ? 4095 : sx));
    v.screenY = int32_t(sy < -4096 ? -4096 : (sy > 4095 ? 4095 : sy));
    uint8_t code = 0;
    code |= v.screenX < 0 ? 1 : (v.screenX > f.W ? 2 : 0);
    code |= v.screenY < 0 ? 4 : (v.screenY > f.H ? 8 : 0);
    code |= v.cameraZ < nearFixed ? 16 : (v.cameraZ > farFixed ? 32 : 0);
    v.outcode = code;
}

void Renderer3D::light(Vertex& v)
{
    const MeshState& s = *meshState;
    const int shift = frame->shift;
    v.depth = clamp32(int64_t(v.cameraZ) << (16 - shift));
    if (s.perVertexLighting)
    {
        const int64_t nx = dot3(s.lighting, v.nx, v.ny, v.nz) >> shift;
        const int64_t ny = dot3(s.lighting + 3, v.nx, v.ny, v.nz) >> shift;
        v.shadeU = clamp32(((nx * 127) >> shift) + 127);
        v.shadeV = clamp32(((ny * 127) >> shift) + 127);
    }
    v.texelU = clamp32(int64_t(int32_t(uint32_t(v.u) + uint32_t(s.offsetU))) << s.shiftU);
    v.texelV = clamp32(int64_t(int32_t(uint32_t(v.v) + uint32_t(s.offsetV))) << s.shiftV);
}

Vertex& Renderer3D::vertexOf(const Face& face, int32_t index) const
{
    if (index < 0)
        return *static_cast<Vertex*>(tempVertices.get(-index - 1));
    return *face.mesh->vertex(index);
}

int Renderer3D::classify(Face& face)
{
    const MeshState& s = *meshState;
    Vertex* v[3] = {&vertexOf(face, face.a), &vertexOf(face, face.b), &vertexOf(face, face.c)};
    if (v[0]->outcode & v[1]->outcode & v[2]->outcode)
        return 255;
    if (s.mesh->rangeEnabled && (v[0]->outcode == kSkipped || v[1]->outcode == kSkipped || v[2]->outcode == kSkipped))
        return 255;
    const int shift = frame->shift;
    if (!s.material->twoSided)
    {
        const int64_t nx = dot3(s.rotation, face.nx, face.ny, face.nz) >> (shift + 5);
        const int64_t ny = dot3(s.rotation + 3, face.nx, face.ny, face.nz) >> (shift + 5);
        const int64_t nz = dot3(s.rotation + 6, face.nx, face.ny, face.nz) >> (shift + 5);
        if (nx * v[0]->cameraX + ny * v[0]->cameraY + nz * v[0]->cameraZ <= 0)
            return 255;
    }
    if (s.material->detailLevel != 1 && s.material->flat)
    {
        face.shadeU = clamp32(dot3(s.lighting, face.nx, face.ny, face.nz) >> shift);
        face.shadeV = clamp32(dot3(s.lighting + 3, face.nx, face.ny, face.nz) >> shift);
    }
    for (Vertex* p : v)
        if (p->depth == kNotLit)
            light(*p);
    // The key is a quarter of the summed depths, which fits 32 bits.
    face.depthKey = int32_t((int64_t(v[0]->depth) + v[1]->depth + v[2]->depth) >> 2);
    return v[0]->behindNear | v[1]->behindNear << 1 | v[2]->behindNear << 2;
}

int32_t Renderer3D::tempIndex(Vertex* v)
{
    tempVertices.add(v);
    return -tempVertices.size();
}

Vertex* Renderer3D::intersectNear(const Vertex& a, const Vertex& b)
{
    const int64_t d = int64_t(b.cameraZ) - a.cameraZ;
    if (d == 0 || std::llabs(d) < ((int64_t(1) << frame->shift) >> 4))
        return nullptr;
    const int64_t t = ((int64_t(nearFixed) - a.cameraZ) << 5) / d;
    auto mix = [t](int32_t from, int32_t to) { return clamp32(from + ((int64_t(to) - from) * t >> 5)); };
    Vertex* v = tempPool->vertices.take();
    v->cameraX = mix(a.cameraX, b.cameraX);
    v->cameraY = mix(a.cameraY, b.cameraY);
    v->cameraZ = nearFixed;
    v->u = mix(a.u, b.u);
    v->v = mix(a.v, b.v);
    if (meshState->perVertexLighting)
    {
        v->nx = mix(a.nx, b.nx);
        v->ny = mix(a.ny, b.ny);
        v->nz = mix(a.nz, b.nz);
    }
    v->outcode = kTemporary;
    return v;
}

void Renderer3D::clipNear(Face& face, int code, PtrVector& list)
{
    // Per code: the vertex order (first, second, third) such that the
    // intersections are A = second-first and B = third-first for one vertex
    // behind, or A = first-second and B = first-third for two behind.
    static const int kOrder[7][3] = {{0, 0, 0}, {0, 1, 2}, {1, 2, 0}, {2, 1, 0}, {2, 0, 1}, {1, 0, 2}, {0, 2, 1}};
    if (code < 1 || code > 6)
        return;
    const int32_t idx[3] = {face.a, face.b, face.c};
    const int* o = kOrder[code];
    const bool twoBehind = code == 3 || code == 5 || code == 6;
    Vertex& v0 = vertexOf(face, idx[o[0]]);
    Vertex& v1 = vertexOf(face, idx[o[1]]);
    Vertex& v2 = vertexOf(face, idx[o[2]]);
    Vertex* a = twoBehind ? intersectNear(v1, v0) : intersectNear(v0, v1);
    Vertex* b = twoBehind ? intersectNear(v2, v0) : intersectNear(v0, v2);
    // A vertex taken for a dropped face stays in the pool until the frame ends.
    if (!a || !b)
        return;
    project(*a);
    light(*a);
    project(*b);
    light(*b);
    const int32_t ia = tempIndex(a), ib = tempIndex(b);
    auto make = [&](int32_t p, int32_t q, int32_t r) {
        Face* f = tempPool->faces.take(p, q, r, face.mesh, uint8_t(1));
        f->shadeU = face.shadeU;
        f->shadeV = face.shadeV;
        f->depthKey = face.depthKey;
        addFace(f, list);
    };
    if (twoBehind)
    {
        make(idx[o[0]], ib, ia);
        return;
    }
    make(ia, idx[o[1]], idx[o[2]]);
    make(ib, ia, idx[o[2]]);
}

Vertex* Renderer3D::midpointVertex(const Vertex& a, const Vertex& b)
{
    auto half = [](int32_t p, int32_t q) { return int32_t((int64_t(p) + q) >> 1); };
    Vertex* v = tempPool->vertices.take();
    v->cameraX = half(a.cameraX, b.cameraX);
    v->cameraY = half(a.cameraY, b.cameraY);
    v->cameraZ = half(a.cameraZ, b.cameraZ);
    v->u = half(a.u, b.u);
    v->v = half(a.v, b.v);
    if (meshState->perVertexLighting)
    {
        v->nx = half(a.nx, b.nx);
        v->ny = half(a.ny, b.ny);
        v->nz = half(a.nz, b.nz);
    }
    v->outcode = kTemporary;
    project(*v);
    light(*v);
    return v;
}

void Renderer3D::subdivideFace(Face* face, PtrVector& list, int depth)
{
    if (!face->mesh->subdivider->shouldSplit(*face, depth))
    {
        list.add(face);
        return;
    }
    ++depth;
    const int32_t corner[3] = {face->a, face->b, face->c};
    int32_t mid[3];
    for (int i = 0; i < 3; ++i)
        mid[i] = tempIndex(midpointVertex(vertexOf(*face, corner[i]), vertexOf(*face, corner[(i + 1) % 3])));
    // m01, m12, m20 are mid[0], mid[1], mid[2].
    const int32_t parts[4][3] = {{corner[0], mid[0], mid[2]}, {corner[1], mid[1], mid[0]}, {corner[2], mid[2], mid[1]},
                                 {mid[0], mid[1], mid[2]}};
    for (const auto& p : parts)
    {
        Face* child = tempPool->faces.take(p[0], p[1], p[2], face->mesh, uint8_t(depth + 1));
        child->shadeU = face->shadeU;
        child->shadeV = face->shadeV;
        child->depthKey = face->depthKey;
        subdivideFace(child, list, depth);
    }
}

void Renderer3D::addFace(Face* face, PtrVector& list)
{
    if (face->mesh->subdivider)
        subdivideFace(face, list, 0);
    else
        list.add(face);
}
