// The display surface against exact pixels: slots, stretch, stacking, centring, direct drawing.
#include "saver/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "direct_drawing.h"
#include "platform/services.h"
#include "saver/smooth_scale.h"

using namespace fellridge;
using namespace fellridge::saver;
using fellridge::testing::drawPixel;

namespace {

class FakeScreen : public platform::Screen {
  public:
    int w = 40, h = 30;
    int width() override { return w; }
    int height() override { return h; }
    int depth() override { return 32; }
};

class FakePresenter : public Presenter {
  public:
    std::vector<Rect> presented;
    int scheduled = 0;
    void present(const Rect& area) override { presented.push_back(area); }
    void scheduleRepaint() override { ++scheduled; }
};

constexpr QRgb kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff, kBlack = 0xff000000;

Picture solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return Picture::fromImage(image);
}

// A picture whose pixel (x, y) is qRgb(x, y, 7): every pixel tells where it came from.
Picture coordinates(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 7));
    return Picture::fromImage(image);
}

QRgb at(const Surface& s, int x, int y) {
    return s.frame().pixel(x, y);
}

// The bounding box of the pixels of one colour, as left, top, right, bottom (exclusive).
Rect extentOf(const Surface& s, QRgb colour) {
    Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    int count = 0;
    for (int y = 0; y < s.frame().height(); ++y)
        for (int x = 0; x < s.frame().width(); ++x)
            if (at(s, x, y) == colour) {
                r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
                     std::max(r.bottom, y + 1)};
                ++count;
            }
    if (count == 0) return {};
    EXPECT_EQ(count, r.width() * r.height()) << "the colour is not one solid rectangle";
    return r;
}

class SurfaceTest : public ::testing::Test {
  protected:
    FakeScreen screen;
    FakePresenter presenter;
    Surface surface{screen, &presenter};

    void place(Slot s, Picture p, int left, int top, int w, int h, bool stretch) {
        surface.setPicture(s, std::move(p));
        surface.setLeft(s, left);
        surface.setTop(s, top);
        surface.setWidth(s, w);
        surface.setHeight(s, h);
        surface.setStretch(s, stretch);
        surface.show(s);
    }
};

TEST_F(SurfaceTest, StartsHiddenWithTheFallbackPictureAndWhatTheModesLeaveAsItIs) {
    for (const Slot s : surface.stacking()) {
        EXPECT_FALSE(surface.slot(s).visible);
        EXPECT_EQ(surface.slot(s).picture.empty(), s != Slot::Fallback);
    }
    EXPECT_EQ(surface.slot(Slot::Fallback).picture.width(), 72);
    EXPECT_EQ(surface.slot(Slot::Fallback).picture.height(), 65);
    // The centred mode never sets the front's stretch, and the picture in a picture sizes the
    // backdrop to the screen but neither moves nor stretches it: it must cover the window.
    EXPECT_FALSE(surface.slot(Slot::Front).stretch);
    EXPECT_TRUE(surface.slot(Slot::Backdrop).stretch);
    EXPECT_EQ(surface.slot(Slot::Backdrop).left, 0);
    EXPECT_EQ(surface.slot(Slot::Backdrop).top, 0);
    EXPECT_EQ(surface.frame().size(), QSize(40, 30));
    EXPECT_EQ(at(surface, 0, 0), kBlack);
}

TEST_F(SurfaceTest, CentresFrontRoundingTheDifferenceOnceTiesToEven) {
    struct Case {
        int screenW, screenH, slotW, slotH, left, top;
    };
    const Case cases[] = {
        {1024, 768, 301, 100, 362, 334},      // 512 - 150.5 = 361.5 -> 362
        {1024, 768, 303, 101, 360, 334},      // 360.5 -> 360; 384 - 50.5 = 333.5 -> 334
        {1023, 767, 301, 301, 361, 233},      // 511.5 - 150.5 = 361; 383.5 - 150.5 = 233
        {1024, 768, 0, 0, 512, 384},          // an empty picture's corner lands in the middle
        {1024, 768, 2000, 1001, -488, -116},  // larger than the screen: overhangs both edges
    };
    for (const Case& c : cases) {
        screen.w = c.screenW;
        screen.h = c.screenH;
        surface.setWidth(Slot::Front, c.slotW);
        surface.setHeight(Slot::Front, c.slotH);
        surface.centreFront();
        EXPECT_EQ(surface.slot(Slot::Front).left, c.left) << c.screenW << " " << c.slotW;
        EXPECT_EQ(surface.slot(Slot::Front).top, c.top) << c.screenH << " " << c.slotH;
    }
}

