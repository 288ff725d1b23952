// pen_pad.cpp -- direction choice, snapping and drawing of the pen pad
#include "engine/platform/pen_pad.h"

#include "engine/platform/gdi_draw.h"

#include <cstdlib>

namespace {

// Weights of right, up, left, down and the four diagonals; 1414 is about
// 1000 x sqrt(2), so axes and diagonals compete fairly.
const int kWeightX[8] = {1414, 0, -1414, 0, 1000, -1000, -1000, 1000};
const int kWeightY[8] = {0, 1414, 0, -1414, 1000, 1000, -1000, -1000};
// Arrow bits per direction: 1 up, 2 down, 4 left, 8 right.
const int kKeyBits[8] = {8, 1, 4, 2, 9, 5, 6, 10};

} // namespace

PenDirectionPad::PenDirectionPad(int32_t* bits, HDC target, int directionCount, int deadZone)
    : keyBits(bits), dc(target), directions(directionCount), radius(deadZone)
{
    pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
}

void PenDirectionPad::setStart(int x, int y)
{
    startX = x;
    startY = y;
}

void PenDirectionPad::setEnd(int x, int y)
{
    endX = x;
    endY = y;
}

int PenDirectionPad::directionOf(int dx, int dy, int directionCount, int deadZone)
{
    if (std::abs(dx) < deadZone && std::abs(dy) < deadZone)
        return -1;
    int last = directionCount == 1 ? 3 : 7;
    int best = -1;
    int64_t bestScore = -14140;
    for (int k = 0; k <= last; ++k)
    {
        int64_t score = int64_t(kWeightY[k]) * (-8 * int64_t(dy)) + int64_t(kWeightX[k]) * (8 * int64_t(dx));
        if (best < 0 || score > bestScore)
            best = k, bestScore = score;
    }
    return best;
}

void PenDirectionPad::snapEnd()
{
    int dx = endX - startX, dy = endY - startY;
    int d = dx > dy ? dx : dy;
    switch (direction)
    {
    case 0:
    case 2: endY = startY; break;
    case 1:
    case 3: endX = startX; break;
    case 4: endX = startX + d, endY = startY - d; break;
    case 5:
    case 7: endX = startX + d, endY = startY + d; break;
    case 6: endX = startX - d, endY = startY + d; break;
    default: break;
    }
}

void PenDirectionPad::draw()
{
    if (!dc)
        return;
    int oldRop = SetROP2(dc, R2_NOT);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, startX - radius, startY - radius, startX + radius, startY + radius);
    Ellipse(dc, endX - radius, endY - radius, endX + radius, endY + radius);
    drawLine(dc, startX, startY, endX, endY);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetROP2(dc, oldRop);
    previousEndX = endX;
    previousEndY = endY;
}

void PenDirectionPad::update()
{
    if (directions != 0)
    {
        direction = directionOf(endX - startX, endY - startY, directions, radius);
        snapEnd();
    }
    draw();
}

void PenDirectionPad::applyToKeys(bool pressed)
{
    if (direction < 0 || !keyBits)
        return;
    *keyBits &= ~15;
    if (pressed)
        *keyBits |= kKeyBits[direction];
}

void PenDirectionPad::release()
{
    if (pen)
        DeleteObject(pen);
    pen = nullptr;
}
