// pages_content.cpp -- the menu pages of Vasko-Moravel: the templates of
// the GUI folder (cover, intro, main menu, playing menu, settings, closing
// page, scoreboard), their pictures and sounds, and the manual pages in
// "manual.zip". Pages are laid out for the 176 x 234 frame.
#include "content/moravel/pages_content.h"

#include "content/media/file_output.h"
#include "content/media/jpeg_writer.h"
#include "content/media/sound_synth.h"
#include "content/media/wav_writer.h"
#include "content/media/zip_writer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace moravel_content {

namespace {

struct Writer
{
    fs::path gui;
    bool ok = true;

    void put(const std::string& name, const media::Bytes& bytes) { ok = media::writeHostFile(gui / name, bytes) && ok; }
    void text(const std::string& name, const std::string& body) { put(name, media::Bytes(body.begin(), body.end())); }
    void jpeg(const std::string& name, int w, int h, const media::PixelFn& pixel)
    {
        put(name, media::makeJpeg(w, h, pixel));
    }
};

uint32_t rgb(int r, int g, int b)
{
    return uint32_t(std::clamp(r, 0, 255) << 16 | std::clamp(g, 0, 255) << 8 | std::clamp(b, 0, 255));
}

uint32_t mix(uint32_t a, uint32_t b, float t)
{
    auto c = [&](int s) { return int(float(a >> s & 255) * (1.0f - t) + float(b >> s & 255) * t); };
    return rgb(c(16), c(8), c(0));
}

// A tune of plucked notes (Hz, ms), 0 Hz a rest.
media::Bytes tune(const std::vector<std::pair<double, int>>& notes)
{
    media::Bytes samples;
    for (const auto& [hz, ms] : notes)
    {
        media::Bytes part = media::pcm16(media::tune({hz > 0 ? 0 : media::kRest}, {}, hz, ms, ms));
        samples.insert(samples.end(), part.begin(), part.end());
    }
    return media::makeWav(1, 22050, 16, samples);
}

// The cover: a road running into a sunset under the title.
uint32_t coverPixel(int x, int y)
{
    const int horizon = 120;
    if (y < horizon)
    {
        const float t = float(y) / float(horizon);
        uint32_t sky = mix(rgb(20, 20, 70), rgb(250, 130, 40), t);
        const int dx = x - 88, dy = y - horizon + 6;
        if (dx * dx + dy * dy < 26 * 26)
            return mix(rgb(255, 220, 80), sky, float(dy + 26) / 80.0f);
        return sky;
    }
    const float depth = float(y - horizon) / float(234 - horizon); // 0 at the horizon
    const float half = 6.0f + depth * 80.0f;
    const float dx = std::fabs(float(x) - 88.0f);
    if (dx < half)
    {
        const bool stripe = dx < 1.0f + depth * 3.0f && int(std::pow(depth, 0.5f) * 24.0f) % 2 == 0;
        if (stripe)
            return rgb(240, 240, 240);
        if (dx > half - 1.0f - depth * 4.0f)
            return (int(depth * 40.0f) % 2) ? rgb(220, 30, 30) : rgb(245, 245, 245);
        return mix(rgb(70, 60, 70), rgb(90, 90, 96), depth);
    }
    return mix(rgb(60, 40, 30), rgb(40, 110, 40), depth);
}

// Button faces: a rounded bar, bright for the pressed or blinking state.
media::PixelFn buttonFace(uint32_t base, bool bright)
{
    return [=](int x, int y) {
        const uint32_t top = bright ? mix(base, rgb(255, 255, 255), 0.55f) : mix(base, rgb(255, 255, 255), 0.25f);
        const uint32_t bottom = bright ? base : mix(base, rgb(0, 0, 0), 0.45f);
        if (x == 0 || y == 0 || x == 79 || y == 23)
            return bright ? rgb(255, 255, 200) : rgb(200, 200, 210);
        return mix(top, bottom, float(y) / 24.0f);
    };
}

const char* const kBackground = "(18;22;44)";

// The pages are zoomed by the frame's width over 240: a scene with a ground
// of its own is drawn that much smaller and stretched over its place, which
// suits 3D and 2D scenes; a sprite scene draws straight onto the page (its
// sprites keep their places), its ground a sprite of the page's size.
std::string ground(const std::string& scene, const std::string& colour)
{
    return "sptGround=type:Sprite, x:0, y:0, width:176, height:234, color:" + colour + ", container:" + scene + "\n";
}

std::string coverTemplate()
{
    return "# The cover: tap anywhere to go on to the intro\n"
           "sceneCover=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
           "sptCover=type:Sprite, x:0, y:0, width:176, height:234, texture:cover.jpg, container:sceneCover\n"
           "sptTitle=type:Sprite, x:0, y:22, width:176, height:28, text:VASKO-MORAVEL, textSize:20, textWeight:700, "
           "textAlignment:CENTER, textColor:(255;230;60), container:sceneCover\n"
           "sptSubtitle=type:Sprite, x:0, y:48, width:176, height:18, text:motorbike racing, textSize:13, "
           "textAlignment:CENTER, textColor:(255;255;255), container:sceneCover\n"
           "press0=type:Sprite, x:0, y:204, width:176, height:18, text:Tap the screen to start, textSize:13, "
           "textAlignment:CENTER, textColor:(255;255;255), visible:0, container:sceneCover\n"
           "# the whole screen is the button, over the pictures\n"
           "waterprint=type:Sprite, x:0, y:0, width:176, height:234, GUIType:button, container:sceneCover\n";
}

std::string introTemplate()
{
    return "# The intro: the wire-frame bike flies in; choose superbike or motocross\n"
           "sceneVehicle=type:Scene3D, x:0, y:0, width:100%, height:100%, bkgColor:(0;0;0), "
           "ambient:(255;255;255), frontClip:1.0, backClip:300.0\n"
           "sceneIntro=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
           "sptTitle=type:Sprite, x:0, y:10, width:176, height:28, text:VASKO-MORAVEL, textSize:20, textWeight:700, "
           "textAlignment:CENTER, textColor:(255;230;60), container:sceneIntro\n"
           "sptChoose=type:Sprite, x:0, y:150, width:176, height:18, text:Choose your race, textSize:13, "
           "textAlignment:CENTER, textColor:(200;200;255), container:sceneIntro\n"
           "cmdEnterGameSuperbike=type:Sprite, x:6, y:172, width:80, height:24, texture:btn_red0.jpg, "
           "bright:btn_red1.jpg, text:SUPERBIKE, textSize:12, textWeight:700, textAlignment:CENTER, "
           "textColor:(255;255;255), GUIType:button, container:sceneIntro\n"
           "cmdEnterGameMotocross=type:Sprite, x:90, y:172, width:80, height:24, texture:btn_green0.jpg, "
           "bright:btn_green1.jpg, text:MOTOCROSS, textSize:12, textWeight:700, textAlignment:CENTER, "
           "textColor:(255;255;255), GUIType:button, container:sceneIntro\n"
           "cmdQuitGame=type:Sprite, x:58, y:206, width:60, height:18, text:Quit, textSize:13, textAlignment:CENTER, "
           "color:(60;60;90), textColor:(255;255;255), GUIType:button, container:sceneIntro\n"
           "titleMusic=type:WaveSound, src:title.wav\n";
}

std::string mainMenuTemplate()
{
    std::string t = "# The main menu of a mode: track, paint and rider; the choices are kept here\n";
    t += "sceneMenu=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" + ground("sceneMenu", kBackground);
    t += "sptTitle=type:Sprite, x:0, y:2, width:176, height:18, text:MAIN MENU, textSize:14, textWeight:700, "
         "textAlignment:CENTER, textColor:(255;230;60), container:sceneMenu\n"
         "sceneTrack=type:Scene2D, x:0, y:22, width:176, height:60, bkgColor:(0;0;0)\n"
         "RectTrack=type:Group2D, scale:1.0, texture:track_none.jpg, container:sceneTrack\n"
         "sceneVehicle=type:Scene3D, x:28, y:116, width:120, height:62, bkgColor:(18;22;44), "
         "ambient:(255;255;255), frontClip:1.0, backClip:100.0\n"
         "Light1=type:Light, container:sceneVehicle, dir:(0;-1;1), color:(255;255;255)\n"
         "sceneControls=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
         "cmdLastTrack=type:Sprite, x:2, y:40, width:16, height:22, text:<, textSize:16, textWeight:700, "
         "textAlignment:CENTER, color:(60;60;110), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "cmdNextTrack=type:Sprite, x:158, y:40, width:16, height:22, text:>, textSize:16, textWeight:700, "
         "textAlignment:CENTER, color:(60;60;110), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "txtTrackName=type:Sprite, x:2, y:84, width:172, height:30, text:, textSize:12, textAlignment:CENTER, "
         "textColor:(255;255;255), container:sceneControls\n"
         "cmdLastVehicle=type:Sprite, x:4, y:136, width:16, height:22, text:<, textSize:16, textWeight:700, "
         "textAlignment:CENTER, color:(60;60;110), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "cmdNextVehicle=type:Sprite, x:156, y:136, width:16, height:22, text:>, textSize:16, textWeight:700, "
         "textAlignment:CENTER, color:(60;60;110), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "txtLoading=type:Sprite, x:28, y:140, width:120, height:16, text:Loading..., textSize:12, "
         "textAlignment:CENTER, textColor:(200;200;200), visible:0, container:sceneControls\n"
         "txtPaintingName=type:Sprite, x:20, y:180, width:136, height:16, text:, textSize:12, "
         "textAlignment:CENTER, textColor:(255;230;60), container:sceneControls\n"
         "sptRider=type:Sprite, x:4, y:199, width:36, height:16, text:Rider, textSize:12, textColor:(200;200;255), "
         "container:sceneControls\n"
         "txtPlayerName=type:Sprite, x:40, y:199, width:80, height:16, text:Rider, textSize:12, "
         "textColor:(255;255;255), container:sceneControls\n"
         "cmdChangeName=type:Sprite, x:124, y:198, width:48, height:16, text:Name, textSize:12, "
         "textAlignment:CENTER, color:(60;60;110), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "cmdEditNameOK=type:Sprite, x:124, y:198, width:48, height:16, text:OK, textSize:12, textAlignment:CENTER, "
         "color:(0;120;0), textColor:(255;255;255), GUIType:button, visible:0, container:sceneControls\n"
         "btnEnterIntro=type:Sprite, x:4, y:216, width:60, height:16, text:Back, textSize:12, textAlignment:CENTER, "
         "color:(60;60;90), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "btnToPlaying=type:Sprite, x:112, y:216, width:60, height:16, text:Play, textSize:12, textWeight:700, "
         "textAlignment:CENTER, color:(0;130;0), textColor:(255;255;255), GUIType:button, container:sceneControls\n"
         "sceneName=type:SceneAWT\n"
         "edtName=type:AWTComponent, container:sceneName, AWTType:EDIT, id:1000, x:40, y:196, width:80, height:18, "
         "fontSize:12, text:, visible:0\n"
         "# the choices of each mode (track and paint) and the tracks' intro texts\n"
         "SB_sceneSelected=0\n"
         "SB_vehicleSelected=0\n"
         "CB_sceneSelected=0\n"
         "CB_vehicleSelected=0\n"
         "intro_Oval=intro:\\n300 segments^c fast bends\n"
         "intro_Dunes=intro:\\n240 segments^c sand and a hill\n";
    return t;
}

std::string button(const std::string& name, int x, int y, int w, const std::string& text, const std::string& colour)
{
    return name + "=type:Sprite, x:" + std::to_string(x) + ", y:" + std::to_string(y) + ", width:" + std::to_string(w) +
           ", height:18, text:" + text + ", textSize:13, textAlignment:CENTER, color:" + colour +
           ", textColor:(255;255;255), GUIType:button, container:";
}

std::string playingMenuTemplate()
{
    std::string t = "# The playing menu: race, exercise, settings, manual\n";
    t += "scenePlay=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" + ground("scenePlay", kBackground);
    t += "sptTitle=type:Sprite, x:0, y:10, width:176, height:20, text:READY TO RIDE, textSize:15, textWeight:700, "
         "textAlignment:CENTER, textColor:(255;230;60), container:scenePlay\n"
         "cmdRace=type:Sprite, x:48, y:46, width:80, height:24, texture:btn_red0.jpg, bright:btn_red1.jpg, "
         "text:RACE, textSize:13, textWeight:700, textAlignment:CENTER, textColor:(255;255;255), GUIType:button, "
         "container:scenePlay\n"
         "sptRace=type:Sprite, x:8, y:72, width:160, height:16, text:two laps against two rivals, textSize:12, "
         "textAlignment:CENTER, textColor:(200;200;255), container:scenePlay\n"
         "cmdExercise=type:Sprite, x:48, y:94, width:80, height:24, texture:btn_green0.jpg, bright:btn_green1.jpg, "
         "text:EXERCISE, textSize:13, textWeight:700, textAlignment:CENTER, textColor:(255;255;255), "
         "GUIType:button, container:scenePlay\n"
         "sptExercise=type:Sprite, x:8, y:120, width:160, height:16, text:one lap on autopilot, textSize:12, "
         "textAlignment:CENTER, textColor:(200;200;255), container:scenePlay\n";
    t += button("cmdGSetting", 28, 146, 120, "Settings", "(50;70;120)") + "scenePlay\n";
    t += button("cmdManual", 28, 170, 120, "Manual", "(50;70;120)") + "scenePlay\n";
    t += button("cmdBackToMainMenu", 6, 210, 76, "Back", "(60;60;90)") + "scenePlay\n";
    t += button("cmdQuitGame", 94, 210, 76, "Quit", "(90;40;40)") + "scenePlay\n";
    return t;
}

std::string checkBox(const std::string& name, int x, int y, const std::string& group, int status)
{
    std::string t = name + "=type:Sprite, x:" + std::to_string(x) + ", y:" + std::to_string(y) +
                    ", texture:chk_off.jpg, bright:chk_on.jpg, GUIType:checkbox, ";
    if (!group.empty())
        t += "group:" + group + ", ";
    return t + "persistent:1, status:" + std::to_string(status) + ", container:sceneSettings\n";
}

std::string label(const std::string& name, int x, int y, int w, const std::string& text, const std::string& colour)
{
    return name + "=type:Sprite, x:" + std::to_string(x) + ", y:" + std::to_string(y) + ", width:" + std::to_string(w) +
           ", height:16, text:" + text + ", textSize:12, textColor:" + colour + ", container:sceneSettings\n";
}

std::string settingsTemplate()
{
    std::string t = "# Settings: a page and the store of the settings (check-box groups and switches)\n";
    t += "sceneSettings=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" + ground("sceneSettings", kBackground);
    t += "sptTitle=type:Sprite, x:0, y:4, width:176, height:20, text:SETTINGS, textSize:15, textWeight:700, "
         "textAlignment:CENTER, textColor:(255;230;60), container:sceneSettings\n";
    const std::string head = "(200;200;255)", white = "(255;255;255)";
    t += label("lblSound", 8, 28, 160, "Sound effects", head);
    t += checkBox("rdoSoundOn", 16, 46, "soundEffect", 1) + label("lblSoundOn", 32, 44, 40, "On", white);
    t += checkBox("rdoSoundOff", 86, 46, "soundEffect", 0) + label("lblSoundOff", 102, 44, 40, "Off", white);
    t += "soundEffect=GUIType:checkboxGroup, selected:0\n";
    t += label("lblMusic", 8, 66, 160, "Race music", head);
    t += checkBox("rdoMusicOn", 16, 84, "musicSwitch", 1) + label("lblMusicOn", 32, 82, 40, "On", white);
    t += checkBox("rdoMusicOff", 86, 84, "musicSwitch", 0) + label("lblMusicOff", 102, 82, 40, "Off", white);
    t += "musicSwitch=GUIType:checkboxGroup, selected:0\n";
    t += label("lblSteer", 8, 104, 160, "Steering", head);
    t += checkBox("chkSteerLow", 16, 122, "strSensitivity", 0) + label("lblSteerLow", 32, 120, 30, "Low", white);
    t += checkBox("chkSteerMid", 66, 122, "strSensitivity", 1) + label("lblSteerMid", 82, 120, 30, "Mid", white);
    t += checkBox("chkSteerHigh", 116, 122, "strSensitivity", 0) + label("lblSteerHigh", 132, 120, 36, "High", white);
    t += "strSensitivity=GUIType:checkboxGroup, selected:1\n";
    t += checkBox("chkGAPIVideo", 16, 150, "", 0) + label("lblGAPIVideo", 32, 148, 130, "Direct screen output", white);
    t += checkBox("chkGAPIButton", 16, 170, "", 0) + label("lblGAPIButton", 32, 168, 130, "Hardware buttons", white);
    t += button("cmdBackToMainMenu", 48, 206, 80, "Done", "(0;120;0)") + "sceneSettings\n";
    return t;
}

std::string backTemplate()
{
    std::string t = "# The closing page: the scrolling prompt, play again or leave\n";
    t += "sceneBack=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" + ground("sceneBack", "(0;0;0)") +
         "sptTitle=type:Sprite, x:0, y:8, width:176, height:20, text:SEE YOU ON THE TRACK, textSize:14, "
         "textWeight:700, textAlignment:CENTER, textColor:(255;230;60), container:sceneBack\n"
         "scenePrompt=type:Scene2D, x:8, y:34, width:160, height:130, bkgColor:(0;0;0)\n"
         "rectPrompt=type:Group2D, scale:1.25, texture:prompt.jpg, container:scenePrompt\n"
         "sceneBackGUI=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
         "press0=type:Sprite, x:0, y:172, width:176, height:18, text:Thanks for riding, textSize:13, "
         "textAlignment:CENTER, textColor:(255;255;255), visible:0, container:sceneBackGUI\n";
    t += button("cmdRestartGame", 6, 206, 76, "Play again", "(0;120;0)") + "sceneBackGUI\n";
    t += button("cmdExit", 94, 206, 76, "Exit", "(120;30;30)") + "sceneBackGUI\n";
    t += "titleMusic=type:WaveSound, src:title.wav\n";
    return t;
}

std::string scoreboardTemplate()
{
    std::string t = "# The scoreboard of one track: the latest race and the best five\n";
    t += "scoreboardScene=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" +
         ground("scoreboardScene", "(10;14;30)") +
         "sptTitle=type:Sprite, x:0, y:2, width:176, height:18, text:SCOREBOARD, textSize:14, textWeight:700, "
         "textAlignment:CENTER, textColor:(255;230;60), container:scoreboardScene\n"
         "trackSD=type:Sprite, x:1, y:23, width:176, height:20, text:, textSize:16, textWeight:700, "
         "textAlignment:CENTER, textColor:(0;0;0), container:scoreboardScene\n"
         "track=type:Sprite, x:0, y:22, width:176, height:20, text:, textSize:16, textWeight:700, "
         "textAlignment:CENTER, textColor:(120;220;255), container:scoreboardScene\n"
         "txtFPS=type:Sprite, x:0, y:42, width:176, height:14, text:, textSize:12, textAlignment:CENTER, "
         "textColor:(160;160;160), container:scoreboardScene\n"
         "sptLatest=type:Sprite, x:4, y:58, width:168, height:14, text:Your race, textSize:12, "
         "textColor:(200;200;255), container:scoreboardScene\n"
         "sptBest=type:Sprite, x:4, y:96, width:168, height:14, text:The best five, textSize:12, "
         "textColor:(200;200;255), container:scoreboardScene\n";
    for (int row = -1; row < 5; ++row)
    {
        const int y = row < 0 ? 74 : 112 + row * 16;
        const std::string n = std::to_string(row), ys = std::to_string(y);
        const std::string colour = row < 0 ? "(255;230;60)" : "(255;255;255)";
        if (row >= 0)
            t += "place" + n + "=type:Sprite, x:2, y:" + ys + ", width:14, height:14, text:" + std::to_string(row + 1) +
                 "., textSize:12, textColor:(160;160;160), container:scoreboardScene\n";
        t += "racer" + n + "=type:Sprite, x:14, y:" + ys +
             ", width:50, height:14, text:, textSize:12, textColor:" + colour + ", container:scoreboardScene\n";
        t += "score" + n + "=type:Sprite, x:64, y:" + ys +
             ", width:50, height:14, text:, textSize:12, textAlignment:RIGHT, textColor:" + colour +
             ", container:scoreboardScene\n";
        t += "date" + n + "=type:Sprite, x:116, y:" + ys +
             ", width:60, height:14, text:, textSize:12, textColor:" + colour + ", container:scoreboardScene\n";
    }
    t += button("cmdRestartGame", 6, 210, 76, "Intro", "(0;120;0)") + "scoreboardScene\n";
    t += button("cmdExit", 94, 210, 76, "Exit", "(120;30;30)") + "scoreboardScene\n";
    t += "scoreboard=type:WaveSound, src:scoreboard.wav\n";
    return t;
}

// The manual: an index of hyperlinks to its pages, each with a way back.
std::string manualPage(const std::string& title, const std::string& body, bool index)
{
    std::string t = "# manual: " + title + "\n";
    t += "sceneManual=type:SceneSprite, x:0, y:0, width:100%, height:100%\n" + ground("sceneManual", kBackground);
    t += "sptTitle=type:Sprite, x:0, y:4, width:176, height:20, text:" + title +
         ", textSize:15, textWeight:700, textAlignment:CENTER, textColor:(255;230;60), container:sceneManual\n";
    if (index)
    {
        const char* links[][2] = {{"Controls", "controls"}, {"The race", "race"}, {"The score table", "scores"}};
        int y = 36;
        for (const auto& link : links)
        {
            t += std::string("lnk") + link[1] + "=type:Sprite, x:16, y:" + std::to_string(y) +
                 ", width:144, height:18, text:" + link[0] +
                 ", textSize:13, textColor:(120;200;255), GUIType:hyperlink, href:manual\\" + link[1] +
                 ".properties, container:sceneManual\n";
            y += 24;
        }
    }
    else
        t += "lnkIndex=type:Sprite, x:6, y:188, width:80, height:16, text:Contents, textSize:12, "
             "textColor:(120;200;255), GUIType:hyperlink, href:manual\\index.properties, container:sceneManual\n";
    if (!body.empty())
        t += "sptBody=type:Sprite, x:6, y:" + std::string(index ? "112" : "30") +
             ", width:164, height:150, text:" + body +
             ", textSize:12, textColor:(255;255;255), container:sceneManual\n";
    t += "btnQuitManual=type:Sprite, x:96, y:212, width:76, height:18, text:Intro, textSize:13, "
         "textAlignment:CENTER, color:(60;60;90), textColor:(255;255;255), GUIType:button, container:sceneManual\n";
    return t;
}

media::ZipMembers manualPages()
{
    return {
        {"manual/index.properties", manualPage("MANUAL", "Choose a page. Intro leaves the manual.", true)},
        {"manual/controls.properties",
         manualPage("CONTROLS",
                    "Up^c throttle\\nDown^c brake\\nLeft and Right^c lean and steer\\nTab^c frame rate\\n"
                    "F1 to F8^c cameras\\nEXIT ends the race.",
                    false)},
        {"manual/race.properties",
         manualPage("THE RACE",
                    "Wait for the green light. Two laps against two rivals. Ride through every checkpoint in "
                    "order; riding the wrong way is shown on the screen. Exercise rides one lap on autopilot.",
                    false)},
        {"manual/scores.properties",
         manualPage("THE SCORE TABLE",
                    "Every finished race is shown after the finish. Each track keeps its best five races by "
                    "time with the rider and the date.",
                    false)},
    };
}

} // namespace

