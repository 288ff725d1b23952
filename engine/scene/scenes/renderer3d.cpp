// renderer3d.cpp -- the frame of the 3D render pass: depth, groups, meshes,
// culling, levels of detail and the two face lists
#include "engine/scene/scenes/renderer3d.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/rasterizer.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/scenes/render_state.h"
#include "engine/scene/3d/shade_table.h"
#include "engine/scene/core/texture_access.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A scene draws into no more than the largest picture there can be: its
// depth buffer keeps within the same bounds, however large the scene says
// it is.
int boundedSide(int n)
{
    return std::clamp(n, 0, Image::kMaxSide);
}

int boundedHeight(int width, int h)
{
    return width > 0 ? std::min(boundedSide(h), int(Image::kMaxPixels / width)) : boundedSide(h);
}

} // namespace

Renderer3D::Renderer3D(Scene* owner, int w, int h)
    : Renderer(owner), width(boundedSide(w)), height(boundedHeight(width, h)),
      depthBuffer(new uint32_t[size_t(width) * size_t(height) + 1]), frame(new FrameState()),
      meshState(new MeshState()), tempPool(new TempPool())
{
}

Renderer3D::~Renderer3D()
{
    delete rasterizer;
    delete shadeTable;
    delete[] depthBuffer;
    delete frame;
    delete meshState;
    delete tempPool;
}

void Renderer3D::initRasterizer()
{
    delete rasterizer;
    rasterizer = nullptr;
    if (!target || !target->surface)
        return;
    const int w = target->width < width ? target->width : width;
    const int h = target->height < height ? target->height : height;
    rasterizer = new Rasterizer(target->surface, target->x, target->y, w, h);
}

void Renderer3D::updateShadeTable(const PtrVector* lights, uint32_t ambient)
{
    shadeLights = lights;
    shadeAmbient = ambient;
    if (shadeTable)
    {
        shadeTable->build(lights, ambient);
        return;
    }
    const int bits = target && target->surface ? target->surface->bits : 16;
    shadeTable = new ShadeTable(lights, ambient, bits);
}

// A table built before the surface was known may have the other pixel format.
void Renderer3D::matchShadeTableToSurface()
{
    const int bits = rasterizer->surface ? rasterizer->surface->bits : 16;
    if (shadeTable && (shadeTable->bitsPerPixel == 16) != (bits == 16))
    {
        delete shadeTable;
        shadeTable = new ShadeTable(shadeLights, shadeAmbient, bits);
    }
}

void Renderer3D::updateEnvironment(const Environment& environment)
{
    if (rasterizer)
        rasterizer->loadFog(environment.fog);
}

void Renderer3D::bindScene(const PtrVector* groups, Camera* camera, const Environment* environment)
{
    boundGroups = groups;
    boundCamera = camera;
    boundEnvironment = environment;
}

void Renderer3D::render(float dt)
{
    if (scene)
        scene->drawBackground();
    if (boundGroups && boundCamera && boundEnvironment)
        renderFrame(dt, boundGroups, *boundCamera, *boundEnvironment);
}

void Renderer3D::prepareDepth(size_t words)
{
    if (depthWordsReady >= words)
        return;
    std::fill(depthBuffer + depthWordsReady, depthBuffer + words, kFarDepth);
    depthWordsReady = words;
}

void Renderer3D::clearDepth()
{
    // The depth lies in the rasteriser's rectangle, rows as wide as it is.
    const int rowWords = rasterizer ? std::max(rasterizer->width, 0) : 0;
    const int rows = rasterizer ? std::max(rasterizer->height, 0) : 0;
    const size_t words = size_t(rowWords) * size_t(rows);
    // A provider must be a 3D renderer at least as large as this one.
    if (depthProvider && depthProvider->width >= width && depthProvider->height >= height)
    {
        // Each row is read where the provider's rasteriser wrote it; what it
        // has no row or column for is far.
        const int providerRows = std::min(rows, depthProvider->depthRows);
        const size_t copied = size_t(std::min(rowWords, depthProvider->depthRowWords));
        for (int y = 0; y < rows; ++y)
        {
            uint32_t* row = depthBuffer + size_t(y) * size_t(rowWords);
            const size_t taken = y < providerRows ? copied : 0;
            if (taken > 0)
                std::memmove(row, depthProvider->depthBuffer + size_t(y) * size_t(depthProvider->depthRowWords),
                             taken * 4);
            std::fill(row + taken, row + rowWords, kFarDepth);
        }
        depthWordsInUse = std::max(depthWordsInUse, words);
        depthWordsReady = std::max(depthWordsReady, words);
    }
    else
    {
        std::fill(depthBuffer, depthBuffer + depthWordsInUse, kFarDepth);
        depthWordsInUse = 0;
        // Only what the rasteriser reaches (its rectangle within the surface).
        prepareDepth(words);
    }
    depthRowWords = rowWords;
    depthRows = rows;
}

void Renderer3D::renderFrame(float dt, const PtrVector* groups, Camera& camera, const Environment& environment)
{
    if (dt > 0.0f)
        ++frameCounter;
    if (!rasterizer)
        initRasterizer();
    clearDepth();
    if (camera.viewportWidth == 0 || camera.viewportHeight == 0 || camera.projection <= 0 || !rasterizer)
        return;
    if (!shadeTable)
        updateShadeTable(nullptr, environment.ambient);
    matchShadeTableToSurface();
    // The rasteriser's clip rectangle fixes the depth rows.
    rasterizer->beginFrame(shadeTable, depthBuffer, &tempVertices, showSubdivision != 0);
    depthWordsInUse = std::max(depthWordsInUse, size_t(rasterizer->width) * size_t(rasterizer->height));
    rasterizer->loadFog(environment.fog);
    FrameState& f = *frame;
    f.W = target->width;
    f.H = target->height;
    f.P = (camera.minViewport << 10) / camera.projection;
    f.cx = camera.centreX;
    f.cy = camera.centreY;
    f.projection = camera.projection;
    f.view = camera.getViewMatrix();
    f.shift = fixedShift();
    groupsDrawn = meshesDrawn = verticesProjected = 0;
    for (int i = 0; groups && i < groups->size(); ++i)
    {
        Group3D* group = static_cast<Group3D*>(groups->get(i));
        if (group && group->visible)
            drawGroup(*group, environment, dt);
    }
    drawLists();
}