TEST_F(SurfaceTest, SizesFrontToItsPictureAndToNothingForAnEmptyOne) {
    surface.setPicture(Slot::Front, solid(17, 9, kRed));
    surface.sizeFrontToPicture();
    EXPECT_EQ(surface.slot(Slot::Front).width, 17);
    EXPECT_EQ(surface.slot(Slot::Front).height, 9);
    surface.copyPicture(Slot::LoadBuffer, Slot::Front);  // empty load buffer
    EXPECT_TRUE(surface.slot(Slot::Front).picture.empty());
    surface.sizeFrontToPicture();
    EXPECT_EQ(surface.slot(Slot::Front).width, 0);
    EXPECT_EQ(surface.slot(Slot::Front).height, 0);
}

TEST_F(SurfaceTest, UnstretchedSlotShowsThePictureAtItsOwnSizeCutToTheSlot) {
    place(Slot::Front, coordinates(10, 8), 5, 4, 6, 3, false);
    surface.repaint();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 11 && y >= 4 && y < 7;
            EXPECT_EQ(at(surface, x, y), inside ? qRgb(x - 5, y - 4, 7) : kBlack) << x << "," << y;
        }
}

TEST_F(SurfaceTest, SlotsRunningPastAnyEdgeAreCutOffWithoutWrapping) {
    place(Slot::Front, coordinates(20, 20), -3, -2, 20, 20, false);
    place(Slot::TopRight, solid(1, 1, kGreen), 35, 25, 10, 10, true);
    surface.repaint();
    EXPECT_EQ(at(surface, 0, 0), qRgb(3, 2, 7));
    EXPECT_EQ(at(surface, 16, 17), qRgb(19, 19, 7));
    EXPECT_EQ(at(surface, 17, 0), kBlack);
    EXPECT_EQ(extentOf(surface, kGreen), (Rect{35, 25, 40, 30}));
    EXPECT_EQ(at(surface, 0, 29), kBlack);  // nothing wrapped round to the far side
}

TEST_F(SurfaceTest, StretchedSlotFillsExactlyItsRectangle) {
    place(Slot::Backdrop, solid(3, 2, kRed), 4, 5, 11, 7, true);
    surface.repaint();
    EXPECT_EQ(extentOf(surface, kRed), (Rect{4, 5, 15, 12}));
}

TEST_F(SurfaceTest, StretchScalesWidthAndHeightIndependently) {
    // Left half red, right half blue: stretched to 20 x 4 the halves become 10 columns each.
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, kRed), image.setPixel(0, 1, kRed);
    image.setPixel(1, 0, kBlue), image.setPixel(1, 1, kBlue);
    place(Slot::Front, Picture::fromImage(image), 0, 0, 20, 4, true);
    surface.repaint();
    EXPECT_EQ(at(surface, 0, 0), kRed);
    EXPECT_EQ(at(surface, 4, 3), kRed);
    EXPECT_EQ(at(surface, 15, 0), kBlue);
    EXPECT_EQ(at(surface, 19, 3), kBlue);
    EXPECT_EQ(at(surface, 20, 0), kBlack);
}

TEST_F(SurfaceTest, ShrinkingAveragesInsteadOfPickingPixels) {
    // A fine one-pixel checkerboard shrunk by 8 must come out as an even grey, not as black or
    // white stripes.
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) image.setPixel(x, y, (x + y) % 2 ? 0xffffffff : kBlack);
    place(Slot::Front, Picture::fromImage(image), 0, 0, 8, 8, true);
    surface.repaint();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_NEAR(qRed(at(surface, x, y)), 128, 16) << x << "," << y;
        }
}

