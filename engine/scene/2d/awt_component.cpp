// awt_component.cpp -- native control windows by kind
#include "engine/scene/2d/awt_component.h"

#include "engine/platform/gdi_draw.h"
#include "engine/scene/2d/native_controls.h"

ControlWindow::ControlWindow(const WCHAR* className, DWORD controlStyle, DWORD controlExStyle, int id,
                             const WCHAR* text)
    : Window(text ? text : u"", nullptr, false)
{
    windowClass.lpszClassName = className;
    style = controlStyle;
    exStyle = controlExStyle;
    controlId = UINT(id);
}

Window* AWTComponent::makeControl(int kind, int id, const WCHAR* text, DWORD editEdge)
{
    switch (kind)
    {
    case ButtonKind: return new ButtonControl(id, text);
    case EditKind: return new EditControl(id, text, editEdge);
    case ComboBoxKind: return new ComboBoxControl(id, text);
    case ListBoxKind: return new ListBoxControl(id, text);
    case LabelKind: return new LabelControl(id, text);
    case StaticKind: return new StaticControl(id, text);
    case TextAreaKind: return new TextAreaControl(id, text, editEdge);
    default: return nullptr;
    }
}

AWTComponent::AWTComponent(int kind, int id, int px, int py, int w, int h, const WCHAR* text, DWORD editEdge)
    : SceneObject(ControlObject)
{
    x = px;
    y = py;
    width = w;
    height = h;
    control = makeControl(kind, id, text ? text : u"", editEdge);
}

AWTComponent::~AWTComponent()
{
    if (control)
    {
        if (control->getHandle() && IsWindow(control->getHandle()))
            control->destroy();
        delete control;
    }
    if (font)
        DeleteObject(font);
}

void AWTComponent::setFont(int size, const WCHAR* face, bool italic, int weight)
{
    if (size < 0)
        return;
    if (font)
        DeleteObject(font);
    font = createFont(size, weight, italic, false, face);
    if (control && control->getHandle())
        control->setFont(font);
}
