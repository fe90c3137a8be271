#include "platform/x11/screen_covers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace fellridge::platform {

namespace {

std::unique_ptr<QWidget> makeCover(QScreen* screen) {
    auto cover = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    cover->setObjectName("ScreenCover");
    cover->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette palette = cover->palette();
    palette.setColor(QPalette::Window, Qt::black);
    cover->setPalette(palette);
    cover->setAutoFillBackground(true);
    cover->winId();
    if (QWindow* window = cover->windowHandle()) window->setScreen(screen);
    // Without a window manager full screen alone leaves the window small: set the geometry too.
    cover->setGeometry(screen->geometry());
    cover->showFullScreen();
    cover->setGeometry(screen->geometry());
    cover->raise();
    return cover;
}

}  // namespace

ScreenCovers::ScreenCovers() {
    auto* app = qGuiApp;
    if (!app) return;
    connect(app, &QGuiApplication::screenAdded, this, &ScreenCovers::update);
    connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        covers_.erase(screen);
        update();
    });
    connect(app, &QGuiApplication::primaryScreenChanged, this, &ScreenCovers::update);
    update();
}

ScreenCovers::~ScreenCovers() = default;

void ScreenCovers::update() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    for (auto it = covers_.begin(); it != covers_.end();) {
        if (it->first == primary || !screens.contains(it->first)) {
            it = covers_.erase(it);
        } else {
            ++it;
        }
    }
    for (QScreen* screen : screens) {
        if (screen == primary || covers_.count(screen)) continue;
        QWidget* cover = (covers_[screen] = makeCover(screen)).get();
        // A monitor that moves or changes its size keeps its cover over all of it.
        connect(screen, &QScreen::geometryChanged, cover,
                [cover](const QRect& geometry) { cover->setGeometry(geometry); });
    }
}

}  // namespace fellridge::platform
