// car_models.h -- the car models of the traffic and driven classes and the
// pedestrians' models
//
// Models are in world units, y up, the front toward -z. Cars are boxes: a
// body, a glass cabin under a roof of the body's colour, bumpers, lamps and
// wheels, shaped and coloured per model (a low wide sports car with a rear
// wing, an open jeep with a roll bar, a tall van, a long hearse, ...). The
// models that a driven class uses ("amartin", "cherokee", "hearse",
// "mercedes", "porsche", "prelude", "towncar", "toyota", "van", "f40",
// "f360") carry their wheels as the four named wheel meshes, 200 below the
// origin with radius 100; the traffic-only models ("alto", "catera",
// "deville", "estate", "intrepid", "jeep", "lincoln") have their wheels in
// the body and stand 200 below the origin. ("concorde", the first stage's
// car, is written with the stage.)
//
// Pedestrians "male1" .. "male6" and "female1" .. "female6": one mesh of
// legs, body, arms and head 750 high round the origin, in six colourings;
// the women wear skirts and longer hair.
#pragma once

#include <string>
#include <vector>

#include "content/ravenor/demo_content.h"
#include "content/ravenor/mesh_writer.h"

namespace ravenor_content {

// The ".p3d" and ".tex" entries of every car model above
void CarModelEntries(std::vector<DemoEntry>& entries);
// The ".p3d" and ".tex" entries of the twelve pedestrians
void PedestrianModelEntries(std::vector<DemoEntry>& entries);

// One car model's meshes (tests); empty for an unknown name
std::vector<Mesh> CarModelMeshes(const std::string& name);

} // namespace ravenor_content
