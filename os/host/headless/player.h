// player.h -- plays the input script (and test input) on a clock
//
// Holds what is scheduled, in order of time, and carries out the parts that
// are not input (screenshots, message box answers). Not locked: the back end
// that owns it serialises the calls.
#pragma once

#include "os/host/headless/script.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace os::host::script {

// Reads and parses a script file; false with "FILE: what is wrong" in `error`.
bool read_script(const std::string& path, std::vector<Command>& commands, std::string& error);

class Player
{
public:
    // Paced (a real clock): the script is laid out when the program is first
    // ready for input with a window, and a command delivered late delays the
    // ones after it, so the waits between commands hold whatever the
    // program's speed. Unpaced (the virtual clock): laid out when loaded.
    explicit Player(bool paced = false) : paced_(paced) {}

    // Loads OS_SCRIPT from OS_SCRIPT_POS on, laid out from `now`; a script
    // that cannot be read or parsed is reported on stderr and not run.
    void load_from_environment(uint64_t now);

    // Replaces the script by `text` from its first command; false (and the
    // reason on stderr) when a line is malformed.
    bool run_text(const std::string& text, uint64_t now);

    // Input that is not part of the script (tests).
    void inject(const std::vector<Action>& actions);

    bool has_script() const { return have_script_; }

    // The time the next item falls due, if the program in `state` can take
    // it (items go in order: one held back holds back those after it);
    // UINT64_MAX when there is none. A waitfile counts as due when the clock
    // reaches it; once it holds, it is not until its file is there or its
    // time runs out.
    uint64_t next_due(ProgramState state);

    // True while a waitfile holds the script: it has fallen due and its file
    // is not there yet. Its file is looked for on each take or next_due; the
    // back end keeps the clock to real time meanwhile.
    bool holding() const { return hold_.begun && !hold_.open; }

    // While holding: the latest time the clock may show now, the hold's
    // start plus the real time since then and kWaitFileLeadMs.
    uint64_t hold_limit() const;

    // Takes the first item due at `now` that the program in `state` can take.
    // Answers true with an input event; false with nothing due, or with
    // `shot` naming a file to write, or after queueing an answer (more may be
    // due: call again while `again`).
    bool take(uint64_t now, ProgramState state, Event& event, std::string& shot, bool& again);

    // A screenshot of the script that could not be written.
    void shot_failed(const std::string& path) { missed_.push_back(path); }

    // Screenshots of the script not written so far, each as "PATH: why":
    // failed ones and those still to come (none after a hand-over).
    std::vector<std::string> missed_shots() const;

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

    // A waitfile that fell due: when it began (virtual and real), and whether
    // its file was found or its time ran out.
    struct Hold
    {
        bool begun = false;
        bool open = false;
        size_t command = 0;
        uint64_t began_at = 0;
        std::chrono::steady_clock::time_point since;
    };

    std::multimap<uint64_t, Item>::const_iterator first_takeable(uint64_t now, ProgramState state, bool ahead);
    bool hold_passes(const Item& item, uint64_t now, bool ahead);
    void schedule(size_t from, uint64_t now);
    void start(uint64_t now);
    void drop_script_items();
    void delivered(const Item& item);
    void delay_script_items(uint64_t by);

    bool paced_ = false;
    bool started_ = false;   // the script is laid out on the clock
    bool handed_over_ = false;
    std::multimap<uint64_t, Item> queue_;
    std::vector<Command> commands_;
    bool have_script_ = false;
    size_t next_command_ = 0;
    int shot_count_ = 0;
    std::deque<int> answers_;
    std::vector<std::string> missed_;
    Hold hold_;
};

// Writes a screenshot of the script through the back end; false (and the
// reason on stderr) on failure.
bool write_shot(Backend& backend, const std::string& path);

// The player's next input event due at the back end's time that the
// program (in the back end's program_state) can take, with `lock` held while
// the player is used; screenshots met on the way are written (outside the
// lock, which drawing threads may need).
bool take_due_input(Player& player, std::mutex& lock, Backend& backend, Event& event);

} // namespace os::host::script
