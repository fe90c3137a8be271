// The window's bookkeeping between direct drawing, slot changes and paint events, through real
// paint events of a widget on Qt's offscreen platform.
#include "saver/present_tracker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "direct_drawing.h"
#include "platform/services.h"
#include "saver/surface.h"

using namespace fellridge;
using namespace fellridge::saver;
using fellridge::testing::drawPixel;

namespace {

struct SmallScreen : platform::Screen {
    int width() override { return 64; }
    int height() override { return 48; }
    int depth() override { return 32; }
};

// Presents a surface as the saver window does, counting its paint events.
class Window : public QWidget, public Presenter {
  public:
    Window() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(64, 48);
    }
    void present(const Rect& a) override {
        tracker.drawn(QRect(a.left, a.top, a.width(), a.height()));
    }
    void scheduleRepaint() override { tracker.recomposeAll(); }
    void scheduleRepaint(const Rect& a) override {
        tracker.recompose(QRect(a.left, a.top, a.width(), a.height()));
    }

    SmallScreen screen;
    Surface surface{screen, this};
    PresentTracker tracker{*this};
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        tracker.paint(event->region(), surface);
        ++paints;
    }
};

constexpr QRgb kBlue = 0xff0000ff, kRed = 0xffff0000, kGreen = 0xff00ff00;

class PresentTrackerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        window.surface.setBackground({0, 0, 255});
        ASSERT_TRUE(nextPaint());
        ASSERT_EQ(pixel(30, 30), kBlue);
    }
    // Lets the message loop run until a paint event has come (false after a second without).
    bool nextPaint() {
        const int before = window.paints;
        QElapsedTimer clock;
        clock.start();
        while (window.paints == before && clock.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return window.paints > before;
    }
    QRgb pixel(int x, int y) const { return window.surface.frame().pixel(x, y); }

    Window window;
};

TEST_F(PresentTrackerTest, DirectDrawingIsShownAtTheNextMessageProcessingWithoutBeingPaintedOver) {
    drawPixel(window.surface, 5, 5, kRed);
    drawPixel(window.surface, 6, 5, kRed);
    EXPECT_EQ(window.paints, 1);  // nothing before the message loop runs
    ASSERT_TRUE(nextPaint());
    EXPECT_EQ(pixel(5, 5), kRed);
    EXPECT_EQ(pixel(6, 5), kRed);
    EXPECT_FALSE(nextPaint());  // one paint for the gathered pixels, none after it
}

TEST_F(PresentTrackerTest, ASlotChangeRecomposesTheAreaItReachesAndNoMore) {
    drawPixel(window.surface, 5, 5, kRed);
    drawPixel(window.surface, 40, 40, kRed);
    ASSERT_TRUE(nextPaint());
    window.surface.setPicture(Slot::Front, Picture::fromImage([] {
                                  QImage image(1, 1, QImage::Format_RGB32);
                                  image.fill(kGreen);
                                  return image;
                              }()));
    window.surface.setLeft(Slot::Front, 0);
    window.surface.setTop(Slot::Front, 0);
    window.surface.setWidth(Slot::Front, 10);
    window.surface.setHeight(Slot::Front, 10);
    window.surface.setStretch(Slot::Front, true);
    window.surface.show(Slot::Front);
    EXPECT_EQ(pixel(5, 5), kRed);  // slot changes show only at the repaint
    ASSERT_TRUE(nextPaint());
    EXPECT_EQ(pixel(5, 5), kGreen);
    EXPECT_EQ(pixel(40, 40), kRed);  // outside the slot: left as drawn
    window.surface.hide(Slot::Front);
    ASSERT_TRUE(nextPaint());
    EXPECT_EQ(pixel(5, 5), kBlue);
    EXPECT_EQ(pixel(40, 40), kRed);
}

TEST_F(PresentTrackerTest, DrawingAndASlotChangeInOneTurnEndRecomposed) {
    drawPixel(window.surface, 5, 5, kRed);
    window.surface.setBackground({0, 255, 0});
    ASSERT_TRUE(nextPaint());
    EXPECT_EQ(pixel(5, 5), kGreen);
}

TEST_F(PresentTrackerTest, ARepaintTheWindowAsksForErasesDirectDrawingWhereItReaches) {
    drawPixel(window.surface, 5, 5, kRed);
    drawPixel(window.surface, 40, 40, kRed);
    ASSERT_TRUE(nextPaint());
    window.repaint(QRect(0, 0, 20, 20));  // as when part of the window is uncovered
    EXPECT_EQ(pixel(5, 5), kBlue);
    EXPECT_EQ(pixel(40, 40), kRed);
}

TEST(DrawingPacer, ShowsAtOnceAtMostOncePerIntervalAndWhatWaitsAtTheIntervalsEnd) {
    std::int64_t now = 1000;
    std::vector<QRect> shown;
    DrawingPacer pacer([&](const QRect& r) { shown.push_back(r); }, 16, [&] { return now; });
    pacer.drawn(QRect(0, 0, 8, 1));
    now += 10;
    pacer.drawn(QRect(0, 1, 8, 1));  // within the interval: waits
    EXPECT_EQ(shown, std::vector<QRect>{QRect(0, 0, 8, 1)});
    now += 10;
    pacer.drawn(QRect(0, 2, 8, 1));  // the first drawing after it shows what waited too
    EXPECT_EQ(shown.back(), QRect(0, 1, 8, 2));
    pacer.drawn(QRect(0, 3, 8, 1));  // with no drawing after it, shown at the interval's end
    QElapsedTimer clock;
    clock.start();
    while (shown.size() < 3 && clock.elapsed() < 1000) QCoreApplication::processEvents();
    EXPECT_EQ(shown, (std::vector<QRect>{{0, 0, 8, 1}, {0, 1, 8, 2}, {0, 3, 8, 1}}));
}

}  // namespace
