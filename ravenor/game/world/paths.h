// paths.h -- entities that follow a path of points: the route step, the
// straight and the smooth follower, and turning a body toward a heading
//
// A path is an array of world points (three words each) ended by a point
// whose x is 30271. Driving forward the entity heads for path[pathIndex];
// backwards (speed below 0) the straight follower heads for
// path[pathIndex - 1]. Indices wrap at both ends.
#pragma once

#include <cstdint>

struct Entity;

// The number of points before the end point
int32_t PathPointCount(const int32_t* path);

// The route step of an entity: without a behaviour FollowPath; with one,
// its record's speed cap (0: none; -999 holds the entity still) and the
// follower its class asks for. Answers the bearing of the target.
int32_t RouteHeading(Entity* e, int32_t speed);
// The class's answer to '8' chooses: 1 straight, else smooth.
int32_t FollowPath(Entity* e, int32_t speed);
int32_t FollowPathStraight(Entity* e, int32_t speed);
int32_t FollowPathSmooth(Entity* e, int32_t speed);
// heading += (signed difference to target) / divisor, scaled by F / 256;
// nothing at speed 0 (answers yawRate), else answers the step.
int32_t TurnTowards(Entity* e, int32_t target, int32_t divisor);
// A car's heading steered toward target: at most 500 units of error count,
// a yaw rate that builds up and dies away, plus a sixteenth of the error.
void SteerTowards(Entity* e, int32_t target);
