// aircraft_combat.cpp -- missile locks, the game's hit test with its missile
// warnings and automatic decoys, missile damage, and the behaviour that
// flies computer pilots
#include "games/skyrend/flight/aircraft.h"

#include "games/skyrend/flight/flight_host.h"

#include "engine/base/math_utils.h"

#include <algorithm>
#include <cmath>

namespace skyrend {

bool Aircraft::hasDecoyFor(const Missile* m) const
{
    return m->kind == Missile::ShortRange ? flaresInAir > 0 : chaffInAir > 0;
}

float Aircraft::roughDistance(const Vector3& a, const Vector3& b)
{
    return (std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z)) * 0.3333f;
}

void Aircraft::scanTargets()
{
    if (!hasStations() || state != Flying)
        return;
    for (auto& row : stations)
        for (Missile* m : row)
            if (m->state < Missile::Flying)
            {
                m->state = Missile::Idle;
                m->target = nullptr;
            }
    if (!host)
        return;
    Aircraft* player = host->playerAircraft();
    if (!isPlayer)
    {
        if (player)
            acquireTarget(player);
        return;
    }
    for (int i = host->aircraftCount() - 1; i >= 0; --i)
        if (Aircraft* other = host->aircraftAt(i); other && other != this)
            acquireTarget(other);
}

void Aircraft::acquireTarget(Aircraft* t)
{
    if (!t)
        return;
    t->lockedOn = 0;
    if (t->state != Flying || !hasStations())
        return;
    Vector3 d;
    d.setDifference(t->flight.position, flight.position);
    const float distanceSquared = d.lengthSquared();
    Vector3 ahead;
    flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
    const float length = std::sqrt(distanceSquared) * ahead.length();
    const float c = length > 0.0f ? ahead.dot(d) / length : 0.0f;
    if (!(c > 0.9f))
        return;
    for (auto& row : stations)
        for (Missile* m : row)
            if (m->state == Missile::Idle && distanceSquared < m->maxRange * m->maxRange &&
                distanceSquared > m->minRange * m->minRange)
            {
                m->target = &t->flight;
                m->state = Missile::Locked;
                t->lockedOn = 1;
                return;
            }
}

int Aircraft::missileDamage(const Missile* m, float distance) const
{
    // A missile that explodes within its hit distance does damage: the
    // distance counts at most as the kill radius.
    const float d = std::min(distance, m->killRadius);
    const int base = isPlayer ? 0 : 50;
    return std::min(100, base + int((m->killRadius - d) * 100.0f / m->killRadius));
}

void Aircraft::missileHit(Missile* m, float distance, int& points)
{
    m->flight.position = flight.position;
    m->flight.orientation.setTranslation(flight.position);
    m->flight.stop();
    m->explode();
    if (host)
    {
        if (!host->hardwareMixing())
            host->pauseEngine(1.61f);
        host->playSound(u"smallexplosion");
    }
    points = missileDamage(m, distance);
}

int Aircraft::checkHits(float dt)
{
    if (!host)
        return 0;
    Aircraft* player = host->playerAircraft();
    if (state == Flying)
    {
        // A bullet that hits is spent: it scores once.
        auto hitBy = [this](Aircraft* shooter) {
            for (Bullet* b : shooter->bullets)
                if (b->active && roughDistance(b->base.position, flight.position) < hitRadius)
                {
                    b->stop();
                    return true;
                }
            return false;
        };
        if (!isPlayer)
        {
            if (player && player != this && hitBy(player))
                return 1;
        }
        else
            for (int i = host->aircraftCount() - 1; i >= 0; --i)
                if (Aircraft* other = host->aircraftAt(i); other && other != this && hitBy(other))
                    return 1;
    }
    hitCheckTimer += dt;
    if (!(hitCheckTimer > hitCheckInterval))
        return 0;
    const float elapsed = hitCheckTimer;
    hitCheckTimer = 0.0f;
    int points = 0;
    if (!isPlayer)
    {
        if (!player || player == this || !player->hasStations())
            return 0;
        for (auto& row : player->stations)
            for (Missile* m : row)
            {
                if (m->state != Missile::Flying || m->target != &flight)
                    continue;
                const float d = roughDistance(m->flight.position, flight.position);
                if (d < m->killRadius + 2.0f && !hasDecoyFor(m))
                {
                    missileHit(m, d, points);
                    return points;
                }
                if (d < 80.0f && m->target && int(d) % 10 > 8 && !host->isExercise())
                {
                    if (m->kind != Missile::ShortRange)
                        releaseChaff(elapsed);
                    else
                        releaseFlare(elapsed);
                }
            }
        return 0;
    }
    host->heatWarning = false;
    host->radarWarning = false;
    for (int i = host->aircraftCount() - 1; i >= 0; --i)
    {
        Aircraft* other = host->aircraftAt(i);
        if (!other || other == this || !other->hasStations())
            continue;
        for (auto& row : other->stations)
            for (Missile* m : row)
            {
                if (m->state != Missile::Flying || m->target != &flight)
                    continue;
                const float d = roughDistance(m->flight.position, flight.position);
                if (d < m->killRadius - 2.0f && !hasDecoyFor(m))
                {
                    missileHit(m, d, points);
                    return points;
                }
                if (d < 100.0f)
                    (m->kind == Missile::ShortRange ? host->heatWarning : host->radarWarning) = true;
            }
    }
    return 0;
}

