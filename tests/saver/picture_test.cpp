// JPEG pictures: header-only loads, decoding on first use, damaged files and the fallback.
#include <gtest/gtest.h>

#include "saver/surface.h"
#include "test_files.h"

using namespace fellridge::saver;
using namespace fellridge::testing;

namespace {

// Offset of the first marker FF <code> after the start of image.
std::size_t findMarker(const Bytes& bytes, std::uint8_t code, std::size_t from = 2) {
    for (std::size_t i = from; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xff && bytes[i + 1] == code) return i;
    return bytes.size();
}

Picture loadBytes(const TempDir& dir, const Bytes& bytes) {
    writeFile(dir / "p.jpg", bytes);
    return Picture::loadJpeg(dir / "p.jpg");
}

void expectNear(QRgb pixel, int r, int g, int b) {
    EXPECT_NEAR(qRed(pixel), r, 3);
    EXPECT_NEAR(qGreen(pixel), g, 3);
    EXPECT_NEAR(qBlue(pixel), b, 3);
}

TEST(JpegPicture, LoadReadsTheSizeAndDecodesOnFirstUse) {
    const Picture photo = Picture::loadJpeg(photoPath(1));
    EXPECT_EQ(photo.width(), 1280);
    EXPECT_EQ(photo.height(), 720);
    const Picture copy = photo;
    const QImage& pixels = photo.pixels();
    EXPECT_EQ(pixels.size(), QSize(1280, 720));
    EXPECT_EQ(pixels.format(), QImage::Format_RGB32);
    EXPECT_EQ(&copy.pixels(), &pixels);  // copies share the decoded pixels
}

TEST(JpegPicture, DecodesColourGreyCmykAndProgressiveFiles) {
    TempDir dir;
    struct Case {
        JpegKind kind;
        int r, g, b;
    };
    for (const Case& c :
         {Case{JpegKind::Colour, 200, 100, 50}, Case{JpegKind::Grey, 200, 200, 200},
          Case{JpegKind::Cmyk, 200, 100, 50}, Case{JpegKind::Progressive, 200, 100, 50}}) {
        const Picture picture = loadBytes(dir, makeJpeg(24, 16, c.kind, 200, 100, 50));
        ASSERT_EQ(picture.pixels().size(), QSize(24, 16)) << static_cast<int>(c.kind);
        expectNear(picture.pixels().pixel(12, 8), c.r, c.g, c.b);
        expectNear(picture.pixels().pixel(23, 15), c.r, c.g, c.b);
    }
}

TEST(JpegPicture, AnEmptyFileIsAnEmptyPictureNotAFailure) {
    TempDir dir;
    const Picture picture = loadBytes(dir, {});
    EXPECT_TRUE(picture.empty());
    EXPECT_EQ(picture.width(), 0);
    EXPECT_TRUE(picture.pixels().isNull());
}

TEST(JpegPicture, MissingAndBrokenFilesFailTheLoad) {
    TempDir dir;
    EXPECT_THROW(Picture::loadJpeg(dir / "missing.jpg"), PictureError);
    EXPECT_THROW(Picture::loadJpeg(dir.path()), PictureError);  // a directory

    const Bytes good = makeJpeg(32, 32);
    Bytes huge = good;  // SOF0: FF C0, length, precision, height, width
    const std::size_t sof = findMarker(huge, 0xc0);
    ASSERT_LT(sof + 9, huge.size());
    huge[sof + 5] = 0xea, huge[sof + 6] = 0x60;  // 60000 rows
    huge[sof + 7] = 0xea, huge[sof + 8] = 0x60;  // 60000 columns: above the pixel limit
    const Bytes cases[] = {
        {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'},
        Bytes(good.begin(), good.begin() + 20),  // cut inside the header
        {0xff, 0xd8},
        huge,
    };
    for (const Bytes& bytes : cases) EXPECT_THROW(loadBytes(dir, bytes), PictureError);
}

TEST(JpegPicture, TruncatedDataLoadsAndShowsWhatWasDecoded) {
    TempDir dir;
    const Bytes photo = readFile(photoPath(1));
    const Picture whole = Picture::loadJpeg(photoPath(1));
    const Picture cut = loadBytes(dir, Bytes(photo.begin(), photo.begin() + photo.size() / 2));
    ASSERT_EQ(cut.pixels().size(), QSize(1280, 720));
    for (int x = 0; x < 1280; x += 97)
        EXPECT_EQ(cut.pixels().pixel(x, 0), whole.pixels().pixel(x, 0));
}

TEST(JpegPicture, UndecodablePixelsShowTheFallbackPictureOnce) {
    TempDir dir;
    // A progressive file whose first scan asks for an impossible progression: the header
    // passes, the decoder refuses before its first row.
    Bytes bytes = makeJpeg(40, 30, JpegKind::Progressive);
    const std::size_t sos = findMarker(bytes, 0xda);
    ASSERT_LT(sos + 4, bytes.size());
    const std::size_t components = bytes[sos + 4];
    bytes[sos + 5 + 2 * components + 1] = 63;  // Se of a DC scan must be 0
    const Picture picture = loadBytes(dir, bytes);
    EXPECT_EQ(picture.width(), 40);
    const QImage& pixels = picture.pixels();
    EXPECT_EQ(pixels.size(), QSize(72, 65));
    EXPECT_EQ(pixels, fallbackPicture().pixels());
    EXPECT_EQ(&picture.pixels(), &pixels);
}

TEST(JpegPicture, EveryCutOfAFileLoadsOrFailsCleanly) {
    TempDir dir;
    const Bytes good = makeJpeg(16, 16, JpegKind::Progressive);
    for (std::size_t n = 1; n < good.size(); n += 7) {
        try {
            const Picture p =
                loadBytes(dir, Bytes(good.begin(), good.begin() + static_cast<long>(n)));
            EXPECT_FALSE(p.pixels().isNull()) << n;
        } catch (const PictureError&) {
        }
    }
}

TEST(FallbackPicture, IsTheStored72By65Bitmap) {
    const Picture fallback = fallbackPicture();
    EXPECT_EQ(fallback.width(), 72);
    EXPECT_EQ(fallback.height(), 65);
    EXPECT_FALSE(fallback.pixels().isNull());
}

}  // namespace
