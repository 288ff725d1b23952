// gx.h -- GAPI: direct access to the device's display memory
//
// The "frame buffer" is the device screen itself (os::host::screen()): the
// pointer from GXBeginDraw points at its pixels, stays valid until
// GXCloseDisplay, and the back end shows that memory continuously, so
// programs that keep the pointer and never call GXEndDraw are still seen.
#pragma once

#include <os/types.h>

#define GX_FULLSCREEN 0x01
#define GX_NORMALKEYS 0x02
#define GX_LANDSCAPEKEYS 0x03

// Display format flags
#define kfLandscape 0x0008
#define kfPalette 0x0010
#define kfDirect 0x0020
#define kfDirect555 0x0040
#define kfDirect565 0x0080
#define kfDirect888 0x0100
#define kfDirect444 0x0200
#define kfDirectInverted 0x0400

// Six 32-bit values. The pitches are signed byte steps from one pixel to the
// next along x and along y.
struct GXDisplayProperties
{
    DWORD cxWidth;
    DWORD cyHeight;
    int32_t cbxPitch;
    int32_t cbyPitch;
    int32_t cBPP;
    DWORD ffFormat; // 16 bpp: kfDirect | kfDirect565; 32 bpp: kfDirect | kfDirect888
};

struct GXKeyList
{
    short vkUp;
    POINT ptUp;
    short vkDown;
    POINT ptDown;
    short vkLeft;
    POINT ptLeft;
    short vkRight;
    POINT ptRight;
    short vkA;
    POINT ptA;
    short vkB;
    POINT ptB;
    short vkC;
    POINT ptC;
    short vkStart;
    POINT ptStart;
};

// Always succeeds (non-zero).
int GXOpenDisplay(HWND window, DWORD flags);
int GXCloseDisplay();
// The screen's pixels while the display is open and not suspended, else NULL.
void* GXBeginDraw();
// Shows the screen.
int GXEndDraw();
int GXOpenInput();
int GXCloseInput();
GXDisplayProperties GXGetDisplayProperties();
// Arrows for up/down/left/right and the application keys 0xC1..0xC4 for
// A, B, C and Start, for both selectors (the screen is never turned).
GXKeyList GXGetDefaultKeys(int options);
int GXSuspend();
int GXResume();
int GXSetViewport(DWORD top, DWORD height, DWORD reserved1, DWORD reserved2);
// FALSE: the screen is ordinary memory, shown by the back end.
BOOL GXIsDisplayDRAMBuffer();
