// bounding_box.cpp -- corners and centre of a box
#include "ravenor/engine/core/bounding_box.h"

void BoundingBox::Set(const Vector4s& lo, const Vector4s& hi)
{
    for (int i = 0; i < 8; ++i)
    {
        corners[i][0] = (i & 1) ? hi.x : lo.x;
        corners[i][1] = (i & 4) ? hi.y : lo.y;
        corners[i][2] = (i & 2) ? hi.z : lo.z;
    }
    centre[0] = static_cast<int16_t>((lo.x + hi.x) >> 1);
    centre[1] = static_cast<int16_t>((lo.y + hi.y) >> 1);
    centre[2] = static_cast<int16_t>((lo.z + hi.z) >> 1);
}
