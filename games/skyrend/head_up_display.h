// head_up_display.h -- the flight instruments drawn with GDI over the 3D
// scene: throttle, heading, speed and altitude tapes, the pitch ladder
// turned by the bank, the centre ring, and the boxes round other aircraft
#pragma once

#include <os/windows.h>

#include <cstdint>

namespace skyrend {

class FlightModel;

class HeadUpDisplay
{
public:
    struct Tape
    {
        float factor;
        int length;
        int step;
        int pixels; // per step
        int extent() const { return length; }
    };

    // The rectangle is the HUD's area on the device context; the colour is
    // 0xRRGGBB. The flight is read at every draw.
    HeadUpDisplay(const RECT& area, HDC dc, uint32_t colour, const FlightModel* flight);
    ~HeadUpDisplay();
    HeadUpDisplay(const HeadUpDisplay&) = delete;
    HeadUpDisplay& operator=(const HeadUpDisplay&) = delete;

    void setDeviceContext(HDC context) { dc = context; }
    // The whole display; every attribute of the context is given back.
    void draw();
    // An inverted square round (x, y); a cross within 420 units, else a
    // diamond when locked; the label (may be null) below it.
    void drawTargetBox(int x, int y, float depth, bool locked, const WCHAR* label);

    // The centre label of a heading in whole degrees: " N", " E", " S", " W"
    // within 2 degrees of them, else the number.
    static void headingLabel(int degrees, WCHAR* out, int capacity);

    Tape speed;
    Tape altitude;
    Tape heading;
    Tape ladder;

private:
    HDC dc;
    const FlightModel* flight;
    HFONT font;
    HPEN pen;
    bool ownPen;
    HRGN clip;
    RECT rect;
    COLORREF colour;

    void text(int x, int y, const WCHAR* format, int value);
    void drawHeading();
    void drawAltitude();
    void drawSpeed();
    void drawLadder();
    void verticalTape(const Tape& tape, int value, int x, int c, bool ticksLeft);
};

} // namespace skyrend
