// What a slideshow tick costs: the slide's frame rate against a bare memcpy of the same bytes,
// one tick of modes 1 to 6 against libjpeg's bare decode of the picture it shows, and a
// roll-down against its floor of 10 ms per row.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "platform/services.h"
#include "platform/sound/sound_player.h"
#include "saver/random.h"
#include "saver/saver.h"
#include "saver/surface.h"
#include "settings/settings.h"

namespace {

using namespace fellridge;
using namespace fellridge::saver;
namespace fs = std::filesystem;

using fellridge::bench::kPhoto;
using fellridge::bench::readBytes;

struct Environment : platform::Environment {
    std::string dir;
    std::optional<std::string> windowsDirectory() override { return dir; }
    std::string systemDirectory() override { return {}; }
    int platformId() override { return 2; }
};
struct Registry : platform::Registry {
    bool keyExists(const std::string&) override { return false; }
    std::optional<Value> value(const std::string&, const std::string&) override { return {}; }
};
struct Boxes : platform::MessageBoxes {
    platform::BoxAnswer show(platform::BoxKind, const std::string& text,
                             platform::BoxButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return platform::BoxAnswer::Ok;
    }
};
// Real time; the sleep is real too unless the benchmark turns it off.
struct Clock : platform::Clock {
    bool realSleep = true;
    platform::TimeOfDay fixed{12, 0, 0, 0};
    bool fixedTime = false;
    platform::TimeOfDay utcNow() override {
        if (fixedTime) return fixed;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count() %
                        (24LL * 3600 * 1000);
        return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    }
    void sleep(int ms) override {
        if (realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};
struct Pump : platform::EventPump {
    void processPending() override {}
};
using Screen = fellridge::bench::FullHdScreen;
struct Cursor : platform::Cursor {
    int show(bool) override { return 0; }
};
struct Running : platform::SaverRunningFlag {
    void set(bool) override {}
};
struct Hook : platform::MessageHook {
    void install(std::function<void(int)>) override {}
};
struct Timer : platform::Timer {
    bool on = false;
    std::int32_t ms = 1000;
    void setHandler(std::function<void()>) override {}
    void setEnabled(bool e) override { on = e; }
    bool enabled() const override { return on; }
    void setInterval(std::int32_t v) override { ms = v; }
    std::int32_t interval() const override { return ms; }
};
struct Player : platform::SoundPlayer {
    void setFileName(const std::string&) override {}
    void setDeviceTypeAutomatic() override {}
    void open() override {}
    void play() override {}
    void stop() override {}
    platform::PlayerMode mode() override { return platform::PlayerMode::NotReady; }
    void release() override {}
    void setNotify(std::function<void()>) override {}
};
struct Window : SaverHost {
    std::uintptr_t nativeId() override { return 0; }
    void close() override {}
};

// A started saver on a 1920 x 1080 screen whose seven stored pictures are all the given photo.
class Rig {
  public:
    explicit Rig(int mode, const std::string& photo = kPhoto) {
        dir_ = fs::temp_directory_path() / ("fellridge-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        env_.dir = dir_.string();
        const std::vector<char> jpeg = readBytes(photo);
        for (int n = 1; n <= 7; ++n) {
            std::ofstream out(dir_ / ("kvp" + std::to_string(n) + ".qrn"), std::ios::binary);
            out.write(jpeg.data(), 3);
            out.write("\0\0\0", 3);
            out.write(jpeg.data() + 3, static_cast<std::streamsize>(jpeg.size() - 3));
        }
        const std::string ini = settings::settingsPath(env_.dir);
        settings::writeSaverFirstRun(ini);
        settings::writeOptions(ini, {false, true, settings::ColourScheme{2},
                                     settings::DisplayMode{mode}, 5000, 600, 800});

        services_.environment = &env_;
        services_.registry = &registry_;
        services_.boxes = &boxes_;
        services_.clock = &clock;
        services_.events = &pump_;
        services_.screen = &screen_;
        services_.cursor = &cursor_;
        services_.saverRunning = &running_;
        services_.hook = &hook_;
        saver = std::make_unique<Saver>(services_, surface, timer_, player_, window_);
        saver->start();
    }
    ~Rig() {
        saver->stopRoutine();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Repaints what the tick's changes reached, as the saver window does.
    void repaintChanges() {
        if (presenter_.changed.width() > 0) surface.repaint(presenter_.changed);
        presenter_.changed = {};
    }

    Clock clock;
    Screen screen_;
    struct : Presenter {
        Rect changed;  // the bounds of the areas asked for since the last repaint
        void present(const Rect&) override {}
        void scheduleRepaint() override { changed = {0, 0, 1920, 1080}; }
        void scheduleRepaint(const Rect& a) override {
            changed =
                changed.width() <= 0
                    ? a
                    : Rect{std::min(changed.left, a.left), std::min(changed.top, a.top),
                           std::max(changed.right, a.right), std::max(changed.bottom, a.bottom)};
        }
    } presenter_;
    Surface surface{screen_, &presenter_};
    std::unique_ptr<Saver> saver;

  private:
    fs::path dir_;
    Environment env_;
    Registry registry_;
    Boxes boxes_;
    Pump pump_;
    Cursor cursor_;
    Running running_;
    Hook hook_;
    Timer timer_;
    Player player_;
    Window window_;
    platform::Services services_;
};

// What one slide from the left puts on the screen: the last p columns of 720 rows for p = 0..1279.
constexpr std::int64_t kSlideBytes = std::int64_t{720} * 4 * (1279 * 1280 / 2);

// A whole slide of the 1280 x 720 photo from the left edge: 1280 frames.
void BM_SlideFromLeft(benchmark::State& state) {
    Rig rig(7);
    rig.clock.fixedTime = true;
    for (int ms = 0; ms < 1000; ++ms) {  // steer the direction draw to "from the left"
        rig.clock.fixed.millisecond = ms;
        RandomDraw probe(rig.clock);
        probe.reseed();
        if (probe.draw(4) == 0) break;
    }
    rig.saver->tick();  // the first decode stays out of the figure
    std::int64_t frames = 0;
    for (auto _ : state) {
        rig.saver->tick();
        frames += 1280;
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(frames / 1280 * kSlideBytes);
}
BENCHMARK(BM_SlideFromLeft)->Unit(benchmark::kMillisecond);

// The bytes a slide from the left puts on the screen (frame p shows the picture's last p
// columns), copied row by row with memcpy into a 1920 x 1080 frame.
void BM_MemcpySlide(benchmark::State& state) {
    std::vector<std::uint32_t> source(1280 * 720, 0x336699);
    std::vector<std::uint32_t> frame(1920 * 1080);
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (int p = 0; p < 1280; ++p) {
            for (int y = 0; y < 720; ++y)
                std::memcpy(&frame[static_cast<std::size_t>(y) * 1920],
                            &source[static_cast<std::size_t>(y) * 1280 + (1280 - p)],
                            static_cast<std::size_t>(p) * 4);
            benchmark::ClobberMemory();
        }
        frames += 1280;
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(frames / 1280 * kSlideBytes);
}
BENCHMARK(BM_MemcpySlide)->Unit(benchmark::kMillisecond);

// One tick of a mode, with the repaint that shows it (the decode happens on that first draw).
void BM_Tick(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rig.saver->tick();
        rig.repaintChanges();
    }
    state.SetLabel("mode " + std::to_string(state.range(0)));
}
BENCHMARK(BM_Tick)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

// libjpeg's bare decode of the same photo from memory, to 24-bit rows.
void BM_BareDecode(benchmark::State& state) {
    fellridge::bench::bareDecode(state);
}
BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond);

// A roll-down of H rows with the real 10 ms pause per row; the label gives the floor H x 10 ms.
void BM_RollDown(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    // A photo cut to the given height, so that the roll-down draws exactly that many rows.
    const fs::path cut =
        fs::temp_directory_path() / ("fellridge-bench-cut-" + std::to_string(::getpid()) + ".jpg");
    {
        QImage photo(QString::fromStdString(kPhoto));
        if (photo.isNull()) {
            state.SkipWithError("the photo can't be read");
            return;
        }
        photo.copy(0, 0, photo.width(), rows).save(QString::fromStdString(cut.string()), "JPEG");
    }
    Rig rig(8, cut.string());
    for (auto _ : state) rig.saver->tick();
    state.SetLabel("floor " + std::to_string(rows * 10) + " ms");
    fs::remove(cut);
}
BENCHMARK(BM_RollDown)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// Qt's image plugins (the cut photo of the roll-down) want an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
