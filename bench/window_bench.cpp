// The saver window's own cost in the two animations, measured through the real window and
// toolkit (run it on a display, e.g. Xvfb at 1920 x 1080):
//   slide of photo 1 (1280 x 720) from the left, 1280 frames: frames per second;
//   roll-down of photo 1, 720 rows: wall time against its floor of 720 x 10 ms.
// Usage: window_bench   (DISPLAY set; QT_QPA_PLATFORM=offscreen works too)
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/files/environment.h"
#include "platform/files/registry_file.h"
#include "platform/process/libraries.h"
#include "platform/qt/qt_services.h"
#include "platform/sound/sdl_player.h"
#include "saver/random.h"
#include "saver/saver_run.h"
#include "saver/window_presenter.h"
#include "saver/x11_frame_presenter.h"

namespace {

using namespace fellridge;
namespace fs = std::filesystem;

// The system clock, but the time of day is fixed so that the random draws are known.
struct FixedClock : platform::SystemClock {
    platform::TimeOfDay at;
    platform::TimeOfDay utcNow() override { return at; }
};

// A time of day whose first draw over 4 gives 0: the slide comes from the left.
platform::TimeOfDay slideFromLeft() {
    for (int ms = 0; ms < 1000; ++ms) {
        FixedClock probe;
        probe.at = {12, 0, 0, ms};
        saver::RandomDraw draw(probe);
        draw.reseed();
        if (draw.draw(4) == 0) return probe.at;
    }
    return {};
}

double runTick(int mode, const fs::path& dir) {
    std::ofstream(dir / "fellridge28.ini")
        << "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=" << mode << "\nTime=600000\n";
    platform::PosixEnvironment environment;
    platform::FileRegistry registry;
    platform::DlLibraries libraries;
    platform::QtMessageBoxes boxes("Fellridge Wildlife");
    FixedClock clock;
    clock.at = slideFromLeft();
    platform::QtEventPump events;
    platform::QtScreen screen;
    platform::QtCursor cursor;
    platform::QtInputHook input;
    platform::QtTimer timer;
    platform::SdlPlayer player;
    std::unique_ptr<saver::ScreenPresenter> presenter = saver::X11FramePresenter::create(nullptr);
    if (!presenter) presenter = std::make_unique<saver::WindowPresenter>(nullptr);
    platform::RunEnd ending;
    saver::SaverRun run(
        {environment, registry, libraries, boxes, clock, events, screen, cursor, input}, timer,
        player, *presenter, ending);
    run.start();
    run.show();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    run.saver().tick();
    const auto end = std::chrono::steady_clock::now();
    run.saver().stopRoutine();
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const fs::path dir = fs::temp_directory_path() / "fellridge-window-bench";
    fs::create_directories(dir);
    for (int n = 1; n <= 7; ++n) {
        const std::string name = "kvp" + std::to_string(n) + ".qrn";
        fs::copy_file(fs::path(FELLRIDGE_DATA_DIR) / name, dir / name,
                      fs::copy_options::overwrite_existing);
    }
    qputenv("FELLRIDGE_WINDOWS_DIR", dir.string().c_str());
    platform::QtScreen screen;
    std::printf("screen %d x %d\n", screen.width(), screen.height());

    const double slide = runTick(7, dir);
    std::printf("slide from the left, 1280 frames: %.3f s, %.0f frames/s\n", slide, 1280 / slide);
    const int rows = std::min(720, screen.height());
    const double roll = runTick(8, dir);
    std::printf("roll-down, %d rows: %.3f s against %.3f s (+%.1f %%)\n", rows, roll, rows * 0.010,
                100.0 * (roll - rows * 0.010) / (rows * 0.010));
    fs::remove_all(dir);
    return 0;
}
