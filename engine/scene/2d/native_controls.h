// native_controls.h -- the system control windows a control scene hosts
//
// Each kind is a Window of a system control class with fixed creation
// settings; none overrides a Window operation.
#pragma once

#include "engine/platform/window.h"

// A child control window of the given class, style and extended style.
class ControlWindow : public Window
{
public:
    ControlWindow(const WCHAR* className, DWORD style, DWORD exStyle, int id, const WCHAR* text);
};

class ButtonControl : public ControlWindow
{
public:
    ButtonControl(int id, const WCHAR* text) : ControlWindow(u"BUTTON", 0x50000000, 0, id, text) {}
};

// edge: the extended style of the edit's border (client edge here; the
// racing build's controls have a static edge, 0x20000).
class EditControl : public ControlWindow
{
public:
    EditControl(int id, const WCHAR* text, DWORD edge = 0x200) : ControlWindow(u"EDIT", 0x500000C0, edge, id, text) {}

protected:
    EditControl(DWORD extraStyle, int id, const WCHAR* text, DWORD edge)
        : ControlWindow(u"EDIT", 0x500000C0 | extraStyle, edge, id, text)
    {
    }
};

class TextAreaControl : public EditControl
{
public:
    TextAreaControl(int id, const WCHAR* text, DWORD edge = 0x200) : EditControl(0x301004, id, text, edge) {}
};

class ComboBoxControl : public ControlWindow
{
public:
    ComboBoxControl(int id, const WCHAR* text) : ControlWindow(u"COMBOBOX", 0x50200003, 0, id, text) {}
};

class ListBoxControl : public ControlWindow
{
public:
    ListBoxControl(int id, const WCHAR* text) : ControlWindow(u"LISTBOX", 0x50200001, 0x200, id, text) {}
};

class LabelControl : public ControlWindow
{
public:
    LabelControl(int id, const WCHAR* text) : ControlWindow(u"STATIC", 0x50000000, 0, id, text) {}
};

class StaticControl : public ControlWindow
{
public:
    StaticControl(int id, const WCHAR* text) : ControlWindow(u"STATIC", 0x50000000, 0, id, text) {}
};
