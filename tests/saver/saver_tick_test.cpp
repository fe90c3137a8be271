// The slideshow tick: its counter and first interval, and the slot layouts of modes 1 to 5.
#include <filesystem>
#include <numeric>

#include "saver_fixture.h"

namespace fellridge::saver::testing {
namespace {

using Tick = SaverFixture;

TEST_F(Tick, CounterRunsOneToTwentyOneAndTheFirstTickSetsTheDelay) {
    Options o;
    o.delay = 2500;
    start(o);
    std::vector<int> seen;
    for (int i = 0; i < 23; ++i) {
        timer.handler();
        seen.push_back(saver->state().tickCounter);
    }
    std::vector<int> expected(21);
    std::iota(expected.begin(), expected.end(), 1);
    expected.insert(expected.end(), {1, 2});
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(timer.intervals, std::vector<std::int32_t>{2500}) << "set once, on the first tick";
    EXPECT_TRUE(timer.on);
}

TEST_F(Tick, ADelayOfZeroOrBelowIsHandedToTheTimerAsItStands) {
    for (int delay : {0, -5}) {
        Options o;
        o.delay = delay;
        timer.intervals.clear();
        start(o);
        saver->tick();
        EXPECT_EQ(timer.intervals, std::vector<std::int32_t>{delay});
    }
}

TEST(SchemeColour, FollowsTheTickCounter) {
    const Rgb navy{0, 0, 128}, black{0, 0, 0}, purple{128, 0, 128}, maroon{128, 0, 0};
    const struct {
        int scheme, tick;
        Rgb colour;
    } cases[] = {
        {2, 1, navy},
        {2, 4, navy},
        {2, 5, black},
        {2, 9, black},
        {2, 10, purple},
        {2, 14, purple},
        {2, 15, maroon},
        {2, 21, maroon},
        {1, 5, {128, 128, 128}},
        {1, 21, {255, 255, 255}},
        {3, 10, {255, 0, 255}},
        {3, 1, {0, 128, 0}},
        {4, 12, black},
        {9, 12, black},
    };
    for (const auto& c : cases)
        EXPECT_EQ(schemeColour(static_cast<settings::ColourScheme>(c.scheme), c.tick), c.colour)
            << c.scheme << "/" << c.tick;
}

TEST_F(Tick, CentredModeCyclesTheBackground) {
    Options o;
    o.mode = 2;
    o.scheme = 2;
    start(o);
    std::vector<Rgb> colours;
    for (int i = 0; i < 5; ++i) {
        saver->tick();
        colours.push_back(surface.background());
    }
    EXPECT_EQ(colours.front(), (Rgb{0, 0, 128}));
    EXPECT_EQ(colours[3], (Rgb{0, 0, 128}));
    EXPECT_EQ(colours[4], (Rgb{0, 0, 0}));
}

TEST_F(Tick, StretchFillsTheScreenAndShowsTheFallbackForABrokenPicture) {
    start({});
    saver->tick();
    const SlotState& one = surface.slot(Slot::Front);
    EXPECT_TRUE(one.visible);
    EXPECT_TRUE(one.stretch);
    EXPECT_EQ(std::vector<int>({one.left, one.top, one.width, one.height}),
              std::vector<int>({0, 0, 1024, 768}));
    EXPECT_EQ(one.picture.width(), 40);
    EXPECT_TRUE(surface.slot(Slot::LoadBuffer).picture.empty());

    std::filesystem::remove(path("kvp2.jpg"));
    saver->tick();
    EXPECT_EQ(surface.slot(Slot::Front).picture.width(), 72);
    EXPECT_EQ(surface.slot(Slot::Front).picture.height(), 65);
    EXPECT_EQ(surface.slot(Slot::Front).width, 1024);
}

TEST_F(Tick, CentredModeRoundsTheDifferenceOnce) {
    const struct {
        int screenWidth, pictureWidth, left;
    } cases[] = {{1024, 301, 362}, {1024, 303, 360}, {1023, 301, 361}};
    for (const auto& c : cases) {
        screen.w = c.screenWidth;
        auto specs = defaultPictures();
        specs[0].width = c.pictureWidth;
        specs[0].height = 101;
        start(inMode(2), specs);
        saver->tick();
        const SlotState& one = surface.slot(Slot::Front);
        EXPECT_EQ(one.left, c.left) << c.screenWidth << " / " << c.pictureWidth;
        EXPECT_EQ(one.top, 334);  // round(384 - 50.5), ties to even
        EXPECT_EQ(one.width, c.pictureWidth);
        EXPECT_FALSE(one.stretch);
        EXPECT_TRUE(one.visible);
    }
}

TEST_F(Tick, CustomSizeIsCentredAsItStands) {
    const struct {
        int width, height, left, top;
    } cases[] = {
        {0, 0, 512, 384}, {2000, 1000, -488, -116}, {-1, 25, 512, 372}, {25, 25, 500, 372}};
    for (const auto& c : cases) {
        Options o;
        o.mode = 5;
        o.customWidth = c.width;
        o.customHeight = c.height;
        start(o);
        saver->tick();
        const SlotState& one = surface.slot(Slot::Front);
        EXPECT_EQ(one.left, c.left) << c.width << " x " << c.height;
        EXPECT_EQ(one.top, c.top) << c.width << " x " << c.height;
        EXPECT_EQ(one.width, std::max(c.width, 0));
        EXPECT_TRUE(one.stretch);
    }
}

TEST_F(Tick, PictureInPictureKeepsThePreviousPictureAsBackdrop) {
    start(inMode(3));
    saver->tick();
    const SlotState& backdrop = surface.slot(Slot::Backdrop);
    EXPECT_TRUE(backdrop.visible);
    EXPECT_TRUE(backdrop.picture.empty()) << "nothing was shown before the first tick";
    EXPECT_EQ(backdrop.width, 1024);
    EXPECT_EQ(backdrop.height, 768);
    EXPECT_EQ(surface.stacking().back(), Slot::Front);
    surface.repaint();
    EXPECT_TRUE(near(pixel(0, 0), Qt::black));
    EXPECT_TRUE(near(pixel(512, 384), QColor(220, 30, 30)));

    saver->tick();
    surface.repaint();
    EXPECT_EQ(surface.slot(Slot::Backdrop).picture.width(), 40);
    EXPECT_TRUE(near(pixel(0, 0), QColor(220, 30, 30))) << "picture 1 now fills the screen";
    EXPECT_TRUE(near(pixel(512, 384), QColor(30, 200, 30)));
}

TEST_F(Tick, TiledQuartersLeaveAOnePixelCross) {
    const struct {
        int w, h, w2, h2;
    } screens[] = {{1024, 768, 512, 384}, {1023, 767, 512, 384}, {1021, 765, 510, 382}};
    for (const auto& sc : screens) {
        screen.w = sc.w;
        screen.h = sc.h;
        start(inMode(4));
        const Slot order[] = {Slot::Front, Slot::Backdrop, Slot::TopRight, Slot::BottomRight};
        const int lefts[] = {0, 0, sc.w2 + 1, sc.w2 + 1};
        const int tops[] = {0, sc.h2 + 1, 0, sc.h2 + 1};
        for (int q = 0; q < 4; ++q) {
            saver->tick();
            const SlotState& s = surface.slot(order[q]);
            EXPECT_EQ(std::vector<int>({s.left, s.top, s.width, s.height}),
                      std::vector<int>({lefts[q], tops[q], sc.w2, sc.h2}))
                << sc.w << " x " << sc.h << " quarter " << q + 1;
            EXPECT_TRUE(s.visible && s.stretch);
        }
        surface.repaint();
        EXPECT_TRUE(near(pixel(sc.w2, 10), Qt::black));
        EXPECT_TRUE(near(pixel(10, sc.h2), Qt::black));
        EXPECT_TRUE(near(pixel(sc.w2 - 1, sc.h2 - 1), QColor(220, 30, 30)));
        EXPECT_TRUE(near(pixel(sc.w2 + 1, sc.h2 + 1), QColor(220, 220, 30)));

        saver->tick();  // the fifth picture replaces the top-left one
        EXPECT_EQ(surface.slot(Slot::Front).picture.width(), 40);
        surface.repaint();
        EXPECT_TRUE(near(pixel(0, 0), QColor(30, 220, 220)));
        EXPECT_EQ(saver->state().quadrant, 2);
    }
}

}  // namespace
}  // namespace fellridge::saver::testing
