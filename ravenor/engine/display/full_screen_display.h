// full_screen_display.h -- the display of a full-screen game window
//
// It subclasses the game window so that activation suspends and resumes the
// display (and hides or shows the task bar), and a paint message invalidates
// the driver's picture. A process-wide table holds up to 16 subclassed
// windows.
#pragma once

#include "ravenor/engine/display/display.h"

class FullScreenDisplay : public DisplayImpl
{
public:
    explicit FullScreenDisplay(HWND window);
    void Resume() override;
    void Suspend() override;
    ~FullScreenDisplay() override;
    bool Initialize(DisplayParams& params) override;
    std::unique_ptr<VideoDriver> CreateVideoDriver(DisplayParams& params) override;
};

// Tests: the number of windows subclassed now.
int SubclassedWindowCount();
