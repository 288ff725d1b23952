// race_track.cpp -- turning helpers of the racers
#include "racing/framework/race_track.h"

#include "engine/base/matrix_ops.h"

#include <cmath>

namespace racing {

void turnInFront(Matrix4& m, const Quaternion& q)
{
    Matrix4 r;
    r.setFromQuaternion(q);
    Vector3 t;
    m.getTranslation(t);
    Matrix4 product;
    product.setProduct(r, m);
    product.setTranslation(t);
    m.copyFrom(product);
}

void partialTurn(Quaternion& out, const Vector3& from, const Vector3& to, float t)
{
    Quaternion target;
    setRotationBetween(target, from, to);
    setIdentity(out);
    if (target.x == 0.0f && target.y == 0.0f && target.z == 0.0f && target.w == 0.0f)
        return;
    slerpShortest(out, target, t);
    float n = std::sqrt(out.x * out.x + out.y * out.y + out.z * out.z + out.w * out.w);
    if (n > 0.0f)
        out.set(out.x / n, out.y / n, out.z / n, out.w / n);
    else
        setIdentity(out);
}

} // namespace racing
