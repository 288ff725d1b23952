// restart_command.cpp -- writers and reader of the racing restart commands
#include "racing/framework/restart_command.h"

#include <cstdio>
#include <cstdlib>

namespace racing {

namespace {

bool contains(const std::u16string& text, const char* word)
{
    return text.find(toU16(word)) != std::u16string::npos;
}

// A decimal integer at `pos` (blanks, then an optional sign, then digits),
// followed by ','. Moves `pos` past the comma.
bool readInt(const std::u16string& text, size_t& pos, int& out)
{
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+'))
        negative = text[pos++] == u'-';
    long long value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
    {
        value = value * 10 + (text[pos++] - u'0');
        if (value > 1000000000LL)
            return false;
        ++digits;
    }
    if (digits == 0 || pos >= text.size() || text[pos] != u',')
        return false;
    ++pos;
    out = int(negative ? -value : value);
    return true;
}

std::u16string cut(const std::u16string& text, size_t limit)
{
    return text.size() > limit ? text.substr(0, limit) : text;
}

// Scoreboard fields travel in one word split at ':': a blank, a ':' or a
// '%' of a name is written as "%20", "%3A" or "%25" (names without them
// are written as they are) and read back.
std::u16string escapeBoardField(const std::u16string& text)
{
    std::u16string out;
    for (char16_t c : text)
        out += c == u' ' ? u"%20" : c == u':' ? u"%3A" : c == u'%' ? u"%25" : std::u16string(1, c);
    return out;
}

std::u16string unescapeBoardField(const std::u16string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const std::u16string code = text.substr(i + 1, 2);
        if (text[i] == u'%' && (code == u"20" || code == u"3A" || code == u"3a" || code == u"25"))
        {
            out += code == u"20" ? u' ' : code == u"25" ? u'%' : u':';
            i += 2;
        }
        else
            out += text[i];
    }
    return out;
}

} // namespace

std::u16string toU16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::string toAscii(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

std::u16string argumentText(const WCHAR* commandLine, bool& present)
{
    std::u16string line = commandLine ? std::u16string(commandLine) : std::u16string();
    present = line.find(u"ARG:") != std::u16string::npos;
    if (!present)
        return {};
    return line.size() > 4 ? line.substr(4) : std::u16string();
}

StartCommand parseStartCommand(const std::u16string& argument, bool present)
{
    StartCommand command;
    if (!present)
        return command;
    size_t slash = argument.find(u'/');
    std::u16string fields = slash == std::u16string::npos ? std::u16string() : argument.substr(slash + 1);
    if (contains(argument, "goNow") || contains(argument, "exerciseNow"))
    {
        command.kind = contains(argument, "exerciseNow") ? StartKind::Exercise : StartKind::Race;
        size_t pos = 0;
        int music = 0, noScore = 0;
        RaceChoice& race = command.race;
        if (!readInt(fields, pos, race.mode) || !readInt(fields, pos, race.paintIndex) ||
            !readInt(fields, pos, race.trackIndex) || !readInt(fields, pos, music) || !readInt(fields, pos, noScore))
        {
            command.kind = StartKind::Invalid;
            return command;
        }
        race.music = music != 0;
        race.noScore = noScore != 0;
        // The racer text runs to the first blank, as a "%s" field would.
        std::u16string racerText = fields.substr(pos);
        racerText = racerText.substr(0, racerText.find(u' '));
        size_t colon = racerText.find(u':');
        race.racer = cut(racerText.substr(0, colon), kPlayerNameLength);
        std::u16string second = colon == std::u16string::npos ? std::u16string() : racerText.substr(colon + 1);
        race.secondName = second.empty() ? u"N/A" : cut(second, kBoardFieldLength);
        return command;
    }
    if (contains(argument, "scoreboard") || contains(argument, "remoteboard"))
    {
        command.kind = StartKind::Scoreboard;
        command.remote = contains(argument, "remoteboard");
        std::string number = toAscii(fields.substr(0, fields.find(u',')));
        char* end = nullptr;
        double rate = std::strtod(number.c_str(), &end);
        size_t comma = fields.find(u',');
        if (number.empty() || end == number.c_str() || comma == std::u16string::npos)
        {
            command.kind = StartKind::Invalid;
            return command;
        }
        command.frameRate = float(rate);
        std::u16string word = fields.substr(comma + 1);
        word = word.substr(0, word.find(u' '));
        std::u16string parts[3];
        size_t start = 0;
        for (int i = 0; i < 3; ++i)
        {
            size_t colon = word.find(u':', start);
            parts[i] = cut(unescapeBoardField(word.substr(
                               start, colon == std::u16string::npos ? std::u16string::npos : colon - start)),
                           kBoardFieldLength);
            if (colon == std::u16string::npos)
                break;
            start = colon + 1;
        }
        command.track = parts[0];
        command.racer = parts[1];
        command.secondName = parts[2];
        return command;
    }
    command.kind = StartKind::Page;
    command.page = argument;
    return command;
}

std::u16string raceCommandLine(bool exercise, const RaceChoice& choice)
{
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%d,%d,%d,%d,%d,", choice.mode, choice.paintIndex, choice.trackIndex,
                  choice.music ? 1 : 0, choice.noScore ? 1 : 0);
    return toU16(exercise ? "ARG:exerciseNow/" : "ARG:goNow/") + toU16(numbers) + cut(choice.racer, kPlayerNameLength) +
           u":" + (choice.secondName == u"N/A" ? std::u16string() : choice.secondName);
}

std::u16string scoreboardCommandLine(float frameRate, const std::u16string& track, const std::u16string& racer,
                                     const std::u16string& secondName)
{
    char number[64];
    std::snprintf(number, sizeof number, "%f,", double(frameRate));
    return u"ARG:scoreboard/" + toU16(number) + escapeBoardField(track) + u":" + escapeBoardField(racer) + u":" +
           escapeBoardField(secondName);
}

bool raceChoiceInRange(const RaceChoice& choice, int paintCount, int trackCount)
{
    return choice.paintIndex >= 0 && choice.paintIndex < paintCount && choice.trackIndex >= 0 &&
           choice.trackIndex < trackCount;
}

} // namespace racing
