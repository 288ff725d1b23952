// cockpit_controls.h -- one flight frame of the cockpit's controls: the
// canvas's key bits and the last released key turned into calls on the
// player's aircraft and its console (roll, pitch, yaw, gun, decoys,
// missile launch, throttle notch, views, the frame-rate display)
#pragma once

#include <os/types.h>

#include <cstdint>

namespace skyrend {

class Aircraft;
class ConsolePanel;

class CockpitControls
{
public:
    static constexpr int kNotches = 5; // throttle handle positions 0..4
    static constexpr float kNewPress = 10000.0f; // a decoy's step on a new press: it leaves at once

    int throttleNotch = 2;
    int32_t previousBits = 0;
    bool multiplayer = false;     // the server fires, launches and releases decoys then
    bool hardwareButtons = false; // the direct display's Start key launches too
    int startKey = -1;

    // What the screen does after a frame's controls.
    struct Effects
    {
        bool repaint = false;
        bool toggleFrameRate = false;
        int hiddenHandle = -1; // "thrHandle<n>" to hide and to show
        int shownHandle = -1;
    };

    Effects apply(Aircraft& aircraft, ConsolePanel* panel, int32_t keyBits, int releasedKey, float dt);
};

// What a console panel button does on a pen press or release: a key
// message to post to the screen's own window, or a console or dialog step.
struct ButtonAction
{
    enum Kind
    {
        None,
        PostKey,     // message and key
        RangeIn,
        RangeOut,
        StationLast,
        StationNext,
        AskQuit,     // "Quit the mission?" with Yes and No
        QuitFlight,  // the dialog's Yes or OK: the flight ends
        CloseDialog, // the dialog's No
    };
    Kind kind = None;
    unsigned message = 0;
    int key = 0;
};

// The panel buttons are known by their own names; the view, frame-rate,
// exit and dialog buttons by a part of theirs. `viewSelected` is the
// "selected" value of the template's "viewType" group.
ButtonAction consoleButtonAction(const WCHAR* spriteName, bool release, int viewSelected);

} // namespace skyrend
