// player.h -- plays the input script (and test input) on a clock
//
// Holds what is scheduled, in order of time, and carries out the parts that
// are not input (screenshots, message box answers). Not locked: the back end
// that owns it serialises the calls.
#pragma once

#include "os/host/headless/script.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace os::host::script {

class Player
{
public:
    // Loads OS_SCRIPT from OS_SCRIPT_POS on, laid out from `now`; a script
    // that cannot be read or parsed is reported on stderr and not run.
    void load_from_environment(uint64_t now);

    // Replaces the script by `text` from its first command; false (and the
    // reason on stderr) when a line is malformed.
    bool run_text(const std::string& text, uint64_t now);

    // Input that is not part of the script (tests).
    void inject(const std::vector<Action>& actions);

    bool has_script() const { return have_script_; }
    bool idle() const { return queue_.empty(); }
    uint64_t next_due() const { return queue_.begin()->first; } // only when !idle()

    // Takes the first item due at `now`. Answers true with an input event;
    // false with nothing due, or with `shot` naming a file to write, or
    // after queueing an answer (more may be due: call again while `again`).
    bool take(uint64_t now, Event& event, std::string& shot, bool& again);

    // The answer of a message box shown at `now`: a queued one or the default.
    int answer_box(uint64_t now, UINT flags);
    void queue_answer(int id) { answers_.push_back(id); }

    // Variables for a child process that goes on with the script; from now
    // on this player delivers no script events.
    std::vector<std::pair<std::string, std::string>> handover();

    int shots_taken() const { return shot_count_; }

private:
    struct Item
    {
        Action action;
        bool scripted = false;
    };

    void schedule(size_t from, uint64_t now);
    void drop_script_items();
    void delivered(const Item& item);

    std::multimap<uint64_t, Item> queue_;
    std::vector<Command> commands_;
    bool have_script_ = false;
    size_t next_command_ = 0;
    int shot_count_ = 0;
    std::deque<int> answers_;
};

// Writes a screenshot of the script through the back end, reporting failure
// on stderr.
void write_shot(Backend& backend, const std::string& path);

// The player's next input event due at the back end's time, with `lock`
// held while the player is used; screenshots met on the way are written
// (outside the lock, which drawing threads may need).
bool take_due_input(Player& player, std::mutex& lock, Backend& backend, Event& event);

} // namespace os::host::script
