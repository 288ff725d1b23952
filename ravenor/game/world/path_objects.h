// path_objects.h -- objects that stand or walk on a path (gates, walkers,
// props and effects started by a route or a record), and the point the
// distances of traffic and objects are measured to
#pragma once

#include <cstdint>

struct Entity;

// Squared planar distance (/32 units) of two points, in 64 bits
int64_t PlanarDistance64(const int32_t a[3], const int32_t b[3]);
// The point distances are measured to: the followed entity of the camera
// used this frame, else the player, else the camera
void CameraTargetPoint(int32_t out[3]);
// Farther than K x 22500 from the camera's target point
bool FarFromCamera(const Entity* e);

// Update of standing path objects: '^' each frame, gone when far
void ObjectUpdate(Entity* e);
// What gates and pedestrians do on their step: along their path (the
// record's or the route's), the body turning half way toward it
void PathObjectStep(Entity* e);
// ... and on their visible step: seen, and held by a record whose behaviour
// is not 13, seated level on the ground; off screen upright (not moved)
void PathObjectVisibleStep(Entity* e);