TEST_F(SurfaceTest, EachSlotLandsOnItsRectangleAndCoversTheOnesBelowIt) {
    // The slots in their starting order, each a step right of and below the one before: a
    // slot's top-left pixel shows it, its bottom-right one the slot above, and past its right
    // edge lies the background.
    const std::array<Slot, kSlotCount> order = {Slot::Fallback,    Slot::Front,
                                                Slot::Backdrop,    Slot::TopRight,
                                                Slot::BottomRight, Slot::LoadBuffer};
    EXPECT_EQ(surface.stacking(), order);
    const auto colour = [](int k) { return qRgb(40 * k, 255 - 40 * k, 7); };
    for (int k = 0; k < kSlotCount; ++k)
        place(order[k], solid(1, 1, colour(k)), 5 * k, 3 * k, 8, 5, true);
    surface.repaint();
    for (int k = 0; k < kSlotCount; ++k) {
        EXPECT_EQ(at(surface, 5 * k, 3 * k), colour(k)) << k;
        EXPECT_EQ(at(surface, 5 * k + 7, 3 * k + 4), colour(std::min(k + 1, kSlotCount - 1))) << k;
        EXPECT_EQ(at(surface, 5 * k + 8, 3 * k), kBlack) << k;
    }
    surface.bringToFront(Slot::Front);
    EXPECT_EQ(surface.stacking().back(), Slot::Front);
    surface.repaint();
    EXPECT_EQ(at(surface, 12, 7), colour(1));   // over the backdrop now
    EXPECT_EQ(at(surface, 17, 10), colour(3));  // the backdrop is still below the top right
}

TEST_F(SurfaceTest, SlotAndBackgroundChangesShowOnlyAtTheNextRepaint) {
    place(Slot::Front, solid(1, 1, kRed), 0, 0, 5, 5, true);
    surface.setBackground({0, 0, 255});
    EXPECT_EQ(at(surface, 0, 0), kBlack);  // nothing yet: no flicker inside a tick
    EXPECT_GT(presenter.scheduled, 0);
    // Hidden and shown again in one tick: the window only ever sees the end state.
    surface.hide(Slot::Front);
    surface.show(Slot::Front);
    EXPECT_TRUE(presenter.presented.empty());
    surface.repaint();
    EXPECT_EQ(at(surface, 0, 0), kRed);
    EXPECT_EQ(at(surface, 10, 10), kBlue);
}

TEST_F(SurfaceTest, ChangesToSlotsThatShowNothingLeaveDirectDrawingAlone) {
    // The animation modes hide an already hidden front slot and fill and clear the load buffer on
    // every tick; none of that may wipe what they drew before.
    surface.hide(Slot::Front);
    surface.setPicture(Slot::LoadBuffer, solid(4, 4, kRed));
    surface.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface.clear(Slot::LoadBuffer);
    surface.show(Slot::TopRight);  // empty picture: draws nothing
    surface.setBackground({0, 0, 0});
    EXPECT_EQ(presenter.scheduled, 0);
}

TEST_F(SurfaceTest, DirectDrawingShowsAtOnceAndARepaintErasesIt) {
    place(Slot::Front, solid(1, 1, kGreen), 0, 0, 4, 4, true);
    surface.repaint();
    drawPixel(surface, 2, 2, kRed);
    drawPixel(surface, 20, 20, kRed);
    EXPECT_EQ(at(surface, 2, 2), kRed);
    EXPECT_EQ(at(surface, 20, 20), kRed);
    ASSERT_EQ(presenter.presented.size(), 2u);
    EXPECT_EQ(presenter.presented[0], (Rect{2, 2, 3, 3}));

    surface.repaint({18, 18, 21, 21});  // a repaint of part of the window
    EXPECT_EQ(at(surface, 20, 20), kBlack);
    EXPECT_EQ(at(surface, 2, 2), kRed);  // outside the repainted area
    surface.repaint();
    EXPECT_EQ(at(surface, 2, 2), kGreen);
}

TEST_F(SurfaceTest, ASlotOverTheWholeScreenStillLetsTheBackgroundShowWhereItHasNoPicture) {
    surface.setBackground({0, 0, 255});
    place(Slot::Front, solid(1, 1, kGreen), 0, 0, 40, 30, true);
    place(Slot::Backdrop, solid(10, 10, kRed), 0, 0, 40, 30, false);  // unstretched: 10 x 10
    drawPixel(surface, 20, 20, 0xffffffff);
    surface.repaint();
    EXPECT_EQ(extentOf(surface, kRed), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(at(surface, 20, 20), kGreen);
    surface.hide(Slot::Front);
    surface.repaint();
    EXPECT_EQ(at(surface, 20, 20), kBlue);
}

TEST_F(SurfaceTest, DrawingOutsideTheWindowDoesNothing) {
    const QImage before = surface.frame().copy();
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {40, 0}, {0, 30}, {INT32_MIN, INT32_MAX - 1}})
        drawPixel(surface, x, y, 0xffffffff);
    EXPECT_EQ(surface.frame(), before);
    EXPECT_TRUE(presenter.presented.empty());
}

