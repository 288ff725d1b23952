// pen_pad.h -- a stylus drag turned into arrow-key bits
//
// While the pen is down the pad draws two circles (dead zone at the start,
// the snapped end) and the line between them with an inverting raster
// operation, so drawing the same figure again erases it. The key bits it
// sets belong to its owner (the canvas passes its key-bit word).
#pragma once

#include <os/windows.h>

#include <cstdint>

class PenDirectionPad
{
public:
    int enabled = 1;
    int startX = 0;
    int startY = 0;
    int endX = 0;
    int endY = 0;
    int32_t* keyBits = nullptr;
    HDC dc = nullptr;
    bool dragging = false;
    int directions = 8;
    int radius = 10;
    int direction = -1;
    HPEN pen = nullptr;
    int previousEndX = 0;
    int previousEndY = 0;

    // keyBits: the owner's key word; dc: where the pad draws.
    PenDirectionPad(int32_t* keyBits, HDC dc, int directions, int radius);
    ~PenDirectionPad() { release(); }
    PenDirectionPad(const PenDirectionPad&) = delete;
    PenDirectionPad& operator=(const PenDirectionPad&) = delete;

    void setStart(int x, int y);
    void setEnd(int x, int y);
    // Computes the direction, snaps the end point and draws.
    void update();
    void applyToKeys(bool pressed);
    void release();

    // The winning direction of a drag (dx, dy) among 4 or 8, -1 in the dead zone.
    static int directionOf(int dx, int dy, int directions, int radius);

private:
    void snapEnd();
    void draw();
};
