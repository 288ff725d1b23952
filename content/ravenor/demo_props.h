// demo_props.h -- the models of the solid props, the effects and the target
// arrows
//
// Solid props: "box", "cone", "roadblock" (a striped plank on two legs, two
// meshes, so that it breaks when hit), "lamppost" (a pole with its arm
// toward +x and its lamp 1400 up, where the glow rides) and "qmark" (a
// block with a question mark). Effects: "glow" and "yellowglow" (added light
// squares), "tyresmoke" (six frames of a fading puff), "skidmark" (a dark
// half-blended strip 410 long, the length a streak piece has at full
// stretch) and "debris" (a small bright piece, the sparks). Arrows:
// "arrow.p3d" (pointing to -z) with its opaque
// "arrow.tex" and its half-blended "arrow_alpha.tex". Models are in world
// units, y up.
#pragma once

#include <vector>

#include "content/ravenor/demo_content.h"

namespace ravenor_content {

void DemoPropEntries(std::vector<DemoEntry>& entries);

} // namespace ravenor_content