TEST_F(SurfaceTest, CopyToSurfaceAtOwnSizeCopiesAndPresentsOnlyTheVisiblePart) {
    surface.setPicture(Slot::LoadBuffer, coordinates(10, 6));
    const WorkingCopy copy = surface.makeWorkingCopy(Slot::LoadBuffer);
    surface.copyToSurface({-4, 26, 6, 32}, copy, {0, 0, 10, 6});
    EXPECT_EQ(at(surface, 0, 26), qRgb(4, 0, 7));
    EXPECT_EQ(at(surface, 5, 29), qRgb(9, 3, 7));
    EXPECT_EQ(at(surface, 6, 29), kBlack);
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(presenter.presented[0], (Rect{0, 26, 6, 30}));

    // Right edge, as the slide from the right ends one to three pixels past it.
    surface.copyToSurface({33, 0, 43, 6}, copy, {0, 0, 10, 6});
    EXPECT_EQ(at(surface, 39, 5), qRgb(6, 5, 7));
    EXPECT_EQ(presenter.presented.back(), (Rect{33, 0, 40, 6}));

    // Wholly off the window: nothing drawn, nothing presented.
    surface.copyToSurface({-10, 0, 0, 6}, copy, {0, 0, 10, 6});
    EXPECT_EQ(presenter.presented.size(), 2u);
}

TEST_F(SurfaceTest, CopyToSurfaceScalesWhenTheRectanglesDiffer) {
    surface.setPicture(Slot::LoadBuffer, solid(2, 2, kBlue));
    surface.copyToSurface({3, 3, 13, 8}, surface.makeWorkingCopy(Slot::LoadBuffer), {0, 0, 2, 2});
    EXPECT_EQ(extentOf(surface, kBlue), (Rect{3, 3, 13, 8}));
    EXPECT_EQ(presenter.presented.back(), (Rect{3, 3, 13, 8}));
}

