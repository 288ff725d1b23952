// main_screen_menu.cpp -- the main menu's lists and pictures, pilots, the
// flight commands and the scoreboard
#include "games/skyrend/main_screen.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/wstring_utils.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/scenes/scene.h"
#include "games/skyrend/game_app.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace skyrend {

namespace {

constexpr int kBoardRows = 10;
constexpr int kBoardStars = 6;
constexpr int kBoardNameLength = 12;

int clampIndex(int index, size_t count)
{
    return count == 0 ? 0 : std::clamp(index, 0, int(count) - 1);
}

} // namespace

void MainScreen::fillList(int id, const std::vector<std::u16string>& labels, int selected)
{
    Window* list = findChild(UINT(id));
    if (!list)
        return;
    list->setFont(listFont);
    list->clearList();
    for (const auto& label : labels)
        list->addListItem(label.c_str());
    list->setListSelection(selected);
}

void MainScreen::fillMainMenu()
{
    Properties* page = getTemplate();
    const int savedPlane = page->getFieldInt(u"planeSelected", nullptr, 0);
    const int savedScene = page->getFieldInt(u"sceneSelected", nullptr, 0);
    selectedPlane = clampIndex(savedPlane, planes.size());
    selectedScene = clampIndex(savedScene, scenes_.size());
    fillList(kPlaneList, planeLabels, planes.empty() ? -1 : selectedPlane);
    fillList(kSceneList, sceneLabels, scenes_.empty() ? -1 : selectedScene);
    // A saved choice beyond today's tables is put right (and its picture with it).
    if (!planes.empty() && savedPlane != selectedPlane)
        selectPlane(selectedPlane);
    if (!scenes_.empty() && savedScene != selectedScene)
        selectScene(selectedScene);
    if (pageIs(u"MPGMainMenu"))
    {
        if (Window* list = findChild(kGroupList))
            list->setFont(listFont);
        selectedGroup = -1;
        refreshGroups(false);
        return;
    }
    Window* pilots = findChild(kPilotList);
    if (!pilots)
        return;
    pilots->setFont(listFont);
    pilots->clearList();
    for (const PilotRecord& pilot : roster.pilots)
        pilots->addListItem(pilot.name);
    const int count = getPilotCount();
    if (roster.lastPilot >= count)
        roster.lastPilot = count - 1;
    pilots->setListSelection(roster.lastPilot);
    showPilotStats(roster.lastPilot);
}

void MainScreen::storePicture(const WCHAR* spriteName, const std::u16string& texture, const std::u16string& mask)
{
    Properties* page = getTemplate();
    page->setField(spriteName, u"texture", texture.c_str());
    if (!mask.empty())
        page->setField(spriteName, u"mask", mask.c_str());
    TextureDictionary* dictionary = getTextureDictionary();
    auto* sprite = dynamic_cast<Sprite*>(findComponent(spriteName));
    if (!dictionary || !sprite)
        return;
    Texture* picture = dictionary->load(getTemplateFolder(), texture.c_str(), false, false);
    Texture* maskPicture = mask.empty() ? nullptr : dictionary->load(getTemplateFolder(), mask.c_str(), false, false);
    sprite->setImages(picture, nullptr, maskPicture, -1, -1, -1, -1);
}

