// sprite_renderer.h -- paints the sprites of a sprite scene and their index labels
#pragma once

#include "engine/scene/scenes/renderer.h"

class SceneSprite;

class SpriteRenderer : public Renderer
{
public:
    explicit SpriteRenderer(SceneSprite* scene);
    void render(float dt) override;

private:
    void drawLabels(float zoom);
};
