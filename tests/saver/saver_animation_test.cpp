// Modes 6 to 8: overlapping pictures, the slide and the roll-down, with their timer handling.
#include "saver_fixture.h"

namespace fellridge::saver::testing {
namespace {

using Animation = SaverFixture;

const QColor kRed(220, 30, 30);

// The usual pictures with a red one of that size first.
std::vector<PictureSpec> redFirst(int w, int h) {
    auto specs = defaultPictures();
    specs[0] = {w, h, kRed};
    return specs;
}

// The bounding box of the pixels near the colour: left, top, right, bottom (exclusive).
std::vector<int> boxOf(const QImage& frame, const QColor& colour) {
    int left = frame.width(), top = frame.height(), right = -1, bottom = -1;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (SaverFixture::near(QColor(frame.pixel(x, y)), colour)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return {left, top, right + 1, bottom + 1};
}

TEST_F(Animation, OverlapDrawsYThenXFromOneReseed) {
    // y over the free height, then x over the free width, from the seed of 12:00:00.ms; a side
    // larger than the screen draws over its first quarter.
    const struct {
        int w, h;
        int ms;
        int x, y;
    } cases[] = {
        {40, 30, 7, 232, 440},
        {1024, 768, 11, 0, 0},
        {200, 900, 503, 619, 30},
        {1100, 50, 999, 68, 521},
    };
    for (const auto& c : cases) {
        clock.now.millisecond = c.ms;
        start(inMode(6), redFirst(c.w, c.h));
        saver->tick();

        EXPECT_EQ(boxOf(surface.frame(), kRed),
                  std::vector<int>({c.x, c.y, std::min(c.x + c.w, 1024), std::min(c.y + c.h, 768)}))
            << c.w << " x " << c.h;
        EXPECT_TRUE(surface.slot(Slot::LoadBuffer).picture.empty());
        EXPECT_TRUE(timer.on);
    }
}

TEST_F(Animation, OverlapKeepsEarlierPicturesWhereLaterOnesDontCover) {
    clock.now.millisecond = 1;
    start(inMode(6));
    saver->tick();
    const std::vector<int> red = boxOf(surface.frame(), kRed);
    clock.now.millisecond = 600;
    saver->tick();
    const std::vector<int> green = boxOf(surface.frame(), QColor(30, 200, 30));

    const int coveredW = std::max(0, std::min(red[2], green[2]) - std::max(red[0], green[0]));
    const int coveredH = std::max(0, std::min(red[3], green[3]) - std::max(red[1], green[1]));
    int redLeft = 0;
    for (int y = red[1]; y < red[3]; ++y) {
        for (int x = red[0]; x < red[2]; ++x) redLeft += near(pixel(x, y), kRed) ? 1 : 0;
    }
    EXPECT_EQ(green[2] - green[0], 40);
    EXPECT_EQ(redLeft, 40 * 30 - coveredW * coveredH);
}

struct SlideCase {
    int direction;
    int w, h;
    int frames;
    std::vector<int> lastFrame;  // the red area of the frame at the end
};

class Slide : public SaverFixture, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(Slide, DrawsItsFramesAndStopsOneStepShort) {
    const SlideCase& c = GetParam();
    steerSlide(c.direction);
    start(inMode(7), redFirst(c.w, c.h));
    std::vector<bool> timerDuring;
    pump.onPending = [&](int) { timerDuring.push_back(timer.on); };
    saver->tick();

    EXPECT_EQ(pump.calls, c.frames);
    EXPECT_EQ(boxOf(surface.frame(), kRed), c.lastFrame);
    EXPECT_EQ(std::count(timerDuring.begin(), timerDuring.end(), true), 0);
    EXPECT_TRUE(timer.on) << "enabled again after the slide";
    EXPECT_FALSE(saver->state().abort) << "a finished slide is no abort";
    EXPECT_FALSE(surface.slot(Slot::Front).visible);
    EXPECT_EQ(surface.slot(Slot::Front).picture.width(), c.w);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, Slide,
    ::testing::Values(
        // From the left: frames at p = 0..299, the last covering columns -1..298.
        SlideCase{1, 300, 100, 300, {0, 0, 299, 100}},
        // From the right: 101 frames, the last with its left edge at 724.
        SlideCase{2, 301, 100, 101, {724, 0, 1024, 100}},
        // From the bottom: ceil(200 / 3) frames, the last with its top edge at 768 - 198.
        SlideCase{3, 100, 200, 67, {0, 570, 100, 768}},
        // From the top: H frames, the last with its top edge at -1.
        SlideCase{4, 100, 200, 200, {0, 0, 100, 199}},
        // At most three pixels wide from the right: drawn once, off the screen.
        SlideCase{2, 3, 50, 1, {1024, 768, 0, 0}}),
    [](const auto& info) {
        const SlideCase& c = info.param;
        return "Direction" + std::to_string(c.direction) + "_" + std::to_string(c.w) + "x" +
               std::to_string(c.h);
    });

TEST_F(Animation, AnEmptyPictureSlidesInOneFrame) {
    auto specs = defaultPictures();
    specs[0].empty = true;
    steerSlide(1);
    start(inMode(7), specs);
    saver->tick();
    EXPECT_EQ(pump.calls, 1);
    EXPECT_TRUE(timer.on);
}

TEST_F(Animation, AKeyDuringASlideEndsItAndNoTickFollows) {
    steerSlide(1);
    start(inMode(7), redFirst(300, 100));
    pump.onPending = [&](int call) {
        if (call == 5) hook.hook(platform::Input::Key);
    };
    saver->tick();

    EXPECT_EQ(pump.calls, 5) << "the loop ends after the step in which the saver stopped";
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(timer.on) << "the stop routine has run: the timer stays off";
    EXPECT_EQ(boxOf(surface.frame(), kRed), std::vector<int>({0, 0, 4, 100}));
    const int counter = saver->state().tickCounter;
    saver->tick();
    EXPECT_EQ(saver->state().tickCounter, counter);
}

struct RollCase {
    int screenW, screenH;
    int w, h;
    int x0, y0;
    int rows;  // rows drawn
};

class RollDown : public SaverFixture, public ::testing::WithParamInterface<RollCase> {};

TEST_P(RollDown, CentresByHalvesAndDrawsOnlyWhatIsOnScreen) {
    const RollCase& c = GetParam();
    screen.w = c.screenW;
    screen.h = c.screenH;
    start(inMode(8), redFirst(c.w, c.h));
    std::vector<bool> timerDuring;
    pump.onPending = [&](int) { timerDuring.push_back(timer.on); };
    saver->tick();

    EXPECT_EQ(clock.sleeps, std::vector<int>(c.rows, 10));
    EXPECT_EQ(pump.calls, c.rows);
    EXPECT_EQ(std::count(timerDuring.begin(), timerDuring.end(), true), 0);
    EXPECT_EQ(boxOf(surface.frame(), kRed),
              std::vector<int>({c.x0, c.y0, std::min(c.x0 + c.w, c.screenW), c.y0 + c.rows}));
    EXPECT_TRUE(timer.on);
    EXPECT_FALSE(surface.slot(Slot::LoadBuffer).picture.empty()) << "the load buffer is kept";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RollDown,
    ::testing::Values(RollCase{1024, 768, 1, 1, 512, 384, 1},  // 512 - round(0.5)
                      RollCase{1023, 768, 301, 3, 362, 382,
                               3},  // 512 - 150, 384 - 2: halves rounded
                      RollCase{1024, 768, 303, 500, 360, 134, 500},  // 512 - 152 (151.5 to even)
                      RollCase{1024, 768, 1100, 800, 0, 0, 768},     // larger: from the corner
                      RollCase{1024, 767, 40, 30, 492, 369, 30}),
    [](const auto& info) {
        const RollCase& c = info.param;
        return "Screen" + std::to_string(c.screenW) + "x" + std::to_string(c.screenH) + "_Picture" +
               std::to_string(c.w) + "x" + std::to_string(c.h);
    });  // round(383.5) = 384

TEST_F(Animation, AKeyDuringARollDownStopsThePixelsAndKeepsTheTimerOff) {
    start(inMode(8), redFirst(40, 30));
    pump.onPending = [&](int call) {
        if (call == 3) hook.hook(platform::Input::Button);
    };
    saver->tick();

    EXPECT_EQ(pump.calls, 3);
    EXPECT_EQ(boxOf(surface.frame(), kRed), std::vector<int>({492, 369, 532, 371}))
        << "rows 0 and 1 only";
    EXPECT_FALSE(timer.on);
    EXPECT_EQ(window.closes, 1);
}

TEST_F(Animation, RollDownEnablesTheTimerAgainAfterEachPicture) {
    start(inMode(8));
    saver->tick();
    saver->tick();
    EXPECT_EQ(pump.calls, 60);
    EXPECT_TRUE(timer.on);
}

}  // namespace
}  // namespace fellridge::saver::testing
