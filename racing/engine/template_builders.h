// template_builders.h -- the racing template entries that set up a 3D
// scene: Camera, Light, Fog, TextureAnimator and ModelAnimator
//
// Each takes the entry's fields and the container its "container" field
// names (found by the caller; null when it names nothing): without one it
// shows "The container of <type> is absent." (caption "Error", stop icon)
// and builds nothing.
#pragma once

#include <os/types.h>

#include <string>

class Group3D;
class Light;
class PropertyMap;
class TextureDictionary;

namespace racing {

class ModelAnimator;
class Scene3D;
class TextureAnimator;

// The container box; false when there is a container.
bool containerAbsent(const void* container, const WCHAR* typeName);

// "pos", "lookAt", "upAxis" (vectors) and "fov" (degrees), each when given.
bool buildCamera(const PropertyMap& fields, Scene3D* container);
// "dir" (default (0, 0, 0)) and "color" (default white), filed under key;
// the light is the caller's to keep (the scene does not delete it).
Light* buildLight(const PropertyMap& fields, const WCHAR* key, Scene3D* container);
// "front", "back", "color": the scene's fog (the previous one replaced).
bool buildFog(const PropertyMap& fields, Scene3D* container);

// pattern with its one "%d" replaced by number; false (out untouched) for a
// pattern with no "%d", with more than one conversion or with any other
// '%' sequence ("%%" is a percent sign).
bool formatFrameName(const WCHAR* pattern, int number, std::u16string& out);

// "material" of the container group, "texture" / "opamap" / "envmap"
// patterns, frames "i0" to "i1" loaded through the dictionary from the
// template folder. Null (no box) when the frames are no range (i1 < i0) or
// the material is not in the group.
TextureAnimator* buildTextureAnimator(const PropertyMap& fields, Group3D* container, TextureDictionary& textures,
                                      const WCHAR* templateFolder);
// "model" pattern, frames "i0" to "i1" loaded at "radius" from the template
// folder, over the base group that "group" names; added to the scene. Null
// when the range is empty or there is no base group.
ModelAnimator* buildModelAnimator(const PropertyMap& fields, Scene3D* container, Group3D* baseGroup,
                                  const WCHAR* templateFolder);

} // namespace racing
