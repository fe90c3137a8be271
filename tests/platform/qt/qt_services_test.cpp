// The Qt services' decisions: which message number an event stands for, and when the timer
// ticks.
#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QThread>
#include <QTimerEvent>
#include <QWheelEvent>

namespace fellridge::platform {
namespace {

int key(QEvent::Type type, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QtMessageHook::messageNumber(QKeyEvent(type, code, modifiers));
}

int mouse(QEvent::Type type, Qt::MouseButton button) {
    const QPointF at(5, 5);
    return QtMessageHook::messageNumber(QMouseEvent(type, at, at, button, button, Qt::NoModifier));
}

TEST(MessageHook, KeysAreKeyDownAndUpOrSystemKeysWithAlt) {
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_A), 256);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_A), 257);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier), 256);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Escape, Qt::ControlModifier), 256);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Alt), 260);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_Alt), 261);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier), 260);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_F4, Qt::AltModifier), 261);
}

TEST(MessageHook, ButtonPressesAreTheButtonsOwnNumbers) {
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::LeftButton), 513);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::RightButton), 516);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::MiddleButton), 519);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::BackButton), 523);
}

TEST(MessageHook, OtherEventsAreNoInputTheSaverReactsTo) {
    EXPECT_EQ(mouse(QEvent::MouseButtonRelease, Qt::LeftButton), 514);
    EXPECT_EQ(mouse(QEvent::MouseButtonDblClick, Qt::LeftButton), 515);
    EXPECT_EQ(mouse(QEvent::MouseMove, Qt::NoButton), 512);
    const QPointF at(5, 5);
    EXPECT_EQ(
        QtMessageHook::messageNumber(QWheelEvent(at, at, QPoint(), QPoint(0, 120), Qt::NoButton,
                                                 Qt::NoModifier, Qt::NoScrollPhase, false)),
        522);
    EXPECT_EQ(QtMessageHook::messageNumber(QTimerEvent(1)), 0);
    EXPECT_EQ(QtMessageHook::messageNumber(QPaintEvent(QRect(0, 0, 1, 1))), 0);
    EXPECT_EQ(QtMessageHook::messageNumber(QEvent(QEvent::ShortcutOverride)), 0);
}

// Lets the message loop run for the given time and counts the timer's ticks.
int ticksWithin(QtTimer& timer, int ms) {
    int ticks = 0;
    timer.setHandler([&ticks] { ++ticks; });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return ticks;
}

TEST(Timer, AnIntervalOfZeroOrLessNeverTicks) {
    for (const std::int32_t interval : {0, -1, -1000, INT32_MIN}) {
        QtTimer timer;
        timer.setInterval(interval);
        timer.setEnabled(true);
        EXPECT_TRUE(timer.enabled());
        EXPECT_EQ(timer.interval(), interval);
        EXPECT_EQ(ticksWithin(timer, 60), 0) << interval;
    }
}

TEST(Timer, TicksOnlyWhileEnabledWithAPositiveInterval) {
    QtTimer timer;
    EXPECT_EQ(timer.interval(), 1000);  // as a window timer starts
    timer.setInterval(5);
    EXPECT_EQ(ticksWithin(timer, 40), 0);  // not enabled yet
    timer.setEnabled(true);
    EXPECT_GT(ticksWithin(timer, 200), 0);
    timer.setInterval(0);
    EXPECT_EQ(ticksWithin(timer, 40), 0);
    timer.setInterval(5);
    EXPECT_GT(ticksWithin(timer, 200), 0);
    timer.setEnabled(false);
    EXPECT_EQ(ticksWithin(timer, 40), 0);
}

}  // namespace
}  // namespace fellridge::platform
