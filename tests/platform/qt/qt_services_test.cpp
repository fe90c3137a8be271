// The Qt services' decisions: which input an event stands for, and when the timer ticks.
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
#include <optional>

namespace fellridge::platform {
namespace {

std::optional<Input> key(QEvent::Type type, int code,
                         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QtInputHook::inputOf(QKeyEvent(type, code, modifiers));
}

std::optional<Input> mouse(QEvent::Type type, Qt::MouseButton button) {
    const QPointF at(5, 5);
    return QtInputHook::inputOf(QMouseEvent(type, at, at, button, button, Qt::NoModifier));
}

TEST(InputHook, KeysPressedOrReleasedAreKeysOrSystemKeysWithAlt) {
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_A), Input::Key);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_A), Input::Key);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier), Input::Key);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Escape, Qt::ControlModifier), Input::Key);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_Alt), Input::SystemKey);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_Alt), Input::SystemKey);
    EXPECT_EQ(key(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier), Input::SystemKey);
    EXPECT_EQ(key(QEvent::KeyRelease, Qt::Key_F4, Qt::AltModifier), Input::SystemKey);
}

TEST(InputHook, PressesOfTheThreeButtonsAreButtonsAndTheRestOtherInput) {
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::LeftButton), Input::Button);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::RightButton), Input::Button);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::MiddleButton), Input::Button);
    EXPECT_EQ(mouse(QEvent::MouseButtonPress, Qt::BackButton), Input::Other);
    EXPECT_EQ(mouse(QEvent::MouseButtonRelease, Qt::LeftButton), Input::Other);
    EXPECT_EQ(mouse(QEvent::MouseButtonDblClick, Qt::LeftButton), Input::Other);
    EXPECT_EQ(mouse(QEvent::MouseMove, Qt::NoButton), Input::Other);
    const QPointF at(5, 5);
    EXPECT_EQ(QtInputHook::inputOf(QWheelEvent(at, at, QPoint(), QPoint(0, 120), Qt::NoButton,
                                               Qt::NoModifier, Qt::NoScrollPhase, false)),
              Input::Other);
}

TEST(InputHook, OtherEventsAreNoInput) {
    EXPECT_EQ(QtInputHook::inputOf(QTimerEvent(1)), std::nullopt);
    EXPECT_EQ(QtInputHook::inputOf(QPaintEvent(QRect(0, 0, 1, 1))), std::nullopt);
    EXPECT_EQ(QtInputHook::inputOf(QEvent(QEvent::ShortcutOverride)), std::nullopt);
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
