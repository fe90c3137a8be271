// The Windows bitmap reader: the common forms, and malformed files rejected without harm.
#include <gtest/gtest.h>

#include <climits>

#include "saver/surface.h"
#include "test_files.h"

using namespace fellridge::saver;
using namespace fellridge::testing;

namespace {

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v), b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xffff), put16(b, at + 2, v >> 16);
}

struct Bmp {
    std::int32_t width = 2, height = 2;  // negative height: top-down
    std::uint16_t bits = 24;
    std::uint32_t compression = 0, coloursUsed = 0;
    std::vector<std::uint32_t> masks;    // written after the 40-byte header
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::vector<Bytes> rows;             // as stored, unpadded
};

Bytes build(const Bmp& m) {
    Bytes info(40, 0);
    put32(info, 0, 40);
    put32(info, 4, static_cast<std::uint32_t>(m.width));
    put32(info, 8, static_cast<std::uint32_t>(m.height));
    put16(info, 12, 1);
    put16(info, 14, m.bits);
    put32(info, 16, m.compression);
    put32(info, 32, m.coloursUsed);
    for (std::uint32_t mask : m.masks)
        info.resize(info.size() + 4), put32(info, info.size() - 4, mask);
    for (std::uint32_t c : m.palette) info.resize(info.size() + 4), put32(info, info.size() - 4, c);
    Bytes pixels;
    for (Bytes row : m.rows) {
        row.resize((row.size() + 3) / 4 * 4, 0);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    Bytes file(14, 0);
    file[0] = 'B', file[1] = 'M';
    put32(file, 2, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
    put32(file, 10, static_cast<std::uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

QImage read(const Bytes& bytes) {
    return Picture::fromBmpBytes(bytes).pixels();
}

TEST(Bitmap, Reads24BitRowsBottomUpAndTopDown) {
    Bmp m;
    m.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};  // blue, green, red
    QImage up = read(build(m));
    ASSERT_EQ(up.size(), QSize(2, 2));
    EXPECT_EQ(up.pixel(0, 1), qRgb(3, 2, 1));  // the first stored row is the bottom one
    EXPECT_EQ(up.pixel(1, 0), qRgb(12, 11, 10));
    m.height = -2;
    QImage down = read(build(m));
    EXPECT_EQ(down.pixel(0, 0), qRgb(3, 2, 1));
    EXPECT_EQ(down.pixel(1, 1), qRgb(12, 11, 10));
}

TEST(Bitmap, ReadsPaletteBitmaps) {
    const std::vector<std::uint32_t> palette = {0x102030, 0x405060, 0x708090};
    struct Case {
        std::uint16_t bits;
        Bytes row;  // pixels 0, 1, 2 use colours 2, 0, 1
    };
    for (const Case& c : {Case{1, {0b10000000}}, Case{4, {0x20, 0x10}}, Case{8, {2, 0, 1}}}) {
        Bmp m;
        m.bits = c.bits, m.width = 3, m.height = -1, m.rows = {c.row};
        m.palette = c.bits == 1 ? std::vector<std::uint32_t>{0x102030, 0x405060} : palette;
        m.coloursUsed = static_cast<std::uint32_t>(m.palette.size());
        const QImage image = read(build(m));
        ASSERT_EQ(image.size(), QSize(3, 1)) << c.bits;
        if (c.bits == 1) {
            EXPECT_EQ(image.pixel(0, 0), qRgb(0x40, 0x50, 0x60));
            EXPECT_EQ(image.pixel(1, 0), qRgb(0x10, 0x20, 0x30));
        } else {
            EXPECT_EQ(image.pixel(0, 0), qRgb(0x70, 0x80, 0x90)) << c.bits;
            EXPECT_EQ(image.pixel(1, 0), qRgb(0x10, 0x20, 0x30)) << c.bits;
            EXPECT_EQ(image.pixel(2, 0), qRgb(0x40, 0x50, 0x60)) << c.bits;
        }
    }
}

TEST(Bitmap, AnIndexPastAShortPaletteIsBlack) {
    Bmp m;
    m.bits = 8, m.width = 1, m.height = 1, m.palette = {0xffffff}, m.coloursUsed = 1;
    m.rows = {{200}};
    EXPECT_EQ(read(build(m)).pixel(0, 0), qRgb(0, 0, 0));
}

TEST(Bitmap, Reads16And32BitWithDefaultAndGivenMasks) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t compression;
        std::vector<std::uint32_t> masks;
        Bytes row;
        QRgb expected;
    };
    const Case cases[] = {
        {16, 0, {}, {0x00, 0x7c}, qRgb(255, 0, 0)},                        // 555 red
        {16, 0, {}, {0x1f, 0x00}, qRgb(0, 0, 255)},                        // 555 blue
        {16, 3, {0xf800, 0x07e0, 0x001f}, {0xe0, 0x07}, qRgb(0, 255, 0)},  // 565 green
        {32, 0, {}, {0x30, 0x20, 0x10, 0x00}, qRgb(0x10, 0x20, 0x30)},
        {32,
         3,
         {0x000000ff, 0x0000ff00, 0x00ff0000},
         {0x30, 0x20, 0x10, 0x99},
         qRgb(0x30, 0x20, 0x10)},
    };
    for (const Case& c : cases) {
        Bmp m;
        m.bits = c.bits, m.compression = c.compression, m.masks = c.masks;
        m.width = 1, m.height = 1, m.rows = {c.row};
        EXPECT_EQ(read(build(m)).pixel(0, 0), c.expected) << c.bits << " " << c.compression;
    }
}

TEST(Bitmap, RejectsMalformedFiles) {
    Bmp base;
    base.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    const Bytes good = build(base);
    auto with = [&](auto change) {
        Bmp m = base;
        change(m);
        return build(m);
    };
    auto patched = [&](std::size_t at, std::uint32_t v) {
        Bytes b = good;
        put32(b, at, v);
        return b;
    };
    const Bytes cases[] = {
        {},
        {'B', 'M'},
        Bytes(good.begin(), good.begin() + 30),  // cut inside the header
        Bytes(good.begin(), good.end() - 1),     // pixel rows cut short
        patched(0, 0x4d42ffff),                  // not "BM"
        patched(14, 20),                         // unknown header size
        patched(14, 0xffffffff),                 // header size past the end
        patched(10, 0xfffffff0),                 // pixels past the end
        with([](Bmp& m) { m.width = 0; }),
        with([](Bmp& m) { m.height = 0; }),
        with([](Bmp& m) { m.width = -2; }),
        with([](Bmp& m) { m.height = INT32_MIN; }),
        with([](Bmp& m) { m.width = INT32_MAX, m.height = INT32_MAX; }),
        with([](Bmp& m) { m.width = 20000, m.height = 20000; }),  // above the pixel limit
        with([](Bmp& m) { m.bits = 7; }),
        with([](Bmp& m) { m.bits = 0; }),
        with([](Bmp& m) { m.compression = 1; }),  // run-length encoded
        with([](Bmp& m) { m.compression = 3; }),  // bit fields with 24 bits
    };
    int index = 0;
    for (const Bytes& bytes : cases) {
        EXPECT_THROW(Picture::fromBmpBytes(bytes), PictureError) << "case " << index;
        ++index;
    }
}

TEST(Bitmap, EveryCutOfAValidFileIsRejectedWithoutHarm) {
    Bmp m;
    m.bits = 8, m.width = 5, m.height = 3, m.palette = {0x112233, 0x445566};
    m.rows = {{0, 1, 0, 1, 0}, {1, 1, 1, 1, 1}, {0, 0, 0, 0, 0}};
    const Bytes good = build(m);
    EXPECT_EQ(read(good).size(), QSize(5, 3));
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(
            Picture::fromBmpBytes(Bytes(good.begin(), good.begin() + static_cast<long>(n))),
            PictureError)
            << n;
}

TEST(Bitmap, LoadsFromAFileAndFailsOnAMissingOne) {
    ScratchDir dir;
    Bmp m;
    m.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    writeFile(dir / "a.bmp", build(m));
    EXPECT_EQ(Picture::loadBmp(dir / "a.bmp").width(), 2);
    EXPECT_THROW(Picture::loadBmp(dir / "missing.bmp"), PictureError);
}

}  // namespace
