// box_test.cpp -- message boxes on the headless back end
#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

using namespace os::host;

TEST(HeadlessBox, DefaultAnswerIsTheFirstButton)
{
    struct
    {
        UINT flags;
        int answer;
    } cases[] = {
        {0x00, 1},        // OK -> IDOK
        {0x01, 1},        // OK, Cancel -> IDOK
        {0x02, 3},        // Abort, Retry, Ignore -> IDABORT
        {0x03, 6},        // Yes, No, Cancel -> IDYES
        {0x04, 6},        // Yes, No -> IDYES
        {0x05, 4},        // Retry, Cancel -> IDRETRY
        {0x04 | 0x30, 6}, // Yes, No with the exclamation icon
        {0x10, 1},        // OK with the stop icon
    };
    for (auto& c : cases)
    {
        EXPECT_EQ(c.answer, backend().message_box(u"text", u"caption", c.flags)) << "flags 0x" << std::hex << c.flags;
    }
}

TEST(HeadlessBox, RecordsCaptionTextFlagsAndAnswer)
{
    EXPECT_TRUE(headless::boxes().empty());
    backend().message_box(u"Unable to open wave file: \"x.wav\".", u"File I/O Error", 0);
    backend().message_box(u"Continue?", u"Memory Warning", 0x34);
    const auto& boxes = headless::boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(u"File I/O Error", boxes[0].caption);
    EXPECT_EQ(u"Unable to open wave file: \"x.wav\".", boxes[0].text);
    EXPECT_EQ(0u, boxes[0].flags);
    EXPECT_EQ(1, boxes[0].answer);
    EXPECT_EQ(u"Memory Warning", boxes[1].caption);
    EXPECT_EQ(0x34u, boxes[1].flags);
    EXPECT_EQ(6, boxes[1].answer);
    headless::clear_boxes();
    EXPECT_TRUE(headless::boxes().empty());
}

TEST(HeadlessBox, QueuedAnswersAreUsedInOrder)
{
    headless::queue_answer(7);
    headless::queue_answer(2);
    EXPECT_EQ(7, backend().message_box(u"a", u"b", 4));
    EXPECT_EQ(2, backend().message_box(u"a", u"b", 0));
    EXPECT_EQ(6, backend().message_box(u"a", u"b", 4)) << "back to the default once the answers are used";
}

TEST(HeadlessBox, ScriptAnswersApplyFromTheirTime)
{
    ASSERT_TRUE(headless::run_script_text("answer NO\nwait 500\nanswer CANCEL\n"));
    EXPECT_EQ(7, backend().message_box(u"first", u"c", 4)) << "the answer due now is used without polling";
    EXPECT_EQ(1, backend().message_box(u"second", u"c", 1)) << "the next answer is not due yet";
    backend().sleep_ms(500);
    EXPECT_EQ(2, backend().message_box(u"third", u"c", 1));
    EXPECT_EQ(3u, headless::boxes().size());
}

TEST(HeadlessBox, ScriptAnswerPassedByPollingWaitsForTheNextBox)
{
    ASSERT_TRUE(headless::run_script_text("answer 7\ntap 1 1\n"));
    Event event;
    ASSERT_TRUE(backend().poll_event(event));
    EXPECT_EQ(EventType::PenDown, event.type);
    EXPECT_EQ(7, backend().message_box(u"later", u"c", 4));
}
