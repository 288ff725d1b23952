// showcase_window.h -- the showcase's one window: three pictures, a chime, a fade
//
// Every frame is drawn whole into the back buffer and presented through the
// fade filter. The chime starts with the first frame; its completion notice
// turns the sound light green, and kFadeDelayMs later the picture fades
// towards kFadeColour over kFadeMs.
#pragma once

#include "engine/platform/buffered_window.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"
#include "engine/platform/wave_sound.h"

#include <memory>

class ShowcaseWindow : public BufferedWindow
{
public:
    // Loads the pictures and the chime from `folder` (ending in '\').
    explicit ShowcaseWindow(const WCHAR* folder);
    ~ShowcaseWindow() override;

    bool open();
    // Draws and presents the frame for the time `now` (ms).
    void frame(DWORD now);

private:
    static void chimeDone(WaveSound* sound);
    void startChime(DWORD now);
    uint32_t lightColour() const;
    int fadeAmount(DWORD now) const;
    void drawScene(Image& canvas);

    std::unique_ptr<Image> jpeg;
    std::unique_ptr<Image> bmp;
    std::unique_ptr<Image> badge;
    std::unique_ptr<WaveSound> chime;
    ColorBlendFilter fade;
    bool chimeStarted = false;
    bool chimeEnded = false;
    bool chimeHeard = false; // ended through its completion notice
    DWORD chimeEndedAt = 0;

    static ShowcaseWindow* current;
};
