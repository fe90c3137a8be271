// Costs of the picture paths, each beside libjpeg-turbo's own decode of the same photograph.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench_support.h"
#include "saver/surface.h"
#include "saver/test_files.h"

using namespace fellridge;
using namespace fellridge::saver;
using fellridge::bench::FullHdScreen;
using fellridge::bench::kPhoto;

namespace {

// The yardstick: libjpeg-turbo decoding the file from memory into 24-bit rows, nothing else.
void BM_LibjpegBareDecode(benchmark::State& state) {
    fellridge::bench::bareDecode(state);
}
BENCHMARK(BM_LibjpegBareDecode)->Unit(benchmark::kMillisecond);

// Load as the library does on every step: read the file and parse its header only.
void BM_LoadHeaderOnly(benchmark::State& state) {
    for (auto _ : state) {
        Picture picture = Picture::loadJpeg(kPhoto);
        benchmark::DoNotOptimize(picture.width());
    }
}
BENCHMARK(BM_LoadHeaderOnly)->Unit(benchmark::kMicrosecond);

// The first use of a loaded picture's pixels: the full decode to RGB32.
void BM_LoadAndFirstDecode(benchmark::State& state) {
    for (auto _ : state) {
        Picture picture = Picture::loadJpeg(kPhoto);
        benchmark::DoNotOptimize(picture.pixels().constBits());
    }
}
BENCHMARK(BM_LoadAndFirstDecode)->Unit(benchmark::kMillisecond);

// A progressive file of a few hundred bytes whose header claims 12247 x 12247: from the load to
// the pixels it shows (the fallback picture, found without decoding anything that large).
void BM_HugeHeaderToFallback(benchmark::State& state) {
    using namespace fellridge::testing;
    const Bytes bytes = claimingSize(makeJpeg(16, 16, JpegKind::Progressive), 12247, 12247);
    const auto path = std::filesystem::temp_directory_path() / "fellridge-bench-huge.jpg";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    for (auto _ : state) {
        const Picture picture = Picture::loadJpeg(path.string());
        benchmark::DoNotOptimize(picture.pixels(QSize(1920, 1080)).constBits());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_HugeHeaderToFallback)->Unit(benchmark::kMicrosecond);

// The front slot stretched over the whole 1920 x 1080 screen and shown, as mode 1 places it.
void stretchOverScreen(Surface& surface) {
    surface.setStretch(Slot::Front, true);
    surface.setLeft(Slot::Front, 0);
    surface.setTop(Slot::Front, 0);
    surface.setWidth(Slot::Front, 1920);
    surface.setHeight(Slot::Front, 1080);
    surface.show(Slot::Front);
}

// Mode 1: a new 1280 x 720 picture stretched over a 1920 x 1080 screen (scale and paint; the
// picture's decoded pixels are let go once it is in the frame, so each round decodes too).
void BM_StretchedFirstRepaint(benchmark::State& state) {
    FullHdScreen screen;
    NullPresenter presenter;
    Surface surface(screen, &presenter);
    const Picture photo = Picture::loadJpeg(kPhoto);
    photo.pixels();
    stretchOverScreen(surface);
    for (auto _ : state) {
        surface.clear(Slot::Front);  // drops the scaled copy, as a new picture would
        surface.setPicture(Slot::Front, photo);
        surface.repaint();
        benchmark::DoNotOptimize(surface.frame().constBits());
    }
}
BENCHMARK(BM_StretchedFirstRepaint)->Unit(benchmark::kMillisecond);

// Later repaints of the same stretched slot (expose events): once a slot is in the frame it
// keeps neither its scaled copy nor its decoded pixels, so this decodes and scales again.
void BM_StretchedCachedRepaint(benchmark::State& state) {
    FullHdScreen screen;
    NullPresenter presenter;
    Surface surface(screen, &presenter);
    surface.setPicture(Slot::Front, Picture::loadJpeg(kPhoto));
    stretchOverScreen(surface);
    surface.repaint();
    for (auto _ : state) {
        surface.repaint();
        benchmark::DoNotOptimize(surface.frame().constBits());
    }
}
BENCHMARK(BM_StretchedCachedRepaint)->Unit(benchmark::kMillisecond);

// Mode 7: one slide step, the 1280 x 720 picture at its own size, moving 3 pixels a step.
void BM_SlideStep(benchmark::State& state) {
    FullHdScreen screen;
    NullPresenter presenter;
    Surface surface(screen, &presenter);
    surface.setPicture(Slot::Front, Picture::loadJpeg(kPhoto));
    const WorkingCopy copy = surface.makeWorkingCopy(Slot::Front);
    const Rect source{0, 0, copy.width(), copy.height()};
    std::int32_t p = 1920;
    for (auto _ : state) {
        surface.copyToSurface({p, 0, p + copy.width(), copy.height()}, copy, source);
        p = p - 3 < 640 ? 1920 : p - 3;
    }
}
BENCHMARK(BM_SlideStep)->Unit(benchmark::kMicrosecond);

// The same step with the picture wholly on the screen.
void BM_SlideStepWhollyShown(benchmark::State& state) {
    FullHdScreen screen;
    NullPresenter presenter;
    Surface surface(screen, &presenter);
    surface.setPicture(Slot::Front, Picture::loadJpeg(kPhoto));
    const WorkingCopy copy = surface.makeWorkingCopy(Slot::Front);
    const Rect source{0, 0, copy.width(), copy.height()};
    for (auto _ : state) surface.copyToSurface({640, 0, 1920, 720}, copy, source);
}
BENCHMARK(BM_SlideStepWhollyShown)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
