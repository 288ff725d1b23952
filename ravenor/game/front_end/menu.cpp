// menu.cpp -- the front end's screens and the pause menu
#include "ravenor/game/front_end/menu.h"

#include <os/windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/message_pump.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/front_end/interface_images.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/stage_tables.h"
#include "ravenor/game/world/world_draw.h"

MenuState g_menu;

namespace {

constexpr uint32_t kMenuFramePeriod = 20;
constexpr uint32_t kSelectKey = 13;
constexpr int32_t kFadeFrames = 13;
constexpr int32_t kTextBright = 512;
constexpr int32_t kLastStage = kStageCount - 1;
constexpr int32_t kFarDepth = 0x7FFF;
// The lowest centre of a read me line: its glyphs end above the BACK button
// (rows 190 to 209)
constexpr int32_t kReadMeLowest = 186;

// Classes whose models the front end loads while it runs
const int32_t kFrontEndClasses[10] = {kClassTrafficToyota,   kClassTrafficPrelude, kClassTrafficVan,
                                      kClassTrafficConcorde, kClassTrafficAmartin, kClassTrafficHearse,
                                      kClassTrafficF360,     kClassTrafficF40,     kClassTrafficPorsche,
                                      kClassQuestionMark};

enum Edge : int
{
    kEdgeLeft,
    kEdgeRight,
    kEdgeUp,
    kEdgeDown,
    kEdgeSelect,
    kEdgeCount,
};
static_assert(kEdgeCount == sizeof g_menu.seen);

uint32_t EdgeKey(int edge)
{
    switch (edge)
    {
    case kEdgeLeft: return g_shell.keyMap.codes[KeyMap::kLeft];
    case kEdgeRight: return g_shell.keyMap.codes[KeyMap::kRight];
    case kEdgeUp: return g_shell.keyMap.codes[KeyMap::kUp];
    case kEdgeDown: return g_shell.keyMap.codes[KeyMap::kDown];
    default: return kSelectKey;
    }
}

// One press when the key goes down; held keys count as seen in the first
// five frames of a menu.
bool KeyEdge(int edge)
{
    const bool down = IsKeyDown(EdgeKey(edge));
    if (g_shell.frameClock * 10 < 48)
    {
        g_menu.seen[edge] = true;
        return false;
    }
    if (!down)
    {
        g_menu.seen[edge] = false;
        return false;
    }
    if (g_menu.seen[edge])
        return false;
    g_menu.seen[edge] = true;
    return true;
}

int32_t RowsOf(int32_t state)
{
    switch (state)
    {
    case kMenuMain: return 3;
    case kMenuStageSelect: return 2;
    case kMenuOptions: return 6;
    case kMenuSound: return 3;
    case kMenuControls: return 2;
    case kMenuKeyRemap: return 8;
    case kMenuDetail: return 2;
    case kMenuPause: return 3;
    case kMenuInGameSound: return 3;
    case kMenuExitConfirm: return 2;
    default: return 1;
    }
}

// A screen change: timer and selection afresh
void Go(int32_t& state, int32_t next, int32_t selection = 0)
{
    state = next;
    g_menu.timer = 0;
    g_menu.selection = selection;
}

const TexImage& Image(InterfaceImage which)
{
    return g_menu.images[which];
}

// The point of a widget flying from (x0, y0) at t0 to (x1, y1) at t1
void Place(int32_t x0, int32_t y0, int32_t t0, int32_t x1, int32_t y1, int32_t t1, int32_t& x, int32_t& y)
{
    if (g_menu.timer >= t1 || t1 <= t0)
    {
        x = x1;
        y = y1;
        return;
    }
    x = x0 + (x1 - x0) * (g_menu.timer - t0) / (t1 - t0);
    y = y0 + (y1 - y0) * (g_menu.timer - t0) / (t1 - t0);
}

bool MenuImage(int32_t row, const TexImage& image, int32_t x0, int32_t y0, int32_t t0, int32_t x1, int32_t y1,
               int32_t t1, int32_t brightness)
{
    if (g_menu.timer < t0)
        return false;
    int32_t x = 0;
    int32_t y = 0;
    Place(x0, y0, t0, x1, y1, t1, x, y);
    DrawImage(x - static_cast<int32_t>(image.width) / 2, y - static_cast<int32_t>(image.height) / 2, 0, brightness, 5,
              image);
    return row >= 0 && row == g_menu.selection && g_menu.edges[kEdgeSelect];
}

bool MenuText(int32_t row, const char* text, int32_t x0, int32_t y0, int32_t t0, int32_t x1, int32_t y1, int32_t t1,
              int32_t colour)
{
    if (g_menu.timer < t0)
        return false;
    int32_t x = 0;
    int32_t y = 0;
    Place(x0, y0, t0, x1, y1, t1, x, y);
    const bool selected = row >= 0 && row == g_menu.selection;
    if (!selected || (g_shell.frameClock & 4) == 0)
        PrintTextColor(x - GetTextWidth(text) / 2, y - 6, 1, 1, colour, "%s", text);
    return g_menu.timer > t1;
}

bool MenuSlider(int32_t row, const TexImage& image, uint32_t& value, int32_t x0, int32_t y0, int32_t t0, int32_t x1,
                int32_t y1, int32_t t1, int32_t maximum, int32_t brightness)
{
    const bool selected = row == g_menu.selection;
    if (selected)
    {
        int32_t v = static_cast<int32_t>(value);
        if (IsKeyDown(EdgeKey(kEdgeLeft)))
            v -= 2;
        if (IsKeyDown(EdgeKey(kEdgeRight)))
            v += 2;
        value = static_cast<uint32_t>(v < 0 ? 0 : v > maximum ? maximum : v);
    }
    MenuImage(-1, image, x0 + static_cast<int32_t>(value), y0, t0, x1 + static_cast<int32_t>(value), y1, t1,
              brightness);
    return selected;
}

// A row: its button image and caption flying in together from one side
bool Button(int32_t row, InterfaceImage image, const char* text, int32_t x, int32_t y, int32_t t0, int32_t t1,
            bool fromLeft)
{
    const int32_t start = fromLeft ? -120 : 296;
    const bool chosen = MenuImage(row, Image(image), start, y, t0, x, y, t1, 512);
    MenuText(row, text, start, y + 1, t0, x, y + 1, t1, kTextBright);
    return chosen;
}

void Click()
{
    PlaySound(kSoundClick);
}

void Background()
{
    DrawFullScreenImage(g_menu.timer + 32, Image(kImageTitle));
}

int32_t MainScreen(int32_t& state)
{
    Background();
    MenuImage(-1, Image(kImageTitle2), 88, -40, 0, 88, 60, 600, 512);
    const char* const rows[3] = {"select level", "options", "exit"};
    const int32_t next[3] = {kMenuStageSelect, kMenuOptions, kMenuExitConfirm};
    for (int32_t row = 0; row < 3; ++row)
    {
        if (Button(row, kImageLongButton, rows[row], 88, 130 + 30 * row, 500 * row, 1000 + 500 * row, row % 2 == 0))
        {
            Click();
            FadeOut();
            Go(state, next[row]);
            return -1;
        }
    }
    return -1;
}


void StandStill(Entity*)
{
}

// The stage's showcase car turning in front of a camera that closes in
void DrawAttractCar(int32_t c)
{
    Entity* car = g_menu.attractCar;
    if (car == nullptr)
        return;
    if (car->classNumber != c)
    {
        car->classNumber = c;
        car->model = nullptr;
        SendClassMessage(c, car, kMsgCreate);
    }
    car->heading = (car->heading + g_speedFactor * 15 / 256) & 0xFFF;
    car->orientation.SetRotationY(car->heading / 2);
    const int32_t d = std::max(512, 400000 / (g_menu.timer + 1));
    CameraState view;
    view.orientation.t[0] = car->X() - d * 2500 / 512;
    view.orientation.t[1] = car->Y() - d * 675 / 512;
    view.orientation.t[2] = car->Z();
    for (int a = 0; a < 3; ++a)
        view.look[a] = car->orientation.t[a] - view.orientation.t[a];
    BuildCameraOrientation(view);
    MatrixStack& stack = *g_renderer.stack;
    stack.Push();
    Transform::Copy(*stack.top, WorldTransform());
    DrawEntities();
    stack.Pop();
    FlushDepthQueue();
}

int32_t StageSelectScreen(int32_t& state)
{
    // The backdrop lies behind everything drawn after it.
    DrawImage(0, 0, kFarDepth, 512, 5, Image(kImageSelectBack));
    if (g_menu.selectedStage > 0)
    {
        MenuImage(-1, Image(kImageLeftArrow), 16, 110, 0, 16, 110, 0, 512);
        MenuText(-1, "prev", 16, 128, 0, 16, 128, 0, kTextBright);
        if (g_menu.edges[kEdgeLeft])
        {
            --g_menu.selectedStage;
            g_menu.timer = 0;
        }
    }
    if (g_menu.selectedStage != kLastStage)
    {
        MenuImage(-1, Image(kImageRightArrow), 160, 110, 0, 160, 110, 0, 512);
        MenuText(-1, "next", 160, 128, 0, 160, 128, 0, kTextBright);
        if (g_menu.edges[kEdgeRight] && g_menu.selectedStage < kLastStage)
        {
            ++g_menu.selectedStage;
            g_menu.timer = 0;
        }
    }
    DrawAttractCar(ShowcaseClass(g_menu.selectedStage));
    const Briefing& briefing = StageBriefing(g_menu.selectedStage);
    MenuText(-1, briefing.title, 88, 10, 0, 88, 10, 0, kTextBright);
    const int32_t lineY[4] = {30, 45, 60, 75};
    for (int i = 0; i < 4; ++i)
        if (briefing.lines[i] != nullptr && briefing.lines[i][0] != 0)
            MenuText(-1, briefing.lines[i], 88, lineY[i], 0, 88, lineY[i], 0, kTextBright);
    if (Button(1, kImageShortButton, "menu", 40, 200, 0, 500, true))
    {
        Click();
        Go(state, kMenuMain);
        FadeOut();
        return -1;
    }
    if (Button(0, kImageGreenButton, "start", 130, 200, 0, 500, false))
    {
        Click();
        PrintTextColor(88 - GetTextWidth("loading") / 2, 150, 1, 1, kTextBright, "loading");
        return 1;
    }
    return -1;
}

int32_t OptionsScreen(int32_t& state)
{
    Background();
    MenuImage(-1, Image(kImageOptions), 88, 30, 0, 88, 30, 0, 512);
    struct Row
    {
        const char* text;
        int32_t next;
        int32_t selection;
    };
    const Row rows[5] = {{"read me", kMenuReadMe, 0},
                         {"sound", kMenuSound, 2},
                         {"controls", kMenuControls, 1},
                         {"credits", kMenuCredits, 0},
                         {"detail", kMenuDetail, 1}};
    for (int32_t row = 0; row < 5; ++row)
    {
        if (Button(row, kImageGreenButton, rows[row].text, 88, 75 + 25 * row, 100 * row, 500 + 100 * row, row % 2 == 0))
        {
            Click();
            FadeOut();
            Go(state, rows[row].next, rows[row].selection);
            return -1;
        }
    }
    if (Button(5, kImageShortButton, "menu", 88, 200, 500, 1000, false))
    {
        Click();
        FadeOut();
        SaveSettings();
        Go(state, kMenuMain);
    }
    return -1;
}

// The two volume sliders and "back"; answers true when "back" was chosen
bool VolumeRows(int32_t t1)
{
    MenuImage(-1, Image(kImageRadio), 30, 80, 0, 30, 80, 0, 512);
    if (MenuSlider(0, Image(kImageSlider), g_settings.musicVolume, 30, 100, 0, 30, 100, t1, kMaxVolume, 512))
    {
        ResumeMusic();
        SetMusicVolume(static_cast<int32_t>(g_settings.musicVolume), kMaxVolume);
    }
    MenuText(0, "music", 88, 80, 0, 88, 80, t1, kTextBright);
    if (MenuSlider(1, Image(kImageSlider), g_settings.effectsVolume, 30, 150, 0, 30, 150, t1, kMaxVolume, 512) &&
        IsTickDue(11))
    {
        SetEffectsVolume(static_cast<int32_t>(g_settings.effectsVolume), kMaxVolume);
        PlaySound(kSoundVolume);
    }
    MenuText(1, "sound effects", 88, 130, 0, 88, 130, t1, kTextBright);
    return Button(2, kImageShortButton, "back", 88, 200, 0, t1, true);
}

int32_t SoundScreen(int32_t& state)
{
    Background();
    MenuImage(-1, Image(kImageSound), 88, 30, 0, 88, 30, 0, 512);
    if (VolumeRows(500))
    {
        Click();
        if (g_settings.musicVolume == 0)
            PauseMusic();
        FadeOut();
        Go(state, kMenuOptions, 5);
    }
    return -1;
}

const char* const kKeyNames[6] = {"left", "right", "accelerate", "brake", "handbrake", "pause"};

uint32_t* KeyOf(int i)
{
    uint32_t* keys[6] = {&g_settings.keyLeft,  &g_settings.keyRight,     &g_settings.keyAccelerate,
                         &g_settings.keyBrake, &g_settings.keyHandbrake, &g_settings.keyPause};
    return keys[i];
}

int32_t ControlsScreen(int32_t& state)
{
    Background();
    MenuImage(-1, Image(kImageControls), 88, 20, 0, 88, 20, 0, 512);
    if (KeysAreDefault())
    {
        MenuImage(-1, Image(kImageLayout), 88, 110, 0, 88, 110, 0, 512);
    }
    else
    {
        const char* const lines[6] = {"steer left", "steer right", "accelerator", "brake", "handbrake", "pause"};
        for (int i = 0; i < 6; ++i)
        {
            const int32_t y = 50 + 20 * i;
            MenuText(-1, lines[i], 60, y, 0, 60, y, 0, kTextBright);
            MenuImage(-1, Image(kImageSmallButton), 140, y, 0, 140, y, 0, 512);
            const char glyph[2] = {KeyGlyph(*KeyOf(i)), 0};
            MenuText(-1, glyph, 140, y + 1, 0, 140, y + 1, 0, kTextBright);
        }
    }
    if (Button(0, kImageShortButton, "change", 50, 200, 0, 500, true))
    {
        Click();
        Go(state, kMenuKeyRemap, 7);
        g_menu.remapRow = 0;
        return -1;
    }
    if (Button(1, kImageShortButton, "back", 126, 200, 0, 500, false))
    {
        Click();
        Go(state, kMenuOptions, 5);
    }
    return -1;
}

bool RefusedBinding(int32_t code)
{
    switch (code)
    {
    case 27:
    case 91:
    case 114:
    case 115:
    case 121:
    case 128:
    case 129: return true;
    default: return false;
    }
}

int32_t KeyRemapScreen(int32_t& state)
{
    Background();
    if (g_menu.remapRow > 0)
    {
        const int32_t code = WaitForNewKey();
        if (code >= 0 && !RefusedBinding(code))
        {
            *KeyOf(g_menu.remapRow - 1) = static_cast<uint32_t>(code);
            g_menu.remapRow = 0;
        }
    }
    for (int32_t row = 0; row < 6; ++row)
    {
        const int32_t y = 20 + 20 * row;
        const bool waiting = g_menu.remapRow == row + 1;
        const bool chosen = Button(row, kImageGreenButton, kKeyNames[row], 60, y, 0, 500, true);
        // The glyph on its key cap; the cap stays while a binding waits.
        MenuImage(-1, Image(kImageSmallButton), 140, y, 0, 140, y, 0, 512);
        if (!waiting || (g_shell.frameClock & 2) == 0)
        {
            const char glyph[2] = {KeyGlyph(*KeyOf(row)), 0};
            MenuText(-1, glyph, 140, y + 1, 0, 140, y + 1, 0, kTextBright);
        }
        if (chosen && g_menu.remapRow == 0)
        {
            Click();
            g_menu.remapRow = row + 1;
            g_menu.keysArmed = false;
        }
    }
    if (Button(6, kImageGreenButton, "defaults", 88, 160, 0, 500, false) && g_menu.remapRow == 0)
    {
        Click();
        SetDefaultKeys();
        g_menu.remapRow = 0;
    }
    if (Button(7, kImageShortButton, "back", 88, 200, 0, 500, true) && g_menu.remapRow == 0)
    {
        Click();
        FadeOut();
        Go(state, kMenuControls, 1);
    }
    return -1;
}

const char* const kCreditsLine = "ravenor - a city driving game - program, city, cars and sounds by the ravenor team - "
                                 "thank you for playing";

// A line wider than the screen on its way across it: the glyphs standing
// whole on the screen (the text drawer draws no line wider than the screen)
void TickerText(const char* text, int32_t x, int32_t y)
{
    std::string shown;
    int32_t left = 0;
    for (const char* p = text; *p != 0; ++p)
    {
        const char glyph[2] = {*p, 0};
        const int32_t width = GetTextWidth(glyph);
        if (x >= 0 && x + width <= kFrameWidth)
        {
            if (shown.empty())
                left = x;
            shown += *p;
        }
        x += width;
    }
    if (!shown.empty())
        PrintTextColor(left, y, 1, 1, kTextBright, "%s", shown.c_str());
}

int32_t CreditsScreen(int32_t& state)
{
    Background();
    MenuImage(-1, Image(kImageCredits), 88, 30, 0, 88, 30, 0, 512);
    if (g_menu.timer > 30000)
        g_menu.timer = 1200;
    if (g_menu.timer >= 1200)
    {
        int32_t x = 0;
        int32_t y = 0;
        Place(700, 120, 1200, -700, 120, 30000, x, y);
        TickerText(kCreditsLine, x - GetTextWidth(kCreditsLine) / 2, y - 6);
    }
    if (Button(0, kImageShortButton, "back", 88, 200, 0, 500, true))
    {
        Click();
        FadeOut();
        Go(state, kMenuOptions, 5);
    }
    return -1;
}

int32_t DetailScreen(int32_t& state)
{
    Background();
    MenuText(-1, "use the slider to adjust", 88, 60, 0, 88, 60, 0, kTextBright);
    MenuText(-1, "the drawing distance for", 88, 72, 0, 88, 72, 0, kTextBright);
    MenuText(-1, "the speed of your device", 88, 84, 0, 88, 84, 0, kTextBright);
    MenuImage(-1, Image(kImageDetail), 88, 30, 0, 88, 30, 0, 512);
    MenuSlider(0, Image(kImageSphereSlider), g_settings.detail, 24, 120, 0, 24, 120, 0, kMaxDetail, 512);
    MenuText(0, "adjust", 88, 140, 0, 88, 140, 0, kTextBright);
    if (Button(1, kImageShortButton, "back", 88, 200, 0, 500, true))
    {
        Click();
        FadeOut();
        Go(state, kMenuOptions, 5);
    }
    return -1;
}

int32_t ReadMeScreen(int32_t& state)
{
    static const char* const lines[] = {"Release Notes",
                                        "Use the Detail Slider to",
                                        "adjust the level of detail",
                                        "for the speed of your",
                                        "device.",
                                        "",
                                        "For maximum performance",
                                        "ensure that no other",
                                        "applications are running.",
                                        "for example, reset",
                                        "your device beforehand.",
                                        "",
                                        "",
                                        "if the default keys",
                                        "don't work for you",
                                        "then remap the controls",
                                        "",
                                        "",
                                        "",
                                        "To preserve battery",
                                        "charge, exit the game",
                                        "when you have finished",
                                        "playing."};
    Background();
    if (g_menu.timer > 42000)
        g_menu.timer = 1200;
    int32_t i = 0;
    for (const char* line : lines)
    {
        // Shown above the BACK button only: a line coming to it goes out of
        // sight rather than run behind it.
        int32_t x = 0;
        int32_t y = 0;
        Place(88, 270 + 20 * i, 0, 88, -530 + 20 * i, 38000, x, y);
        if (line[0] != 0 && y <= kReadMeLowest)
            MenuText(-1, line, 88, 270 + 20 * i, 0, 88, -530 + 20 * i, 38000, kTextBright);
        ++i;
    }
    if (Button(0, kImageShortButton, "back", 88, 200, 0, 500, true))
    {
        Click();
        FadeOut();
        Go(state, kMenuOptions, 5);
    }
    return -1;
}

int32_t PauseScreen(int32_t& state)
{
    MenuImage(-1, Image(kImagePause), 88, 30, 0, 88, 30, 0, 512);
    if (Button(0, kImageLongButton, "continue", 88, 100, 0, 300, true))
    {
        Click();
        if (g_settings.musicVolume > 0)
            ResumeMusic();
        ResumeAllSounds();
        return 1;
    }
    if (Button(1, kImageLongButton, "quit", 88, 135, 0, 300, false))
    {
        Click();
        g_shell.stageOver = true;
        PrintTextColor(88 - GetTextWidth("loading") / 2, 190, 1, 1, kTextBright, "loading");
        return 1;
    }
    if (Button(2, kImageLongButton, "sound", 88, 170, 0, 300, true))
    {
        Click();
        ResumeMusic();
        Go(state, kMenuInGameSound, 2);
    }
    return -1;
}

int32_t InGameSoundScreen(int32_t& state)
{
    if (VolumeRows(1000))
    {
        Click();
        Go(state, kMenuPause);
        PauseMusic();
    }
    return -1;
}

int32_t ExitScreen(int32_t& state)
{
    Background();
    MenuText(-1, "are you sure", 88, 80, 0, 88, 80, 0, kTextBright);
    MenuText(-1, "you wish to exit?", 88, 95, 0, 88, 95, 0, kTextBright);
    if (Button(0, kImageShortButton, "yes", 50, 150, 0, 500, true))
    {
        Click();
        SaveSettings();
        HaltGame();
        return -1;
    }
    if (Button(1, kImageShortButton, "no", 126, 150, 0, 500, false))
    {
        Click();
        FadeOut();
        Go(state, kMenuMain);
    }
    return -1;
}

} // namespace

