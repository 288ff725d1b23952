// script.h -- the headless input script: parsing and laying out on the clock
//
// One command per line, '#' starts a comment (see os/host/README.md). A
// script is all or nothing: the first malformed line refuses it.
#pragma once

#include "os/host/host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace os::host::script {

enum class Op
{
    Tap,
    Down,
    Move,
    Up,
    Drag,
    Key,
    KeyDown,
    KeyUp,
    Text,
    Wait,
    Shot,
    Answer,
    Close,
    WaitFile,
    Frame, // a setting of the whole run, not an event: see frame_length
};

struct Command
{
    Op op = Op::Close;
    int line = 0;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    uint32_t ms = 0; // wait time, a drag's duration, how long a waitfile holds at most, or a frame's length
    UINT vk = 0;
    std::u16string text;
    std::string name; // screenshot name (may be empty), or the file a waitfile waits for
    int answer = 0;
};

// Parses a whole script; on failure `error` reads "line N: what is wrong".
bool parse(const std::string& text, std::vector<Command>& out, std::string& error);

// The longest frame a `frame MS` line may give.
constexpr uint32_t kMaxFrameMs = 1000;

// The frame length a script carries: the MS of its `frame MS` lines (a
// script that has several gives one length in all of them, or is refused),
// or -1 when it has none. It holds for the whole run, from the program's
// start and wherever the line stands, over OS_FRAME_MS: a recorded script
// replays only with the frame length it was recorded with.
int64_t frame_length(const std::vector<Command>& commands);

// An input event record (time left 0).
Event input_event(EventType type, int x = 0, int y = 0, UINT key = 0, WCHAR ch = 0);

// A device key from a number (decimal or 0x hex) or a name (LEFT, APP1, A, 7...).
bool parse_key(const std::string& word, UINT& vk);

// A message box answer from a name (OK, CANCEL, YES, NO...) or a number.
bool parse_answer(const std::string& word, int& id);

enum class ActionKind
{
    Input,  // deliver `event`
    Shot,   // write a screenshot named `name`
    Answer, // queue `answer` for the next message box
    Hold,   // hold the script until the file `name` exists, at most `ms` real milliseconds
};

struct Action
{
    uint64_t due = 0;
    size_t command = 0; // index of the command this action belongs to
    ActionKind kind = ActionKind::Input;
    Event event;
    std::string name;
    int answer = 0;
    uint32_t ms = 0;
    std::string note; // said on stderr when the action is taken
};

// Time a pen tap or a key press is held.
constexpr uint32_t kPressMs = 50;
// A drag's duration when the line gives none.
constexpr uint32_t kDragMs = 300;
// The pause after the last command before the window is closed.
constexpr uint32_t kEndPauseMs = 100;
// How long a waitfile holds the script at most when the line gives no time.
constexpr uint32_t kWaitFileMs = 60000;
// How often a holding script looks for its file (real milliseconds).
constexpr uint32_t kWaitFilePollMs = 20;
// How far the headless clock may run ahead of real time (counted from the
// hold's start) while a waitfile holds.
constexpr uint32_t kWaitFileLeadMs = 250;

// Lays out commands[from..] on the clock from `start`, in order of time;
// with close_at_end, a Close event (command index = commands.size()) follows
// the last command after kEndPauseMs.
std::vector<Action> schedule(const std::vector<Command>& commands, size_t from, uint64_t start, bool close_at_end);

} // namespace os::host::script
