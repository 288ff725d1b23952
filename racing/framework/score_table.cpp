// score_table.cpp -- reading, ordering and writing the race score table
#include "racing/framework/score_table.h"

#include "racing/framework/restart_command.h"

#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/base/saved_properties.h"

#include <os/sysinfo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>

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

std::optional<ScoreRecord> readEntry(Properties& file, const std::u16string& key)
{
    const WCHAR* value = file.get(key.c_str());
    if (!value)
        return std::nullopt;
    PropertyMap map(value, u',', u':');
    if (!map.get(u"track"))
        return std::nullopt;
    return ScoreRecord(field(map, u"track"), field(map, u"racer"), field(map, u"vehicle"), field(map, u"date"),
                       map.getFloat(u"time", 0.0f), map.getInt(u"speed", 0));
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

void loadScores(const std::u16string& guiFolder, std::vector<ScoreRecord>& table, std::optional<ScoreRecord>& latest)
{
    // A damaged table is set aside (the user is told once) and the table
    // starts empty.
    Properties file(u'=', u',', u':');
    latest.reset();
    if (!loadSavedProperties(file, guiFolder.c_str(), kScoreFile))
        return;
    const int keys = file.getKeyCount();
    for (int i = 0; i < keys; ++i)
        if (std::optional<ScoreRecord> record = readEntry(file, number(i)))
            table.push_back(*record);
    latest = readEntry(file, u"-1");
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
    loadScores(guiFolder, table, previous);
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
