// scene_awt.h -- the racing build's native-control scene
//
// Its components are the engine's native controls with the racing edit
// border (a static edge); their windows are children of the canvas window
// while the scene belongs to a canvas. The index labels are drawn on the
// canvas's back buffer in an italic, underlined font.
#pragma once

#include "engine/scene/2d/awt_component.h"

#include <os/windows.h>

#include <cstdint>
#include <memory>
#include <vector>

class Window;

namespace racing {

class SceneAWT
{
public:
    static constexpr DWORD kEditEdge = 0x20000;

    SceneAWT();
    ~SceneAWT();
    SceneAWT(const SceneAWT&) = delete;
    SceneAWT& operator=(const SceneAWT&) = delete;

    // A component of the racing build (AWTType 0 to 6; none outside).
    static AWTComponent* makeComponent(int kind, int id, int x, int y, int width, int height, const WCHAR* text);

    // The canvas window the controls belong to: components added before
    // become its children now.
    void attach(::Window* canvasWindow);
    // Name and index (4 characters) copied; with a canvas the control
    // becomes its child at once, with the component's font.
    void addComponent(const WCHAR* componentName, AWTComponent* component, const WCHAR* indexText);
    // The control windows are destroyed, last first; the components stay
    // until the scene is deleted.
    void removeComponents();
    AWTComponent* findChild(const WCHAR* componentName) const;
    const std::vector<std::unique_ptr<AWTComponent>>& getComponents() const { return components; }

    void setIndexTextColor(uint32_t colour) { indexColor = colour; }
    // Italic and underlined, "Arial", weight 400.
    void setIndexTextSize(int size);
    HFONT getIndexFont() const { return indexFont; }
    // The index labels on dc (the canvas's back buffer) when showIndex.
    void render(HDC dc, bool showIndex, float screenScale);

    uint8_t visible = 1;
    int x = 0, y = 0, width = 0, height = 0;
    WCHAR name[SceneObject::kNameLength] = {};
    int indexOffsetX = 0, indexOffsetY = 0;
    uint32_t indexColor = 0xFFFF00;

private:
    void place(AWTComponent& component);

    std::vector<std::unique_ptr<AWTComponent>> components;
    std::vector<AWTComponent*> placed;
    ::Window* canvas = nullptr;
    HFONT indexFont = nullptr;
};

} // namespace racing
