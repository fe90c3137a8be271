// Decoding follows what a picture is drawn at, and stays within a fixed budget whatever its header
// claims.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "saver/picture.h"
#include "test_files.h"

using namespace fellridge::saver;
using namespace fellridge::testing;

namespace {

Picture load(const TempDir& dir, const Bytes& bytes) {
    writeFile(dir / "p.jpg", bytes);
    return Picture::loadJpeg(dir / "p.jpg");
}

std::int64_t statusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::string(field).size()));
    return -1;
}

// How far the resident set of a child process grows above what it starts with while it runs
// work: the peak (VmHWM) against the resident set before. -1 when it can't be measured.
std::int64_t peakGrowthBytes(const std::function<void()>& work) {
    int pipe[2];
    if (::pipe(pipe) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::int64_t before = statusKib("VmRSS:");
        work();
        const std::int64_t growth = (statusKib("VmHWM:") - before) * 1024;
        [[maybe_unused]] const auto n = ::write(pipe[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::int64_t growth = -1;
    if (child < 0 || ::read(pipe[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    ::close(pipe[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    return growth;
}

TEST(JpegScale, TheSmallestDecodeThatStillCoversWhatIsDrawn) {
    struct Case {
        int width, height, coverWidth, coverHeight, denominator;
    };
    const Case cases[] = {
        {1280, 720, 1920, 1080, 1},     // a shipped photograph on a full-HD screen
        {1280, 720, 1280, 720, 1},      // exactly as large as drawn
        {1280, 720, 640, 360, 2},       // half: 640 x 360 covers it exactly
        {1280, 720, 641, 360, 1},       // one column more than half: only the full decode
        {1280, 720, 160, 90, 8},        // an eighth covers it
        {12247, 12247, 1920, 1080, 4},  // 1531 would fall short of 1920; 3062 covers it
        {12247, 12247, 1530, 1530, 8},  // ceil(12247 / 8) = 1531
        {4000, 3000, 1920, 1080, 2},    // a camera photograph over the screen
        {4000, 3000, 1920, 1501, 1},    // 1500 rows at a half: one short
        {100, 30000, 1920, 1080, 1},    // narrower than drawn: every column is needed
        {30000, 100, 1920, 1080, 1},    // and lower than drawn: every row
        {9, 9, 0, 0, 8},                // drawn at nothing: any scale covers it
        {1, 1, 0, 0, 1},                // nothing to gain from a reduced scale: kept exact
    };
    for (const Case& c : cases)
        EXPECT_EQ(jpegScaleDenominator(c.width, c.height, {c.coverWidth, c.coverHeight}),
                  c.denominator)
            << c.width << "x" << c.height << " drawn at " << c.coverWidth << "x" << c.coverHeight;
}

TEST(JpegScale, ALargePictureDrawnSmallerDecodesAtTheReducedScaleOnly) {
    TempDir dir;
    const Picture picture = load(dir, makeJpeg(1600, 1200, JpegKind::Progressive, 40, 80, 120));
    EXPECT_EQ(picture.pixels({800, 600}).size(), QSize(800, 600));
    EXPECT_EQ(picture.pixels({400, 300}).size(), QSize(800, 600));  // what is kept serves
    const QRgb reduced = picture.pixels({800, 600}).pixel(400, 300);
    EXPECT_NEAR(qRed(reduced), 40, 3);
    EXPECT_NEAR(qBlue(reduced), 120, 3);
    // Drawn at its own size it needs every pixel: decoded again in full.
    EXPECT_EQ(picture.pixels().size(), QSize(1600, 1200));
    EXPECT_EQ(picture.pixels({800, 600}).size(), QSize(1600, 1200));
}

TEST(JpegScale, PixelsLetGoAreDecodedAgainTheSame) {
    const Picture photo = Picture::loadJpeg(photoPath(2));
    const QImage first = photo.pixels().copy();
    photo.releasePixels();
    EXPECT_EQ(photo.pixels(), first);
    // A picture made of pixels has nothing to decode them from: it keeps them.
    const Picture made = Picture::fromImage(first);
    made.releasePixels();
    EXPECT_EQ(made.pixels(), first);
}

TEST(DecodeBudget, AFewBytesClaimingAHugePictureShowTheFallbackWithoutTheirCost) {
    TempDir dir;
    // As found in the wild: a progressive file of a few hundred bytes whose header says
    // 12247 x 12247. Decoding it in full would take 600 MB of pixels and a coefficient array of
    // 450 MB more before the first row.
    const Bytes hostile = claimingSize(makeJpeg(16, 16, JpegKind::Progressive), 12247, 12247);
    ASSERT_LT(hostile.size(), 2000u);
    const Picture picture = load(dir, hostile);
    ASSERT_EQ(picture.width(), 12247);

    const std::int64_t growth = peakGrowthBytes([&] {
        picture.pixels();              // at its own size (the centred modes, the animations)
        picture.pixels({1920, 1080});  // stretched over a screen
    });
    ASSERT_GE(growth, 0);
    EXPECT_LT(growth, Picture::kDecodeBudget);
    EXPECT_EQ(picture.pixels({1920, 1080}), fallbackPicture().pixels());
    EXPECT_EQ(picture.pixels(), fallbackPicture().pixels());
}

TEST(DecodeBudget, AHugeBaselinePictureIsDecodedAtTheScaleItIsDrawnAtOrFallsBack) {
    TempDir dir;
    // A baseline file needs no coefficient array: stretched over a screen it fits at a reduced
    // scale, at its own size it does not.
    const Bytes huge = claimingSize(makeJpeg(16, 16, JpegKind::Colour), 9000, 9000);
    const Picture stretched = load(dir, huge);
    EXPECT_EQ(stretched.pixels({1920, 1080}).size(), QSize(2250, 2250));
    const Picture ownSize = load(dir, huge);
    EXPECT_EQ(ownSize.pixels(), fallbackPicture().pixels());
}

}  // namespace
