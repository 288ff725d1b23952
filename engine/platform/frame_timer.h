// frame_timer.h -- per-frame time step, frame-rate measurement and pacing
//
// A canvas ticks its timer at the start of every frame. The timer answers the
// frame's step in seconds (never 0 unless floorDt is cleared), measures the frame rate over a window of
// `windowMs`, and in the paced mode sleeps to hold `targetFps`.
#pragma once

#include <os/types.h>

#include <cstdint>

class FrameTimer
{
public:
    enum Mode : int8_t
    {
        MeasureOnly = 0, // no cap, no sleep
        Paced = 1,       // step capped at one target period, adaptive sleep
        Capped = 2,      // step capped, sleeps only extraDelayMs
    };

    int8_t mode = MeasureOnly;
    int targetFps = 30;
    int windowMs = 2000;
    float dt = 0.0f;
    int sumMs = 0;
    int fps = 0;
    float fpsExact = 0.0f;
    int extraDelayMs = 0;
    // The step is at least 1e-10 s; the racing build clears this and gets a
    // step of exactly 0 for two ticks in one millisecond.
    bool floorDt = true;
    uint32_t nowMs = 0;
    uint32_t lastMs = 0;
    int elapsedMs = 0;
    int frames = 0;
    int periodMs = 0;
    int delayMs = 0;

    FrameTimer();
    // Starts a new frame from now (the pause before it does not count).
    void reset();
    // Measures one frame; true when this tick closed a measuring window.
    bool tick();

private:
    bool closeWindow();
};