TEST_F(SurfaceTest, CopyToSurfaceTakesOnlyTheSourceThatExists) {
    surface.setPicture(Slot::LoadBuffer, coordinates(3, 2));
    const WorkingCopy copy = surface.makeWorkingCopy(Slot::LoadBuffer);
    surface.copyToSurface({10, 10, 15, 12}, copy, {-2, 0, 3, 2});
    EXPECT_EQ(at(surface, 11, 10), kBlack);  // no source pixels there: left as it was
    EXPECT_EQ(at(surface, 12, 10), qRgb(0, 0, 7));
    EXPECT_EQ(at(surface, 14, 11), qRgb(2, 1, 7));
    EXPECT_EQ(presenter.presented.back(), (Rect{12, 10, 15, 12}));

    // Rectangles at the limits of 32 bits neither overflow nor allocate their full size.
    surface.setPicture(Slot::LoadBuffer, solid(2, 2, kBlue));
    surface.copyToSurface({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
                          surface.makeWorkingCopy(Slot::LoadBuffer), {0, 0, 2, 2});
    EXPECT_EQ(extentOf(surface, kBlue), (Rect{0, 0, 40, 30}));
    surface.copyToSurface({0, 0, 4, 4}, surface.makeWorkingCopy(Slot::LoadBuffer),
                          {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
}

TEST_F(SurfaceTest, CopyOfAnEmptyWorkingCopyDrawsNothing) {
    const WorkingCopy copy = surface.makeWorkingCopy(Slot::Front);
    EXPECT_EQ(copy.width(), 0);
    EXPECT_EQ(copy.height(), 0);
    EXPECT_TRUE(copy.rgb32().isNull());
    surface.copyToSurface({0, 0, 0, 0}, copy, {0, 0, 0, 0});
    surface.copyToSurface({0, 0, 5, 5}, copy, {0, 0, 5, 5});
    EXPECT_TRUE(presenter.presented.empty());
}

TEST_F(SurfaceTest, WorkingCopySharesRgb32PixelsAndConvertsOtherFormats) {
    surface.setPicture(Slot::LoadBuffer, coordinates(3, 2));
    const WorkingCopy same = surface.makeWorkingCopy(Slot::LoadBuffer);
    EXPECT_EQ(same.rgb32().constBits(),
              surface.slot(Slot::LoadBuffer).picture.pixels().constBits());
    QImage grey(5, 1, QImage::Format_Grayscale8);
    grey.fill(90);
    QImage indexed(5, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30)});
    indexed.fill(0);
    for (const auto& [image, rgb] :
         {std::pair{grey, qRgb(90, 90, 90)}, {indexed, qRgb(10, 20, 30)}}) {
        surface.setPicture(Slot::LoadBuffer, Picture::fromImage(image));
        const WorkingCopy copy = surface.makeWorkingCopy(Slot::LoadBuffer);
        EXPECT_EQ(copy.rgb32().format(), QImage::Format_RGB32);
        EXPECT_EQ(copy.rgb32().pixel(4, 0), rgb);
    }
}

TEST_F(SurfaceTest, QuadrantsOfAnEvenScreenLeaveTheCrossAndCutTheLastColumn) {
    screen.w = 1024;
    screen.h = 768;
    place(Slot::TopRight, solid(1, 1, kRed), 513, 0, 512, 384, true);
    place(Slot::Backdrop, solid(1, 1, kGreen), 0, 385, 512, 384, true);
    surface.repaint();
    EXPECT_EQ(surface.frame().size(), QSize(1024, 768));
    EXPECT_EQ(extentOf(surface, kRed), (Rect{513, 0, 1024, 384}));
    EXPECT_EQ(extentOf(surface, kGreen), (Rect{0, 385, 512, 768}));
    EXPECT_EQ(at(surface, 512, 100), kBlack);
}

TEST_F(SurfaceTest, FrameFollowsTheScreenSize) {
    surface.setBackground({0, 0, 255});
    screen.w = 64;
    screen.h = 48;
    drawPixel(surface, 63, 47, kRed);
    EXPECT_EQ(surface.frame().size(), QSize(64, 48));
    EXPECT_EQ(at(surface, 63, 47), kRed);
    EXPECT_EQ(at(surface, 0, 0), kBlue);
    EXPECT_EQ(surface.screenWidth(), 64);
}

TEST_F(SurfaceTest, ExtremeBoundsAreDrawnOnlyWhereTheyShow) {
    // Custom sizes are used as they stand: a slot of 2^31 - 1 pixels must neither overflow nor
    // try to scale the picture to its full size.
    place(Slot::Front, solid(2, 2, kRed), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, true);
    place(Slot::BottomRight, solid(3, 3, kGreen), -1000000, -1000000, 2000040, 2000030, true);
    place(Slot::TopRight, solid(3, 3, kBlue), INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, false);
    surface.repaint();
    EXPECT_EQ(extentOf(surface, kGreen), (Rect{0, 0, 40, 30}));
}

TEST_F(SurfaceTest, RepeatedRepaintsOfAStretchedSlotGiveTheSameFrame) {
    place(Slot::Front, coordinates(13, 11), 1, 2, 30, 20, true);
    surface.repaint();
    const QImage first = surface.frame().copy();
    surface.repaint();
    EXPECT_EQ(surface.frame(), first);
    surface.setPicture(Slot::Front, solid(2, 2, kRed));  // a new picture rescales
    surface.repaint();
    EXPECT_EQ(extentOf(surface, kRed), (Rect{1, 2, 31, 22}));
}

}  // namespace

