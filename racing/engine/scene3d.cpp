// scene3d.cpp -- the racing build's 3D scene and its render pass
#include "racing/engine/scene3d.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/quaternion.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/rasterizer.h"
#include "engine/scene/3d/shade_table.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/fixed_point.h"
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/model3d.h"
#include "racing/engine/render_target.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace racing {

namespace {

constexpr uint8_t kBehindNear = 16;
constexpr uint8_t kOutOfRange = 64;

// The upper three rows of m in the engine's fixed point.
void toFixed(const Matrix4& m, int32_t out[12])
{
    const double unit = double(fixedScale());
    for (int i = 0; i < 12; ++i)
        out[i] = saturatingInt(double(m.m[i]) * unit);
}

int64_t rotate(const int32_t* row, int64_t x, int64_t y, int64_t z)
{
    return int64_t(row[0]) * x + int64_t(row[1]) * y + int64_t(row[2]) * z;
}

// A view-space offset (x right, y up) as an offset on the screen in the
// target's orientation.
template <class T>
void screenOffset(int orientation, T x, T y, T& sx, T& sy)
{
    if (orientation == 0)
        sx = x, sy = -y;
    else if (orientation == 1)
        sx = -y, sy = -x;
    else
        sx = y, sy = x;
}

bool materialIsOpaque(const Material& m)
{
    return m.transparency == 0 && (!m.mask || m.useColorKey);
}

} // namespace

struct Renderer3D::MeshState
{
    Mesh* mesh;
    int32_t view[12];  // view x group x mesh
    int32_t world[12]; // group x mesh
    bool perVertexLighting = false, textured = false, environment = false;
    int32_t offsetU = 0, offsetV = 0;
    int shiftU = 0, shiftV = 0;
    // The material whose turn of its texture coordinates applies, if any.
    const Material* turning = nullptr;
    // A single-normal mesh: its first face's normal in world space lights
    // every face.
    bool singleNormal = false;
    int32_t normal[3] = {0, 0, 0};
};

Renderer3D::Renderer3D(Scene3D* owner) : scene(owner) {}

Renderer3D::~Renderer3D()
{
    delete target;
}

void Renderer3D::setTarget(RenderTarget* t)
{
    if (t == target)
        return;
    delete target;
    target = t;
    makeRasterizer();
}

void Renderer3D::makeRasterizer()
{
    rasterizer.reset();
    if (!target || !target->image || target->image->isEmpty())
        return;
    rasterizer = std::make_unique<Rasterizer>(target->image, 0, 0, target->width, target->height);
    rasterizer->profile = RasterProfile::racing();
    // The depth buffer has the scene's own size, which a zoomed target never
    // exceeds; it is made again only for a target larger than any before.
    auto area = [](int w, int h) { return size_t(std::max(0, w)) * size_t(std::max(0, h)); };
    const size_t sceneWords = Image::withinLimits(scene->width, scene->height) ? area(scene->width, scene->height) : 0;
    const size_t words = std::max(sceneWords, area(target->width, target->height));
    // Cleared by the filler at the start of every frame.
    if (depthWords < words)
    {
        depth = std::make_unique_for_overwrite<uint32_t[]>(words);
        depthWords = words;
    }
    loadClipRange();
}

void Renderer3D::updateShadeTable()
{
    PtrVector lights{0};
    for (Light* l : scene->lights)
        lights.add(l);
    const int bits = target && target->image ? target->image->bits : 16;
    if (!shades)
        shades = std::make_unique<ShadeTable>(&lights, scene->environment.ambient, bits);
    else
        shades->build(&lights, scene->environment.ambient);
}

void Renderer3D::loadClipRange()
{
    if (rasterizer)
        rasterizer->loadFog(scene->environment.fog);
}

