// page_strips.h -- the 2D scenes of a menu template: textured rectangles
// (Group2D entries, each a Rect2D with its material "rectMtl") in Scene2D
// rectangles, which the pages scroll through their texture offsets (the
// track preview strip, the scrolling prompt)
//
// The racing template loader builds the sprite, 3D and control scenes; the
// page reads the template's Scene2D and Group2D entries here after a load
// and draws each 2D scene at its place in the template's scene order.
#pragma once

#include "engine/scene/2d/group2d.h"

#include <os/types.h>

#include <memory>
#include <string>
#include <vector>

class Image;
class Properties;
class TextureDictionary;

namespace racing {

class PageStrips
{
public:
    struct Scene
    {
        std::u16string name;
        int x = 0, y = 0, width = 0, height = 0;
        uint32_t bkgColor = 0xFFFFFFFFu; // none
        bool visible = true;
        int before = 0; // drawn before the template's scene of this number
        std::vector<std::pair<std::u16string, std::unique_ptr<Rect2D>>> groups;
    };

    // The Scene2D and Group2D entries of the template, in file order (a
    // group whose container is no 2D scene of the template is left out);
    // textures from the folder through the dictionary, sides raised to
    // powers of two so that they wrap. Lengths: "NN%" of the client size,
    // else pixels.
    void build(Properties& templ, const WCHAR* folder, TextureDictionary& textures, int clientWidth,
               int clientHeight);
    void clear() { scenes.clear(); }

    Rect2D* findGroup(const WCHAR* groupName) const;
    // The 2D scenes placed before scene number `before` into the image.
    void draw(Image& surface, int before) const;
    const std::vector<Scene>& getScenes() const { return scenes; }

private:
    std::vector<Scene> scenes;
};

} // namespace racing