void MainScreen::repairSavedPictures(const WCHAR* folder, const WCHAR* name)
{
    Properties page(u'=', u',', u':');
    if (!page.load(folder, name))
        return;
    bool changed = false;
    auto repair = [&](const WCHAR* sprite, const WCHAR* selectedKey, const std::vector<std::u16string>& files,
                      const std::u16string& place, bool withMask) {
        std::unique_ptr<WCHAR[]> texture(page.getField(sprite, u"texture"));
        if (!texture || files.empty())
            return;
        std::u16string path = std::u16string(folder) + texture.get();
        collapseParentDirs(path.data());
        path = path.c_str();
        if (FILE* file = openResourceFile(path.c_str(), u"rb"))
        {
            closeResourceFile(file);
            return;
        }
        const std::u16string& chosen =
            files[size_t(clampIndex(page.getFieldInt(selectedKey, nullptr, 0), files.size()))];
        page.setField(sprite, u"texture", (place + chosen + u".jpg").c_str());
        if (withMask)
            page.setField(sprite, u"mask", (place + chosen + u"mask.bmp").c_str());
        changed = true;
    };
    repair(u"picPlane", u"planeSelected", planes, u"..\\aircraft\\", true);
    repair(u"picScene", u"sceneSelected", scenes_, u"..\\scenes\\", false);
    if (changed)
        page.save();
}

void MainScreen::selectPlane(int index)
{
    if (index < 0 || index >= int(planes.size()) || !getTemplate())
        return;
    selectedPlane = index;
    getTemplate()->put(u"planeSelected", os::format(u"%d", index).c_str());
    const std::u16string& plane = planes[size_t(index)];
    storePicture(u"picPlane", u"..\\aircraft\\" + plane + u".jpg", u"..\\aircraft\\" + plane + u"mask.bmp");
    redraw();
    saveTemplate();
}

void MainScreen::selectScene(int index)
{
    if (index < 0 || index >= int(scenes_.size()) || !getTemplate())
        return;
    selectedScene = index;
    getTemplate()->put(u"sceneSelected", os::format(u"%d", index).c_str());
    storePicture(u"picScene", u"..\\scenes\\" + scenes_[size_t(index)] + u".jpg", u"");
    redraw();
    saveTemplate();
    // The lobby lists the groups of the chosen scene.
    if (pageIs(u"MPGMainMenu"))
        refreshGroups(false);
}

void MainScreen::showPilotStats(int row)
{
    const PilotRecord* pilot = roster.at(row);
    if (!pilot)
        return;
    setSpriteText(u"KillsVal", os::format(u"%d", pilot->shootDown));
    setSpriteText(u"DownsVal", os::format(u"%d", pilot->beShotDown));
    setSpriteText(u"MissionsVal", os::format(u"%d", pilot->missions));
}

int MainScreen::stepList(int id, int step)
{
    Window* list = findChild(UINT(id));
    if (!list)
        return -1;
    const int row = list->getListSelection() + step;
    if (row < 0 || row >= list->getListCount())
        return -1;
    list->setListSelection(row);
    return row;
}

void MainScreen::onControlCommand(int notification, int id)
{
    if (notification == LBN_SELCHANGE)
    {
        Window* list = findChild(UINT(id));
        const int row = list ? list->getListSelection() : -1;
        if (id == kPlaneList)
            selectPlane(row);
        else if (id == kSceneList)
            selectScene(row);
        else if (id == kPilotList)
        {
            showPilotStats(row);
            redraw();
        }
        else if (id == kGroupList && pageIs(u"MPGMainMenu") && row >= 0 && row < int(groups.size()))
        {
            selectedGroup = row;
            showGroupInfo();
            redraw();
        }
    }
    else if (id == kPilotNameEdit && notification == EN_KILLFOCUS && enteringPilot && pageIs(u"MainMenu"))
        finishNewPilot();
    else if (id == kGroupNameEdit && notification == EN_KILLFOCUS && enteringGroupName && pageIs(u"MPGMainMenu"))
        finishNewGroup();
}

// ---- flights ----