bool MenuKeyLeft()
{
    return KeyEdge(kEdgeLeft);
}

bool MenuKeyRight()
{
    return KeyEdge(kEdgeRight);
}

bool MenuKeyUp()
{
    return KeyEdge(kEdgeUp);
}

bool MenuKeyDown()
{
    return KeyEdge(kEdgeDown);
}

bool MenuKeySelect()
{
    return KeyEdge(kEdgeSelect);
}

int32_t RunMenu(int32_t& state)
{
    g_menu.timer += 32;
    g_menu.rows = RowsOf(state);
    g_menu.edges[kEdgeLeft] = MenuKeyLeft();
    g_menu.edges[kEdgeRight] = MenuKeyRight();
    g_menu.edges[kEdgeUp] = MenuKeyUp();
    g_menu.edges[kEdgeDown] = MenuKeyDown();
    g_menu.edges[kEdgeSelect] = MenuKeySelect();
    // While a binding waits, the keys pressed are its own: Return, up and
    // down choose no row and move no selection. Without this, binding Return
    // bound it and chose the selected row again in the same frame, which
    // started a new binding that the next key pressed overwrote (Return could
    // never stay bound), and binding up or down also moved the selection.
    // The edge taken here marks the key seen, so while it is held after its
    // binding it acts on no row either.
    if (state == kMenuKeyRemap && g_menu.remapRow > 0)
        g_menu.edges[kEdgeUp] = g_menu.edges[kEdgeDown] = g_menu.edges[kEdgeSelect] = false;
    if (g_menu.edges[kEdgeUp] && --g_menu.selection < 0)
        g_menu.selection = g_menu.rows - 1;
    if (g_menu.edges[kEdgeDown] && ++g_menu.selection >= g_menu.rows)
        g_menu.selection = 0;
    switch (state)
    {
    case kMenuMain: return MainScreen(state);
    case kMenuStageSelect: return StageSelectScreen(state);
    case kMenuOptions: return OptionsScreen(state);
    case kMenuSound: return SoundScreen(state);
    case kMenuControls: return ControlsScreen(state);
    case kMenuKeyRemap: return KeyRemapScreen(state);
    case kMenuCredits: return CreditsScreen(state);
    case kMenuDetail: return DetailScreen(state);
    case kMenuReadMe: return ReadMeScreen(state);
    case kMenuPause: return PauseScreen(state);
    case kMenuInGameSound: return InGameSoundScreen(state);
    case kMenuExitConfirm: return ExitScreen(state);
    default: Go(state, kMenuMain); return -1;
    }
}

