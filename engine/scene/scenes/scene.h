// scene.h -- a rectangle of the canvas drawn every frame by its renderer
//
// A scene owns its renderer, its named children and, when buffered, a
// private back buffer that the canvas blits with transparentColor as key.
// The canvas sets canvas and hostWindow when it adds the scene, gives the
// renderer its display target, and switches the index labels.
#pragma once

#include "engine/base/ptr_vector.h"
#include "engine/scene/scenes/renderer.h"
#include "engine/scene/core/scene_object.h"

#include <os/types.h>

#include <cstdint>

class Canvas;
class Image;
class Texture;
class Window;

class Scene
{
public:
    static constexpr int kNameLength = 64;
    static constexpr uint32_t kNoColor = 0xFFFFFFFFu;

    enum Type
    {
        SpriteScene = 0,
        Scene2DType = 1,
        Scene3DType = 2,
        ControlScene = 3,
    };

    uint8_t visible = 1;
    uint8_t buffered = 0;
    uint32_t transparentColor = 0;
    int32_t sceneType = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bkgColor = kNoColor;
    Texture* bkgTexture = nullptr;
    PtrVector children{0};
    Canvas* canvas = nullptr;
    Renderer* renderer = nullptr;
    WCHAR name[kNameLength] = {};
    Image* backBuffer = nullptr;
    // Set by the canvas: its window (controls are its children), whether it
    // shows index labels, and the program's screen scale (client width / 240).
    Window* hostWindow = nullptr;
    bool showIndexLabels = false;
    float screenScale = 1.0f;

    Scene(int type, int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    virtual ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    void render(float dt);
    void drawBackground();
    Renderer* getRenderer() const { return renderer; }
    Image* getSurface();
    void renderToBackBuffer(bool clear);
    Image* getTargetSurface() const;
    Image* getBackBuffer() const { return backBuffer; }
    void addChild(const WCHAR* childName, SceneObject* object);
    SceneObject* findChild(const WCHAR* childName) const;
    SceneObject* child(int i) const { return static_cast<SceneObject*>(children.get(i)); }
    void setName(const WCHAR* text);

    // The canvas gives its screen scale when it adds the scene; sizes still
    // at their defaults follow it.
    virtual void setScreenScale(float scale) { screenScale = scale; }
    // Scale of a layout length for this screen: int(length x screenScale).
    int scaleToScreen(int length) const { return int(float(length) * screenScale); }
};

// A scene of sprites drawn by the SpriteRenderer.
class SceneSprite : public Scene
{
public:
    int32_t labelOffsetX = 0;
    int32_t labelOffsetY = 0;
    uint32_t labelColor = 0xffff00;
    HFONT labelFont = nullptr;

    SceneSprite(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    ~SceneSprite() override;

    void setLabelOffset(int dx, int dy);
    void setLabelColor(uint32_t colour) { labelColor = colour; }
    void setLabelSize(int size);
    void setScreenScale(float scale) override;
    // Label: at most 4 characters of the index label (null: none).
    void addSprite(const WCHAR* spriteName, class Sprite* sprite, const WCHAR* label);
    // The topmost visible sprite with a GUI type under (px, py), edges included.
    class Sprite* hitTest(int px, int py) const;

private:
    bool labelSizeChosen = false; // setLabelSize was called: the scale leaves it alone
};

// A scene of 2D groups drawn by the Renderer2D.
class Scene2D : public Scene
{
public:
    Scene2D(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    // Creates the raster context once the renderer has its target.
    void initRasterizer();
};

// Copies at most 4 characters into a 5-character index label.
void setIndexLabel(WCHAR* label, const WCHAR* text);
