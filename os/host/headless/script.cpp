// script.cpp -- parsing the headless input script and laying it out in time
#include "os/host/headless/script.h"

#include "os/base/utf.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace os::host::script {

namespace {

struct Named
{
    const char* name;
    int value;
};

const Named kKeys[] = {
    {"BACK", 0x08}, {"TAB", 0x09},  {"RETURN", 0x0D}, {"ESCAPE", 0x1B}, {"SPACE", 0x20}, {"LEFT", 0x25},
    {"UP", 0x26},   {"RIGHT", 0x27}, {"DOWN", 0x28},  {"APP1", 0xC1},   {"APP2", 0xC2},  {"APP3", 0xC3},
    {"APP4", 0xC4}, {"PRIOR", 0x21}, {"PAGEUP", 0x21}, {"NEXT", 0x22},  {"PAGEDOWN", 0x22}, {"END", 0x23},
    {"HOME", 0x24}, {"DELETE", 0x2E},
};

const Named kAnswers[] = {
    {"OK", 1}, {"CANCEL", 2}, {"ABORT", 3}, {"RETRY", 4}, {"IGNORE", 5}, {"YES", 6}, {"NO", 7},
};

const Named kOps[] = {
    {"tap", int(Op::Tap)},         {"down", int(Op::Down)},         {"move", int(Op::Move)},
    {"up", int(Op::Up)},           {"drag", int(Op::Drag)},         {"key", int(Op::Key)},
    {"keydown", int(Op::KeyDown)}, {"keyup", int(Op::KeyUp)},       {"text", int(Op::Text)},
    {"wait", int(Op::Wait)},       {"shot", int(Op::Shot)},         {"answer", int(Op::Answer)},
    {"close", int(Op::Close)},     {"waitfile", int(Op::WaitFile)}, {"frame", int(Op::Frame)},
};

bool find_named(const Named* table, size_t count, const std::string& word, int& value)
{
    for (size_t i = 0; i < count; i++)
    {
        if (strcasecmp(table[i].name, word.c_str()) == 0)
        {
            value = table[i].value;
            return true;
        }
    }
    return false;
}

// A decimal or 0x-hexadecimal integer, optionally negative, within [low, high].
bool parse_number(const std::string& word, long long low, long long high, long long& out)
{
    size_t i = 0;
    bool negative = !word.empty() && word[0] == '-';
    i += negative;
    int base = 10;
    if (word.size() > i + 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X'))
    {
        base = 16;
        i += 2;
    }
    if (i >= word.size())
    {
        return false;
    }
    long long value = 0;
    for (; i < word.size(); i++)
    {
        int c = tolower(static_cast<unsigned char>(word[i]));
        int digit = isdigit(c) ? c - '0' : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0)
        {
            return false;
        }
        value = value * base + digit;
        if (value > (1ll << 40))
        {
            return false;
        }
    }
    out = negative ? -value : value;
    return out >= low && out <= high;
}

// Appends one UTF-8 sequence starting at s[i] as UTF-16; false when
// malformed. Typed text never holds a lone surrogate.
bool append_utf8(const std::string& s, size_t& i, std::u16string& out)
{
    uint32_t code = 0;
    size_t length = os::utf::decode_utf8(s, i, &code);
    if (length == 0 || (code >= 0xD800 && code <= 0xDFFF))
    {
        return false;
    }
    os::utf::append_utf16(out, code);
    i += length;
    return true;
}

// A quoted string starting at line[pos] == '"'; pos ends after the closing quote.
bool parse_quoted(const std::string& line, size_t& pos, std::u16string& out, std::string& error)
{
    static const char kEscapes[] = "\"\"\\\\n\nt\t";
    pos++;
    while (pos < line.size() && line[pos] != '"')
    {
        if (line[pos] == '\\')
        {
            const char* found = pos + 1 < line.size() ? strchr(kEscapes, line[pos + 1]) : nullptr;
            if (!found || line[pos + 1] == 0 || (found - kEscapes) % 2)
            {
                error = "unknown escape in text";
                return false;
            }
            out += char16_t(found[1]);
            pos += 2;
        }
        else if (!append_utf8(line, pos, out))
        {
            error = "text is not valid UTF-8";
            return false;
        }
    }
    if (pos >= line.size())
    {
        error = "text has no closing quote";
        return false;
    }
    pos++;
    return true;
}

// The words of a line up to a '#' comment; a quoted string is one word whose
// decoded text lands in `quoted`.
bool split_line(const std::string& line, std::vector<std::string>& words, std::u16string& quoted, bool& has_quoted,
                std::string& error)
{
    size_t pos = 0;
    has_quoted = false;
    while (pos < line.size())
    {
        char c = line[pos];
        if (c == ' ' || c == '\t' || c == '\r')
        {
            pos++;
            continue;
        }
        if (c == '#')
        {
            break;
        }
        if (c == '"')
        {
            if (has_quoted || !parse_quoted(line, pos, quoted, error))
            {
                error = error.empty() ? "only one quoted text per line" : error;
                return false;
            }
            has_quoted = true;
            words.push_back("\"");
            continue;
        }
        size_t end = line.find_first_of(" \t\r#\"", pos);
        end = end == std::string::npos ? line.size() : end;
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return true;
}

bool valid_shot_name(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
    {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
}

struct LineParser
{
    const std::vector<std::string>& words;
    Command& command;
    std::string& error;

    bool count(size_t low, size_t high, const char* usage)
    {
        size_t args = words.size() - 1;
        if (args < low || args > high)
        {
            error = std::string("expected ") + usage;
            return false;
        }
        return true;
    }

    bool number(size_t index, long long low, long long high, long long& out)
    {
        if (!parse_number(words[index], low, high, out))
        {
            error = "'" + words[index] + "' is not a number from " + std::to_string(low) + " to " + std::to_string(high);
            return false;
        }
        return true;
    }

    bool point(size_t index, int& x, int& y)
    {
        long long a = 0;
        long long b = 0;
        if (!number(index, -32768, 32767, a) || !number(index + 1, -32768, 32767, b))
        {
            return false;
        }
        x = int(a);
        y = int(b);
        return true;
    }

    bool key(size_t index)
    {
        if (!parse_key(words[index], command.vk))
        {
            error = "'" + words[index] + "' is not a key";
            return false;
        }
        return true;
    }

    bool drag()
    {
        long long ms = kDragMs;
        if (!count(4, 5, "drag X1 Y1 X2 Y2 [MS]") || !point(1, command.x1, command.y1) ||
            !point(3, command.x2, command.y2) || (words.size() == 6 && !number(5, 0, 3600000, ms)))
        {
            return false;
        }
        command.ms = uint32_t(ms);
        return true;
    }

    bool shot()
    {
        if (!count(0, 1, "shot [NAME]"))
        {
            return false;
        }
        command.name = words.size() == 2 ? words[1] : "";
        if (words.size() == 2 && !valid_shot_name(command.name))
        {
            error = "'" + command.name + "' is not a file name (letters, digits, '.', '_', '-')";
            return false;
        }
        return true;
    }

    // waitfile PATH [MS]; PATH is one word or a quoted text.
    bool wait_file(const std::u16string& quoted)
    {
        long long ms = kWaitFileMs;
        if (!count(1, 2, "waitfile PATH [MS]") || (words.size() == 3 && !number(2, 0, 3600000, ms)))
        {
            return false;
        }
        command.name = words[1] == "\"" ? os::utf::utf8(quoted) : words[1];
        command.text.clear();
        if (command.name.empty())
        {
            error = "waitfile needs a file name";
            return false;
        }
        command.ms = uint32_t(ms);
        return true;
    }

    bool arguments(bool has_quoted)
    {
        long long ms = 0;
        switch (command.op)
        {
        case Op::Tap:
        case Op::Down:
        case Op::Move:
        case Op::Up:
            return count(2, 2, "X Y") && point(1, command.x1, command.y1);
        case Op::Drag:
            return drag();
        case Op::Key:
        case Op::KeyDown:
        case Op::KeyUp:
            return count(1, 1, "a key") && key(1);
        case Op::Text:
            if (words.size() != 2 || !has_quoted)
            {
                error = "expected text \"STRING\"";
                return false;
            }
            return true;
        case Op::Wait:
            if (!count(1, 1, "wait MS") || !number(1, 0, 3600000, ms))
            {
                return false;
            }
            command.ms = uint32_t(ms);
            return true;
        case Op::Shot:
            return shot();
        case Op::Answer:
            if (!count(1, 1, "answer OK|CANCEL|YES|NO|NUMBER") || !parse_answer(words[1], command.answer))
            {
                error = error.empty() ? "'" + words[1] + "' is not a message box answer" : error;
                return false;
            }
            return true;
        case Op::Close:
            return count(0, 0, "close with nothing after it");
        case Op::WaitFile:
            return wait_file(command.text);
        case Op::Frame:
            if (!count(1, 1, "frame MS") || !number(1, 0, kMaxFrameMs, ms))
            {
                return false;
            }
            command.ms = uint32_t(ms);
            return true;
        }
        return false;
    }
};

bool parse_line(const std::string& line, int number, std::vector<Command>& out, std::string& error)
{
    std::vector<std::string> words;
    Command command;
    bool has_quoted = false;
    if (!split_line(line, words, command.text, has_quoted, error))
    {
        return false;
    }
    if (words.empty())
    {
        return true;
    }
    int op = 0;
    if (words[0] == "\"" || !find_named(kOps, std::size(kOps), words[0], op))
    {
        error = "unknown command '" + (words[0] == "\"" ? std::string("\"...\"") : words[0]) + "'";
        return false;
    }
    command.op = Op(op);
    command.line = number;
    LineParser parser{words, command, error};
    if (!parser.arguments(has_quoted))
    {
        return false;
    }
    out.push_back(std::move(command));
    return true;
}

struct Layout
{
    std::vector<Action>& actions;
    uint64_t t;
    size_t index = 0;

    void add(uint64_t due, const Event& event)
    {
        Action action;
        action.due = due;
        action.command = index;
        action.event = event;
        action.event.time = DWORD(due);
        actions.push_back(action);
    }

    void drag(const Command& c)
    {
        uint32_t steps = std::clamp<uint32_t>(c.ms / 20, 1, 100);
        add(t, input_event(EventType::PenDown, c.x1, c.y1));
        for (uint32_t i = 1; i <= steps; i++)
        {
            int x = c.x1 + int((int64_t(c.x2) - c.x1) * i / steps);
            int y = c.y1 + int((int64_t(c.y2) - c.y1) * i / steps);
            add(t + uint64_t(c.ms) * i / steps, input_event(EventType::PenMove, x, y));
        }
        t += c.ms;
        add(t, input_event(EventType::PenUp, c.x2, c.y2));
    }

    void other(const Command& c, ActionKind kind)
    {
        Action action;
        action.due = t;
        action.command = index;
        action.kind = kind;
        action.name = c.name;
        action.answer = c.answer;
        action.ms = c.ms;
        actions.push_back(action);
    }

    void command(const Command& c)
    {
        switch (c.op)
        {
        case Op::Tap:
            add(t, input_event(EventType::PenDown, c.x1, c.y1));
            t += kPressMs;
            add(t, input_event(EventType::PenUp, c.x1, c.y1));
            break;
        case Op::Down:
            add(t, input_event(EventType::PenDown, c.x1, c.y1));
            break;
        case Op::Move:
            add(t, input_event(EventType::PenMove, c.x1, c.y1));
            break;
        case Op::Up:
            add(t, input_event(EventType::PenUp, c.x1, c.y1));
            break;
        case Op::Drag:
            drag(c);
            break;
        case Op::Key:
            add(t, input_event(EventType::KeyDown, 0, 0, c.vk));
            t += kPressMs;
            add(t, input_event(EventType::KeyUp, 0, 0, c.vk));
            break;
        case Op::KeyDown:
            add(t, input_event(EventType::KeyDown, 0, 0, c.vk));
            break;
        case Op::KeyUp:
            add(t, input_event(EventType::KeyUp, 0, 0, c.vk));
            break;
        case Op::Text:
            for (char16_t ch : c.text)
            {
                add(t, input_event(EventType::Char, 0, 0, 0, ch));
            }
            break;
        case Op::Wait:
            t += c.ms;
            break;
        case Op::Shot:
            other(c, ActionKind::Shot);
            break;
        case Op::Answer:
            other(c, ActionKind::Answer);
            break;
        case Op::Close:
            add(t, input_event(EventType::Close, 0, 0));
            break;
        case Op::WaitFile:
            other(c, ActionKind::Hold); // the player moves what follows by as long as it held
            break;
        case Op::Frame: break; // set for the whole run when the program starts
        }
    }
};

} // namespace

Event input_event(EventType type, int x, int y, UINT key, WCHAR ch)
{
    Event event;
    event.type = type;
    event.x = x;
    event.y = y;
    event.key = key;
    event.ch = ch;
    return event;
}

bool parse_key(const std::string& word, UINT& vk)
{
    int value = 0;
    if (find_named(kKeys, std::size(kKeys), word, value))
    {
        vk = UINT(value);
        return true;
    }
    if (word.size() == 1 && isalnum(static_cast<unsigned char>(word[0])))
    {
        vk = UINT(toupper(static_cast<unsigned char>(word[0])));
        return true;
    }
    long long number = 0;
    if (word.size() > 1 && parse_number(word, 1, 255, number))
    {
        vk = UINT(number);
        return true;
    }
    return false;
}

bool parse_answer(const std::string& word, int& id)
{
    long long number = 0;
    if (find_named(kAnswers, std::size(kAnswers), word, id))
    {
        return true;
    }
    if (parse_number(word, 1, 0xFFFF, number))
    {
        id = int(number);
        return true;
    }
    return false;
}

bool parse(const std::string& text, std::vector<Command>& out, std::string& error)
{
    std::vector<Command> commands;
    // Editors on some systems begin a UTF-8 file with a byte-order mark.
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 1;
    while (start <= text.size())
    {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string message;
        if (!parse_line(text.substr(start, end - start), number, commands, message))
        {
            error = "line " + std::to_string(number) + ": " + message;
            return false;
        }
        start = end + 1;
        number++;
    }
    // One run has one frame length: a second line that gives another is
    // refused rather than one of the two silently ignored.
    const Command* first_frame = nullptr;
    for (const Command& command : commands)
    {
        if (command.op != Op::Frame)
        {
            continue;
        }
        if (first_frame && command.ms != first_frame->ms)
        {
            error = "line " + std::to_string(command.line) + ": frame " + std::to_string(command.ms) + " after frame " +
                    std::to_string(first_frame->ms) + " on line " + std::to_string(first_frame->line) +
                    ": a script has one frame length";
            return false;
        }
        first_frame = first_frame ? first_frame : &command;
    }
    out = std::move(commands);
    return true;
}

int64_t frame_length(const std::vector<Command>& commands)
{
    for (const Command& command : commands)
    {
        if (command.op == Op::Frame)
        {
            return command.ms;
        }
    }
    return -1;
}

std::vector<Action> schedule(const std::vector<Command>& commands, size_t from, uint64_t start, bool close_at_end)
{
    std::vector<Action> actions;
    Layout layout{actions, start};
    for (size_t i = from; i < commands.size(); i++)
    {
        layout.index = i;
        layout.command(commands[i]);
    }
    if (close_at_end)
    {
        layout.index = commands.size();
        layout.add(layout.t + kEndPauseMs, input_event(EventType::Close, 0, 0));
    }
    std::stable_sort(actions.begin(), actions.end(), [](const Action& a, const Action& b) { return a.due < b.due; });
    return actions;
}

} // namespace os::host::script
