#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <chrono>
#include <ctime>

#include "platform/files/environment.h"
#include "platform/files/registry_file.h"
#include "platform/files/text.h"
#include "platform/process/libraries.h"
#include "platform/x11/window_finder.h"

namespace fellridge::platform {

BoxAnswer QtMessageBoxes::show(BoxKind kind, const std::string& text, BoxButtons buttons) {
    QMessageBox box;
    const char* kindTitle = boxKindTitle(kind);
    box.setWindowTitle(kindTitle ? QString(kindTitle) : QString::fromStdString(title_.get()));
    switch (kind) {
        case BoxKind::Plain:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case BoxKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case BoxKind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case BoxKind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case BoxKind::Confirm:
            box.setIcon(QMessageBox::Question);
            break;
    }
    box.setText(QString::fromLocal8Bit(text.c_str()));
    box.setTextFormat(Qt::PlainText);
    if (buttons == BoxButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == BoxButtons::OkCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    // Above the saver's topmost full-screen window.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return box.exec() == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

TimeOfDay SystemClock::utcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return {utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms)};
}

void SystemClock::sleep(int milliseconds) {
    if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtEventPump::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QScreen* QtScreen::current() const {
    if (window_ && window_->screen()) return window_->screen();
    return QGuiApplication::primaryScreen();
}

int QtScreen::width() {
    QScreen* s = current();
    return s ? qRound(s->geometry().width() * s->devicePixelRatio()) : 0;
}

int QtScreen::height() {
    QScreen* s = current();
    return s ? qRound(s->geometry().height() * s->devicePixelRatio()) : 0;
}

int QtScreen::depth() {
    QScreen* s = current();
    return s ? s->depth() : 0;
}

int QtCursor::show(bool visible) {
    counter_ += visible ? 1 : -1;
    const bool hide = counter_ < 0;
    if (hide && !hidden_) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    } else if (!hide && hidden_) {
        QGuiApplication::restoreOverrideCursor();
    }
    hidden_ = hide;
    return counter_;
}

int QtShell::open(const std::string& address) {
    // The platform's codes: above 32 is success; 2 is "file not found".
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address))) ? 42 : 2;
}

std::string QtFileDialog::toQtFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(filter.substr(start, bar - start));
    parts.push_back(filter.substr(start));

    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        std::size_t from = 0;
        const std::string& list = parts[i + 1];
        for (std::size_t semi;; from = semi + 1) {
            semi = list.find(';', from);
            const std::string pattern = list.substr(from, semi - from);
            const std::string upper = text::upperAscii(pattern);
            patterns += (patterns.empty() ? "" : " ") + pattern;
            if (upper != pattern) patterns += " " + upper;
            if (semi == std::string::npos) break;
        }
        if (!out.empty()) out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

std::optional<std::string> QtFileDialog::openFile(const std::string& filter) {
    const QString chosen =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                     QString::fromStdString(toQtFilter(filter)));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toLocal8Bit().toStdString();
}

int QtMessageHook::messageNumber(const QEvent& event) {
    switch (event.type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto& key = static_cast<const QKeyEvent&>(event);
            const bool alt = key.key() == Qt::Key_Alt || (key.modifiers() & Qt::AltModifier) != 0;
            if (event.type() == QEvent::KeyPress) return alt ? 260 : 256;
            return alt ? 261 : 257;
        }
        case QEvent::MouseButtonPress:
            switch (static_cast<const QMouseEvent&>(event).button()) {
                case Qt::LeftButton:
                    return 513;
                case Qt::RightButton:
                    return 516;
                case Qt::MiddleButton:
                    return 519;
                default:
                    return 523;  // the extra buttons
            }
        case QEvent::MouseButtonRelease:
            return 514;
        case QEvent::MouseButtonDblClick:
            return 515;
        case QEvent::MouseMove:
            return 512;
        case QEvent::Wheel:
            return 522;
        default:
            return 0;
    }
}

void QtMessageHook::install(std::function<void(int)> hook) {
    hook_ = std::move(hook);
    if (!installed_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
    }
}

bool QtMessageHook::eventFilter(QObject* watched, QEvent* event) {
    if (hook_ && watched->isWindowType()) {
        if (const int message = messageNumber(*event)) hook_(message);
    }
    return false;  // the hook only watches; every event is dispatched as usual
}

QtTimer::QtTimer() {
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (onTick_) onTick_();
    });
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    apply();
}

void QtTimer::setInterval(std::int32_t milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    apply();
}

void QtTimer::apply() {
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

struct RealServices::Parts {
    PosixEnvironment environment;
    FileRegistry registry;
    DlLibraries libraries;
    X11WindowFinder windowFinder;
    QtApplicationTitle title;
    QtMessageBoxes boxes{title};
    SystemClock clock;
    QtEventPump events;
    QtScreen screen;
    QtCursor cursor;
    SaverFlag saverRunning;
    QtShell shell;
    QtFileDialog fileDialog;
    QtMessageHook hook;
};

RealServices::RealServices() : parts_(std::make_unique<Parts>()) {
    Parts& p = *parts_;
    services = Services{&p.environment,  &p.registry, &p.libraries,  &p.windowFinder, &p.boxes,
                        &p.title,        &p.clock,    &p.events,     &p.screen,       &p.cursor,
                        &p.saverRunning, &p.shell,    &p.fileDialog, &p.hook};
}

RealServices::~RealServices() = default;

}  // namespace fellridge::platform
