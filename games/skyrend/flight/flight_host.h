// flight_host.h -- what an aircraft asks of the flight it takes part in on
// the game side: the canvas that draws it (may be absent), the effect pools,
// the other aircraft, sounds, the alert line, the missile warnings and the
// pilot's record. The flight canvas implements it; the game server gives
// its aircraft no host at all.
#pragma once

#include <os/types.h>

#include <vector>

class Camera;
class Canvas;
class Texture;

namespace skyrend {

class Aircraft;
class ExplosionEffect;
class SplashEffect;

class FlightHost
{
public:
    virtual ~FlightHost() = default;

    // The canvas holding the scene "mainScene" (templates, components,
    // textures); null for a flight that is not drawn.
    virtual Canvas* flightCanvas() { return nullptr; }
    virtual Camera* flightCamera() { return nullptr; }
    // The scene's environment map (the glass reflects it); may be null.
    virtual Texture* environmentTexture() { return nullptr; }

    // The aircraft of the flight, the player's among them.
    virtual int aircraftCount() const = 0;
    virtual Aircraft* aircraftAt(int i) const = 0;
    virtual Aircraft* playerAircraft() const = 0;

    virtual bool isExercise() const { return false; }
    virtual bool isMultiplayer() const { return false; }
    virtual bool basisIsWater() const { return false; }
    // A sound mixer would let effects play over the engine without pausing it.
    virtual bool hardwareMixing() const { return false; }

    virtual void playSound(const WCHAR* key) {}
    virtual void stopSound(const WCHAR* key) {}
    virtual bool isSoundPlaying(const WCHAR* key) { return false; }
    // The engine's loop pauses while a short effect plays.
    virtual void pauseEngine(float seconds) {}

    // The console's alert line and decoy counts.
    virtual void showAlert(const WCHAR* text) {}
    virtual void setDecoyCounts(int flares, int chaff) {}
    // The cockpit overlay ("enemyindicator" and the dashboard) is shown in
    // the cockpit view only.
    virtual void showCockpit(bool on) {}
    // One more kill (playerShotDown false) or loss for the flying pilot.
    virtual void countDown(bool playerShotDown) {}

    // Effect pools: two explosions per aircraft and one splash.
    std::vector<ExplosionEffect*> explosions;
    std::vector<SplashEffect*> splashes;
    // Missile warnings for the player: a heat (short-range) or a radar
    // missile is close.
    bool heatWarning = false;
    bool radarWarning = false;
};

} // namespace skyrend
