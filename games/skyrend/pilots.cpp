// pilots.cpp -- roster file, ranking and menu labels
#include "games/skyrend/pilots.h"

#include "engine/base/properties.h"
#include "engine/base/saved_properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/resource_bytes.h"

#include <os/file.h>
#include <os/user.h>
#include <os/wstring.h>

#include <algorithm>
#include <memory>
#include <optional>
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

std::u16string devicePath(const WCHAR* folder, const WCHAR* name)
{
    std::u16string path = std::u16string(folder ? folder : u"") + (name ? name : u"");
    collapseParentDirs(path.data());
    return path.c_str();
}

// The whole file; nothing when it cannot be read or is far larger than any
// roster (which is then damage too).
std::optional<std::string> readBytes(const std::u16string& path)
{
    constexpr long kLargest = 16L << 20;
    std::vector<uint8_t> bytes;
    if (!readResourceBytes(path.c_str(), bytes, kLargest))
        return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

bool isTextByte(unsigned char c)
{
    return c >= 0x20 ? c != 0x7F : c == '\t' || c == '\r' || c == '\f';
}

// A line the file keeps: whole text, no longer than any it writes.
bool isTextLine(const std::string& line)
{
    return line.size() <= kSavedLineLimit &&
           std::all_of(line.begin(), line.end(), [](char c) { return isTextByte(static_cast<unsigned char>(c)); });
}

// The lines of a damaged pilot file worth keeping: comments, "lastPilotNo"
// and whole pilot lines; counts the pilots among them. A last line without
// its newline was cut off and is not kept.
std::string readableLines(const std::string& bytes, int& pilots)
{
    std::string kept;
    pilots = 0;
    size_t start = 0;
    while (start < bytes.size())
    {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            break;
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!isTextLine(line))
            continue;
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
    const std::u16string path = devicePath(folder, name);
    const std::u16string shipped =
        devicePath((std::u16string(folder ? folder : u"") + kShippedCopyFolder + u"\\").c_str(), name);
    auto writeShipped = [&] {
        const std::optional<std::string> roster = readBytes(shipped);
        return roster && os::write_file_atomic(path, roster->data(), roster->size());
    };
    const DWORD attributes = GetFileAttributesW(path.c_str());
    std::optional<std::string> bytes;
    const char16_t* why = nullptr;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PilotFileState::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        why = u"a folder stands in its place";
    else if (!(bytes = readBytes(path)))
        why = u"it cannot be read";
    else
    {
        size_t line = 0;
        for (char c : *bytes)
        {
            if (c == '\n')
            {
                line = 0;
                continue;
            }
            if (!isTextByte(static_cast<unsigned char>(c)))
                why = u"it holds bytes that are not text";
            else if (++line > kSavedLineLimit)
                why = u"it has a line far longer than any it writes";
            if (why)
                break;
        }
        // Every save writes whole lines, "lastPilotNo" at least: an empty
        // file or a last line without its newline is a cut file.
        if (!why && bytes->empty())
            why = u"it is empty";
        else if (!why && bytes->back() != '\n')
            why = u"its last line is cut off";
        if (!why)
            return PilotFileState::Sound;
    }
    const std::u16string aside = os::set_aside_damaged_file(path);
    std::u16string text = path + u" was damaged (" + why + u")";
    if (aside.empty())
    {
        text += u" and could not be set aside; the pilots are not read or saved in this run.";
        MessageBoxW(nullptr, text.c_str(), u"Warning", MB_OK | MB_ICONEXCLAMATION);
        return PilotFileState::Unwritable;
    }
    int pilots = 0;
    const std::string kept = bytes ? readableLines(*bytes, pilots) : std::string();
    text += u" and has been set aside as " + aside;
    if (pilots > 0 && os::write_file_atomic(path, kept.data(), kept.size()))
        text += pilots == 1 ? std::u16string(u"; the pilot that could be read is kept.")
                            : os::format(u"; the %d pilots that could be read are kept.", pilots);
    else
    {
        writeShipped();
        text += u"; the shipped pilots are used.";
    }
    MessageBoxW(nullptr, text.c_str(), u"Warning", MB_OK | MB_ICONEXCLAMATION);
    return PilotFileState::Repaired;
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
