// frame_buffer.h -- the game's 176 x 220 frame of colour and depth, and its presentation
//
// Each cell is (depth << 16) | RGB565. PresentFrame packs the frame into the
// display's 16-bit buffer (two pixels a word, the left one in the low half)
// and clears it to depth 32767, black, in the same pass.
#pragma once

#include <cstdint>

#include "ravenor/engine/data/textures.h"

class Display;

constexpr int32_t kFrameWidth = 176;
constexpr int32_t kFrameHeight = 220;
constexpr int32_t kFrameCells = kFrameWidth * kFrameHeight;
constexpr uint32_t kClearCell = 0x7FFF0000;

// The frame, row-major, row 0 at the top.
extern uint32_t g_frame[kFrameCells];

// The renderer's frame counter: one step per drawn frame.
extern int32_t g_renderFrame;

// The display PresentFrame hands the frame to (owned by the shell).
void SetFrameDisplay(Display* display);

// Packs and clears the frame, then swaps with the flags. Nothing once halted.
// A frame whose buffer cannot be had is skipped (the frame is still cleared).
void PresentFrame(uint32_t swapFlags);
// As PresentFrame, keeping the frame; 0 when the frame was not shown.
int PresentFrameNoClear(uint32_t swapFlags);

// Stops presentation for good.
void HaltGame();
bool IsGameHalted();

// Sets every cell to the clear value.
void ClearFrame();

// RGB565 colour times brightness / 512, each field on its own (brightness 0..511).
uint16_t ScaleColour(uint16_t pixel, int32_t brightness);

// A 176 x 220 image over the whole frame at depth 0: cell k takes pixel
// 38719 - k, so the image's last stored pixel lands at the top left. Nothing
// for an image of another size or without pixels.
void DrawFullScreenImage(int32_t brightness, const TexImage& image);

// An image with its top-left corner at (x, y); stored rows are bottom-up.
// Modes: 0 depth-tested, 1 as 0 without pixel 0, 3 half blend, 4 additive,
// 5 shaded without pixel 0, 6 shaded (3 to 6 without depth test, writing
// depth D); others draw nothing. Brightness above 512 is 512, and mode 5 at
// full brightness is mode 1.
void DrawImage(int32_t x, int32_t y, int32_t depth, int32_t brightness, int32_t mode, const TexImage& image);

// Tests: clears the frame and the halt flag, forgets the display.
void ResetFrameBuffer();
