// hud.cpp -- the stage's message lines, the countdown digit and race clock,
// and the frame's controls
#include "ravenor/game/world/hud.h"

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/world/stage_state.h"

namespace {

constexpr int32_t kMessageFrames = 132;
constexpr int32_t kMessageTop = 70;
constexpr int32_t kLineHeight = 10;
constexpr int32_t kLineChars = kMessageChars;

bool Empty(const char* line)
{
    return line == nullptr || line[0] == 0;
}

// A line that begins "<y>" or "<x,y>" is placed there; otherwise centred at y.
void DrawMessageLine(int32_t& y, const char* line)
{
    char text[kLineChars + 1];
    std::snprintf(text, sizeof text, "%.*s", int(kLineChars), line);
    const char* body = text;
    int32_t x = -1;
    if (text[0] == '<')
    {
        int32_t numbers[2] = {0, 0};
        int count = 0;
        const char* p = text + 1;
        for (; *p != 0 && *p != '>'; ++p)
        {
            if (*p >= '0' && *p <= '9' && count < 2)
                numbers[count] = numbers[count] * 10 + (*p - '0');
            else if (*p == ',' && count < 1)
                ++count;
        }
        ++count;
        if (*p == '>')
        {
            body = p + 1;
            if (count == 1)
                y = numbers[0];
            else
            {
                x = numbers[0];
                y = numbers[1];
            }
        }
    }
    if (x < 0)
    {
        x = (kFrameWidth - GetTextWidth(body)) / 2;
        if (x < 0)
            x = 0;
    }
    DrawTextLine(x, y, 0, body, false);
    y += kLineHeight;
}

} // namespace

void ShowMessage(const char* line1, const char* line2, const char* line3)
{
    if (Empty(line1) && Empty(line2) && Empty(line3))
        return;
    const char* lines[3] = {line1, line2, line3};
    for (int i = 0; i < 3; ++i)
        std::snprintf(g_stage.lines[i], sizeof g_stage.lines[i], "%s", lines[i] != nullptr ? lines[i] : "");
    g_stage.messageTimer = kMessageFrames;
}

void DrawMessages()
{
    if (g_stage.messageTimer <= 0)
        return;
    g_stage.messageTimer -= SpeedFactor() / 256;
    int32_t y = kMessageTop;
    for (int i = 0; i < 3; ++i)
    {
        if (!Empty(g_stage.lines[i]))
            DrawMessageLine(y, g_stage.lines[i]);
        else
            y = i == 0 ? 80 : y + kLineHeight;
    }
}

void ClearMessages()
{
    for (char* line : g_stage.lines)
        line[0] = 0;
    g_stage.messageTimer = 0;
}

void DrawRaceClock(int32_t ms)
{
    PrintText(0, 2, kLargeText, kLargeText, 0, "%3.2d", ms / 1000);
    PrintText(35, 2, kLargeText, kLargeText, 0, ":");
    PrintText(40, 2, kLargeText, kLargeText, 0, "%.2d", ms / 10 % 100);
}

void DrawCountdown(int32_t ms)
{
    const int32_t s = ms / 1000;
    if (s >= 1 && s <= 5)
        PrintText(80, 100, kLargeText, kLargeText, 0, "%d", s);
}

void ReadControls()
{
    g_stage.controls.accelerate = IsKeyDown(g_settings.keyAccelerate);
    g_stage.controls.brake = IsKeyDown(g_settings.keyBrake);
    g_stage.controls.handbrake = IsKeyDown(g_settings.keyHandbrake);
    g_stage.controls.left = IsKeyDown(g_settings.keyLeft);
    g_stage.controls.right = IsKeyDown(g_settings.keyRight);
    g_stage.pauseKey = IsKeyDown(g_settings.keyPause);
}

void EndStageWithMessage(const char* line)
{
    ShowMessage(line, "", "");
    if (g_stage.state != kStageOver)
        g_stage.state = 16;
}