void Renderer3D::measureSides()
{
    // How far the picture reaches from the projection centre on each side,
    // as a slope of view space: x / z and y / z of its edges.
    const float toSlope = focal > 0 ? 1.0f / float(focal) : 0.0f;
    auto slope = [&](int pixels) {
        return focal > 0 ? float(std::max(0, pixels)) * toSlope : std::numeric_limits<float>::infinity();
    };
    const float left = slope(halfWidth), right = slope(targetWidth - halfWidth);
    const float top = slope(halfHeight), bottom = slope(targetHeight - halfHeight);
    if (orientation == 0)
        sides = {right, left, top, bottom};
    else if (orientation == 1)
        sides = {top, bottom, left, right};
    else
        sides = {bottom, top, right, left};
}

bool Renderer3D::sphereCulled(float x, float y, float z, float r) const
{
    // Each side of the picture by its own reach: one factor for all four
    // would cut spheres still in view along the longer side, or wherever
    // the projection centre is off the middle.
    const float depthReach = std::fabs(z + r);
    return z > farPlane + r || z < nearPlane - r || x - r > sides.xPositive * depthReach ||
           -x - r > sides.xNegative * depthReach || y - r > sides.yPositive * depthReach ||
           -y - r > sides.yNegative * depthReach;
}

void Renderer3D::render(float)
{
    if (!target)
        return;
    // A resized target or a window image made again: a filler for it.
    if (!rasterizer || rasterizer->surface != target->image || rasterizer->width != target->width ||
        rasterizer->height != target->height)
        makeRasterizer();
    target->beginFrame();
    Camera& camera = scene->camera;
    if (!scene->isViewReady() || !rasterizer)
    {
        target->present(scene->x, scene->y, scene->width, scene->height);
        return;
    }
    rasterizer->beginFrame(shades.get(), depth.get(), &clipVertices, false);
    targetWidth = target->width;
    targetHeight = target->height;
    orientation = target->orientation;
    focal = camera.projection >> 10;
    shift = fixedShift();
    subShift = fixedSubShift();
    halfWidth = camera.halfWidth;
    halfHeight = camera.halfHeight;
    measureSides();
    const Matrix4 view = camera.getViewMatrix();
    statistics = {};
    for (Group3D* group : scene->children)
        if (group && group->visible)
            drawGroup(*group, view);
    drawLists();
    for (int i = 0; i < clipVertices.size(); ++i)
        delete static_cast<Vertex*>(clipVertices.get(i));
    clipVertices.clear();
    target->present(scene->x, scene->y, scene->width, scene->height);
}

void Renderer3D::drawGroup(Group3D& group, const Matrix4& view)
{
    nearPlane = group.frontClip > 0.0f ? group.frontClip : scene->environment.frontClip;
    farPlane = group.backClip > 0.0f ? group.backClip : scene->environment.backClip;
    nearFixed = saturatingInt(double(nearPlane) * fixedScale());
    farFixed = saturatingInt(double(farPlane) * fixedScale());
    Matrix4 transform = group.matrix;
    Matrix4 viewGroup;
    viewGroup.setProduct(view, transform);
    if (group.billboard == 1)
    {
        // Turn about the up axis to face the camera.
        Vector3 forward(0.0f, 0.0f, 1.0f), toward(0.0f, 0.0f, 1.0f);
        viewGroup.transformVector(forward);
        forward.y = 0.0f;
        if (forward.lengthSquared() > 0.0f)
        {
            Quaternion q;
            setRotationBetween(q, forward, toward);
            Matrix4 turn;
            turn.setFromQuaternion(q);
            transform.multiply(turn);
            viewGroup.setProduct(view, transform);
        }
    }
    else if (group.billboard == 2)
    {
        viewGroup.setRotationIdentity();
    }
    const bool environment = group.environmentEnabled != 0;
    Vector3 position;
    viewGroup.getTranslation(position);
    if (group.cullingPolicy == cullingPolicyFromRacing(0) && environment &&
        sphereCulled(position.x, position.y, position.z, group.radius))
        return;
    ++statistics.groups;
    const PtrVector* objects = group.objectsAtDepth(position.z);
    for (int i = 0; objects && i < objects->size(); ++i)
    {
        Mesh* mesh = static_cast<Mesh*>(objects->get(i));
        if (mesh && mesh->visible && mesh->material)
            drawMesh(*mesh, transform, viewGroup, environment, group.cullingPolicy == cullingPolicyFromRacing(1));
    }
}