int32_t MenuLoop(int32_t& state)
{
    for (;;)
    {
        if (ServeMessage())
            continue;
        if (IsGameHalted())
        {
            ReleaseHaltedDisplay();
            Sleep(1);
            continue;
        }
        if (!g_shell.active)
        {
            Sleep(1);
            continue;
        }
        PaceFrame(kMenuFramePeriod);
        ++g_shell.frameCounter;
        g_shell.frameClock += g_speedFactor / 256;
        ReadControls();
        if ((g_shell.frameCounter & 15) == 0)
            SetForegroundWindow(g_shell.window);
        const int32_t result = RunMenu(state);
        DrawMessages();
        PresentFrameNoClear(0);
        if (result != -1)
            return result;
    }
}

int32_t RunFrontEnd()
{
    g_shell.frameClock = 0;
    g_shell.penDown = false;
    for (int32_t c : kFrontEndClasses)
        SendClassMessage(c, nullptr, kMsgLoad);
    ResetAllEntities();
    // The driver slots of the last stage are let go here.
    g_stage.driverSlotCount = 0;
    g_menu.attractCar = AllocEntity();
    if (g_menu.attractCar != nullptr)
    {
        g_menu.attractCar->update = StandStill;
        g_menu.attractCar->classNumber = -1;
    }
    SetViewDistance(0);
    PlayTune("title.wav");
    FadeOut();
    MenuLoop(g_menu.frontEndState);
    if (g_menu.attractCar != nullptr)
        MakeInert(g_menu.attractCar);
    g_menu.attractCar = nullptr;
    for (int32_t c : kFrontEndClasses)
        SendClassMessage(c, nullptr, kMsgUnload);
    return g_menu.selectedStage;
}

