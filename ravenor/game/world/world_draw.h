// world_draw.h -- entities drawn in camera space, the star field, screen tests
#pragma once

#include <cstdint>

#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/entity.h"

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
// The world as the camera sees it (positions in render units)
Transform WorldTransform();