void Aircraft::updateEnemyAI(float dt)
{
    if (state != Flying || !target || target->state != Flying)
        return;
    aiTimer += dt;
    if (aiTimer >= aiInterval)
    {
        aiTimer = 0.0f;
        const float blend = clampFloat(dt / aiInterval, 0.0f, 0.5f);
        steer.setIdentity();
        aiFire = 0;
        aimPoint = target->flight.position;
        Vector3 d;
        d.setDifference(aimPoint, flight.position);
        const float dist = d.length();
        float& threshold = pursuitThreshold();
        Vector3 ahead;
        flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
        if (dist < threshold)
        {
            flight.setLevel(6);
            threshold = 600.0f;
            if (!evading)
            {
                Vector3 away(ahead.x * 5000.0f, 0.0f, ahead.z * 5000.0f);
                Matrix4 turn;
                turn.rotY(int(dist) % 10 < 6 ? -1.56f : 1.56f);
                turn.transformVector(away);
                evadePoint.setSum(flight.position, away);
            }
            aimPoint = evadePoint;
            evading = 1;
        }
        else
        {
            flight.setLevel(0);
            evading = 0;
            threshold = 200.0f;
            // Lead the target by the bullet's time of flight (1/70 s per unit).
            const float t = aiInterval * 0.5f + dist * 0.014285714f;
            Vector3 lead;
            lead.setScaled(target->flight.speed * t, target->flight.forward);
            aimPoint.add(lead);
            aimPoint.y += 0.375f * t * t;
        }
        Vector3 toAim;
        toAim.setDifference(aimPoint, flight.position);
        float angle = 0.0f;
        Matrix4 turn;
        FlightModel::bodyArc(flight.orientation, ahead, toAim, 1.0f, turn, &angle);
        aiFire = dist < 420.0f && angle < 0.04f && !evading;
        const float step = std::min(angle * blend, dt * 0.785f);
        FlightModel::bodyArc(flight.orientation, ahead, toAim, angle > 0.0f ? step / angle : 0.0f, turn);
        steer.multiply(turn);
        if (!aiFire)
        {
            // Bank into the turn.
            Vector3 bankAxis;
            bankAxis.cross(toAim, ahead);
            Vector3 right;
            flight.orientation.transformVectorTo(Vector3(1.0f, 0.0f, 0.0f), right);
            FlightModel::bodyArc(flight.orientation, right, bankAxis, blend * 0.5f, turn);
            steer.multiply(turn);
        }
    }
    flight.orientation.multiply(steer);
    if (aiFire && host && !host->isExercise())
    {
        fireCanon(dt);
        host->showAlert(u"Enemy firing canon at you!");
    }
    missileTimer += dt;
    if (missileTimer > missileInterval)
    {
        missileTimer = 0.0f;
        for (auto& row : stations)
            for (Missile* m : row)
                if (m && m->state == Missile::Locked)
                {
                    launchMissile(m);
                    if (host)
                        host->showAlert(u"Enemy launched AAM to you!");
                    return;
                }
    }
}

} // namespace skyrend
