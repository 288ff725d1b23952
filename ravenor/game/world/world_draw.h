// world_draw.h -- entities drawn in camera space, the star field, screen tests
#pragma once

#include <cstdint>

#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/entity.h"

// The stars of g_cameras.stars at random over the sky, once at start
void BuildStarField();
void DrawStarField();
void DrawEntities();
bool IsEntityOnScreen(const Entity* entity);
bool IsPointOnScreen(const int32_t point[3]);
// The world as the camera sees it (positions in render units)
Transform WorldTransform();
