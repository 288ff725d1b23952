// class_messages_test.cpp -- the answers of the class table
#include <gtest/gtest.h>

#include "ravenor/game/classes/class_table.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"

namespace {

// Every test of this program reaches the classes through the table, as the
// program does once its start-up has filled it.
const bool g_classTableFilled = (InstallClassHandlers(), true);

void Noop(Entity*) {}

} // namespace

TEST(ClassMessages, AnswersByClassAndMessage)
{
    struct Case
    {
        int32_t classNumber;
        int32_t message;
        int32_t expected;
    };
    const Case cases[] = {
        {12, kMsgCreate, 0},     {15, kMsgStep, 0},      {18, kMsgKind, 0},       {80, kMsgCreate, -1},
        {-1, kMsgStep, -1},      {74, kMsgKind, -1},     {21, kMsgDropQuery, 0},  {22, kMsgDropQuery, 1},
        {21, kMsgCreate, 1},     {30, kMsgKind, 4},      {48, kMsgKind, 4},       {55, kMsgKind, 0},
        {50, kMsgKind, 0},       {61, kMsgKind, 0},      {6, kMsgKind, 2},        {9, kMsgKind, 2},
        {19, kMsgKind, 3},       {24, kMsgKind, 3},      {62, kMsgKind, 1},       {73, kMsgKind, 1},
        {2, kMsgKind, 1},        {26, kMsgKind, 4},      {49, kMsgKind, 4},       {26, kMsgDropQuery, 0},
        {27, kMsgDropQuery, 1},  {30, kMsgDropQuery, 1}, {55, kMsgDropQuery, 1},  {6, kMsgDropQuery, 0},
        {13, kMsgDropQuery, 0},  {2, kMsgDropQuery, 1},  {62, kMsgDropQuery, 1},  {19, kMsgDropQuery, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, SendClassMessage(c.classNumber, nullptr, c.message))
            << "class " << c.classNumber << " message '" << static_cast<char>(c.message) << "'";
}

TEST(ClassMessages, RemovalMakesInert)
{
    for (int32_t c : {21, 22, 30, 62, 27})
    {
        ResetAllEntities();
        Entity* e = AllocEntity();
        e->update = Noop;
        PushActive(e);
        EXPECT_EQ(1, SendClassMessage(c, e, kMsgRemove)) << c;
        EXPECT_EQ(nullptr, e->update) << c;
        EXPECT_EQ(&EmptyType, e->type) << c;
        EXPECT_EQ(0, g_entityWorld.activeCount) << c;
    }
}