void Renderer3D::drawMesh(Mesh& mesh, const Matrix4& groupTransform, const Matrix4& viewGroup, bool environment,
                          bool cullMeshes)
{
    MeshState s;
    s.mesh = &mesh;
    Matrix4 world, meshView;
    world.setProduct(groupTransform, mesh.matrix);
    meshView.setProduct(viewGroup, mesh.matrix);
    toFixed(world, s.world);
    toFixed(meshView, s.view);
    const Material& m = *mesh.material;
    s.environment = environment;
    s.perVertexLighting = m.detailLevel != 1 && !m.flat;
    const Texture* sized = m.texture ? m.texture : m.mask;
    s.textured = sized != nullptr;
    if (sized)
    {
        s.offsetU = m.textureOffsetU;
        s.offsetV = m.textureOffsetV;
        s.shiftU = sized->widthLog2;
        s.shiftV = sized->heightLog2;
        s.turning = m.textureRotated ? &m : nullptr;
    }
    if (cullMeshes && s.environment)
    {
        Vector3 centre = mesh.centre;
        meshView.transformPoint(centre);
        if (sphereCulled(centre.x, centre.y, centre.z, mesh.radius))
            return;
    }
    ++statistics.meshes;
    const int n = mesh.vertexCount();
    const bool ranged = mesh.rangeEnabled != 0;
    for (int i = 0; i < n; ++i)
    {
        Vertex& v = *mesh.vertex(i);
        if (ranged)
        {
            const int32_t start = mesh.rangeStart, end = mesh.rangeEnd;
            const bool inside = start > end ? !(i >= end && i < start) : (i >= start && i < end);
            if (start >= 0)
                v.outcode = inside ? 0 : kOutOfRange;
            if (v.outcode != 0)
                continue;
        }
        project(v, s, false);
        ++statistics.vertices;
    }
    if (mesh.singleNormal && mesh.faceCount() > 0)
    {
        const Face& first = *mesh.face(0);
        s.singleNormal = true;
        for (int axis = 0; axis < 3; ++axis)
            s.normal[axis] = clamp32(rotate(s.world + 4 * axis, first.nx, first.ny, first.nz) >> shift);
    }
    // Vertices are lit once, when a face that uses them survives.
    lit.assign(size_t(n), 0);
    for (int f = mesh.faceCount() - 1; f >= 0; --f)
        prepareFace(*mesh.face(f), s);
}

void Renderer3D::project(Vertex& v, const MeshState& s, bool keepViewPosition)
{
    const int sub = subShift;
    if (!keepViewPosition)
    {
        const int pre = sub + 2, post = std::max(0, shift - sub - 2);
        const int64_t px = v.x >> pre, py = v.y >> pre, pz = v.z >> pre;
        v.cameraX = clamp32((rotate(s.view, px, py, pz) >> post) + s.view[3]);
        v.cameraY = clamp32((rotate(s.view + 4, px, py, pz) >> post) + s.view[7]);
        v.cameraZ = clamp32((rotate(s.view + 8, px, py, pz) >> post) + s.view[11]);
        v.behindNear = 0;
        if (v.cameraZ < nearFixed)
        {
            v.outcode = kBehindNear;
            v.behindNear = 1;
            return;
        }
    }
    const int64_t z = v.cameraZ > 0 ? v.cameraZ : 1;
    const int64_t fx = int64_t(v.cameraX) * focal / z, fy = int64_t(v.cameraY) * focal / z;
    int64_t sx, sy;
    screenOffset(orientation, fx, fy, sx, sy);
    sx = std::clamp<int64_t>(sx + halfWidth, -4096, 4095);
    sy = std::clamp<int64_t>(sy + halfHeight, -4096, 4095);
    v.screenX = int32_t(sx);
    v.screenY = int32_t(sy);
    v.depth = clamp32(int64_t(v.cameraZ) << (16 - shift));
    uint8_t code = 0;
    code |= v.screenX < 0 ? 1 : (v.screenX > targetWidth ? 2 : 0);
    code |= v.screenY < 0 ? 4 : (v.screenY > targetHeight ? 8 : 0);
    if (v.cameraZ < nearFixed)
        code |= kBehindNear;
    if (s.environment && v.cameraZ > farFixed)
        code |= 32;
    v.outcode = code;
}

