// Tests of the story stages' descriptions: between them they use every
// behaviour number, objective class and level camera of the game
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "content/ravenor/level_writer.h"
#include "content/ravenor/story_stages.h"

using namespace ravenor_content;

namespace {

// The behaviour numbers and classes of a description's node records
void Gather(const std::string& description, std::set<int>& behaviours, std::set<int>& classes)
{
    std::istringstream in(description);
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word != "node")
            continue;
        std::string key;
        while (words >> key)
        {
            int value = 0;
            if (key == "behaviour" && words >> value)
                behaviours.insert(value);
            else if (key == "class" && words >> value)
                classes.insert(value);
        }
    }
}

} // namespace

// Every behaviour number the game runs (0 to 8 and 11 to 49; 9 and 10 are
// none), every objective class (0, 10, 11, 13, 14, 17) and every level
// camera (19, 20, 23, 24) is met in some story stage, and each stage's level
// is written.
TEST(RavenorStoryStages, EveryBehaviourObjectiveAndCameraIsMet)
{
    std::set<int> behaviours;
    std::set<int> classes;
    for (int stage = 1; stage <= kStoryStages; ++stage)
    {
        const std::string description = StoryStageDescription(stage);
        std::vector<uint8_t> level;
        std::string error;
        EXPECT_TRUE(WriteLevel(description, level, error)) << "stage " << stage << ": " << error;
        Gather(description, behaviours, classes);
    }
    for (int b = 0; b <= 49; ++b)
    {
        if (b == 9 || b == 10)
            EXPECT_EQ(0u, behaviours.count(b)) << "behaviour " << b << " is none of the game's";
        else
            EXPECT_EQ(1u, behaviours.count(b)) << "behaviour " << b;
    }
    for (int c : {0, 10, 11, 13, 14, 17})
        EXPECT_EQ(1u, classes.count(c)) << "objective class " << c;
    for (int c : {19, 20, 23, 24})
        EXPECT_EQ(1u, classes.count(c)) << "camera class " << c;
}