bool writePages(const fs::path& programFolder)
{
    Writer w{programFolder / "resources" / "GUI"};
    w.text("cover.properties", coverTemplate());
    w.text("intro.properties", introTemplate());
    w.text("MainMenu.properties", mainMenuTemplate());
    w.text("PlayingMenu.properties", playingMenuTemplate());
    w.text("gsetting.properties", settingsTemplate());
    w.text("back.properties", backTemplate());
    w.text("scoreboard.properties", scoreboardTemplate());

    w.jpeg("cover.jpg", 176, 234, coverPixel);
    w.jpeg("btn_red0.jpg", 80, 24, buttonFace(rgb(170, 30, 30), false));
    w.jpeg("btn_red1.jpg", 80, 24, buttonFace(rgb(230, 50, 40), true));
    w.jpeg("btn_green0.jpg", 80, 24, buttonFace(rgb(30, 120, 40), false));
    w.jpeg("btn_green1.jpg", 80, 24, buttonFace(rgb(50, 190, 60), true));
    for (int on = 0; on < 2; ++on)
        w.jpeg(on ? "chk_on.jpg" : "chk_off.jpg", 12, 12, [on](int x, int y) {
            if (x == 0 || y == 0 || x == 11 || y == 11)
                return rgb(220, 220, 230);
            const bool tick = on && std::abs(x - y) <= 1 && x > 2 && x < 10;
            const bool tick2 = on && std::abs((11 - x) - y) <= 1 && x > 2 && x < 10;
            return tick || tick2 ? rgb(60, 230, 60) : rgb(30, 30, 50);
        });
    w.jpeg("track_none.jpg", 64, 16, [](int, int) { return rgb(0, 0, 0); });
    // The closing page's prompt: rows of dashes like lines of text, scrolled.
    w.jpeg("prompt.jpg", 128, 128, [](int x, int y) {
        const int line = y / 16, inLine = y % 16;
        const int length = 60 + (line * 37) % 60;
        if (inLine >= 5 && inLine <= 9 && x > 8 && x < length && (x / 6) % 5 != 4)
            return line % 3 == 0 ? rgb(255, 210, 60) : rgb(150, 200, 255);
        return rgb(0, 0, 0);
    });
    w.put("title.wav", tune({{392, 180}, {523, 180}, {659, 180}, {784, 360}, {0, 120}, {659, 180}, {784, 540}}));
    w.put("scoreboard.wav", tune({{523, 150}, {659, 150}, {784, 150}, {1047, 450}, {0, 150}}));
    w.ok = media::writeZip(w.gui / "manual.zip", manualPages()) && w.ok;
    return w.ok;
}

} // namespace moravel_content
