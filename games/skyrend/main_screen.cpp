// main_screen.cpp -- the start argument, the sprite commands, page set-up
// and page animations of the main screen
#include "games/skyrend/main_screen.h"

#include "games/skyrend/console_panel.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/saved_properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/screen/fade.h"
#include "games/skyrend/game_app.h"
#include "games/skyrend/screen_services.h"

#include <os/wstring.h>

namespace skyrend {

namespace {

// The page templates the program writes back (each has a shipped copy).
const WCHAR* const kSavedPages[] = {u"gsetting.properties", u"MainMenu.properties", u"MPGLogin.properties",
                                    u"MPGMainMenu.properties"};

bool has(const std::u16string& text, const WCHAR* part)
{
    return text.find(part) != std::u16string::npos;
}

std::u16string folded(std::u16string path)
{
    collapseParentDirs(path.data());
    return path.c_str();
}

// The file opens from disk or from a pack.
bool fileExists(const std::u16string& path)
{
    FILE* file = openResourceFile(path.c_str(), u"r");
    if (!file)
        return false;
    closeResourceFile(file);
    return true;
}

} // namespace

float MainScreen::introOffset = 0.0f;
float MainScreen::promptOffset = 0.0f;

float MainScreen::stepIntroOffset(float offset, float dt)
{
    offset += dt * 0.05f;
    return offset > 0.5f ? -0.5f : offset;
}

float MainScreen::stepPromptOffset(float offset, float dt)
{
    offset += dt * 0.03f;
    return offset > 1.0f ? 0.0f : offset;
}

void MainScreen::Listeners::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    drawProgressBar(&screen, text, percent);
}

MainScreen::MainScreen(GameApp* owner, const WCHAR* arg)
    : Canvas(u"gameCanvas", true), app(owner), argument(arg ? arg : u""), hasArgument(arg != nullptr),
      guiFolder(guiFolderPath())
{
    setMouseListener(&listeners);
    setTextColor(255, 255, 255);
    setBackgroundColor(80, 80, 100);
}

MainScreen::~MainScreen()
{
    if (listFont)
        DeleteObject(listFont);
}

void MainScreen::loadFileLists()
{
    std::u16string folder;
    {
        WCHAR program[MAX_PATH] = {};
        getProgramFolder(program);
        folder = program;
    }
    planes = listFileNames(folded(folder + u"..\\resources\\aircraft\\plane_*.properties").c_str(), false);
    scenes_ = listFileNames(folded(folder + u"..\\resources\\scenes\\scene_*.properties").c_str(), false);
    planeLabels.clear();
    sceneLabels.clear();
    for (const auto& plane : planes)
        planeLabels.push_back(planeLabel(plane));
    for (const auto& scene : scenes_)
        sceneLabels.push_back(sceneLabel(scene));
}

void MainScreen::onCreate()
{
    setCommandListener(&listeners);
    setLoadListener(&listeners);
    listFont = createFont(12, 400, false, false, u"Arial");
    fadeEffect = std::make_unique<FadeEffect>(0.5f, 10, 0x000000);
    frameTimer.windowMs = 500;
    frameTimer.targetFps = 10;
    frameTimer.mode = FrameTimer::Paced;
    // Pace the first window at the target too (the timer adapts afterwards);
    // on a virtual clock the frames would otherwise take no time at all.
    frameTimer.delayMs = 1000 / frameTimer.targetFps;
    pilotFile = std::make_unique<Properties>(u'=', u',', u':');
    // A damaged pilot file is set aside (its readable pilots kept); one
    // that cannot be set aside is neither read nor written over.
    pilotsReadable = openPilotFile(*pilotFile, guiFolder.c_str(), u"tplist.properties");
    if (!app->multiplayer)
        roster.read(*pilotFile);
}

void MainScreen::onDestroy()
{
    savePilots();
    setLoadListener(nullptr);
}

void MainScreen::savePilots()
{
    if (app->multiplayer || !pilotFile || !pilotsReadable)
        return;
    roster.write(*pilotFile);
    pilotFile->save();
}

void MainScreen::showArgumentPage()
{
    const PageCommand command = parsePageCommand(hasArgument ? argument.c_str() : nullptr);
    if (command.kind == PageCommand::Flight &&
        flightFits(command, int(planes.size()), int(scenes_.size()), getPilotCount()))
    {
        if (app->startFlight(command.plane, command.scene, command.pilot, command.exercise))
            return;
        loadPage(u"MainMenu.properties");
        return;
    }
    if (command.kind == PageCommand::Page)
    {
        const std::u16string page = command.page + u".properties";
        if (fileExists(folded(guiFolder + page)))
        {
            loadPage(page.c_str());
            return;
        }
    }
    loadPage(u"cover.properties");
}

