// awt_component.h -- a native control placed in a control scene
#pragma once

#include "engine/scene/core/scene_object.h"

#include <os/windows.h>

class Window;

class AWTComponent : public SceneObject
{
public:
    enum Kind
    {
        ButtonKind = 0,
        EditKind = 1,
        ComboBoxKind = 2,
        ListBoxKind = 3,
        LabelKind = 4,
        StaticKind = 5,
        TextAreaKind = 6,
    };

    WCHAR indexLabel[5] = {};
    Window* control = nullptr;
    HFONT font = nullptr;

    // The control window is made now and created when a scene with a canvas
    // adds the component; a kind outside 0..6 gets none. editEdge: the
    // extended style of edit and text-area borders.
    AWTComponent(int kind, int id, int x, int y, int width, int height, const WCHAR* text, DWORD editEdge = 0x200);
    ~AWTComponent() override;

    // Nothing for a negative size; otherwise a new font set on the control.
    void setFont(int size, const WCHAR* face, bool italic, int weight);

    static Window* makeControl(int kind, int id, const WCHAR* text, DWORD editEdge = 0x200);
};
