// demo_screen.cpp -- the frame shown while the game has no front end yet
#include "ravenor/game/demo_screen.h"

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/interface_images.h"

namespace {

constexpr int32_t kTextRow = 196;

} // namespace

void DrawDemoScreen()
{
    DrawFullScreenImage(512, g_interfaceImages[kImageTitle]);
    DrawTextLine(0, kTextRow, 0, "RAVENOR CITY ENGINE", true);
}