bool MainScreen::loadPage(const WCHAR* name)
{
    const bool loaded = loadTemplate(guiFolder.c_str(), name, true);
    redraw();
    return loaded;
}

bool MainScreen::pageIs(const WCHAR* part) const
{
    return wcsstr(getTemplateName(), part) != nullptr;
}

void MainScreen::onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name)
{
    // The pages the program writes back: a damaged one is set aside and its
    // shipped copy loads in its place.
    for (const WCHAR* saved : kSavedPages)
        if (name && wcscmp(name, saved) == 0)
            repairSavedProperties(folder, name);
    if (name && (wcscmp(name, u"MainMenu.properties") == 0 || wcscmp(name, u"MPGMainMenu.properties") == 0))
        repairSavedPictures(folder, name);
    enteringPilot = false;
    enteringGroupName = false;
    if (pageIs(u"MPGMainMenu"))
        stopTimer();
    if (pageIs(u"MPGLogin"))
        storeLoginFields();
}

void MainScreen::storeLoginFields()
{
    Properties* page = getTemplate();
    if (!page)
        return;
    // The password is never written: the file lies in the resources folder.
    for (const WCHAR* name : {u"serverName", u"serverIP", u"serverPort", u"userName", u"password"})
    {
        WCHAR text[64] = {};
        Window* edit = findControl(name);
        if (edit && wcscmp(name, u"password") != 0)
            edit->getText(text, 64);
        // A comma would end the field in the file (no name, address, port
        // or user name holds one): it is left out.
        std::u16string kept;
        for (const WCHAR* c = text; *c; ++c)
            if (*c != u',' && *c != u'\n' && *c != u'\r')
                kept += *c;
        page->setField(name, u"text", kept.c_str());
    }
    saveTemplate();
}

void MainScreen::onTemplateLoaded()
{
    if (pageIs(u"MainMenu"))
        fillMainMenu();
    else if (pageIs(u"MPGLogin"))
    {
        app->endSession();
        loggedUser.clear();
        loggedPassword.clear();
        if (Window* password = findControl(u"password"))
            SendMessageW(password->getHandle(), EM_SETPASSWORDCHAR, WPARAM(u'*'), 0);
        static const std::pair<const WCHAR*, int> limits[] = {
            {u"serverName", 64}, {u"serverIP", 16}, {u"serverPort", 8}, {u"userName", 24}, {u"password", 24}};
        for (const auto& [name, limit] : limits)
            if (Window* edit = findControl(name))
                edit->setTextLimit(limit);
    }
    else if (pageIs(u"intro"))
    {
        app->multiplayer = false;
        fade(true);
        if (WaveSound* music = findSound(u"music1"))
            music->playLooped(getHandle(), -1);
        start();
    }
    else if (pageIs(u"back"))
    {
        fade(true);
        start();
    }
    else if (pageIs(u"scoreboard"))
    {
        fillScoreboard();
        if (WaveSound* music = findSound(u"music2"))
            music->playLooped(getHandle(), -1);
    }
}

void MainScreen::update(float dt)
{
    if (pageIs(u"back"))
    {
        promptOffset = stepPromptOffset(promptOffset, dt);
        Scene* scene = findScene(u"scenePrompt");
        auto* prompt = scene ? dynamic_cast<Group2D*>(scene->findChild(u"rectPrompt")) : nullptr;
        if (Material* material = prompt ? prompt->getFirstMaterial() : nullptr)
            material->setTextureOffset(0.0f, promptOffset);
    }
    else if (pageIs(u"intro"))
    {
        introOffset = stepIntroOffset(introOffset, dt);
        Scene* scene = findScene(u"IntroMovieScene");
        auto* movie = scene ? dynamic_cast<Group2D*>(scene->findChild(u"rectIntroMovie")) : nullptr;
        if (Material* material = movie ? movie->findMaterial(u"rectMtl") : nullptr)
            material->setTextureOffset(introOffset, 0.0f);
    }
}

// ---- sprite commands ----

void MainScreen::onPen(UINT message)
{
    if (console && pageIs(u"console"))
    {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)
            onConsoleButton(getPressedSprite(), message);
        return;
    }
    // A press alone does nothing on the menu pages; the release acts.
    if (message != WM_LBUTTONUP)
        return;
    Sprite* sprite = getPressedSprite();
    if (!sprite)
        return;
    onSprite(std::u16string(sprite->name).c_str());
}

void MainScreen::stopAll()
{
    stop();
    if (SoundDictionary* sounds = getSoundDictionary())
        sounds->stopAll();
}

void MainScreen::fade(bool fadeIn)
{
    applyEffect(fadeEffect.get(), fadeIn, true);
}

void MainScreen::restart(const std::u16string& command)
{
    restartProgram(app->getHandle(), command.c_str());
    setPressedSprite(nullptr);
}

