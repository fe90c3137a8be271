// A saver wired to fake platform services, a real surface, picture library and settings file in a
// temporary saver's folder, and helpers to build stored pictures and read the frame.
#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sound/sound_player.h"
#include "saver/random.h"
#include "saver/saver.h"
#include "saver/surface.h"
#include "settings/settings.h"
#include "support/fakes.h"

namespace fellridge::saver::testing {

using ::fellridge::testing::FakeBoxes;
using ::fellridge::testing::FakeClock;
using ::fellridge::testing::FakeCursor;
using ::fellridge::testing::FakeEnvironment;
using ::fellridge::testing::FakeInputHook;
using ::fellridge::testing::FakeLibraries;
using ::fellridge::testing::FakePlayer;
using ::fellridge::testing::FakePump;
using ::fellridge::testing::FakeRegistry;
using ::fellridge::testing::FakeScreen;
using ::fellridge::testing::FakeTimer;
// Everything the fakes do that the order of the start-up and the stop cares about.
using ::fellridge::testing::Log;

struct FakeHost : SaverHost {
    Log& log;
    int closes = 0;
    explicit FakeHost(Log& l) : log(l) {}
    std::uintptr_t nativeId() override { return 0x4a0001; }
    void close() override {
        ++closes;
        log.push_back("close");
    }
};

// The password provider's entry, driven by the test.
inline int verifyResult = 0;
inline std::uintptr_t verifyWindow = 0;
inline std::function<void()> whileVerifying;
extern "C" inline int fakeVerifyScreenSavePwd(std::uintptr_t window) {
    verifyWindow = window;
    if (whileVerifying) whileVerifying();
    return verifyResult;
}

struct PictureSpec {
    int width = 40, height = 30;
    QColor colour = Qt::red;
    bool empty = false;  // a stored picture of 0 bytes: an empty temporary picture
};

inline std::vector<PictureSpec> defaultPictures() {
    const QColor colours[7] = {QColor(220, 30, 30),  QColor(30, 200, 30),  QColor(30, 30, 220),
                               QColor(220, 220, 30), QColor(30, 220, 220), QColor(220, 30, 220),
                               QColor(128, 128, 128)};
    std::vector<PictureSpec> specs;
    for (const QColor& c : colours) specs.push_back({40, 30, c, false});
    return specs;
}

// The settings the saver reads at start.
struct Options {
    int mode = 1;
    int scheme = 4;
    int delay = 5000;
    int customWidth = 25, customHeight = 25;
    bool inOrder = true;
};
inline Options inMode(int mode) {
    Options o;
    o.mode = mode;
    return o;
}

class SaverFixture : public ::testing::Test {
  protected:
    SaverFixture() : libraries(log), cursor(log), hook(log), timer(log), window(log) {
        boxes.log = &log;
        environment.folder = dir.path().toStdString();
        verifyResult = 0;
        verifyWindow = 0;
        whileVerifying = nullptr;
    }
    ~SaverFixture() override { whileVerifying = nullptr; }

    std::string path(const std::string& name) const {
        return dir.filePath(name.c_str()).toStdString();
    }

    // A stored picture: the JPEG's first three bytes, three filler bytes, then the rest.
    void writeStored(int n, const PictureSpec& picture) {
        QByteArray jpeg;
        if (!picture.empty) {
            QImage image(picture.width, picture.height, QImage::Format_RGB32);
            image.fill(picture.colour);
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(image.save(&buffer, "JPEG", 100));
        }
        QByteArray stored = jpeg.left(3);
        if (jpeg.size() > 3) stored += QByteArray("\x01\x02\x03", 3) + jpeg.mid(3);
        std::ofstream out(path("kvp" + std::to_string(n) + ".qrn"), std::ios::binary);
        out.write(stored.constData(), stored.size());
    }
    void writePictures(const std::vector<PictureSpec>& specs) {
        for (std::size_t i = 0; i < specs.size(); ++i)
            writeStored(static_cast<int>(i) + 1, specs[i]);
    }
    void writeOptions(const Options& o) {
        const std::string ini = settings::settingsPath(*environment.folder);
        settings::writeSaverFirstRun(ini);
        settings::writeOptions(
            ini,
            {false, o.inOrder, static_cast<settings::ColourScheme>(o.scheme),
             static_cast<settings::DisplayMode>(o.mode), o.delay, o.customHeight, o.customWidth});
    }

    Saver& makeSaver() {
        saver = std::make_unique<Saver>(services, surface, timer, player, window);
        return *saver;
    }
    // Pictures and settings in place, the saver started, the frame painted black.
    Saver& start(const Options& o, const std::vector<PictureSpec>& specs = defaultPictures()) {
        writePictures(specs);
        writeOptions(o);
        makeSaver().start();
        surface.repaint();
        return *saver;
    }

    QColor pixel(int x, int y) const { return QColor(surface.frame().pixel(x, y)); }

  public:
    static bool near(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
               std::abs(a.blue() - b.blue()) <= 12;
    }

  protected:
    // A clock time whose first draw over 4 after a reseed gives the slide direction d (1 from
    // the left, 2 from the right, 3 from the bottom, 4 from the top), worked out by hand from
    // the seeds of 12:00:00.020, .000, .004 and .012.
    void steerSlide(int d) {
        static constexpr int kMillisecond[] = {20, 0, 4, 12};
        clock.now.millisecond = kMillisecond[d - 1];
    }

    QTemporaryDir dir;
    Log log;
    FakeEnvironment environment;
    FakeRegistry registry;
    FakeLibraries libraries;
    FakeBoxes boxes;
    FakeClock clock;
    FakePump pump;
    FakeScreen screen;
    FakeCursor cursor;
    FakeInputHook hook;
    FakeTimer timer;
    FakePlayer player;
    FakeHost window;
    SaverServices services{environment, registry, libraries, boxes, clock,
                           pump,        screen,   cursor,    hook};
    NullPresenter presenter;
    Surface surface{screen, &presenter};
    std::unique_ptr<Saver> saver;
};

}  // namespace fellridge::saver::testing
