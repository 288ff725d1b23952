// animators.h -- texture and model animators of the racing templates, and
// the racing light
//
// A TextureAnimator cycles one material's texture, opacity map and
// environment map through numbered images; a ModelAnimator cycles a group
// through numbered models, each a hidden group placed where the base group
// is. The race game steps them (the frame counter is its own); showing a
// frame is done here.
#pragma once

#include "engine/base/vector.h"

#include <os/types.h>

#include <cstdint>
#include <vector>

class Group3D;
class Light;
class Material;
class Texture;

namespace racing {

class Scene3D;

class TextureAnimator
{
public:
    // The frame arrays hold count textures each, or are empty (that map is
    // not animated). The textures stay their dictionary's.
    TextureAnimator(Material* material, int count, std::vector<Texture*> textures, std::vector<Texture*> opacityMaps,
                    std::vector<Texture*> envMaps);

    // Puts frame i (taken modulo the count) into the material's maps.
    void showFrame(int i);
    // The next frame, after the last the first.
    void step() { showFrame(frame + 1); }

    int frame = 0;
    int count;
    Material* material;
    std::vector<Texture*> textures, opacityMaps, envMaps;
};

class ModelAnimator
{
public:
    // Frame 0 is the base group, frames 1 to count - 1 the models (count is
    // models + 1); each model takes the base group's transform and is
    // hidden. The animator owns the models until they join a scene.
    ModelAnimator(Group3D* baseGroup, std::vector<Group3D*> models);
    ~ModelAnimator();
    ModelAnimator(const ModelAnimator&) = delete;
    ModelAnimator& operator=(const ModelAnimator&) = delete;

    // Adds frames 1 to count - 1 to the scene as "<base name>[ani:<i>]";
    // the scene owns them from then on.
    void addToScene(Scene3D& scene);
    // Shows frame i (modulo the count) where the base group is and hides
    // the others.
    void showFrame(int i);
    void step() { showFrame(frame + 1); }

    int frame = 0;
    int count;
    std::vector<Group3D*> frames;
    Group3D* baseGroup;

private:
    bool framesOwned = true;
};

// The racing build's light: second colour the colour, intensity 320,
// factor 120 (1/4096 units), the direction normalised.
Light* makeLight(const Vector3& direction, uint32_t colour);

} // namespace racing
