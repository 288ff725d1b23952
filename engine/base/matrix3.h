// matrix3.h -- 3x3 matrix of the 2D transforms (row-major, identity by default)
#pragma once

#include <algorithm>

struct Matrix3
{
    float m[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};

    void copyFrom(const Matrix3& other) { std::copy(other.m, other.m + 9, m); }
};
