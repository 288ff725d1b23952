// score_table_fuzz.cpp -- arbitrary bytes as "racescore.properties": the
// table is read, a race entered as the game enters one, written and read
// again. A damaged table is set aside as it was; no row is lost or added,
// the rows settle after one write, and the race's track never keeps more
// than five rows.
#include "engine/base/fuzz/fuzz_tree.h"
#include "racing/framework/score_table.h"

#include "os/testing/host.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace racing;

namespace {

const std::u16string kFolder = u"\\f\\";

bool sameRecord(const ScoreRecord& a, const ScoreRecord& b)
{
    return scoreLine(a) == scoreLine(b);
}

bool sameTables(const std::vector<ScoreRecord>& a, const std::vector<ScoreRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!sameRecord(a[i], b[i]))
            return false;
    return true;
}

// A table found damaged is set aside whole, as it was: its copy holds the
// input. The copy is removed again, so that the folder does not fill up with
// one for every input; so the copy of every input has the first name a
// set-aside file takes, and only that name needs looking at.
void checkSetAside(const uint8_t* data, size_t size)
{
    static const std::string aside = fuzzHostPath("f/racescore.properties.damaged");
    std::ifstream in(aside, std::ios::binary);
    if (!in)
        return;
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (kept != std::string(reinterpret_cast<const char*>(data), size))
        __builtin_trap();
    in.close();
    std::error_code error;
    std::filesystem::remove(aside, error);
}

// The bytes the table file holds now.
std::string savedBytes()
{
    static const std::string path = fuzzHostPath("f/racescore.properties");
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFuzzInput("racescore.properties", data, size);
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    loadScores(kFolder, table, latest);
    checkSetAside(data, size);

    // The race of the first row's track (or a new one), with the time the
    // last input byte gives (a race takes some time).
    const std::u16string track = table.empty() ? u"sea" : table.front().track;
    const float time = size > 0 ? float(data[size - 1]) * 0.5f + 0.5f : 0.5f;
    const ScoreRecord race(track, u"racer", u"car", u"2024/01/31", time, 120);
    enterScore(table, race);
    int rows = 0;
    for (const ScoreRecord& record : table)
        rows += record.track == track;
    if (rows > kScoresPerTrack)
        __builtin_trap();
    if (!saveScores(kFolder, table, race))
        __builtin_trap();

    // Read back, every row is there; written again and read again, the
    // rows no longer change (the first write may still trim what the input
    // had). When the second write gives the bytes of the first, the third
    // read would read what the second did, and is not needed.
    const std::string first = savedBytes();
    std::vector<ScoreRecord> again;
    std::optional<ScoreRecord> latestAgain;
    loadScores(kFolder, again, latestAgain);
    if (!latestAgain || again.size() != table.size() || !saveScores(kFolder, again, latestAgain))
        __builtin_trap();
    if (savedBytes() == first)
    {
        os::host::headless::clear_boxes();
        return 0;
    }
    std::vector<ScoreRecord> third;
    std::optional<ScoreRecord> latestThird;
    loadScores(kFolder, third, latestThird);
    if (!latestThird || !sameRecord(*latestThird, *latestAgain) || !sameTables(third, again))
        __builtin_trap();
    // The boxes' record goes with the input that made it.
    os::host::headless::clear_boxes();
    return 0;
}
