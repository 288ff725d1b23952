// scene_children.h -- the groups of a race page's 3D scene under a name
// (tests of both racing programs)
#pragma once

#include "racing/engine/scene3d.h"

#include "engine/scene/3d/group3d.h"

#include <string_view>
#include <vector>

namespace racing_test {

inline std::vector<Group3D*> childrenNamed(const racing::Scene3D& scene, const char16_t* name)
{
    std::vector<Group3D*> out;
    for (Group3D* g : scene.children)
        if (std::u16string_view(g->name) == name)
            out.push_back(g);
    return out;
}

} // namespace racing_test
