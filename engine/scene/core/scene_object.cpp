// scene_object.cpp -- names and clone copies of scene objects
#include "engine/scene/core/scene_object.h"

#include "engine/scene/core/material.h"

void SceneObject::setName(const WCHAR* text)
{
    copyName(name, text);
}

void SceneObject::copyFieldsFrom(const SceneObject& other)
{
    visible = other.visible;
    x = other.x;
    y = other.y;
    width = other.width;
    height = other.height;
    objectType = other.objectType;
    status = other.status;
    extra = other.extra;
    persistent = other.persistent;
}
