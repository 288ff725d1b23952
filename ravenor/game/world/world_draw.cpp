// world_draw.cpp -- entities in camera space, the night sky's stars
#include "ravenor/game/world/world_draw.h"

#include <cstring>

#include <os/wstring.h>

#include "ravenor/engine/render/box_visibility.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

constexpr int32_t kStarDistance = 3500;
constexpr uint32_t kStarCell = 0x7FFFFFFF;

void SetTop(const Orientation& o)
{
    g_renderer.stack->top->SetFromOrientation(o);
}

// The view: the camera's rotation moved to its position
Orientation View()
{
    Orientation v;
    Orientation::Assign(v, g_cameras.view.orientation);
    v.t[0] = v.t[1] = v.t[2] = 0;
    v.TranslateLocal(g_cameras.view.position[0], -g_cameras.view.position[1], -g_cameras.view.position[2]);
    return v;
}

// The player's wheel meshes turn with the steering and spin, and drop with
// their springs.
void PlaceWheel(Transform& t, const P3dMesh& mesh, const Entity& e)
{
    const VehicleState* s = e.vehicle;
    int wheel = -1;
    bool front = false;
    if (std::strcmp(mesh.name, "wheel_front_left") == 0)
        wheel = 0, front = true;
    else if (std::strcmp(mesh.name, "wheel_front_right") == 0)
        wheel = 1, front = true;
    else if (std::strcmp(mesh.name, "wheel_back_left") == 0)
        wheel = 2;
    else if (std::strcmp(mesh.name, "wheel_back_right") == 0)
        wheel = 3;
    if (wheel < 0 || s == nullptr)
        return;
    if (front)
        t.RotateY(-s->wheelTurn / 2);
    t.RotateX(e.wheelSpin);
    t.t[1] = static_cast<int16_t>(t.t[1] - s->compression[wheel] / 8);
}

void DrawEntity(Entity& e, const Orientation& view)
{
    Orientation m;
    Orientation::Assign(m, view);
    m.MultiplyFlipX(e.orientation);
    for (int16_t& entry : m.m)
        entry = static_cast<int16_t>(entry >> 3);
    for (int32_t& word : m.t)
        word /= -8;
    SetTop(m);
    std::vector<P3dMesh>& meshes = e.model->meshes;
    if (meshes.empty())
    {
        e.visible = 0;
        return;
    }
    e.visible = static_cast<uint8_t>(IsBoxVisible(meshes[0].bounds, !e.noOcclusionTest));
    if (!e.visible)
        return;
    MatrixStack& stack = *g_renderer.stack;
    for (size_t j = 0; j < meshes.size(); ++j)
    {
        P3dMesh& mesh = meshes[j];
        stack.Push();
        stack.top->Multiply(mesh.transform);
        if (j >= 1)
        {
            if (&e == g_entityWorld.player)
                PlaceWheel(*stack.top, mesh, e);
            else
                stack.top->RotateX(e.wheelSpin);
        }
        if (!mesh.faces.empty())
        {
            TexImage* texture = mesh.faces[0].texture;
            if (texture != nullptr && texture->frameCount > 1 && e.age >= 0)
            {
                texture->currentFrame = static_cast<uint32_t>(e.age) % texture->frameCount;
                texture->pixels = texture->frames[texture->currentFrame];
            }
        }
        g_renderer.DrawMesh(mesh);
        stack.Pop();
    }
}

} // namespace

void BuildStarField()
{
    for (Star& star : g_cameras.stars)
    {
        Orientation o;
        o.SetRotationY(os_rand() % 2048);
        o.RotateX(50 + os_rand() % 230);
        const int32_t v[3] = {0, 0, -kStarDistance};
        int32_t out[3];
        RotateToWorld(&o, v, out);
        star = Star{static_cast<int16_t>(out[0]), static_cast<int16_t>(out[1]), static_cast<int16_t>(out[2])};
    }
}

void DrawStarField()
{
    Orientation view;
    Orientation::Assign(view, g_cameras.view.orientation);
    view.t[0] = view.t[1] = view.t[2] = 0;
    SetTop(view);
    const Transform& t = *g_renderer.stack->top;
    for (const Star& star : g_cameras.stars)
    {
        const int16_t p[3] = {star.x, star.y, star.z};
        int32_t c[3];
        t.ApplyZ(p, c);
        if (c[2] > -32)
            continue;
        t.ApplyXY(p, c);
        P3dVertex v{};
        g_renderer.project(c[0], c[1], c[2], v);
        if (v.screenX > 0 && v.screenX < kFrameWidth && v.screenY > 0 && v.screenY < kFrameHeight)
            g_frame[v.screenY * kFrameWidth + v.screenX] = kStarCell;
    }
}

void DrawEntities()
{
    const Orientation view = View();
    for (Entity& e : g_entityWorld.pool)
        if (e.model != nullptr)
            DrawEntity(e, view);
}

bool IsPointOnScreen(const int32_t point[3])
{
    const Orientation view = View();
    // The point in render units through the view
    const int32_t local[3] = {point[0] / 8, -point[1] / 8, -point[2] / 8};
    int32_t c[3];
    view.RotateVector(local, c);
    const int32_t z = c[2] + view.t[2] / -8;
    const int32_t x = c[0] + view.t[0] / -8;
    const int32_t y = c[1] + view.t[1] / -8;
    if (z <= g_renderer.farDistance || z > -32)
        return false;
    P3dVertex v{};
    g_renderer.project(x, y, z, v);
    return v.screenX >= 1 && v.screenX <= 175 && v.screenY >= 1 && v.screenY <= 219;
}

bool IsEntityOnScreen(const Entity* e)
{
    const int32_t p[3] = {e->X(), e->Y(), e->Z()};
    return IsPointOnScreen(p);
}

Transform WorldTransform()
{
    Transform world;
    world.SetFromOrientation(g_cameras.view.orientation);
    world.t[0] = world.t[1] = world.t[2] = 0;
    world.TranslateLocal(static_cast<int16_t>(-g_cameras.view.position[0] / 8), static_cast<int16_t>(g_cameras.view.position[1] / 8),
                         static_cast<int16_t>(g_cameras.view.position[2] / 8));
    return world;
}
