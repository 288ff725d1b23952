// world_draw.h -- entities drawn in camera space, the star field, screen tests
#pragma once

#include <cstdint>

#include "ravenor/game/entity.h"

// Where the world is seen from: a rotation from world to camera axes and a
// world position.
struct Camera
{
    Orientation orientation;
    int32_t position[3] = {0, 0, 0};
};
extern Camera g_camera;

constexpr int kStarCount = 200;
struct Star
{
    int16_t x, y, z;
};
extern Star g_stars[kStarCount];

void BuildStarField();
void DrawStarField();
void DrawEntities();
bool IsEntityOnScreen(const Entity* entity);
bool IsPointOnScreen(const int32_t point[3]);