void MainScreen::onSprite(const WCHAR* spriteName)
{
    const std::u16string name = spriteName;
    if (has(name, u"rdoSound"))
        WaveSound::setEnabled(soundSwitchOf(*getTemplate()));

    // The settings page's box: the flag follows it (unticked clears it).
    if (has(name, u"soundHwdMixing"))
        app->hardwareMixing = hardwareMixingOf(*getTemplate());
    else if (has(name, u"cmdFly") || has(name, u"cmdExercise"))
        flyCommand(has(name, u"cmdExercise"));
    else if (has(name, u"cmdScoreBoard"))
    {
        loadPage(u"scoreboard.properties");
        fade(true);
    }
    else if (has(name, u"cmdNewPilot"))
        openNewPilot();
    else if (has(name, u"newPilotOK"))
        setFocus(); // the edit's end of editing adds the pilot
    else if (has(name, u"cmdDelPilot"))
        openDeletePilot();
    else if (has(name, u"delPilotYes") || has(name, u"delPilotNo"))
        answerDeletePilot(has(name, u"delPilotYes"));
    else if (has(name, u"cmdSpecs"))
    {
        if (selectedPlane >= 0 && selectedPlane < int(planes.size()))
        {
            const std::u16string specs = planes[size_t(selectedPlane)] + u"_specs.properties";
            loadTemplate(folded(guiFolder + u"..\\aircraft\\specs\\").c_str(), specs.c_str(), true);
            redraw();
        }
    }
    else if (has(name, u"btnQuitManual"))
        restart(u"ARG:intro");
    else if (has(name, u"btnEnterIntro") || has(name, u"waterprint"))
    {
        introOffset = 0.0f;
        loadPage(u"intro.properties");
    }
    else if (has(name, u"cmdGSetting"))
    {
        stopAll();
        loadPage(u"gsetting.properties");
        fade(true);
    }
    else if (has(name, u"cmdEnterMPGame"))
    {
        stopAll();
        loadPage(u"MPGLogin.properties");
        fade(true);
    }
    else if (has(name, u"btnMPGMainMenu"))
        logOnFromPage();
    else if (has(name, u"cmdManual") || has(name, u"playGetIP"))
    {
        stopAll();
        loadPage(has(name, u"cmdManual") ? u"manual\\index.properties" : u"manual\\MPGGetIP.properties");
    }
    else if (has(name, u"cmdEnterGame"))
    {
        stopAll();
        fade(false);
        loadPage(u"MainMenu.properties");
    }
    else if (has(name, u"cmdLastPilot") || has(name, u"cmdNextPilot"))
    {
        const int row = stepList(kPilotList, has(name, u"cmdLastPilot") ? -1 : 1);
        if (row >= 0)
            showPilotStats(row);
        redraw();
    }
    else if (has(name, u"cmdLastPlane") || has(name, u"cmdNextPlane"))
    {
        const int row = stepList(kPlaneList, has(name, u"cmdLastPlane") ? -1 : 1);
        if (row >= 0)
            selectPlane(row);
    }
    else if (has(name, u"cmdLastScene") || has(name, u"cmdNextScene"))
    {
        const int row = stepList(kSceneList, has(name, u"cmdLastScene") ? -1 : 1);
        if (row >= 0)
            selectScene(row);
    }
    else if (has(name, u"cmdLastGroup") || has(name, u"cmdNextGroup"))
        stepGroup(has(name, u"cmdLastGroup") ? -1 : 1);
    else if (has(name, u"cmdQuitGame"))
    {
        stopAll();
        fade(false);
        loadPage(u"back.properties");
    }
    else if (has(name, u"cmdExit"))
    {
        stopAll();
        fade(false);
        setPressedSprite(nullptr);
        app->destroy();
    }
    else if (has(name, u"cmdMPGNewGroup"))
        openNewGroup();
    else if (has(name, u"cmdGrpNameOK"))
        setFocus(); // the edit's end of editing creates the group
    else if (has(name, u"cmdMPGFly"))
        flyInGroup();
}

// ---- small helpers ----

void MainScreen::setSpriteText(const WCHAR* spriteName, const std::u16string& text)
{
    if (auto* sprite = dynamic_cast<Sprite*>(findComponent(spriteName)))
        sprite->setText(text.c_str(), true);
}

void MainScreen::showObject(const WCHAR* objectName, bool visible)
{
    if (SceneObject* object = findComponent(objectName))
        object->visible = visible ? 1 : 0;
}

void MainScreen::showSceneNamed(const WCHAR* sceneName, bool visible)
{
    if (Scene* scene = findScene(sceneName))
        scene->visible = visible ? 1 : 0;
}

} // namespace skyrend
