// scene_awt.h -- a scene of native controls, children of the canvas window
#pragma once

#include "engine/scene/scenes/renderer.h"
#include "engine/scene/scenes/scene.h"

class AWTComponent;

class SceneAWT : public Scene
{
public:
    int32_t labelOffsetX = 0;
    int32_t labelOffsetY = 0;
    HFONT labelFont = nullptr;
    uint32_t labelColor = 0xffff00;

    SceneAWT();
    ~SceneAWT() override;

    void setIndexTextColor(uint32_t colour) { labelColor = colour; }
    void setIndexTextSize(int size);
    void setIndexTextOffset(int dx, int dy);
    void setScreenScale(float scale) override;
    // With a host window the control is created as its child at once.
    void addComponent(const WCHAR* componentName, AWTComponent* component, const WCHAR* indexText);
    // Creates the control windows of components added before the scene had a host.
    void attachControls();
    AWTComponent* component(int i) const;

private:
    bool labelSizeChosen = false; // setIndexTextSize was called: the scale leaves it alone
};

// Draws the controls' index labels on the canvas window.
class LabelRenderer : public Renderer
{
public:
    explicit LabelRenderer(SceneAWT* scene) : Renderer(scene) {}
    void render(float dt) override;
};
