// player.cpp -- the input script on a clock
#include "os/host/headless/player.h"
#include "os/host/backends_private.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

bool read_script(const std::string& path, std::vector<Command>& commands, std::string& error)
{
    // A folder opens as a stream that reads nothing: it would pass for an
    // empty script and the program would run without its input.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    {
        error = path + ": a folder, not an input script";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        error = path + ": cannot read the input script";
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    if (!parse(text.str(), commands, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

void Player::load_from_environment(uint64_t now)
{
    shot_count_ = atoi(env("OS_SHOT_COUNT", "0").c_str());
    std::string path = env("OS_SCRIPT");
    if (path.empty())
    {
        return;
    }
    std::string error;
    if (!read_script(path, commands_, error))
    {
        fprintf(stderr, "%s; the script is not run\n", error.c_str());
        return;
    }
    size_t from = size_t(strtoull(env("OS_SCRIPT_POS", "0").c_str(), nullptr, 10));
    have_script_ = true;
    next_command_ = std::min(from, commands_.size());
    if (!paced_)
    {
        start(now);
    }
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
    handed_over_ = false;
    next_command_ = 0;
    started_ = false;
    start(now);
    return true;
}

void Player::start(uint64_t now)
{
    if (started_ || !have_script_ || handed_over_)
    {
        return;
    }
    started_ = true;
    schedule(next_command_, now);
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
    hold_ = Hold();
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

namespace {

// Whether the program can take a script item now (unscripted test input is
// never held back).
bool can_take(const Action& action, bool scripted, ProgramState state)
{
    if (!scripted || action.kind == ActionKind::Answer)
    {
        return true;
    }
    if (action.kind == ActionKind::Shot || action.event.type == EventType::Close)
    {
        return state.idle;
    }
    return state.idle && state.window;
}

} // namespace

// The first item due by `now` that the program in `state` can take: script
// items go in order (one held back holds back those after it); test input
// passes them. Looking `ahead` (for the next due time), a waitfile not begun
// yet counts as takeable: the clock has to reach it for it to begin.
std::multimap<uint64_t, Player::Item>::const_iterator Player::first_takeable(uint64_t now, ProgramState state,
                                                                             bool ahead)
{
    bool script_held = false;
    for (auto it = queue_.begin(); it != queue_.end() && it->first <= now; ++it)
    {
        if (it->second.scripted && script_held)
        {
            continue;
        }
        const Item& item = it->second;
        if (item.action.kind == ActionKind::Hold ? hold_passes(item, now, ahead)
                                                 : can_take(item.action, item.scripted, state))
        {
            return it;
        }
        script_held = script_held || item.scripted;
    }
    return queue_.end();
}

// Whether a waitfile that fell due lets the script go on: its file is there,
// or it has held as long as it may (said on stderr). It begins (its real
// time limit starts) the first time it is met at or after its due time.
bool Player::hold_passes(const Item& item, uint64_t now, bool ahead)
{
    if (!hold_.begun || hold_.command != item.action.command)
    {
        if (ahead)
        {
            return true;
        }
        hold_ = Hold{true, false, item.action.command, now, std::chrono::steady_clock::now()};
    }
    if (hold_.open)
    {
        return true;
    }
    const std::string& path = item.action.name;
    if (access(path.c_str(), F_OK) == 0)
    {
        hold_.open = true;
        return true;
    }
    auto held = std::chrono::steady_clock::now() - hold_.since;
    if (held >= std::chrono::milliseconds(item.action.ms))
    {
        hold_.open = true;
        int line = item.action.command < commands_.size() ? commands_[item.action.command].line : 0;
        fprintf(stderr, "script line %d: waitfile %s: no such file after %u ms; the script goes on\n", line,
                path.c_str(), unsigned(item.action.ms));
    }
    return hold_.open;
}

uint64_t Player::hold_limit() const
{
    auto real = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - hold_.since);
    return hold_.began_at + uint64_t(real.count()) + kWaitFileLeadMs;
}

uint64_t Player::next_due(ProgramState state)
{
    auto it = first_takeable(UINT64_MAX, state, true);
    return it == queue_.end() ? UINT64_MAX : it->first;
}

void Player::delay_script_items(uint64_t by)
{
    std::multimap<uint64_t, Item> moved;
    for (auto& [due, item] : queue_)
    {
        uint64_t when = item.scripted ? due + by : due;
        item.action.due = when;
        item.action.event.time = item.scripted ? DWORD(when) : item.action.event.time;
        moved.emplace(when, std::move(item));
    }
    queue_ = std::move(moved);
}

bool Player::take(uint64_t now, ProgramState state, Event& event, std::string& shot, bool& again)
{
    again = false;
    if (paced_ && state.idle && state.window)
    {
        start(now);
    }
    auto next = first_takeable(now, state, false);
    if (next == queue_.end())
    {
        return false;
    }
    uint64_t due = next->first;
    Item item = next->second;
    queue_.erase(next);
    if (paced_ && item.scripted && now > due)
    {
        delay_script_items(now - due); // the waits after a late command still hold
    }
    if (item.action.kind == ActionKind::Hold)
    {
        if (!paced_ && now > hold_.began_at)
        {
            delay_script_items(now - hold_.began_at); // the waits after it count from its end
        }
        hold_ = Hold();
    }
    delivered(item);
    if (!item.action.note.empty())
    {
        fprintf(stderr, "%s\n", item.action.note.c_str());
    }
    switch (item.action.kind)
    {
    case ActionKind::Input:
        event = item.action.event;
        event.time = paced_ ? DWORD(now) : event.time;
        return true;
    case ActionKind::Answer:
        answers_.push_back(item.action.answer);
        break;
    case ActionKind::Shot:
        shot = shot_path(item.action.name, shot_count_++);
        break;
    case ActionKind::Hold:
        break;
    }
    again = true;
    return false;
}

std::vector<std::string> Player::missed_shots() const
{
    std::vector<std::string> missed;
    for (auto& path : missed_)
    {
        missed.push_back(path + ": could not be written");
    }
    if (!have_script_ || handed_over_)
    {
        return missed;
    }
    const std::string kUnreached = ": not taken, the program ended before the script reached it";
    int number = shot_count_;
    if (started_)
    {
        for (auto& [due, item] : queue_)
        {
            if (item.scripted && item.action.kind == ActionKind::Shot)
            {
                missed.push_back(shot_path(item.action.name, number++) + kUnreached);
            }
        }
        return missed;
    }
    for (size_t i = next_command_; i < commands_.size(); i++)
    {
        if (commands_[i].op == Op::Shot)
        {
            missed.push_back(shot_path(commands_[i].name, number++) + kUnreached);
        }
    }
    return missed;
}

int Player::answer_box(uint64_t now, UINT flags)
{
    if (paced_)
    {
        start(now); // a message box is the program asking the person
    }
    for (auto it = queue_.begin(); it != queue_.end() && it->first <= now;)
    {
        if (it->second.action.kind == ActionKind::Hold && !hold_passes(it->second, now, false))
        {
            break; // the answers after a holding waitfile are not given yet
        }
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
    handed_over_ = true;
    return {{"OS_SCRIPT_POS", std::to_string(next_command_)}, {"OS_SHOT_COUNT", std::to_string(shot_count_)}};
}

} // namespace os::host::script

namespace os::host::script {

bool write_shot(Backend& backend, const std::string& path)
{
    // The output folder is made by the first screenshot, so that a run that
    // writes none (a refused script, a program ending early) leaves none.
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
    {
        std::filesystem::create_directories(folder, ec);
    }
    // Written aside and renamed, so that a reader never sees half a file.
    std::string partial = path + ".partial";
    if (!backend.screenshot(partial) || rename(partial.c_str(), path.c_str()) != 0)
    {
        remove(partial.c_str());
        fprintf(stderr, "%s: cannot write the screenshot\n", path.c_str());
        return false;
    }
    return true;
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
            if (player.take(now, backend.program_state(), event, shot, again))
            {
                return true;
            }
        }
        if (!shot.empty() && !write_shot(backend, shot))
        {
            std::lock_guard<std::mutex> hold(lock);
            player.shot_failed(shot);
        }
    }
    return false;
}

} // namespace os::host::script