void Renderer3D::light(Vertex& v, const MeshState& s)
{
    if (s.perVertexLighting)
    {
        const int64_t wx = rotate(s.world, v.nx, v.ny, v.nz) >> shift;
        const int64_t wy = rotate(s.world + 4, v.nx, v.ny, v.nz) >> shift;
        v.shadeU = clamp32(127 + ((127 * wx) >> shift));
        v.shadeV = clamp32(127 + ((127 * wy) >> shift));
    }
    if (s.textured)
    {
        int32_t u = v.u, w = v.v;
        if (s.turning)
            s.turning->turnTextureCoordinates(u, w);
        v.texelU = clamp32(int64_t(int32_t(uint32_t(u) + uint32_t(s.offsetU))) << s.shiftU);
        v.texelV = clamp32(int64_t(int32_t(uint32_t(w) + uint32_t(s.offsetV))) << s.shiftV);
    }
}

void Renderer3D::prepareFace(Face& face, const MeshState& s)
{
    Mesh& mesh = *s.mesh;
    const int n = mesh.vertexCount();
    if (face.a < 0 || face.b < 0 || face.c < 0 || face.a >= n || face.b >= n || face.c >= n)
        return;
    Vertex& a = *mesh.vertex(face.a);
    Vertex& b = *mesh.vertex(face.b);
    Vertex& c = *mesh.vertex(face.c);
    if (a.outcode & b.outcode & c.outcode)
        return;
    if (mesh.rangeEnabled && ((a.outcode | b.outcode | c.outcode) & kOutOfRange))
        return;
    if (mesh.noNearClip && (a.outcode == kBehindNear || b.outcode == kBehindNear || c.outcode == kBehindNear))
        return;
    const Material& m = *mesh.material;
    const int sub = subShift;
    if (s.singleNormal)
    {
        // Lit by the mesh's one normal, and always facing.
        face.shadeU = s.normal[0];
        face.shadeV = s.normal[1];
    }
    else if (m.flat && m.detailLevel != 1)
    {
        face.shadeU = clamp32(rotate(s.world, face.nx, face.ny, face.nz) >> shift);
        face.shadeV = clamp32(rotate(s.world + 4, face.nx, face.ny, face.nz) >> shift);
    }
    if (!s.singleNormal && !m.twoSided)
    {
        const int64_t nx = rotate(s.view, face.nx, face.ny, face.nz) >> shift;
        const int64_t ny = rotate(s.view + 4, face.nx, face.ny, face.nz) >> shift;
        const int64_t nz = rotate(s.view + 8, face.nx, face.ny, face.nz) >> shift;
        const int64_t facing = (nx * a.cameraX + ny * a.cameraY + nz * a.cameraZ) >> sub;
        if (facing <= 0)
            return;
    }
    for (const int32_t i : {face.a, face.b, face.c})
        if (!lit[size_t(i)])
        {
            lit[size_t(i)] = 1;
            light(*mesh.vertex(i), s);
        }
    const bool opaqueFace = materialIsOpaque(m);
    if (opaqueFace ? sortOpaque : sortTransparent)
        face.depthKey = clamp32((int64_t(a.depth) >> 8) + (b.depth >> 8) + (c.depth >> 8));
    if (((a.outcode | b.outcode | c.outcode) & kBehindNear) == 0)
        (opaqueFace ? opaque : transparent).add(&face);
    else
        clip(face, s, opaqueFace);
}

