// The smooth scaler beside the toolkit's smooth scaling of the same photograph to the same size.
// CPU time is that of the whole process, so the toolkit's helper threads count too; the
// arguments are the scaled width and height: a quarter of a 1920 x 1080 screen (the tiled mode),
// the whole screen (stretched, the picture in a picture's backdrop), and the custom size's
// first-run 25 x 25.
#include <benchmark/benchmark.h>

#include <QImage>

#include "bench_support.h"
#include "saver/picture.h"
#include "saver/smooth_scale.h"

using namespace fellridge::saver;
using fellridge::bench::kPhoto;

namespace {

const QImage& photo() {
    static const QImage pixels = Picture::loadJpeg(kPhoto).pixels();
    return pixels;
}

void BM_SmoothScaleIntoFrame(benchmark::State& state) {
    const QImage& source = photo();
    const auto width = static_cast<int>(state.range(0));
    const auto height = static_cast<int>(state.range(1));
    QImage frame(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        smoothScaleInto(source, width, height, QRect(0, 0, width, height), frame.bits(),
                        frame.bytesPerLine());
        benchmark::DoNotOptimize(frame.constBits());
    }
}

void BM_ToolkitScaled(benchmark::State& state) {
    const QImage& source = photo();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        const QImage scaled = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({960, 540})->Args({1920, 1080})->Args({25, 25});
    b->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SmoothScaleIntoFrame)->Apply(sizes);
BENCHMARK(BM_ToolkitScaled)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
