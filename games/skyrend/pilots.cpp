// pilots.cpp -- roster file, ranking and menu labels
#include "games/skyrend/pilots.h"

#include "engine/base/properties.h"
#include "engine/base/saved_properties.h"
#include "engine/base/wstring_utils.h"

#include <os/file.h>
#include <os/wstring.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace skyrend {

namespace {

constexpr const WCHAR* kLastPilotKey = u"lastPilotNo";

bool isPilotLine(Properties& file, const WCHAR* key)
{
    const WCHAR* value = file.get(key);
    return value && wcsstr(value, u"Missions") != nullptr;
}

std::u16string withoutPrefix(const std::u16string& name, const std::u16string& prefix)
{
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

// The lines of a damaged pilot file worth keeping (of its whole lines):
// comments, "lastPilotNo" and pilot lines; counts the pilots among them.
std::string pilotLines(const std::string& lines, int& pilots)
{
    std::string kept;
    pilots = 0;
    for (size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
    {
        const std::string line = lines.substr(start, end - start);
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        const bool comment = line[first] == '#';
        const bool last = line.compare(first, 11, "lastPilotNo") == 0 && line.find('=') != std::string::npos;
        const size_t equals = line.find('=');
        const bool pilot = !comment && equals != std::string::npos && equals > first &&
                           line.find("Missions", equals) != std::string::npos;
        if (!comment && !last && !pilot)
            continue;
        pilots += pilot;
        kept += line + "\n";
    }
    return kept;
}

} // namespace

PilotFileState repairPilotFile(const WCHAR* folder, const WCHAR* name)
{
    SavedRecords pilots;
    pilots.keptOne = u"the pilot that could be read is kept";
    pilots.keptMany = u"the %d pilots that could be read are kept";
    pilots.keptNone = u"the shipped pilots are used";
    pilots.stuck = u"the pilots are not read or saved in this run";
    pilots.keep = [](const std::u16string& path, const std::string& lines) {
        int count = 0;
        const std::string kept = pilotLines(lines, count);
        return count > 0 && os::write_file_atomic(path, kept.data(), kept.size()) ? count : 0;
    };
    switch (repairSavedRecords(folder, name, pilots))
    {
    case SavedRecordsState::Sound: return PilotFileState::Sound;
    case SavedRecordsState::Missing: return PilotFileState::Missing; // no roster yet: nothing is written
    case SavedRecordsState::Repaired: return PilotFileState::Repaired;
    case SavedRecordsState::Unwritable: break;
    }
    return PilotFileState::Unwritable;
}

bool openPilotFile(Properties& file, const WCHAR* folder, const WCHAR* name)
{
    const bool readable = repairPilotFile(folder, name) != PilotFileState::Unwritable;
    if (readable)
        file.load(folder, name);
    file.setPath(folder, name);
    return readable;
}

PilotRecord::PilotRecord(const WCHAR* pilotName, int downs, int downed, int flown)
    : shootDown(downs), beShotDown(downed), missions(flown)
{
    wcsncpy(name, pilotName ? pilotName : u"", kPilotNameLength);
    name[kPilotNameLength] = 0;
}

std::u16string pilotName(const WCHAR* text)
{
    std::u16string name = text ? text : u"";
    if (name.size() > size_t(kPilotNameLength))
        name.resize(size_t(kPilotNameLength));
    return name;
}

void Roster::read(Properties& file)
{
    pilots.clear();
    std::unique_ptr<WCHAR*[]> keys(file.getKeys());
    for (int i = 0; i < file.getKeyCount(); ++i)
    {
        const WCHAR* key = keys[size_t(i)];
        if (!isPilotLine(file, key))
            continue;
        pilots.emplace_back(key, file.getFieldInt(key, u"ShootDown", -1), file.getFieldInt(key, u"BeShotDown", -1),
                            file.getFieldInt(key, u"Missions", -1));
    }
    lastPilot = file.getFieldInt(kLastPilotKey, nullptr, 0);
}

void Roster::write(Properties& file) const
{
    std::vector<std::u16string> old;
    {
        std::unique_ptr<WCHAR*[]> keys(file.getKeys());
        for (int i = 0; i < file.getKeyCount(); ++i)
            if (isPilotLine(file, keys[size_t(i)]))
                old.emplace_back(keys[size_t(i)]);
    }
    for (const std::u16string& key : old)
        file.remove(key.c_str());
    const int count = int(pilots.size());
    file.put(kLastPilotKey, os::format(u"%d", std::min(lastPilot, count - 1)).c_str());
    for (const PilotRecord& pilot : pilots)
        file.put(pilot.name, os::format(u"ShootDown:%d, BeShotDown:%d, Missions:%d", pilot.shootDown,
                                        pilot.beShotDown, pilot.missions)
                                 .c_str());
}

int Roster::find(const WCHAR* name) const
{
    const std::u16string wanted = pilotName(name);
    for (size_t i = 0; i < pilots.size(); ++i)
        if (wanted == pilots[i].name)
            return int(i);
    return -1;
}

const PilotRecord* Roster::at(int row) const
{
    return row >= 0 && row < int(pilots.size()) ? &pilots[size_t(row)] : nullptr;
}

void rankPilots(std::vector<PilotRecord>& pilots)
{
    auto before = [](const PilotRecord& a, const PilotRecord& b) {
        return a.shootDown > b.shootDown || (a.shootDown == b.shootDown && a.beShotDown < b.beShotDown);
    };
    // An exchange sort, as the board always did.
    for (size_t i = 0; i < pilots.size(); ++i)
        for (size_t j = i + 1; j < pilots.size(); ++j)
            if (before(pilots[j], pilots[i]))
                std::swap(pilots[i], pilots[j]);
}

std::u16string planeLabel(const std::u16string& fileName)
{
    std::u16string label = withoutPrefix(fileName, u"plane_");
    for (WCHAR& c : label)
        c = c == u'_' ? u',' : wtoupper16(c);
    return label;
}

std::u16string sceneLabel(const std::u16string& fileName)
{
    std::u16string label = withoutPrefix(fileName, u"scene_");
    std::replace(label.begin(), label.end(), u'_', u' ');
    return label;
}

} // namespace skyrend
