// racer.h -- one racer of a race page, the player's or a rival, whatever it
// rides: its motion over the track (the body moved and turned, the segment
// followed, the track edge, the ground under it), the steering wheel, the
// autopilot's pedals, its model, ground shadow and exhaust puffs in the 3D
// scene. The motorbike and the car derive from it with their own numbers,
// models and controls.
#pragma once

#include "racing/framework/exhaust_fume.h"
#include "racing/framework/motion_body.h"
#include "racing/framework/race_track.h"

#include <cstdint>
#include <string>

class Group3D;
class TextureDictionary;

namespace racing {

class Chip3D;
class Scene3D;

class Racer
{
public:
    Racer(RaceTrack* race, bool isPlayer);
    virtual ~Racer();
    Racer(const Racer&) = delete;
    Racer& operator=(const Racer&) = delete;

    // The per-frame step.
    virtual void update(float dt) = 0;
    // 0 left (steer angle down), 1 right (up), 2 centre.
    virtual void steer(int direction, float dt) = 0;
    virtual void accelerate(float dt) = 0;
    virtual void brake(float dt) = 0;
    // Neither throttle nor brake held: a racer slower than 10 stops.
    virtual void coast(float dt);
    // Two racers touched (the page's collision rule has moved them).
    virtual void onCollision() {}
    // On the segment's point facing along the track.
    virtual void place(float speed, int segment);
    // Extents from the model, once the scene is built.
    virtual void measure() {}

    float speed() const { return motion.speed; }
    // The model and its shadow are shown (the camera's presets).
    void showModel();

    uint8_t isPlayer;
    MotionBody motion;
    Group3D* model = nullptr; // the scene's
    Chip3D* shadow = nullptr; // the scene's
    ExhaustFume fume;         // its chips the scene's
    float width = 1.0f, height = 1.6f, length = 2.6f;
    float steerAngle = 0.0f;
    uint8_t autopilot = 0;
    uint8_t offTrack = 0;
    uint8_t visible = 1; // rivals outside the visible window are hidden
    float rev = 0.0f;
    int segment = 0;
    Vector3 heading, trackDirection, point, previousPoint, nextPoint;
    Vector3 groundNormal; // up, of the face under the racer
    float groundHeight = 0.0f;
    float shadowShift = 0.0f; // the shadow's shift while the racer falls

protected:
    virtual void autoDrive(float dt) = 0;
    // The racer over the track between moving and turning its body.
    virtual void followTrack() = 0;

    // The steps every racer begins its frame with: the speed damped by the
    // factor, the revs falling, the body moved, the segment followed (a rival
    // outside the visible window hidden with its shadow and puffs), its
    // points, the autopilot once the race runs, the track, the body turned.
    void moveOnTrack(float dt, float damping);
    // The steering wheel by the page's sensitivity, within 1.15 either way;
    // centring takes `centring` of the angle a second (snapped to 0 under
    // 0.005).
    void turnWheel(int direction, float dt, float centring);
    // The autopilot's pedals after turning towards the next point: the brake
    // above a turn of 0.03, the throttle (every other time) below
    // `accelerateBelow`. Answers the turn's y, by which it steers.
    float autoPedals(float dt, float accelerateBelow);
    static int steeringFor(float turnY) { return turnY > 0.004f ? 1 : (turnY < -0.004f ? 0 : 2); }
    // The track edge for a racer driven by keys (the autopilot keeps to the
    // points): the heading and track direction, the player's wrong way,
    // offTrack, the steering let go when turned back.
    EdgeResult keepToEdge();
    // The ground under the racer: it rides `rideShare` of its height above
    // the ground and falls from more than `tolerance` above that; the gap
    // (ride height less position) is answered. False when nothing is below:
    // the racer stands on its point.
    bool rideOnGround(float rideShare, float tolerance, float& gap);
    // The shadow turned onto the ground with the model, just above it.
    void placeShadow();
    // The puffs in the air move; on the ground above `fastSpeed`, on a track
    // with fume, new ones leave both exhausts at `rise` of the height.
    void stepFume(float dt, float fastSpeed, float rise);

    // The shadow: a flat chip of w x h at the scale with the mask
    // "common\shadow.jpg" of the folder, black, in the scene under the name.
    void buildShadow(Scene3D* scene, const std::u16string& name, TextureDictionary* textures,
                     const std::u16string& folder, float w, float h, float scale);
    // The two exhausts' puffs: chips at the scale in the colour, puff k of
    // both exhausts in the scene under stem + k.
    void buildFume(Scene3D* scene, const std::u16string& stem, float scale, uint32_t colour,
                   TextureDictionary* textures, const std::u16string& folder);

    RaceTrack* race;

private:
    void updateSegment();
};

} // namespace racing
