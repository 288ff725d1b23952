// player.cpp -- the input script on a clock
#include "os/host/headless/player.h"
#include "os/host/backends_private.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace os::host::script {

namespace {

std::string shot_path(const std::string& name, int number)
{
    std::string file = name;
    if (file.empty())
    {
        char buffer[32];
        snprintf(buffer, sizeof buffer, "shot-%03d", number);
        file = buffer;
    }
    if (file.size() < 4 || file.compare(file.size() - 4, 4, ".png") != 0)
    {
        file += ".png";
    }
    std::string folder = env("OS_OUT", ".");
    return folder.empty() ? file : folder + "/" + file;
}

} // namespace

void Player::load_from_environment(uint64_t now)
{
    shot_count_ = atoi(env("OS_SHOT_COUNT", "0").c_str());
    std::string path = env("OS_SCRIPT");
    if (path.empty())
    {
        return;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        fprintf(stderr, "%s: cannot read the input script\n", path.c_str());
        return;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    if (!parse(text.str(), commands_, error))
    {
        fprintf(stderr, "%s: %s; the script is not run\n", path.c_str(), error.c_str());
        return;
    }
    size_t from = size_t(strtoull(env("OS_SCRIPT_POS", "0").c_str(), nullptr, 10));
    have_script_ = true;
    schedule(std::min(from, commands_.size()), now);
}

bool Player::run_text(const std::string& text, uint64_t now)
{
    std::vector<Command> commands;
    std::string error;
    if (!parse(text, commands, error))
    {
        fprintf(stderr, "script: %s; the script is not run\n", error.c_str());
        return false;
    }
    commands_ = std::move(commands);
    have_script_ = true;
    schedule(0, now);
    return true;
}

void Player::schedule(size_t from, uint64_t now)
{
    drop_script_items();
    next_command_ = from;
    for (auto& action : script::schedule(commands_, from, now, true))
    {
        queue_.emplace(action.due, Item{action, true});
    }
}

void Player::drop_script_items()
{
    for (auto it = queue_.begin(); it != queue_.end();)
    {
        it = it->second.scripted ? queue_.erase(it) : std::next(it);
    }
}

void Player::inject(const std::vector<Action>& actions)
{
    for (auto& action : actions)
    {
        queue_.emplace(action.due, Item{action, false});
    }
}

void Player::delivered(const Item& item)
{
    if (item.scripted)
    {
        next_command_ = std::max(next_command_, item.action.command + 1);
    }
}

bool Player::take(uint64_t now, Event& event, std::string& shot, bool& again)
{
    again = false;
    if (queue_.empty() || queue_.begin()->first > now)
    {
        return false;
    }
    Item item = std::move(queue_.begin()->second);
    queue_.erase(queue_.begin());
    delivered(item);
    switch (item.action.kind)
    {
    case ActionKind::Input:
        event = item.action.event;
        return true;
    case ActionKind::Answer:
        answers_.push_back(item.action.answer);
        break;
    case ActionKind::Shot:
        shot = shot_path(item.action.name, shot_count_++);
        break;
    }
    again = true;
    return false;
}

int Player::answer_box(uint64_t now, UINT flags)
{
    for (auto it = queue_.begin(); it != queue_.end() && it->first <= now;)
    {
        if (it->second.action.kind != ActionKind::Answer)
        {
            ++it;
            continue;
        }
        answers_.push_back(it->second.action.answer);
        delivered(it->second);
        it = queue_.erase(it);
    }
    if (answers_.empty())
    {
        return default_box_answer(flags);
    }
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<std::pair<std::string, std::string>> Player::handover()
{
    if (!have_script_)
    {
        return {};
    }
    drop_script_items();
    return {{"OS_SCRIPT_POS", std::to_string(next_command_)}, {"OS_SHOT_COUNT", std::to_string(shot_count_)}};
}

} // namespace os::host::script

namespace os::host::script {

void write_shot(Backend& backend, const std::string& path)
{
    // Written aside and renamed, so that a reader never sees half a file.
    std::string partial = path + ".partial";
    if (!backend.screenshot(partial) || rename(partial.c_str(), path.c_str()) != 0)
    {
        remove(partial.c_str());
        fprintf(stderr, "%s: cannot write the screenshot\n", path.c_str());
    }
}

bool take_due_input(Player& player, std::mutex& lock, Backend& backend, Event& event)
{
    bool again = true;
    while (again)
    {
        uint64_t now = backend.now_ms();
        std::string shot;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (player.take(now, event, shot, again))
            {
                return true;
            }
        }
        if (!shot.empty())
        {
            write_shot(backend, shot);
        }
    }
    return false;
}

} // namespace os::host::script
