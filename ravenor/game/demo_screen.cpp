// demo_screen.cpp -- the frame shown while the game has no front end yet
#include "demo_screen.h"

#include "engine/frame_buffer.h"
#include "engine/text.h"
#include "interface_images.h"

namespace {

constexpr int32_t kTextRow = 196;

} // namespace

void DrawDemoScreen()
{
    DrawFullScreenImage(512, g_interfaceImages[kImageTitle]);
    DrawTextLine(0, kTextRow, 0, "RAVENOR CITY ENGINE", true);
}