namespace {

// Records the areas the surface asks to have repainted.
class AreaPresenter : public Presenter {
  public:
    std::vector<Rect> areas;
    void present(const Rect&) override {}
    void scheduleRepaint() override { areas.push_back({0, 0, 40, 30}); }
    void scheduleRepaint(const Rect& area) override { areas.push_back(area); }
};

TEST(SurfaceRepaintAreas, AChangeAsksForWhereTheSlotWasAndIsClippedToTheWindow) {
    FakeScreen screen;
    AreaPresenter presenter;
    Surface surface{screen, &presenter};
    surface.setPicture(Slot::TopRight, solid(2, 2, kRed));
    surface.setLeft(Slot::TopRight, 30);
    surface.setTop(Slot::TopRight, 20);
    surface.setWidth(Slot::TopRight, 20);
    surface.setHeight(Slot::TopRight, 5);
    EXPECT_TRUE(presenter.areas.empty());  // hidden: nothing to repaint
    surface.show(Slot::TopRight);
    ASSERT_EQ(presenter.areas.size(), 1u);
    EXPECT_EQ(presenter.areas[0], (Rect{30, 20, 40, 25}));
    presenter.areas.clear();
    surface.setLeft(Slot::TopRight, 2);  // moved: the old place and the new one
    EXPECT_EQ(presenter.areas, (std::vector<Rect>{{30, 20, 40, 25}, {2, 20, 22, 25}}));
    presenter.areas.clear();
    surface.setBackground({1, 2, 3});
    EXPECT_EQ(presenter.areas, (std::vector<Rect>{{0, 0, 40, 30}}));
}

TEST(SurfaceRepaintAreas, APictureOverTheWholeWindowRepaintsAsBeforeWhenItReplacesTheFrame) {
    // The frame is made anew for a slot that covers it; what shows must not change.
    FakeScreen screen;
    NullPresenter presenter;
    Surface surface{screen, &presenter};
    surface.setPicture(Slot::Front, coordinates(13, 11));
    surface.setStretch(Slot::Front, true);
    surface.setWidth(Slot::Front, 40);
    surface.setHeight(Slot::Front, 30);
    surface.setLeft(Slot::Front, 0);
    surface.setTop(Slot::Front, 0);
    surface.show(Slot::Front);
    surface.repaint();  // whole: the frame is replaced
    EXPECT_EQ(surface.frame().size(), QSize(40, 30));
    const QImage whole = surface.frame().copy();
    drawPixel(surface, 5, 5, 0xffffffff);
    drawPixel(surface, 5, 25, 0xffffffff);
    surface.repaint({0, 0, 40, 15});  // in part: painted into the frame as it is
    EXPECT_EQ(surface.frame().copy(0, 0, 40, 15), whole.copy(0, 0, 40, 15));
    EXPECT_EQ(surface.frame().pixel(5, 25), 0xffffffff);
    surface.hide(Slot::Front);
    surface.repaint();
    EXPECT_EQ(surface.frame().pixel(20, 20), kBlack);
}

}  // namespace

namespace {

// Scaling into the frame gives the toolkit's smooth scaling pixel for pixel, growing, shrinking
// and both, whole or in part; only the part asked for is written. White shrunk both ways gives
// the largest sums there are. The plain loops are held to the same as the SSE2 ones.
class SmoothScale : public ::testing::TestWithParam<bool> {
    void SetUp() override { plainScaleLoops = GetParam(); }
    void TearDown() override { plainScaleLoops = false; }
};
INSTANTIATE_TEST_SUITE_P(SimdAndPlainLoops, SmoothScale, ::testing::Bool());

TEST_P(SmoothScale, GivesTheToolkitsPixelsWholeAndInPart) {
    QImage source(67, 41, QImage::Format_RGB32), white(67, 41, QImage::Format_RGB32);
    white.fill(0xffffffffu);
    std::uint32_t seed = 12345;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            source.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    const QSize sizes[] = {{100, 60}, {67, 41},     {30, 20},  {200, 13}, {13, 200},
                           {1, 1},    {50, 30},     {66, 200}, {134, 82}, {40, 41},
                           {301, 17}, {1919, 1081}, {9, 5}};
    for (const QSize size : sizes) {
        for (const QImage& from :
             {source, white, source.copy(0, 0, 1, 1), source.copy(0, 0, 5, 1)}) {
            SCOPED_TRACE(::testing::Message() << from.size().width() << "x" << from.size().height()
                                              << " to " << size.width() << "x" << size.height());
            const QImage expected =
                from.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB32);
            QImage whole(size, QImage::Format_RGB32);
            smoothScaleInto(from, size.width(), size.height(), whole.rect(), whole.bits(),
                            whole.bytesPerLine());
            EXPECT_EQ(whole, expected);
            const QRect part(size.width() / 3, size.height() / 4, (size.width() + 1) / 2,
                             (size.height() + 1) / 2);
            QImage into(size, QImage::Format_RGB32);
            into.fill(kBlue);
            smoothScaleInto(from, size.width(), size.height(), part,
                            into.scanLine(part.top()) + part.left() * 4, into.bytesPerLine());
            QImage wanted(size, QImage::Format_RGB32);
            wanted.fill(kBlue);
            for (int y = part.top(); y <= part.bottom(); ++y)
                for (int x = part.left(); x <= part.right(); ++x)
                    wanted.setPixel(x, y, expected.pixel(x, y));
            EXPECT_EQ(into, wanted);
        }
    }
}

}  // namespace
