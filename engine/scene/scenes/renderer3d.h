// renderer3d.h -- the per-frame 3D render pass: transform, cull, clip, sort
// and hand the triangles to the rasteriser
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/scenes/renderer.h"

#include <cstdint>

class Camera;
class Group3D;
class Mesh;
class Rasterizer;
class ShadeTable;
struct Environment;
struct Face;
struct Vertex;

class Renderer3D : public Renderer
{
public:
    PtrVector opaqueList{1024};
    PtrVector transparentList{1024};
    PtrVector tempVertices{256};
    uint8_t sortOpaque = 0;
    uint8_t sortTransparent = 1;
    uint8_t showSubdivision = 0;
    uint8_t lightInCameraSpace = 0;
    int32_t width, height; // of the depth buffer
    uint32_t* depthBuffer;
    int32_t groupsDrawn = -1, meshesDrawn = -1, verticesProjected = -1;
    int32_t tempCount = 0, opaqueCount = 0, transparentCount = 0;
    Rasterizer* rasterizer = nullptr;
    int32_t nearFixed = 0, farFixed = 0;
    float nearDistance = 0.0f, farDistance = 0.0f;
    ShadeTable* shadeTable = nullptr;
    // Another 3D renderer whose depth buffer starts each frame (none: cleared).
    const Renderer3D* depthProvider = nullptr;

    Renderer3D(Scene* owner, int width, int height);
    ~Renderer3D() override;

    // Creates the rasteriser for the display target's surface and rectangle.
    void initRasterizer();
    // (Re)builds the light tables; lights is a list of Light.
    void updateShadeTable(const PtrVector* lights, uint32_t ambient);
    void updateEnvironment(const Environment& environment);

    // The scene whose frame render(dt) draws: its children (Group3D), camera
    // and environment; render(dt) first draws the owning scene's background.
    void bindScene(const PtrVector* groups, Camera* camera, const Environment* environment);
    void render(float dt) override;
    // One frame of groups seen by camera, into the display target.
    void renderFrame(float dt, const PtrVector* groups, Camera& camera, const Environment& environment);

    // The leading words of the depth buffer that hold a depth (the rest was
    // never written).
    size_t preparedDepthWords() const { return depthWordsReady; }

    static void sortByDepth(void** faces, int lo, int hi);
    bool isSphereOutside(const Tuple3& centre, float radius) const;

    struct MeshState;
    struct FrameState;
    struct TempPool;

private:
    static constexpr uint32_t kFarDepth = 0xFFFFFFFFu;

    // The leading words of the depth buffer that may differ from "far":
    // what the rasterisers drew into since the last clear (their rows are as
    // wide as their rectangle), or the whole buffer when it was copied. A
    // clear resets only these, so a scene that says it is larger than its
    // display does not clear its unused rest every frame.
    size_t depthWordsInUse = 0;
    // The leading words that hold a depth at all (the rest has never been
    // written): a new buffer is made far only as far as its display reaches,
    // so a scene that says it is far larger than its display does not fill
    // what no frame draws into.
    size_t depthWordsReady = 0;
    // How the depth of the last frame lies in the buffer: the rasteriser's
    // rectangle, rows of depthRowWords words (no rows before a first frame
    // with a rasteriser). A renderer taking this depth reads it by these rows.
    int32_t depthRowWords = 0;
    int32_t depthRows = 0;

    // Makes the first words of the buffer hold a depth (far where new).
    void prepareDepth(size_t words);
    void clearDepth();
    void drawGroup(Group3D& group, const Environment& environment, float dt);
    void drawMesh(Mesh& mesh, const Matrix4& working, const Matrix4& groupView, int cullingPolicy);
    void projectVertices(Mesh& mesh);
    void project(Vertex& v);
    void light(Vertex& v);
    int classify(Face& face);
    void clipNear(Face& face, int code, PtrVector& list);
    Vertex* intersectNear(const Vertex& a, const Vertex& b);
    Vertex* midpointVertex(const Vertex& a, const Vertex& b);
    void subdivideFace(Face* face, PtrVector& list, int depth);
    void addFace(Face* face, PtrVector& list);
    int32_t tempIndex(Vertex* v);
    Vertex& vertexOf(const Face& face, int32_t index) const;
    void drawLists();

    void matchShadeTableToSurface();

    const PtrVector* shadeLights = nullptr;
    uint32_t shadeAmbient = 0;
    const PtrVector* boundGroups = nullptr;
    Camera* boundCamera = nullptr;
    const Environment* boundEnvironment = nullptr;
    FrameState* frame;
    MeshState* meshState;
    TempPool* tempPool;
};
