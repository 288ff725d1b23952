// score_table.cpp -- reading, ordering and writing the race score table
#include "racing/framework/score_table.h"

#include "racing/framework/restart_command.h"

#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/base/saved_properties.h"

#include <os/sysinfo.h>
#include <os/wstring.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <memory>

namespace racing {

namespace {

constexpr const WCHAR* kScoreFile = u"racescore.properties";

std::u16string bounded(const std::u16string& text, size_t limit)
{
    return text.size() > limit ? text.substr(0, limit) : text;
}

// A name as the file can hold it: "//" would start a remark there (the
// rest of the row, its time among it, would be lost on reading), and a
// line break would end the row; a run of '/' becomes one, a control
// character a space.
std::u16string storable(const std::u16string& text, size_t limit)
{
    std::u16string out;
    for (char16_t c : bounded(text, limit))
    {
        if (c == u'/' && !out.empty() && out.back() == u'/')
            continue;
        out.push_back(c < u' ' ? u' ' : c);
    }
    return out;
}

std::u16string field(const PropertyMap& map, const WCHAR* name)
{
    const WCHAR* value = map.get(name);
    return value ? std::u16string(value) : std::u16string();
}

std::u16string number(int n)
{
    return toU16(std::to_string(n));
}

// The race time: a number of seconds above 0 that a float holds, the whole
// field read. No race takes no time (a race cut short was once written back
// with a time of nought, and stood first for good).
std::optional<float> raceTime(const WCHAR* text)
{
    if (!text || !*text)
        return std::nullopt;
    WCHAR* end = nullptr;
    const double time = wcstod(text, &end);
    if (end == text || *end || !(time > 0.0) || time > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(time);
}

// Whether the time, as a line holds it ("%8.3f"), reads back as a race time.
bool writesAsRaceTime(float time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", double(time));
    return raceTime(toU16(text).c_str()).has_value();
}

// The average speed: a decimal 32-bit integer, the whole field read.
std::optional<int32_t> raceSpeed(const WCHAR* text)
{
    if (!text)
        return std::nullopt;
    const bool negative = *text == u'-';
    if (*text == u'-' || *text == u'+')
        ++text;
    if (!*text)
        return std::nullopt;
    int64_t speed = 0;
    for (; *text; ++text)
    {
        if (*text < u'0' || *text > u'9')
            return std::nullopt;
        speed = speed * 10 + (*text - u'0');
        if (speed > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    speed = negative ? -speed : speed;
    if (speed > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(speed);
}

// The record of an entry, when it is whole: every field there, the time a
// race time and the speed a number. An entry the program cannot have
// written (a race cut short, a time of nought) reads as none.
std::optional<ScoreRecord> readEntry(Properties& file, const std::u16string& key)
{
    const WCHAR* value = file.get(key.c_str());
    if (!value)
        return std::nullopt;
    PropertyMap map(value, u',', u':');
    const std::optional<float> time = raceTime(map.get(u"time"));
    const std::optional<int32_t> speed = raceSpeed(map.get(u"speed"));
    if (!map.get(u"track") || !map.get(u"racer") || !map.get(u"vehicle") || !map.get(u"date") || !time || !speed)
        return std::nullopt;
    return ScoreRecord(field(map, u"track"), field(map, u"racer"), field(map, u"vehicle"), field(map, u"date"), *time,
                       *speed);
}

// Entry "-1" and the numbered entries, as the table is read.
bool isEntryKey(const std::u16string& key)
{
    return key == u"-1" ||
           (!key.empty() && key.find_first_not_of(u"0123456789") == key.npos && (key.size() == 1 || key[0] != u'0'));
}

// Reads an opened table: the numbered entries in key order and entry "-1";
// entries that are not whole are left out.
void readTable(Properties& file, std::vector<ScoreRecord>& table, std::optional<ScoreRecord>& latest)
{
    const int keys = file.getKeyCount();
    for (int i = 0; i < keys; ++i)
        if (std::optional<ScoreRecord> record = readEntry(file, number(i)))
            table.push_back(*record);
    latest = readEntry(file, u"-1");
}

} // namespace

ScoreRecord::ScoreRecord(std::u16string track_, std::u16string racer_, std::u16string vehicle_, std::u16string date_,
                         float time_, int32_t speed_)
    : track(storable(track_, kNameLength)), racer(storable(racer_, kNameLength)),
      vehicle(storable(vehicle_, kNameLength)), date(storable(date_, kDateLength)), time(time_), speed(speed_)
{
}

std::u16string scoreLine(const ScoreRecord& r)
{
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, ", time:%8.3f, speed:%d", double(r.time), int(r.speed));
    return u"track:" + bounded(r.track, ScoreRecord::kNameLength) + u", racer:" + bounded(r.racer, ScoreRecord::kNameLength) +
           u", vehicle:" + bounded(r.vehicle, ScoreRecord::kNameLength) + u", date:" +
           bounded(r.date, ScoreRecord::kDateLength) + toU16(numbers);
}

void enterScore(std::vector<ScoreRecord>& table, const ScoreRecord& record)
{
    table.push_back(record);
    int count = 0;
    for (size_t i = 0; i < table.size(); ++i)
    {
        if (table[i].track != record.track)
            continue;
        ++count;
        for (size_t j = i + 1; j < table.size(); ++j)
            if (table[j].track == record.track && table[i].time > table[j].time)
                std::swap(table[i], table[j]);
    }
    for (size_t i = table.size(); i-- > 0 && count > kScoresPerTrack;)
    {
        if (table[i].track != record.track)
            continue;
        table.erase(table.begin() + std::ptrdiff_t(i));
        --count;
    }
}

namespace {

// Checks the table before it is read, as a saved file of records: a
// damaged one (not text, cut inside its last line, a race in it that is not
// whole) is set aside, the user is told once, and its whole races are
// written in its place, numbered afresh. False when a damaged table could
// not be set aside: it is then neither read nor written.
bool checkScores(const std::u16string& guiFolder)
{
    SavedRecords scores;
    scores.keptOne = u"the race that could be read is kept";
    scores.keptMany = u"the %d races that could be read are kept";
    scores.keptNone = u"the score table starts empty";
    scores.stuck = u"the scores are not read or saved in this run";
    scores.damage = [&guiFolder]() -> const char16_t* {
        Properties file(u'=', u',', u':');
        if (!file.load(guiFolder.c_str(), kScoreFile))
            return nullptr;
        std::unique_ptr<WCHAR*[]> keys(file.getKeys());
        for (int i = 0; i < file.getKeyCount(); ++i)
            if (isEntryKey(keys[size_t(i)]) && !readEntry(file, keys[size_t(i)]))
                return u"one of its races is not whole";
        return nullptr;
    };
    scores.keep = [&guiFolder](const std::u16string&, const std::string& lines) {
        // The whole lines (each ending in LF) are read as a table, as a file
        // is read (Latin-1), and its whole races written.
        Properties file(u'=', u',', u':');
        size_t at = 0;
        file.read([&lines, &at](std::u16string& line) {
            if (at >= lines.size())
                return false;
            const size_t newline = lines.find('\n', at);
            const size_t end = newline == std::string::npos ? lines.size() : newline + 1;
            line.clear();
            for (; at < end; ++at)
                line.push_back(char16_t(static_cast<unsigned char>(lines[at])));
            return true;
        });
        std::vector<ScoreRecord> table;
        std::optional<ScoreRecord> latest;
        readTable(file, table, latest);
        return !table.empty() && saveScores(guiFolder, table, latest) ? int(table.size()) : 0;
    };
    return repairSavedRecords(guiFolder.c_str(), kScoreFile, scores) != SavedRecordsState::Unwritable;
}

// loadScores; false when the table is damaged and could not be set aside.
bool readScores(const std::u16string& guiFolder, std::vector<ScoreRecord>& table, std::optional<ScoreRecord>& latest)
{
    latest.reset();
    if (!checkScores(guiFolder))
        return false;
    Properties file(u'=', u',', u':');
    if (file.load(guiFolder.c_str(), kScoreFile))
        readTable(file, table, latest);
    return true;
}

} // namespace

void loadScores(const std::u16string& guiFolder, std::vector<ScoreRecord>& table, std::optional<ScoreRecord>& latest)
{
    readScores(guiFolder, table, latest);
}

bool saveScores(const std::u16string& guiFolder, const std::vector<ScoreRecord>& table,
                const std::optional<ScoreRecord>& latest)
{
    Properties file(u'=', u',', u':');
    file.setPath(guiFolder.c_str(), kScoreFile);
    if (latest)
        file.put(u"-1", scoreLine(*latest).c_str());
    for (size_t i = 0; i < table.size(); ++i)
        file.put(number(int(i)).c_str(), scoreLine(table[i]).c_str());
    return file.save();
}

bool insertScore(const std::u16string& guiFolder, const ScoreRecord& record)
{
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> previous;
    // A race of no time (or none a line can hold) is no race: the table
    // would find it damaged when read next.
    if (!writesAsRaceTime(record.time) || !readScores(guiFolder, table, previous))
        return false;
    enterScore(table, record);
    return saveScores(guiFolder, table, record);
}

std::u16string scoreDate()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", int(now.wYear), int(now.wMonth), int(now.wDay));
    return toU16(text);
}

int32_t averageSpeed(float lapLength, float raceTime, int laps, float factor)
{
    if (!(raceTime > 0.0f))
        return 0;
    const double speed = double(lapLength) / double(raceTime) * double(laps) * double(factor) + 0.5;
    if (!(speed < double(std::numeric_limits<int32_t>::max())))
        return std::numeric_limits<int32_t>::max();
    return speed > 0.0 ? int32_t(speed) : 0;
}

} // namespace racing
