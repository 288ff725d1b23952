// template_controls.cpp -- native controls of a template

#include "engine/base/property_map.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/2d/native_controls.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/screen/template_loader.h"

#include <string_view>

namespace {

// A text area without horizontal scrolling: its lines wrap.
class WrappingTextArea : public TextAreaControl
{
public:
    WrappingTextArea(int id, const WCHAR* text) : TextAreaControl(id, text) { style &= ~DWORD(0x100080); }
};

int kindOf(const WCHAR* name)
{
    static const char16_t* const kinds[] = {u"BUTTON", u"EDIT", u"COMBOBOX", u"LISTBOX", u"LABEL", u"STATIC", u"TEXTAREA"};
    for (int i = 0; name && i < 7; ++i)
        if (std::u16string_view(name) == kinds[i])
            return i;
    return AWTComponent::ButtonKind;
}

} // namespace

void TemplateLoader::buildControl(const WCHAR* key, const PropertyMap& map)
{
    const int kind = kindOf(map.get(u"AWTType"));
    const int id = map.getInt(u"id", -1);
    const WCHAR* text = map.get(u"text");
    auto* component = new AWTComponent(kind, id, Canvas::scaleToScreen(map.getInt(u"x", 0)),
                                       Canvas::scaleToScreen(map.getInt(u"y", 0)),
                                       Canvas::scaleToScreen(map.getInt(u"width", 32)),
                                       Canvas::scaleToScreen(map.getInt(u"height", 16)), text);
    if (kind == AWTComponent::TextAreaKind && map.getBool(u"wrap", false))
    {
        delete component->control;
        component->control = new WrappingTextArea(id, text ? text : u"");
    }
    component->setFont(Canvas::scaleToScreen(map.getInt(u"fontSize", 16)), map.get(u"fontFace"),
                       map.getBool(u"fontItalic", false), map.getInt(u"fontWeight", 400));
    component->visible = uint8_t(map.getBool(u"visible", true));
    auto* scene = dynamic_cast<SceneAWT*>(container(map));
    if (!scene)
    {
        delete component;
        return;
    }
    scene->addComponent(key, component, map.get(u"index"));
    if (!component->visible && component->control && component->control->getHandle())
        component->control->show(false);
}
