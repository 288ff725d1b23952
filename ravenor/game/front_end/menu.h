// menu.h -- the menus: one state machine drawn and advanced once a frame,
// used by the front end between stages and by the in-game pause
#pragma once

#include <cstdint>

#include "ravenor/game/front_end/interface_images.h"

enum MenuScreen : int32_t
{
    kMenuMain = 0,
    kMenuStageSelect = 1,
    kMenuOptions = 2,
    kMenuSound = 3,
    kMenuControls = 4,
    kMenuKeyRemap = 5,
    kMenuCredits = 6,
    kMenuDetail = 7,
    kMenuReadMe = 8,
    kMenuPause = 9,
    kMenuInGameSound = 10,
    kMenuExitConfirm = 15,
};

struct Entity;

// The menus' record
struct MenuState
{
    int32_t timer = 0;                   // grows by 32 each RunMenu; 0 on most screen changes
    int32_t selection = 0;               // the selected row
    int32_t selectedStage = 0;           // the stage the stage select shows (0..33)
    int32_t remapRow = 0;                // 0, or 1..6 for the binding that waits for a key
    int32_t frontEndState = kMenuMain;   // where the front end opens: kept for the whole run
    // Whether any of the six game keys is bound to the code 256, 257 or
    // 258 (codes beyond the key table), worked out when a stage starts
    bool keyFlags[3] = {};
    // The key edges: each key seen down, and this frame's presses (left,
    // right, up, down, select)
    bool seen[5] = {};
    bool edges[5] = {};
    int32_t rows = 1;                    // rows of the screen (the wrap limit)
    bool keysArmed = false;              // WaitForNewKey: every key has been seen up
    Entity* attractCar = nullptr;        // the stage select's turning car
    // The menu and HUD pictures, loaded once at start (LoadInterfaceImages)
    TexImage images[kInterfaceImageCount];
};
extern MenuState g_menu;

// One frame of the screen of state (which may change): -1 while the menu
// stays, 1 when the caller's menu is finished (stage chosen, pause left,
// stage quit).
int32_t RunMenu(int32_t& state);
// Frames of RunMenu paced at 20 ms until it answers other than -1
int32_t MenuLoop(int32_t& state);
// The front end between stages: answers the chosen stage.
int32_t RunFrontEnd();

// Key edges: one press each time the key goes down (none in the first five
// frames after a menu opens)
bool MenuKeyLeft();
bool MenuKeyRight();
bool MenuKeyUp();
bool MenuKeyDown();
bool MenuKeySelect();

// Every colour of the frame darkened to 200/256; depth kept
void DarkenScreen();
// 13 darkening frames
void FadeOut();
// -1 until every key has been seen up; then the lowest key down (-1 if none)
int32_t WaitForNewKey();
// The one-letter glyph that names a key code
char KeyGlyph(uint32_t code);
// g_menu.keyFlags from the six game keys
void UpdateKeyFlags();

// Tests: every menu value back to its start (the loaded pictures stay)
void ResetMenus();
