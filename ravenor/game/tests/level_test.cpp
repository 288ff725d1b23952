// level_test.cpp -- level files written from a description and read back,
// good and damaged
#include <gtest/gtest.h>

#include <cstring>

#include "content/ravenor/le_bytes.h"
#include "content/ravenor/level_writer.h"
#include "ravenor/game/world/level.h"

namespace {

const char kDescription[] = R"(
list L_a   1 2 3   4 5 6
list L_b   -10 20 -30   40 50 60   70 80 90
node N_root  class 12 behaviour 25 path L_a link N_car link 1 link N_gate
node N_car   class 55 behaviour 3 path L_a second L_b start "<60>GO NOW" companion N_lead count 7
node N_lead  class 12 behaviour 35 follow 1 link N_car
node N_gate  class 2 behaviour 19 path L_b value 2500 end1 "CHECKPOINT" next 2
node N_lone  class 13 behaviour 3 path L_a count 3
root N_root
route L_b 30 31 speed 180 spacing 3600
rule 2 N_gate N_lone
trigger 6 2 N_gate,1,1,1,1
trigger 5 3 N_lone,1 0
trigger 5 N_lone N_car,N_gate
pairs 0 N_lone N_gate 3
)";

std::vector<uint8_t> Written(const std::string& description = kDescription)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ravenor_content::WriteLevel(description, bytes, error)) << error;
    return bytes;
}

uint32_t WordAt(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// The record a node name was written at: the node table lists them in order.
uint32_t NodeOffset(const std::vector<uint8_t>& bytes, int index)
{
    return WordAt(bytes, WordAt(bytes, 8) + 4 * index);
}

} // namespace

TEST(Level, WrittenLevelReadsIntoRecords)
{
    const std::vector<uint8_t> bytes = Written();
    std::string error;
    std::unique_ptr<LevelBlock> level = ReadLevel(bytes, error);
    ASSERT_TRUE(level) << error;
    ASSERT_NE(nullptr, level->root);
    EXPECT_EQ(12, level->root->classNumber);
    EXPECT_EQ(25, level->root->behaviourNumber);
    ASSERT_EQ(5u, level->nodeTable.size());
    // Links: records, or the values 0 to 3 kept as values
    Behaviour* car = level->root->links[0].node;
    ASSERT_NE(nullptr, car);
    EXPECT_EQ(55, car->classNumber);
    EXPECT_FALSE(level->root->links[1].IsNode());
    EXPECT_EQ(1, level->root->links[1].value);
    EXPECT_FALSE(level->root->links[3].IsNode());
    EXPECT_EQ(0, level->root->links[3].value);
    EXPECT_STREQ("<60>GO NOW", car->startLines[0]);
    EXPECT_EQ(nullptr, car->startLines[1]);
    EXPECT_EQ(7, car->count);
    // A path that follows the player (-1, then 1)
    Behaviour* lead = car->companion.node;
    ASSERT_NE(nullptr, lead);
    EXPECT_TRUE(lead->followLeader);
    EXPECT_EQ(nullptr, lead->path);
    EXPECT_EQ(1, lead->leader.value);
    // Next 2 stays a value; a record reached only through the node table is read
    Behaviour* gate = level->root->links[2].node;
    ASSERT_NE(nullptr, gate);
    EXPECT_EQ(2, gate->next.value);
    EXPECT_FALSE(gate->next.IsNode());
    EXPECT_STREQ("CHECKPOINT", gate->endLines[0][0]);
    EXPECT_EQ(2500, gate->value);
    Behaviour* lone = level->NodeAt(NodeOffset(bytes, 4));
    ASSERT_NE(nullptr, lone);
    EXPECT_EQ(13, lone->classNumber);
    // Lists shared between records are one list
    EXPECT_EQ(car->path, level->root->path);
    EXPECT_EQ(car->secondPath, gate->path);
    ASSERT_EQ(3, gate->path->PointCount());
    EXPECT_EQ(-10, gate->path->Point(0)[0]);
    EXPECT_EQ(kLevelEnd, gate->path->Point(3)[0]);
    // Sections
    ASSERT_EQ(1u, level->objects.size());
    EXPECT_EQ(gate->path, level->objects[0].list);
    EXPECT_EQ(30, level->objects[0].OwnClass());
    EXPECT_EQ(180, level->objects[0].words[1]);
    ASSERT_EQ(1u, level->rules[1].size());
    EXPECT_EQ(gate, level->rules[1][0].condition);
    EXPECT_EQ(lone, level->rules[1][0].target);
    // Trigger targets 2 and 3 stay values; unused words of a used group are 1
    ASSERT_EQ(1u, level->triggers[1].size());
    EXPECT_EQ(2, level->triggers[1][0].target.value);
    EXPECT_FALSE(level->triggers[1][0].target.IsNode());
    EXPECT_EQ(gate, level->triggers[1][0].conditions[0].node);
    EXPECT_EQ(1, level->triggers[1][0].conditions[4].value);
    EXPECT_EQ(0, level->triggers[1][0].conditions[5].value);
    ASSERT_EQ(2u, level->triggers[0].size());
    EXPECT_EQ(3, level->triggers[0][0].target.value);
    EXPECT_EQ(0, level->triggers[0][0].conditions[5].value);
    EXPECT_EQ(1, level->triggers[0][0].conditions[6].value);
    EXPECT_EQ(lone, level->triggers[0][1].target.node);
    // Section 8: the pairs in order, the rest 0, the fired flag clear
    ASSERT_EQ(1u, level->section8.size());
    const Section8Record& pairs = level->section8[0];
    EXPECT_EQ(0, pairs.pairs[0].value);
    EXPECT_EQ(lone, pairs.pairs[1].node);
    EXPECT_EQ(gate, pairs.pairs[2].node);
    EXPECT_EQ(3, pairs.pairs[3].value);
    EXPECT_FALSE(pairs.pairs[3].IsNode());
    EXPECT_EQ(0, pairs.pairs[9].value);
    EXPECT_EQ(0, pairs.fired);
}

