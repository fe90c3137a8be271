// The decisions behind the saver's layer surfaces, without a compositor. The pointer can't be
// driven in the end-to-end sessions, so its hiding and its buttons are tested here, at the
// handler the seat's events reach.
#include "platform/wayland/saver_layer_logic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fellridge::platform::wayland {
namespace {

TEST(SlideshowOutput, ThePrimaryByNameElseTheFirstAnnounced) {
    const std::vector<OutputName> outputs{{7, "HEADLESS-2"}, {9, "HEADLESS-1"}, {12, ""}};
    EXPECT_EQ(slideshowOutput(outputs, "HEADLESS-1"), 9u);
    EXPECT_EQ(slideshowOutput(outputs, "HEADLESS-3"), 7u);  // the toolkit's primary not here yet
    EXPECT_EQ(slideshowOutput(outputs, ""),
              7u);  // an unnamed primary never matches an unnamed output
    EXPECT_EQ(slideshowOutput({}, "HEADLESS-1"), std::nullopt);
}

TEST(BlackBufferSize, StretchedByAnExactPowerOfTwo) {
    const struct {
        int w, h;
        QSize expected;
    } cases[] = {{1920, 1080, {240, 135}}, {1024, 768, {4, 3}},  {1366, 768, {683, 384}},
                 {1, 1, {1, 1}},           {4096, 4096, {4, 4}}, {0, 768, {}}};
    for (const auto& c : cases)
        EXPECT_EQ(blackBufferSize(c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(FramePacer, OneCommitAtATimeAndTheChangesMeanwhileGathered) {
    FramePacer pacer;
    pacer.changed(QRect(0, 0, 10, 10));
    EXPECT_FALSE(pacer.take());  // not configured yet
    pacer.configured();
    auto first = pacer.take();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->whole);
    pacer.changed(QRect(0, 0, 10, 10));
    pacer.changed(QRect(20, 0, 5, 5));
    EXPECT_FALSE(pacer.take());  // the first is still on its way
    pacer.shown();
    auto second = pacer.take();
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->whole);
    EXPECT_EQ(second->area, QRegion(QRect(0, 0, 10, 10)) + QRect(20, 0, 5, 5));
    pacer.shown();
    EXPECT_FALSE(pacer.take());  // nothing changed: no commit, and no frame callback to wake for
    pacer.changedAll();
    EXPECT_TRUE(pacer.take()->whole);
}

struct RecordingSink : SeatInput::Sink {
    MOCK_METHOD(void, hidePointer, (std::uint32_t), (override));
    MOCK_METHOD(void, input, (Input), (override));
};

TEST(SeatInput, PointerHiddenOnEveryEnterAndEachPressReportedOnce) {
    ::testing::StrictMock<RecordingSink> sink;
    SeatInput seat(sink);
    ::testing::InSequence order;
    EXPECT_CALL(sink, hidePointer(41u));
    EXPECT_CALL(sink, input(Input::Button)).Times(3);
    EXPECT_CALL(sink, input(Input::Other));
    EXPECT_CALL(sink, hidePointer(57u));
    EXPECT_CALL(sink, input(Input::Key));
    seat.pointerEntered(41);
    for (std::uint32_t code : {0x110u, 0x111u, 0x112u, 0x113u}) {
        seat.button(code, 1);
        seat.button(code, 0);  // releases are nothing
    }
    seat.pointerEntered(57);
    seat.key(1);
    seat.key(0);
}

}  // namespace
}  // namespace fellridge::platform::wayland