void DarkenScreen()
{
    for (uint32_t& cell : g_frame)
    {
        const uint32_t c = cell & 0xFFFF;
        const uint32_t r = ((c >> 11) * 200) >> 8;
        const uint32_t g = (((c >> 5) & 0x3F) * 25) >> 5;
        const uint32_t b = ((c & 0x1F) * 200) >> 8;
        cell = (cell & 0xFFFF0000u) | (r << 11) | (g << 5) | b;
    }
}

void FadeOut()
{
    for (int32_t i = 0; i < kFadeFrames; ++i)
    {
        while (ServeMessage())
        {
        }
        PaceFrame(kMenuFramePeriod);
        ++g_shell.frameCounter;
        ++g_shell.frameClock;
        DarkenScreen();
        PresentFrameNoClear(0);
    }
}

int32_t WaitForNewKey()
{
    if (!g_menu.keysArmed)
    {
        for (uint8_t key : g_shell.keys)
            if (key != 0)
                return -1;
        g_menu.keysArmed = true;
        return -1;
    }
    for (int32_t code = 0; code < 256; ++code)
    {
        if (g_shell.keys[code] != 0)
        {
            g_menu.keysArmed = false;
            return code;
        }
    }
    return -1;
}

char KeyGlyph(uint32_t code)
{
    const KeyMap& map = g_shell.keyMap;
    if (code == map.codes[KeyMap::kDown])
        return 'D';
    if (code == map.codes[KeyMap::kUp])
        return 'U';
    if (code == map.codes[KeyMap::kLeft])
        return 'L';
    if (code == map.codes[KeyMap::kRight])
        return 'R';
    switch (code)
    {
    case 13: return 'A';
    case 27: return 'B';
    case 114: return 'T';
    case 115: return 'E';
    case 119: return 'S';
    case 120: return 'H';
    default: break;
    }
    if (code >= 48 && code <= 57)
        return static_cast<char>('0' + (code - 48));
    static const char kByLowBits[17] = "CFGIJKMNOPQVWXYZ";
    return kByLowBits[code % 16];
}


void UpdateKeyFlags()
{
    for (int i = 0; i < 3; ++i)
    {
        g_menu.keyFlags[i] = false;
        for (int k = 0; k < 6; ++k)
            g_menu.keyFlags[i] = g_menu.keyFlags[i] || *KeyOf(k) == static_cast<uint32_t>(256 + i);
    }
}

void ResetMenus()
{
    // The pictures stay: they are loaded once for the whole run.
    MenuState fresh;
    std::swap(fresh.images, g_menu.images);
    g_menu = std::move(fresh);
}
