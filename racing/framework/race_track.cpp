// race_track.cpp -- turning helpers of the racers
#include "racing/framework/race_track.h"

#include "racing/framework/motion_body.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"

#include <algorithm>
#include <cmath>

namespace racing {

void turnInFront(Matrix4& m, const Quaternion& q)
{
    Matrix4 r;
    r.setFromQuaternion(q);
    Vector3 t;
    m.getTranslation(t);
    Matrix4 product;
    product.setProduct(r, m);
    product.setTranslation(t);
    m.copyFrom(product);
}

void partialTurn(Quaternion& out, const Vector3& from, const Vector3& to, float t)
{
    Quaternion target;
    setRotationBetween(target, from, to);
    setIdentity(out);
    if (target.x == 0.0f && target.y == 0.0f && target.z == 0.0f && target.w == 0.0f)
        return;
    slerpShortest(out, target, t);
    float n = std::sqrt(out.x * out.x + out.y * out.y + out.z * out.z + out.w * out.w);
    if (n > 0.0f)
        out.set(out.x / n, out.y / n, out.z / n, out.w / n);
    else
        setIdentity(out);
}

int nextSegment(const RaceTrack& race, const Vector3& position, int segment, bool mayStepBack)
{
    const TrackModel& track = *race.model;
    const int n = track.segmentCount;
    Vector3 d;
    d.setDifference(position, track.points[size_t((segment + 1) % n)]);
    float dNext = d.lengthSquared();
    d.setDifference(position, track.points[size_t(segment)]);
    float dHere = d.lengthSquared();
    if (dNext < dHere)
        return (segment + 1) % n;
    if (mayStepBack)
    {
        d.setDifference(position, track.points[size_t((segment + n - 1) % n)]);
        if (d.lengthSquared() < dHere)
            return (segment + n - 1) % n;
    }
    return segment;
}

bool inVisibleWindow(const RaceTrack& race, int segment)
{
    return !race.window || race.window->contains(segment);
}

EdgeResult keepOnTrack(RaceTrack& race, MotionBody& motion, const Vector3& point, const Vector3& nextPoint,
                       bool isPlayer, Vector3& heading, Vector3& trackDirection)
{
    trackDirection.setDifference(nextPoint, point);
    trackDirection.normalize();
    float distSq = pointLineDistanceSq(motion.position, point, nextPoint);
    Vector3 forward(0.0f, 0.0f, 1.0f);
    motion.orientation.transformVectorTo(forward, heading);
    heading.normalize();
    float c = heading.dot(trackDirection);
    if (isPlayer)
        race.wrongWay = c < 0.0f;
    if (distSq <= race.model->halfWidthSquared)
        return EdgeResult::OnTrack;
    Vector3 rel, sideCross, moving;
    rel.setDifference(motion.position, point);
    sideCross.cross(trackDirection, rel);
    moving.copyFrom(heading);
    if (motion.speed < 0.0f)
        moving.scale(-1.0f);
    Vector3 moveCross;
    moveCross.cross(trackDirection, moving);
    if (moveCross.y * sideCross.y <= 0.0f)
        return EdgeResult::Outside;
    if (c < 0.766f)
    {
        motion.speed = 0.0f;
        motion.position.copyFrom(motion.previousPosition);
        return EdgeResult::Stopped;
    }
    Vector3 target;
    target.setDifference(nextPoint, motion.position);
    target.y = 0.0f;
    Vector3 flat(heading.x, 0.0f, heading.z);
    Quaternion turn;
    partialTurn(turn, flat, target, 0.4f);
    turnInFront(motion.orientation, turn);
    motion.speed *= (c - 0.3f);
    motion.position.copyFrom(motion.previousPosition);
    return EdgeResult::TurnedBack;
}

bool collide(MotionBody& a, MotionBody& b, float lengthA, float lengthB, const TrackModel& track, int segmentB,
             float s)
{
    const int n = track.segmentCount;
    Vector3 d;
    d.setDifference(a.position, b.position);
    if (d.lengthSquared() >= 0.6f * lengthA * lengthB)
        return false;
    Vector3 back;
    back.setDifference(track.points[size_t(segmentB)], track.points[size_t((segmentB + 1) % n)]);
    back.normalize();
    d.normalize();
    if (d.dot(back) > 0.0f)
    {
        a.speed = b.speed - s;
        b.speed += s;
    }
    else
    {
        b.speed = a.speed - s;
        a.speed += s;
    }
    float kick = randomFloat(-0.5f, 0.5f);
    for (auto [body, angle] : {std::pair{&a, kick}, std::pair{&b, -kick}})
    {
        Quaternion q;
        q.set(0.0f, std::sin(angle / 2), 0.0f, std::cos(angle / 2));
        turnInFront(body->orientation, q);
    }
    return true;
}

bool groundUnder(RaceTrack& race, MotionBody& motion, const Vector3& point, float& height, Vector3& normal)
{
    Vector3 query(motion.position);
    if (!race.ground || !race.ground->findGround(query, normal))
    {
        motion.position.copyFrom(point);
        return false;
    }
    normal.scale(-1.0f);
    height = query.y;
    return true;
}

void leanOnGround(MotionBody& motion, float side, const Vector3& normal)
{
    Vector3 across(side, 0.0f, 0.0f), b, up, upLocal(0.0f, 1.0f, 0.0f);
    motion.orientation.transformVectorTo(across, b);
    b.interpolate(normal, 0.5f);
    motion.orientation.transformVectorTo(upLocal, up);
    Quaternion turn;
    partialTurn(turn, up, b, 1.0f);
    turnInFront(motion.orientation, turn);
}

float turnTowards(MotionBody& motion, const Vector3& nextPoint, float dt)
{
    Vector3 a(motion.direction.x, 0.0f, motion.direction.z);
    Vector3 b(nextPoint.x - motion.position.x, 0.0f, nextPoint.z - motion.position.z);
    Quaternion t;
    partialTurn(t, a, b, std::min(3.0f * dt, 1.0f));
    turnInFront(motion.orientation, t);
    return t.y;
}

void placeOnTrack(const TrackModel& track, MotionBody& motion, int segment, float lateralOffset, float speed)
{
    Vector3 f, forward(0.0f, 0.0f, 1.0f);
    motion.orientation.transformVectorTo(forward, f);
    f.y = 0.0f;
    Vector3 d;
    track.direction(segment, d);
    d.normalize();
    d.y = 0.0f;
    Quaternion q;
    partialTurn(q, f, d, 1.0f);
    Matrix4 m;
    m.setFromQuaternion(q);
    Matrix4 product;
    product.setProduct(m, motion.orientation);
    Vector3 up(0.0f, 1.0f, 0.0f), across;
    across.cross(up, d);
    across.normalize();
    Vector3 p(across);
    p.scale(lateralOffset);
    p.add(track.points[size_t(segment)]);
    p.x += 2.0f * lateralOffset * d.x;
    p.y += 2.0f * lateralOffset * d.y;
    p.z += 2.0f * lateralOffset * d.z;
    product.setTranslation(p);
    motion.place(motion.model, speed, product);
}

} // namespace racing
