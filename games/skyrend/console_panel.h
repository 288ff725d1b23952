// console_panel.h -- the cockpit console's instruments, drawn with GDI on
// the main screen below the flight: the radar with the other aircraft, the
// eight weapon stations with the selected missile, and a one-line alert
#pragma once

#include <os/windows.h>

#include <string>
#include <vector>

namespace skyrend {

class Aircraft;
class Missile;

class ConsolePanel
{
public:
    static constexpr int kStations = 8;
    static constexpr int kMinRange = 10, kMaxRange = 500, kRangeStep = 10;
    static constexpr int kAlertLength = 32;

    ConsolePanel(HDC dc, const RECT& alert, const RECT& radar, const RECT& stations);
    ~ConsolePanel();
    ConsolePanel(const ConsolePanel&) = delete;
    ConsolePanel& operator=(const ConsolePanel&) = delete;

    void setDeviceContext(HDC context) { dc = context; }
    // The player's missiles fill the slots, left to right: (row, index)
    // (0,3), (0,2), (1,3), (1,2), (1,0), (1,1), (0,0), (0,1).
    void setPlayer(Aircraft* aircraft);
    void addTarget(Aircraft* aircraft);
    void removeTarget(Aircraft* aircraft);
    // At most kAlertLength characters are kept; drawn once by drawMessage.
    void setAlert(const WCHAR* text);

    void increaseRange();
    void decreaseRange();
    int range() const { return radarRange; }

    void nextStation();
    void previousStation();
    bool selectLockedStation();
    int selectedStation() const { return selected; }
    Missile* selectedMissile() const { return slots[selected]; }
    Missile* slot(int i) const { return slots[i]; }

    void drawRadar();
    void drawStations();
    void drawMessage();
    // The counted (flying) targets of the last radar drawing.
    int countedTargets() const { return counted; }
    const std::u16string& alert() const { return alertText; }

private:
    // Fills the text's box with the panel's background; drawLabel then writes it.
    void clearLabel(int x, int y, const WCHAR* text);
    void drawLabel(int x, int y, const WCHAR* text);
    HDC dc;
    RECT alertRect, radarRect, stationsRect;
    HFONT radarFont, stationFont;
    HPEN green, red, grey, dashedGreen, dashedRed;
    HBRUSH background;
    HRGN radarClip;
    int offsets[kStations];
    int radarRange = 30;
    std::vector<Aircraft*> targets;
    Aircraft* player = nullptr;
    Missile* slots[kStations] = {};
    int selected = 0;
    std::u16string alertText;
    int counted = 0;

    bool anyReady() const;
    void step(int direction);
};

} // namespace skyrend