Vertex* Renderer3D::newVertex(const Vertex& p, const Vertex& q, const MeshState& s)
{
    const int sub = subShift;
    const int64_t d = (int64_t(q.cameraZ) - p.cameraZ) >> (sub + 3);
    if (d == 0 || (std::llabs(d) << (sub + 3)) < (fixedScale() >> 4))
        return nullptr;
    const int64_t t = (int64_t(nearFixed) - p.cameraZ) >> (sub + 3);
    auto along = [&](int32_t from, int32_t to) { return clamp32(from + (int64_t(to) - from) * t / d); };
    Vertex* v = new Vertex();
    v->cameraX = along(p.cameraX, q.cameraX);
    v->cameraY = along(p.cameraY, q.cameraY);
    v->cameraZ = nearFixed;
    v->u = along(p.u, q.u);
    v->v = along(p.v, q.v);
    if (s.perVertexLighting)
    {
        v->nx = along(p.nx, q.nx);
        v->ny = along(p.ny, q.ny);
        v->nz = along(p.nz, q.nz);
    }
    project(*v, s, true);
    light(*v, s);
    return v;
}

void Renderer3D::clip(Face& face, const MeshState& s, bool opaqueFace)
{
    PtrVector& list = opaqueFace ? opaque : transparent;
    Mesh& mesh = *s.mesh;
    const int32_t idx[3] = {face.a, face.b, face.c};
    const Vertex* v[3] = {mesh.vertex(face.a), mesh.vertex(face.b), mesh.vertex(face.c)};
    const bool behind[3] = {v[0]->cameraZ < nearFixed, v[1]->cameraZ < nearFixed, v[2]->cameraZ < nearFixed};
    const int count = behind[0] + behind[1] + behind[2];
    if (count == 0)
    {
        list.add(&face);
        return;
    }
    if (count == 3)
        return;
    auto temporary = [&](int32_t a, int32_t b, int32_t c) {
        Face* t = new Face(a, b, c, &mesh, 1);
        t->nx = face.nx;
        t->ny = face.ny;
        t->nz = face.nz;
        t->shadeU = face.shadeU;
        t->shadeV = face.shadeV;
        t->depthKey = face.depthKey;
        list.add(t);
    };
    auto addNew = [&](Vertex* n1, Vertex* n2, int32_t& i1, int32_t& i2) {
        if (!n1 || !n2)
        {
            delete n1;
            delete n2;
            return false;
        }
        const int before = clipVertices.size();
        clipVertices.add(n1);
        clipVertices.add(n2);
        statistics.clipVertices += 2;
        i1 = -(before + 1);
        i2 = -(before + 2);
        return true;
    };
    int32_t n1 = 0, n2 = 0;
    if (count == 1)
    {
        // k behind; its next two corners in order.
        const int k = behind[0] ? 0 : (behind[1] ? 1 : 2);
        const int p = (k + 1) % 3, q = (k + 2) % 3;
        if (!addNew(newVertex(*v[p], *v[k], s), newVertex(*v[q], *v[k], s), n1, n2))
            return;
        temporary(n1, idx[p], idx[q]);
        temporary(n2, n1, idx[q]);
        return;
    }
    // One corner in front, the two others behind.
    const int k = !behind[0] ? 0 : (!behind[1] ? 1 : 2);
    const int p = (k + 1) % 3, q = (k + 2) % 3;
    if (!addNew(newVertex(*v[k], *v[q], s), newVertex(*v[k], *v[p], s), n1, n2))
        return;
    temporary(idx[k], n2, n1);
}

void Renderer3D::drawLists()
{
    auto byDepth = [](void* a, void* b) { return static_cast<Face*>(a)->depthKey > static_cast<Face*>(b)->depthKey; };
    auto sortList = [&](PtrVector& list) {
        void** data = list.data();
        std::stable_sort(data, data + list.size(), byDepth);
    };
    if (sortOpaque)
        sortList(opaque);
    for (int i = opaque.size() - 1; i >= 0; --i)
    {
        Face* f = static_cast<Face*>(opaque.get(i));
        rasterizer->drawTriangle(*f);
        if (f->temporary)
            delete f;
    }
    if (sortTransparent)
        sortList(transparent);
    for (int i = 0; i < transparent.size(); ++i)
    {
        Face* f = static_cast<Face*>(transparent.get(i));
        rasterizer->drawTriangle(*f);
        if (f->temporary)
            delete f;
    }
    statistics.opaqueFaces = opaque.size();
    statistics.transparentFaces = transparent.size();
    opaque.clear();
    transparent.clear();
}

