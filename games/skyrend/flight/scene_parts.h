// scene_parts.h -- the pieces of the flight scene that aircraft and missiles
// make for themselves on the canvas: chips for smoke and decoys, names
// bounded to a scene object's length, and look-ups by name
#pragma once

#include <os/types.h>

#include <cstdint>

class Canvas;
class Chip3D;
class Group3D;
class Texture;

namespace skyrend {

// Copies text into buffer (capacity characters with the terminator), cut.
void copyBounded(WCHAR* buffer, int capacity, const WCHAR* text);

// The 3D group of that name on the canvas, or null.
Group3D* findGroup(Canvas* canvas, const WCHAR* name);

// A texture of the resources: the folder's parent plus the relative name
// (the folder is a resource sub-folder such as "...\aircraft\").
Texture* loadSiblingTexture(Canvas* canvas, const WCHAR* folder, const WCHAR* relative);

// A hidden camera-facing chip of the given size, showing one of the three
// smoke pictures (or the named picture), in the colour given, clipped to
// near..far, detail level 4; null without a canvas.
Chip3D* makeSmokeChip(Canvas* canvas, const WCHAR* folder, float size, uint32_t colour);
Chip3D* makeChip(Canvas* canvas, const WCHAR* folder, const WCHAR* picture, float size, uint32_t colour, float nearClip,
                 float farClip);

// Adds the object to the canvas's "mainScene" under the name; deletes it
// when there is no such scene (nothing else would own it). False then.
bool addToMainScene(Canvas* canvas, const WCHAR* name, Group3D* object);

class FlightHost;

// Grows the host's effect pools to hold `explosions` and `splashes`
// effects (pools already that large stay as they are): chips "Explosion<n>"
// of size 4 showing "explosion\exp6.jpg" .. "exp15.jpg" and chips
// "Splash<n>" of size 2 showing "splash\spl6.jpg" .. "spl15.jpg" (each
// picture its own mask), from the aircraft folder, hidden in "mainScene";
// unlit, facing the eye, drawn from 3.5 (splash 3.0) to 500 away. Without a
// canvas the pools hold bare effects.
void buildEffectPools(FlightHost& host, Canvas* canvas, const WCHAR* aircraftFolder, int explosions, int splashes);

} // namespace skyrend
