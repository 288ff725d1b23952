// pilots.h -- the pilot roster of "tplist.properties", its ranking, and the
// labels the menus show for plane and scene files
#pragma once

#include <os/types.h>

#include <string>
#include <vector>

class Properties;

namespace skyrend {

// One limit for the name edit, the duplicate check and the record.
constexpr int kPilotNameLength = 24;

struct PilotRecord
{
    WCHAR name[kPilotNameLength + 1] = {};
    int shootDown = 0;
    int beShotDown = 0;
    int missions = 0;

    PilotRecord() = default;
    // The name is cut to kPilotNameLength characters.
    PilotRecord(const WCHAR* pilotName, int downs, int downed, int flown);
};

// The roster: one record per pilot line in file order (a line is a pilot
// when its value holds "Missions"; a missing number reads -1), and the last
// pilot number ("lastPilotNo", 0 when missing).
struct Roster
{
    std::vector<PilotRecord> pilots;
    int lastPilot = 0;

    void read(Properties& file);
    // Puts "lastPilotNo" (clamped to count - 1, so -1 for an empty roster;
    // in its place when it is there) and replaces the pilot lines, appended
    // in roster order; comments and other entries stay. The caller saves.
    void write(Properties& file) const;

    int find(const WCHAR* pilotName) const;
    const PilotRecord* at(int row) const;
};

// What repairPilotFile found.
enum class PilotFileState
{
    Sound,     // sound: read as it is
    Missing,   // no file: the roster starts empty (nothing is written)
    Repaired,  // damaged: set aside, the pilots that could be read (or the
               // shipped roster) in its place
    Unwritable // damaged and could not be set aside: read nothing, write nothing
};

// Checks the pilot file folder\name before it is read, as a saved file of
// records (repairSavedRecords): a damaged one (a folder in its place,
// unreadable, bytes that are not text, a runaway line, empty or cut inside
// its last line) is set aside as "name.damaged" (never overwritten) and the
// user is told once in a message box; its comment lines, "lastPilotNo" and
// every pilot line that is whole text and ends in its newline are written
// in its place, or the shipped roster (folder\defaults\name) when no pilot
// could be read. A missing file is left missing: the roster starts empty.
PilotFileState repairPilotFile(const WCHAR* folder, const WCHAR* name);

// The pilot file as the main screen opens it: checked (repairPilotFile),
// read into `file` unless it could not be set aside, and given its path for
// the saves. False when it is damaged and could not be set aside: then it
// must not be written over. A missing file leaves `file` empty (an empty
// roster, last pilot 0).
bool openPilotFile(Properties& file, const WCHAR* folder, const WCHAR* name);

// The name as it is stored: cut to kPilotNameLength characters.
std::u16string pilotName(const WCHAR* text);

// Scoreboard order: most enemies downed first, ties by fewer times downed.
void rankPilots(std::vector<PilotRecord>& pilots);

// Menu labels: "plane_f16_block50" -> "F16,BLOCK50"; "scene_red_sea" -> "red sea".
std::u16string planeLabel(const std::u16string& fileName);
std::u16string sceneLabel(const std::u16string& fileName);

} // namespace skyrend
