// main_screen_lobby.cpp -- the multiplayer pages of the main screen: logging
// on from "MPGLogin", the lobby "MPGMainMenu" (its groups refreshed every
// 2 s, a group's details, a new group, entering one) and the session's
// notices
#include "games/skyrend/main_screen.h"

#include "games/skyrend/flight_link.h"
#include "games/skyrend/game_app.h"
#include "games/skyrend/game_canvas.h"
#include "games/skyrend/multiplayer/client_session.h"
#include "games/skyrend/screen_services.h"

#include "engine/scene/2d/sprite.h"

#include <os/wstring.h>

namespace skyrend {

namespace {

constexpr UINT kLobbyRefreshMs = 2000;
constexpr int kGroupNameLength = 32;

std::u16string controlText(Canvas* screen, const WCHAR* name)
{
    WCHAR text[64] = {};
    if (Window* edit = screen->findControl(name))
        edit->getText(text, 64);
    return text;
}

} // namespace

void MainScreen::logOnFromPage()
{
    const std::u16string name = controlText(this, u"serverName");
    const std::u16string address = controlText(this, u"serverIP");
    const std::u16string port = controlText(this, u"serverPort");
    const std::u16string user = u"<" + controlText(this, u"userName") + u">";
    const std::u16string password = controlText(this, u"password");
    if (user == u"<>")
    {
        MessageBoxW(nullptr, u"\"User Name\" can not be empty.", u"Warning", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!app->connect(name, address, port))
        return;
    if (!logon(user, password))
        return;
    loadPage(u"MPGMainMenu.properties");
    fade(true);
    redraw();
    startTimer(kLobbyRefreshMs);
}

bool MainScreen::logon(const std::u16string& user, const std::u16string& password)
{
    mp::ClientSession* session = app->getSession();
    Window* label = createMessageLabel(this, u"Logging on the Game Server...\n(may last 1~20 seconds)", 200, 60, 20, 100);
    redraw();
    const bool accepted = session && session->logon(user, password);
    destroyMessageLabel(this, label);
    if (!accepted)
    {
        // The server's refusal (or the lost connection) is said first.
        showSessionNotices();
        app->endSession();
        redraw();
        return false;
    }
    loggedUser = user;
    loggedPassword = password;
    return true;
}

void MainScreen::refreshGroups(bool selectLast)
{
    mp::ClientSession* session = app->getSession();
    std::vector<mp::GroupEntry> listed;
    if (session)
        listed = session->requestGroupList(selectedScene);
    if (!session || session->lastRequestEnd() != mp::ClientSession::RequestEnd::Answered)
    {
        // The connection is gone: the notice takes the lobby back.
        showSessionNotices();
        return;
    }
    groups = std::move(listed);
    Window* list = findChild(kGroupList);
    if (list)
        list->clearList();
    // An empty list leaves the details and the selected row as they were.
    if (groups.empty())
        return;
    for (const mp::GroupEntry& g : groups)
        if (list)
            list->addListItem(g.name.c_str());
    int row = selectedGroup;
    if (selectLast || row < 0 || row >= int(groups.size()))
        row = int(groups.size()) - 1;
    if (list)
        list->setListSelection(row);
    selectedGroup = row;
    showGroupInfo();
    redraw();
}

bool MainScreen::createGroup(const std::u16string& name)
{
    mp::ClientSession* session = app->getSession();
    const bool added = session && session->createGroup(name, selectedScene);
    showSessionNotices();
    return added;
}

void MainScreen::showGroupInfo()
{
    if (selectedGroup < 0 || selectedGroup >= int(groups.size()))
        return;
    const mp::GroupInfoTexts texts = mp::groupInfoTexts(groups[size_t(selectedGroup)]);
    setSpriteText(u"txtGrpCreator", texts.creator);
    setSpriteText(u"txtGrpTime", texts.time);
    setSpriteText(u"txtGrpUserNum", texts.members);
}

void MainScreen::stepGroup(int step)
{
    const int row = stepList(kGroupList, step);
    if (row < 0 || row >= int(groups.size()))
        return;
    selectedGroup = row;
    showGroupInfo();
    redraw();
}

void MainScreen::openNewGroup()
{
    stop();
    Window* edit = findChild(kGroupNameEdit);
    if (!edit)
        return;
    edit->setTextLimit(kGroupNameLength);
    edit->show(true);
    enteringGroupName = true;
    edit->setFocus();
    showObject(u"cmdGrpNameOK", true);
    redraw();
}

void MainScreen::finishNewGroup()
{
    enteringGroupName = false;
    Window* edit = findChild(kGroupNameEdit);
    if (!edit)
        return;
    WCHAR text[kGroupNameLength + 1] = {};
    edit->getText(text, kGroupNameLength + 1);
    edit->show(false);
    SetWindowTextW(edit->getHandle(), u"");
    showObject(u"cmdGrpNameOK", false);
    const std::u16string name = text;
    if (!name.empty() && createGroup(name))
        refreshGroups(true);
    redraw();
}

void MainScreen::flyInGroup()
{
    mp::ClientSession* session = app->getSession();
    if (selectedGroup < 0 || selectedGroup >= int(groups.size()) || !session)
    {
        MessageBoxW(nullptr, u"You need to select (or create) a game group before you launch the multiplayer game.",
                    u"Notice", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::u16string group = groups[size_t(selectedGroup)].name;
    // The link is the session's flight before the group is entered: what
    // the server sends from then on waits in it until the flight runs it.
    HWND window = getHandle();
    mp::ConnectionIdle* idle = &app->getConnectionIdle();
    auto link = std::make_unique<FlightLink>([window, idle] {
        PostMessageW(window, kFlightMessage, 0, 0);
        idle->wake();
    });
    session->setFlight(link.get());
    Window* label = createMessageLabel(this, u"Entering the Game Group.\nPlease wait ...", 200, 60, -10000, -10000);
    redraw();
    std::optional<std::vector<mp::MemberEntry>> members =
        session->enterGroup(loggedUser, group, int16_t(selectedPlane));
    destroyMessageLabel(this, label);
    if (!members || members->empty())
    {
        session->setFlight(nullptr);
        showSessionNotices();
        redraw();
        return;
    }
    stopAll();
    stopTimer();
    // A flight that cannot be built (its box said why) leaves the group:
    // the connection ends with the return to the log-on page.
    if (!app->startGroupFlight(selectedPlane, selectedScene, *members, std::move(link)))
        loadPage(u"MPGLogin.properties");
}

void MainScreen::onTimer()
{
    if (!pageIs(u"MPGMainMenu"))
    {
        stopTimer();
        return;
    }
    refreshGroups(false);
    redraw();
}

void MainScreen::leaveLobby()
{
    stopTimer();
    stop();
    if (Window* list = findChild(kGroupList))
        list->clearList();
    groups.clear();
    selectedGroup = -1;
    loadPage(u"MPGLogin.properties");
}

void MainScreen::showSessionNotices()
{
    mp::ClientSession* session = app->getSession();
    if (!session)
        return;
    bool lost = false;
    for (const mp::SessionNotice& notice : session->takeNotices())
    {
        switch (notice.kind)
        {
        case mp::SessionNotice::Refused:
            MessageBoxW(nullptr, notice.text.c_str(), u"Error", MB_OK | MB_ICONEXCLAMATION);
            break;
        case mp::SessionNotice::Notice:
            MessageBoxW(nullptr, notice.text.c_str(), u"Notice", MB_OK);
            break;
        case mp::SessionNotice::Disconnected:
            lost = true;
            break;
        }
    }
    if (!lost)
        return;
    if (pageIs(u"console"))
    {
        if (GameCanvas* flight = app->getFlight())
            flight->showFlightMessage(mp::kDisconnectedText, 0);
        else
            showMessage(mp::kDisconnectedText, 0, 16);
    }
    else if (pageIs(u"MPGMainMenu"))
    {
        MessageBoxW(nullptr, mp::kDisconnectedText, u"Error", MB_OK);
        MessageBoxW(nullptr, mp::kQuitAndRetryText, u"Error", MB_OK);
        leaveLobby();
    }
    else
        MessageBoxW(nullptr, mp::kConnectFailedText, u"Error", MB_OK | MB_ICONEXCLAMATION);
}

bool MainScreen::handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result)
{
    if (message == mp::kSessionNoticeMessage)
    {
        showSessionNotices();
        *result = 0;
        return true;
    }
    if (message == kFlightMessage)
    {
        app->runFlightMessages();
        *result = 0;
        return true;
    }
    return Canvas::handleOwnMessage(message, w, l, result);
}

} // namespace skyrend