void MainScreen::flyCommand(bool exercise)
{
    Window* list = findChild(kPilotList);
    const int row = list ? list->getListSelection() : -1;
    if (!roster.at(row))
    {
        MessageBoxW(nullptr, u"You did not select a pilot, select one (or create a new one) then try again.",
                    u"Warning", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (planes.empty() || scenes_.empty())
    {
        MessageBoxW(nullptr, u"There is no plane or no scene to fly in the resources folders.", u"Warning",
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    stopAll();
    roster.lastPilot = row;
    restart(flightArgument(exercise, selectedPlane, selectedScene, row));
}

// ---- new and deleted pilots ----

void MainScreen::openNewPilot()
{
    showSceneNamed(u"newPilotScene", true);
    if (Window* edit = findChild(kPilotNameEdit))
    {
        edit->setTextLimit(kPilotNameLength);
        edit->show(true);
        edit->setFocus();
        enteringPilot = true;
    }
    redraw();
}

void MainScreen::finishNewPilot()
{
    enteringPilot = false;
    Window* edit = findChild(kPilotNameEdit);
    Window* list = findChild(kPilotList);
    if (!edit)
        return;
    WCHAR text[kPilotNameLength + 1] = {};
    edit->getText(text, kPilotNameLength + 1);
    const std::u16string name = pilotName(text);
    if (!name.empty() && roster.find(name.c_str()) >= 0)
        MessageBoxW(nullptr, u"The pilot already exists, change the pilot's name and try again.", u"Warning",
                    MB_OK | MB_ICONEXCLAMATION);
    else if (!name.empty())
    {
        roster.pilots.emplace_back(name.c_str(), 0, 0, 0);
        const int row = getPilotCount() - 1;
        if (list)
        {
            list->addListItem(roster.pilots.back().name);
            list->setListSelection(row);
        }
        roster.lastPilot = row;
        showPilotStats(row);
        savePilots();
    }
    showSceneNamed(u"newPilotScene", false);
    SetWindowTextW(edit->getHandle(), u"");
    edit->show(false);
    redraw();
}

void MainScreen::openDeletePilot()
{
    if (roster.pilots.empty())
        return;
    showSceneNamed(u"delPilotScene", true);
    redraw();
}

void MainScreen::answerDeletePilot(bool yes)
{
    Window* list = findChild(kPilotList);
    const int row = list ? list->getListSelection() : -1;
    // Without a selected row there is nothing to delete.
    if (yes && roster.at(row))
    {
        list->deleteListItem(row);
        roster.pilots.erase(roster.pilots.begin() + row);
        list->setListSelection(0);
        showPilotStats(0);
        roster.lastPilot = 0;
        savePilots();
    }
    showSceneNamed(u"delPilotScene", false);
    redraw();
}

// ---- scoreboard ----

void MainScreen::fillScoreboard()
{
    Properties file(u'=', u',', u':');
    Roster board;
    if (pilotsReadable)
    {
        file.load(guiFolder.c_str(), u"tplist.properties");
        board.read(file);
    }
    rankPilots(board.pilots);
    const int size = std::max(Canvas::scaleToScreen(14), 12);
    auto text = [&](const std::u16string& spriteName, const std::u16string& value) {
        auto* sprite = dynamic_cast<Sprite*>(findComponent(spriteName.c_str()));
        if (!sprite)
            return sprite;
        sprite->setText(value.c_str(), true);
        sprite->textColor = 0xffffff;
        sprite->textWeight = 400;
        sprite->textSize = size;
        return sprite;
    };
    const int rows = std::min(int(board.pilots.size()), kBoardRows);
    for (int r = 0; r < rows; ++r)
    {
        const PilotRecord& pilot = board.pilots[size_t(r)];
        std::u16string name = pilot.name;
        if (name.size() > size_t(kBoardNameLength))
            name.resize(size_t(kBoardNameLength));
        if (Sprite* sprite = text(os::format(u"pilot%d", r), name))
            sprite->height = size;
        for (int s = 0; s < kBoardStars; ++s)
            showObject(os::format(u"star_%d_%d", r, s).c_str(), s < std::min(pilot.shootDown, kBoardStars));
        if (pilot.shootDown > kBoardStars)
            text(os::format(u"starNum%d", r), os::format(u"...%d", pilot.shootDown));
        text(os::format(u"downNum%d", r), os::format(u"%d", pilot.beShotDown));
    }
}

} // namespace skyrend