namespace {

void advanceGroupTextures(Group3D& group, float dt, int stamp)
{
    for (int i = group.materialCount() - 1; i >= 0; --i)
    {
        Material* m = group.material(i);
        advanceTextureOnce(m->texture, dt, stamp);
        if (m->mask != m->texture)
            advanceTextureOnce(m->mask, dt, stamp);
    }
}

// Turns the working matrix so that the group faces the eye about its up axis.
void faceTheEye(Matrix4& working, Matrix4& modelView, const Matrix4& view)
{
    Vector3 d;
    modelView.transformVectorTo(Tuple3(0.0f, 0.0f, 1.0f), d);
    const Vector3 up(0.0f, 1.0f, 0.0f);
    Vector3 right, forward;
    right.crossNormalized(up, d);
    forward.crossNormalized(right, up);
    Matrix4 rotation;
    const float rows[3][3] = {{right.x, right.y, right.z}, {0.0f, 1.0f, 0.0f}, {forward.x, forward.y, forward.z}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            rotation.m[r * 4 + c] = rows[r][c];
    working.multiply(rotation);
    modelView.setProduct(view, working);
}

} // namespace

void Renderer3D::drawGroup(Group3D& group, const Environment& environment, float dt)
{
    advanceGroupTextures(group, dt, frameCounter);
    // Normals and bounds of meshes that never had them (or were moved).
    group.update(true);
    nearDistance = group.frontClip > 0.0f ? group.frontClip : environment.frontClip;
    farDistance = group.backClip > 0.0f ? group.backClip : environment.backClip;
    nearFixed = saturatingInt(double(fixedScale()) * nearDistance);
    // A vertex at the eye would divide by zero: the near plane is at least
    // one fixed-point unit away.
    if (nearFixed < 1)
        nearFixed = 1;
    farFixed = saturatingInt(double(farDistance) * fixedScale());
    Matrix4 working = group.matrix;
    Matrix4 modelView;
    modelView.setProduct(frame->view, working);
    if (group.billboard == 1)
        faceTheEye(working, modelView, frame->view);
    else if (group.billboard == 2)
        modelView.setRotationIdentity();
    Tuple3 origin;
    modelView.getTranslation(origin);
    if (group.cullingPolicy == 1 && isSphereOutside(origin, group.radius))
        return;
    ++groupsDrawn;
    const PtrVector* list = group.objectsAtDepth(origin.z);
    for (int i = 0; i < list->size(); ++i)
    {
        Mesh* mesh = static_cast<Mesh*>(list->get(i));
        if (mesh->visible)
            drawMesh(*mesh, working, modelView, group.cullingPolicy);
    }
}

bool Renderer3D::isSphereOutside(const Tuple3& centre, float radius) const
{
    const double scale = fixedScale();
    const int64_t r = saturatingInt(scale * radius);
    const int64_t z = saturatingInt(double(centre.z) * scale);
    if (z > farFixed + r || z < nearFixed - r)
        return true;
    const int64_t e = int64_t(frame->projection) * (std::llabs(z + r) >> 10);
    const int64_t x = std::llabs(int64_t(saturatingInt(double(centre.x) * scale)));
    const int64_t y = std::llabs(int64_t(saturatingInt(double(centre.y) * scale)));
    return x - r > e || y - r > e;
}

void Renderer3D::sortByDepth(void** faces, int lo, int hi)
{
    auto key = [faces](int i) { return int64_t(static_cast<Face*>(faces[i])->depthKey); };
    while (lo < hi)
    {
        const int64_t pivot = (key(lo) + key(hi)) >> 1;
        int i = lo, j = hi;
        do
        {
            while (key(i) > pivot)
                ++i;
            while (key(j) < pivot)
                --j;
            if (i <= j)
            {
                void* t = faces[i];
                faces[i] = faces[j];
                faces[j] = t;
                ++i;
                --j;
            }
        } while (j >= i);
        if (lo < j)
            sortByDepth(faces, lo, j);
        lo = i;
    }
}

void Renderer3D::drawLists()
{
    opaqueCount = opaqueList.size();
    if (sortOpaque && opaqueCount > 1)
        sortByDepth(opaqueList.data(), 0, opaqueCount - 1);
    for (int i = opaqueCount - 1; i >= 0; --i)
        rasterizer->drawTriangle(*static_cast<Face*>(opaqueList.get(i)));
    transparentCount = transparentList.size();
    if (sortTransparent && transparentCount > 1)
        sortByDepth(transparentList.data(), 0, transparentCount - 1);
    for (int i = 0; i < transparentCount; ++i)
        rasterizer->drawTriangle(*static_cast<Face*>(transparentList.get(i)));
    opaqueList.clear();
    transparentList.clear();
    // Temporary faces and vertices go back to the pool for the next frame.
    tempCount = tempVertices.size();
    tempVertices.clear();
    tempPool->faces.reset();
    tempPool->vertices.reset();
}
