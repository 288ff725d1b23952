// script.cpp -- reading resource scripts
#include "installer/tools/script.h"

#include <filesystem>
#include <map>
#include <sstream>

namespace rescomp {
namespace {

#define STYLE(name) {#name, DWORD(name)}
const std::map<std::string, DWORD>& style_names()
{
    static const std::map<std::string, DWORD> names = {
        STYLE(WS_POPUP), STYLE(WS_CHILD), STYLE(WS_VISIBLE), STYLE(WS_DISABLED), STYLE(WS_CLIPSIBLINGS),
        STYLE(WS_CLIPCHILDREN), STYLE(WS_CAPTION), STYLE(WS_BORDER), STYLE(WS_DLGFRAME), STYLE(WS_VSCROLL),
        STYLE(WS_HSCROLL), STYLE(WS_SYSMENU), STYLE(WS_GROUP), STYLE(WS_TABSTOP), STYLE(DS_MODALFRAME),
        STYLE(DS_SETFONT), STYLE(DS_3DLOOK), STYLE(DS_CONTROL), STYLE(DS_CENTER), STYLE(ES_LEFT),
        STYLE(ES_MULTILINE), STYLE(ES_AUTOVSCROLL), STYLE(ES_AUTOHSCROLL), STYLE(ES_READONLY),
        STYLE(ES_WANTRETURN), STYLE(BS_PUSHBUTTON), STYLE(BS_DEFPUSHBUTTON), STYLE(BS_AUTORADIOBUTTON),
        STYLE(BS_RADIOBUTTON), STYLE(BS_AUTOCHECKBOX), STYLE(BS_CHECKBOX), STYLE(BS_GROUPBOX), STYLE(SS_LEFT),
        STYLE(SS_CENTER), STYLE(SS_RIGHT), STYLE(SS_WHITERECT), STYLE(SS_BLACKRECT), STYLE(SS_GRAYRECT),
        STYLE(SS_BITMAP), STYLE(SS_ICON), STYLE(SS_ETCHEDHORZ), STYLE(SS_ETCHEDVERT), STYLE(SS_ETCHEDFRAME),
        STYLE(SS_NOPREFIX), STYLE(SS_NOTIFY), STYLE(SS_SUNKEN),
    };
    return names;
}
#undef STYLE

bool parse_number(const std::string& text, long long& out)
{
    if (text.empty())
        return false;
    try
    {
        size_t used = 0;
        out = std::stoll(text, &used, 0);
        return used == text.size();
    }
    catch (...)
    {
        return false;
    }
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower((unsigned char)c));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A token: a bare word, or a quoted text (kept with its leading quote as a
// mark, unescaped).
bool read_quoted(const std::string& line, size_t& i, std::string& token, std::string& error)
{
    token = "\"";
    for (++i; i < line.size(); ++i)
    {
        char c = line[i];
        if (c == '"')
        {
            ++i;
            return true;
        }
        if (c != '\\')
        {
            token += c;
            continue;
        }
        if (++i >= line.size())
            break;
        switch (line[i])
        {
        case 'n': token += '\n'; break;
        case 'r': token += '\r'; break;
        case 't': token += '\t'; break;
        case 'x': {
            int hi = i + 1 < line.size() ? hex_digit(line[i + 1]) : -1;
            int lo = i + 2 < line.size() ? hex_digit(line[i + 2]) : -1;
            if (hi < 0 || lo < 0)
            {
                error = "bad \\x escape";
                return false;
            }
            token += char(hi * 16 + lo);
            i += 2;
            break;
        }
        case '"':
        case '\\': token += line[i]; break;
        default: error = std::string("unknown escape \\") + line[i]; return false;
        }
    }
    error = "unterminated text";
    return false;
}

bool tokenize(const std::string& line, std::vector<std::string>& tokens, std::string& error)
{
    size_t i = 0;
    while (i < line.size())
    {
        char c = line[i];
        if (c == '#')
            break;
        if (std::isspace((unsigned char)c))
        {
            ++i;
            continue;
        }
        std::string token;
        if (c == '"')
        {
            if (!read_quoted(line, i, token, error))
                return false;
        }
        else
        {
            while (i < line.size() && !std::isspace((unsigned char)line[i]) && line[i] != '"' && line[i] != '#')
                token += line[i++];
        }
        tokens.push_back(token);
    }
    return true;
}

bool is_text(const std::string& token)
{
    return !token.empty() && token[0] == '"';
}

// Reads the statement's arguments by a pattern: 'n' number, 's' style,
// 't' text, 'w' word.
struct Args
{
    std::vector<long long> numbers;
    std::vector<DWORD> styles;
    std::vector<std::string> texts;
    std::vector<std::string> words;
};

bool take(const std::vector<std::string>& tokens, const std::string& pattern, Args& args, std::string& error)
{
    if (tokens.size() != pattern.size() + 1)
    {
        error = "'" + tokens[0] + "' takes " + std::to_string(pattern.size()) + " arguments, got " +
                std::to_string(tokens.size() - 1);
        return false;
    }
    for (size_t k = 0; k < pattern.size(); ++k)
    {
        const std::string& t = tokens[k + 1];
        bool ok = true;
        switch (pattern[k])
        {
        case 'n': {
            long long v = 0;
            ok = !is_text(t) && parse_number(t, v);
            args.numbers.push_back(v);
            break;
        }
        case 's': {
            DWORD v = 0;
            ok = !is_text(t) && parse_style(t, v);
            args.styles.push_back(v);
            break;
        }
        case 't':
            ok = is_text(t);
            args.texts.push_back(ok ? t.substr(1) : t);
            break;
        default:
            ok = !is_text(t);
            args.words.push_back(t);
            break;
        }
        if (!ok)
        {
            error = "argument " + std::to_string(k + 1) + " of '" + tokens[0] + "' is not valid: " + t;
            return false;
        }
    }
    return true;
}

bool resolve(const std::string& name, const std::vector<std::string>& search, std::string& out)
{
    namespace fs = std::filesystem;
    if (fs::path(name).is_absolute())
    {
        out = name;
        return fs::is_regular_file(name);
    }
    for (const std::string& dir : search)
    {
        fs::path p = fs::path(dir) / name;
        if (fs::is_regular_file(p))
        {
            out = fs::absolute(p).string();
            return true;
        }
    }
    return false;
}

class Reader
{
public:
    Reader(const std::vector<std::string>& search, Script& out) : search_(search), out_(out) {}

    bool statement(const std::vector<std::string>& tokens, std::string& error)
    {
        const std::string& verb = tokens[0];
        if (dialog_ && verb == "control")
            return control(tokens, error);
        if (dialog_ && verb == "end")
        {
            dialog_ = false;
            return true;
        }
        if (dialog_)
        {
            error = "'" + verb + "' inside a dialog (expected control or end)";
            return false;
        }
        if (verb == "string")
            return string(tokens, error);
        if (verb == "data")
            return data(tokens, error);
        if (verb == "dialog")
            return dialog(tokens, error);
        error = "unknown statement '" + verb + "'";
        return false;
    }

    bool finish(std::string& error)
    {
        if (dialog_)
            error = "dialog without end";
        return !dialog_;
    }

private:
    bool string(const std::vector<std::string>& tokens, std::string& error)
    {
        Args a;
        if (!take(tokens, "nt", a, error))
            return false;
        out_.strings.push_back({unsigned(a.numbers[0]), a.texts[0]});
        return true;
    }

    bool data(const std::vector<std::string>& tokens, std::string& error)
    {
        Args a;
        if (!take(tokens, "nnwt", a, error))
            return false;
        DataItem item;
        item.type = int(a.numbers[0]);
        item.id = int(a.numbers[1]);
        if (a.words[0] == "file" || a.words[0] == "textfile")
        {
            item.from_file = true;
            item.terminated = a.words[0] == "textfile";
            if (!resolve(a.texts[0], search_, item.file))
            {
                error = "file not found: " + a.texts[0];
                return false;
            }
        }
        else if (a.words[0] == "text")
            item.text = a.texts[0];
        else
        {
            error = "data is 'file', 'textfile' or 'text', got '" + a.words[0] + "'";
            return false;
        }
        out_.data.push_back(item);
        return true;
    }

    bool dialog(const std::vector<std::string>& tokens, std::string& error)
    {
        Args a;
        if (!take(tokens, "nnnnnstnt", a, error))
            return false;
        DialogItem d;
        d.id = int(a.numbers[0]);
        d.dialog.x = int(a.numbers[1]);
        d.dialog.y = int(a.numbers[2]);
        d.dialog.cx = int(a.numbers[3]);
        d.dialog.cy = int(a.numbers[4]);
        d.dialog.style = a.styles[0];
        d.dialog.caption = a.texts[0];
        d.dialog.point_size = int(a.numbers[5]);
        d.dialog.font_face = a.texts[1];
        out_.dialogs.push_back(d);
        dialog_ = true;
        return true;
    }

    bool control(const std::vector<std::string>& tokens, std::string& error)
    {
        Args a;
        if (!take(tokens, "nwnnnnst", a, error))
            return false;
        os::desktop::DialogItem item;
        item.id = int(a.numbers[0]);
        item.class_name = a.words[0];
        item.x = int(a.numbers[1]);
        item.y = int(a.numbers[2]);
        item.cx = int(a.numbers[3]);
        item.cy = int(a.numbers[4]);
        item.style = a.styles[0];
        item.text = a.texts[0];
        out_.dialogs.back().dialog.items.push_back(item);
        return true;
    }

    const std::vector<std::string>& search_;
    Script& out_;
    bool dialog_ = false;
};

} // namespace

bool parse_style(const std::string& text, DWORD& out)
{
    out = 0;
    std::stringstream parts(text);
    std::string part;
    bool any = false;
    while (std::getline(parts, part, '|'))
    {
        long long number = 0;
        auto it = style_names().find(part);
        if (it != style_names().end())
            out |= it->second;
        else if (parse_number(part, number))
            out |= DWORD(number);
        else
            return false;
        any = true;
    }
    return any;
}

bool parse_script(const std::string& text, const std::vector<std::string>& search, Script& out, std::string& error)
{
    Reader reader(search, out);
    std::stringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line))
    {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> tokens;
        std::string why;
        bool ok = tokenize(line, tokens, why) && (tokens.empty() || reader.statement(tokens, why));
        if (!ok)
        {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return reader.finish(error);
}

} // namespace rescomp