TEST(Level, CoordinatesConvertOnceIntoWorldUnits)
{
    std::string error;
    std::unique_ptr<LevelBlock> level = ReadLevel(Written(), error);
    ASSERT_TRUE(level);
    CoordList& list = *level->root->path;
    ScaleObjectCoords(list);
    ScaleObjectCoords(list);
    EXPECT_EQ(8, list.Point(0)[0]);
    EXPECT_EQ(-24, list.Point(0)[1]);
    EXPECT_EQ(16, list.Point(0)[2]);
    EXPECT_EQ(32, list.Point(1)[0]);
    EXPECT_EQ(kLevelEnd, list.Point(2)[0]);
    // A second load starts from the file again
    std::unique_ptr<LevelBlock> again = ReadLevel(Written(), error);
    EXPECT_EQ(1, again->root->path->Point(0)[0]);
}

TEST(Level, DamagedFilesAreRefused)
{
    const std::vector<uint8_t> good = Written();
    const uint32_t root = WordAt(good, 4);
    const uint32_t car = NodeOffset(good, 1);
    struct Damage
    {
        const char* what;
        size_t at;
        uint32_t value;
        const char* reason;
    };
    const Damage damages[] = {
        {"root past the end", 4, static_cast<uint32_t>(good.size()), "outside"},
        {"root misaligned", 4, root + 2, "misaligned"},
        {"root inside the end", 4, static_cast<uint32_t>(good.size() - 80), "outside"},
        {"link past the end", car + 80, 0x7FFFFFF0, "outside"},
        {"list misaligned", car + 60, WordAt(good, car + 60) + 1, "misaligned"},
        {"text past the end", car + 32, static_cast<uint32_t>(good.size() + 4), "text outside"},
        {"node table past the end", 8, 0xFFFFFFF0, "node table"},
        {"section 6 misaligned", 36, WordAt(good, 36) + 2, "misaligned"},
        {"object list past the end", 12, static_cast<uint32_t>(good.size()), "outside"},
    };
    for (const Damage& d : damages)
    {
        std::vector<uint8_t> bad = good;
        ravenor_content::PutU32(bad, d.at, d.value);
        std::string error;
        EXPECT_FALSE(ReadLevel(bad, error)) << d.what;
        EXPECT_NE(std::string::npos, error.find(d.reason)) << d.what << ": " << error;
    }
    // Shorter than the header
    std::string error;
    EXPECT_FALSE(ReadLevel(std::vector<uint8_t>(good.begin(), good.begin() + 40), error));
    // A text that runs to the end of the file without its NUL
    std::vector<uint8_t> bad = good;
    const uint32_t at = static_cast<uint32_t>(bad.size());
    bad.insert(bad.end(), {'A', 'B', 'C', 'D'});
    ravenor_content::PutU32(bad, car + 28, at);
    error.clear();
    EXPECT_FALSE(ReadLevel(bad, error));
    EXPECT_NE(std::string::npos, error.find("without an end")) << error;
    // A coordinate list that never ends
    bad = good;
    const uint32_t list = WordAt(bad, car + 60);
    for (size_t k = list; k + 4 <= bad.size(); k += 4)
        ravenor_content::PutU32(bad, k, 5);
    EXPECT_FALSE(ReadLevel(bad, error));
}

TEST(LevelWriter, RefusesBadDescriptions)
{
    struct Case
    {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"list L 1 2 3\nroot N", "two points"},
        {"list L 30271 0 0 1 1 1\n", "bad coordinate"},
        {"node N class 12 bogus 3\nroot N", "unknown node key"},
        {"node N class 12 link M\nroot N", "no node named 'M'"},
        {"node N class 12 start \"OPEN\nroot N", "closing quote"},
        {"node N class 12\n", "no root"},
        {"node N class 12\nnode N class 13\nroot N", "named twice"},
        {"node N path L\nroot N", "no list named"},
        {"trigger 7 2 1\n", "trigger sections"},
        {"node N class 12\nroot N\npairs N\n", "unknown statement"},
        {"node N class 12\nroot N\npairs N M\n", "no node named 'M'"},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_FALSE(ravenor_content::WriteLevel(c.text, bytes, error)) << c.text;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << c.text << " -> " << error;
    }
}
