// score_table.h -- the race score table of the racing games
//
// "racescore.properties" in the GUI folder keeps, per track, the five
// fastest finished races (entries "0", "1", ... in ascending time within a
// track, all tracks mixed) and the most recent finished race of any track
// (entry "-1", written first). A finished race is entered by insertScore,
// which rewrites the whole file in one step.
#pragma once

#include <os/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace racing {

struct ScoreRecord
{
    // Names are cut to this many characters, the date to its text of at
    // most 11 characters ("YYYY/MM/DD" is 10), so no line outgrows the file.
    static constexpr size_t kNameLength = 64;
    static constexpr size_t kDateLength = 11;

    ScoreRecord() = default;
    ScoreRecord(std::u16string track, std::u16string racer, std::u16string vehicle, std::u16string date, float time,
                int32_t speed);

    std::u16string track, racer, vehicle, date;
    float time = 0.0f;   // race time, seconds
    int32_t speed = 0;   // average speed, km/h
};

// At most this many records of one track stay in the table.
constexpr int kScoresPerTrack = 5;

// The line of one entry: "track:..., racer:..., vehicle:..., date:...,
// time:%8.3f, speed:%d" (the value after "<number>=").
std::u16string scoreLine(const ScoreRecord& record);

// Puts the record into the table: among the records of its track the
// exchange order by time (strictly greater swaps, so equal times are never
// exchanged; other tracks keep their places), then the slowest of that track
// are dropped from the end until five are left. The record itself may be
// dropped at once; the caller keeps its own copy as the latest race.
void enterScore(std::vector<ScoreRecord>& table, const ScoreRecord& record);

// Reads "racescore.properties" from the folder: the numbered entries in
// key order into `table`, entry "-1" into `latest`. A missing file reads as
// an empty table. A damaged one (not text, cut inside its last line, a race
// in it not whole: a field missing, a time that is not seconds above 0, a
// speed that is not an integer) is set aside, the user is told once, and
// its whole races are written in its place; one that cannot be set aside
// is not read, and insertScore leaves it alone (false).
void loadScores(const std::u16string& guiFolder, std::vector<ScoreRecord>& table, std::optional<ScoreRecord>& latest);
// Writes entry "-1" from `latest` (when there is one) and the table, then
// replaces the file; false when it cannot be written.
bool saveScores(const std::u16string& guiFolder, const std::vector<ScoreRecord>& table,
                const std::optional<ScoreRecord>& latest);
// Loads the table, enters the record and writes it both as entry "-1" and
// at its place in the table. A record whose time is not above 0 (or is
// written as 0.000) is not entered: false, and the file is left alone.
bool insertScore(const std::u16string& guiFolder, const ScoreRecord& record);

// The local date as "%04d/%02d/%02d".
std::u16string scoreDate();
// The average speed of a finished race, rounded half up: lap length / time
// x laps x factor (1.26 for the motorbikes); 0 for a race without time.
int32_t averageSpeed(float lapLength, float raceTime, int laps, float factor);

} // namespace racing
