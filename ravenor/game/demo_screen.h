// demo_screen.h -- what each frame shows until the front end and the stages stand
//
// The title picture over the whole frame with one line of text drawn by the
// game's font.
#pragma once

void DrawDemoScreen();