Scene3D::Scene3D(int x_, int y_, int w, int h, uint32_t colour, Texture* texture)
    : x(x_), y(y_), width(std::max(w, kLeastSide)), height(std::max(h, kLeastSide)), bkgColor(colour),
      bkgTexture(texture)
{
}

Scene3D::~Scene3D()
{
    renderer.setTarget(nullptr);
    for (Group3D* g : children)
        delete g;
}

void Scene3D::initView(float zoom, LoadListener* listener, bool computeBounds)
{
    if (isViewReady())
        return;
    camera.setViewport(zoomedSide(width, zoom), zoomedSide(height, zoom));
    auto announce = [&](const char16_t* text, int percent) {
        if (listener)
            listener->onLoad(text, name, percent);
    };
    announce(u"Building 3D Models", 50);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        (*it)->update(computeBounds);
    announce(u"Building 3D Lights", 75);
    renderer.updateShadeTable();
    announce(u"Building 3D Environment", 95);
    renderer.loadClipRange();
    announce(u"Finalizing 3D Initialization", 100);
}

bool Scene3D::toViewSpace(float& px, float& py, float& pz)
{
    if (!isViewReady())
        return false;
    Vector3 point(px, py, pz);
    camera.getViewMatrix().transformPoint(point);
    px = point.x;
    py = point.y;
    pz = point.z;
    return true;
}

int Scene3D::project(float px, float py, float pz, int& outX, int& outY, int& outDepth, float& outScale)
{
    if (!toViewSpace(px, py, pz))
        return 0;
    if (pz < environment.frontClip)
    {
        outDepth = -10000;
        return 0;
    }
    // The renderer's scale: its focal length in pixels over the depth.
    const float scale = float(camera.projection >> 10) / pz;
    const double x = double(scale) * px, y = double(scale) * py;
    const RenderTarget* target = renderer.getTarget();
    double sx, sy;
    screenOffset(target ? int(target->orientation) : 0, x, y, sx, sy);
    outX = int(std::clamp<int64_t>(int64_t(camera.halfWidth) + saturatingInt(sx), -4096, 4095));
    outY = int(std::clamp<int64_t>(int64_t(camera.halfHeight) + saturatingInt(sy), -4096, 4095));
    outDepth = saturatingInt(pz);
    outScale = scale;
    return outDepth;
}

int Scene3D::projectObject(const Group3D& object, int& outX, int& outY, int& outDepth, float& outScale)
{
    Vector3 at;
    object.matrix.getTranslation(at);
    return project(at.x, at.y, at.z, outX, outY, outDepth, outScale);
}

void Scene3D::addChild(const WCHAR* childName, Group3D* group)
{
    if (!group)
        return;
    copyName(group->name, childName);
    children.push_back(group);
}

Group3D* Scene3D::findChild(const WCHAR* childName) const
{
    for (Group3D* g : children)
        if (sameName(g->name, childName))
            return g;
    return nullptr;
}

Group3D* Scene3D::removeChild(const WCHAR* childName)
{
    for (auto it = children.begin(); it != children.end(); ++it)
        if (sameName((*it)->name, childName))
        {
            Group3D* g = *it;
            children.erase(it);
            return g;
        }
    return nullptr;
}

void Scene3D::addLight(const WCHAR* lightName, Light* light)
{
    if (!light)
        return;
    light->setName(lightName);
    lights.push_back(light);
}

void Scene3D::addOwnedLight(const WCHAR* lightName, Light* light)
{
    if (!light)
        return;
    ownedLights.emplace_back(light);
    addLight(lightName, light);
}

void Scene3D::setFog(Fog* fog)
{
    ownedFog.reset(fog);
    environment.fog = fog;
}

void Scene3D::removeLight(const WCHAR* lightName)
{
    for (auto it = lights.begin(); it != lights.end(); ++it)
        if (sameName((*it)->name, lightName))
        {
            lights.erase(it);
            return;
        }
}

} // namespace racing
