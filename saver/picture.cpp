// Pictures: JPEG files (header on load, pixels on first use) and Windows bitmaps.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "saver/picture.h"

// Qt's resource initialiser may not be called from inside a namespace.
static void initSaverResources() {
    Q_INIT_RESOURCE(saver_resources);
}

namespace fellridge::saver {

struct Picture::Data {
    int width = 0;
    int height = 0;
    // A JPEG picture keeps its file, so that its pixels can be let go and decoded again.
    std::vector<std::uint8_t> jpeg;
    QImage image;         // Format_RGB32: the decoded pixels, or the picture's own pixels
    int scale = 0;        // the image is the JPEG decoded at 1/scale; 0: not decoded
    bool failed = false;  // the JPEG can't be decoded (within the budget): image is the fallback
};

namespace {

Picture& fallbackSlot() {
    static Picture fallback;
    return fallback;
}
bool& fallbackSet() {
    static bool set = false;
    return set;
}

// libjpeg reports fatal errors through error_exit, which must not return: we jump back to the
// caller's setjmp instead of letting the library end the process.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

// Warnings (corrupt data, premature end of file) are no reason to stop: the decoder fills in
// what it can't read and we show what it decoded.
void onJpegMessage(j_common_ptr, int) {}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    // Only ordinary files: a directory is no picture, and a pipe or device could block forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw PictureError("cannot open " + path);
    struct stat info {};
    std::vector<std::uint8_t> bytes;
    // A gigabyte is far beyond any photograph the saver ships or could show.
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < (1LL << 30);
    if (ok) bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t block[65536];
    while (ok) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n > 0) {
            bytes.insert(bytes.end(), block, block + n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
        }
    }
    ::close(fd);
    if (!ok) throw PictureError("cannot read " + path);
    return bytes;
}

struct JpegHeader {
    int width = 0;
    int height = 0;
};

// Parses the header only. Returns false when libjpeg rejects it.
bool readJpegHeader(const std::vector<std::uint8_t>& bytes, JpegHeader& header) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    error.manager.emit_message = onJpegMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    header.width = static_cast<int>(info.image_width);
    header.height = static_cast<int>(info.image_height);
    jpeg_destroy_decompress(&info);
    return true;
}

// What libjpeg itself keeps for the whole picture: a file of several scans (progressive) is
// read into one coefficient block array for all of it before any row comes out.
std::int64_t coefficientBytes(jpeg_decompress_struct& info) {
    if (!jpeg_has_multiple_scans(&info)) return 0;
    std::int64_t bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        bytes += static_cast<std::int64_t>(component.width_in_blocks + component.h_samp_factor) *
                 (component.height_in_blocks + component.v_samp_factor) *
                 static_cast<std::int64_t>(sizeof(JBLOCK));
    }
    return bytes;
}

// Decodes at 1/scale into an RGB32 image. Rows the decoder never reaches stay grey, as libjpeg
// itself fills a truncated file. Returns false when not a single row was decoded, or when the
// pixels and the decoder's working memory together would pass the decode budget.
bool decodeJpeg(const std::vector<std::uint8_t>& bytes, int scale, QImage& out) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    error.manager.emit_message = onJpegMessage;
    // Survive the longjmp: the row buffer for CMYK is ours to free.
    unsigned char* volatile cmykRow = nullptr;
    volatile unsigned rowsDone = 0;
    if (setjmp(error.jump)) {
        delete[] cmykRow;
        jpeg_destroy_decompress(&info);
        return rowsDone > 0;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        info.out_color_space = JCS_CMYK;
    } else {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        info.out_color_space = JCS_EXT_BGRX;  // the byte order of 0xffRRGGBB in memory
#else
        info.out_color_space = JCS_EXT_XRGB;
#endif
    }
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(scale);
    jpeg_calc_output_dimensions(&info);
    const std::int64_t pixelBytes = std::int64_t{4} * info.output_width * info.output_height;
    // A small file can claim a huge picture: refuse before anything of that size is made.
    const std::int64_t spare = Picture::kDecodeBudget - pixelBytes - coefficientBytes(info);
    if (spare < 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // The decoder's own allocations are held to what is left (beyond its estimate above).
    info.mem->max_memory_to_use = static_cast<long>(Picture::kDecodeBudget - pixelBytes);
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    if (out.width() != width || out.height() != height) {
        out = QImage(width, height, QImage::Format_RGB32);
        if (out.isNull()) {  // no memory for the pixels
            jpeg_destroy_decompress(&info);
            return false;
        }
        out.fill(qRgb(128, 128, 128));
    }
    if (cmyk) cmykRow = new unsigned char[static_cast<std::size_t>(width) * 4];
    while (info.output_scanline < info.output_height) {
        const unsigned r = info.output_scanline;
        if (cmyk) {
            JSAMPROW row = cmykRow;
            jpeg_read_scanlines(&info, &row, 1);
            // Adobe writes CMYK inverted: each stored value is 255 minus the ink.
            auto* target = reinterpret_cast<QRgb*>(out.scanLine(static_cast<int>(r)));
            const unsigned char* in = cmykRow;
            for (int x = 0; x < width; ++x, in += 4) {
                const unsigned k = in[3];
                target[x] = qRgb(in[0] * k / 255, in[1] * k / 255, in[2] * k / 255);
            }
        } else {
            JSAMPROW row = out.scanLine(static_cast<int>(r));
            jpeg_read_scanlines(&info, &row, 1);
        }
        rowsDone = rowsDone + 1;
    }
    jpeg_finish_decompress(&info);
    delete[] cmykRow;
    cmykRow = nullptr;
    jpeg_destroy_decompress(&info);
    return true;
}

// --- Windows bitmaps ---------------------------------------------------------------------------

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint32_t u16(std::uint64_t at) const {
        return bytes_[at] | static_cast<std::uint32_t>(bytes_[at + 1]) << 8;
    }
    std::uint32_t u32(std::uint64_t at) const { return u16(at) | u16(at + 2) << 16; }
    std::int32_t s32(std::uint64_t at) const { return static_cast<std::int32_t>(u32(at)); }
    const std::uint8_t* at(std::uint64_t offset) const { return bytes_.data() + offset; }
    std::uint64_t size() const { return bytes_.size(); }

  private:
    std::span<const std::uint8_t> bytes_;
};

[[noreturn]] void badBitmap(const char* why) {
    throw PictureError(std::string("bitmap: ") + why);
}

// One colour channel of a 16- or 32-bit pixel under its bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1u) == 0) ++shift;
        max = mask >> shift;
    }
    int value(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<int>((v * 255 + max / 2) / max);
    }
};

QImage decodeBitmap(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    constexpr std::uint64_t kFileHeader = 14;
    if (!in.has(0, kFileHeader + 4) || bytes[0] != 'B' || bytes[1] != 'M')
        badBitmap("not a bitmap");
    const std::uint64_t pixelOffset = in.u32(10);
    const std::uint64_t infoSize = in.u32(kFileHeader);
    if (!in.has(kFileHeader, infoSize)) badBitmap("header past the end");

    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = 0, coloursUsed = 0;
    std::uint64_t paletteEntry = 4;
    if (infoSize == 12) {  // core header
        width = in.u16(kFileHeader + 4);
        height = static_cast<std::int16_t>(in.u16(kFileHeader + 6));
        bitCount = in.u16(kFileHeader + 10);
        paletteEntry = 3;
    } else if (infoSize >= 40 && infoSize <= 1024) {
        width = in.s32(kFileHeader + 4);
        height = in.s32(kFileHeader + 8);
        bitCount = in.u16(kFileHeader + 14);
        compression = in.u32(kFileHeader + 16);
        coloursUsed = in.u32(kFileHeader + 32);
    } else {
        badBitmap("unknown header");
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;  // 64-bit: -INT32_MIN is fine
    if (width <= 0 || height <= 0) badBitmap("no pixels");
    if (width * height > Picture::kMaxPixels) badBitmap("too large");

    // Masks: BI_BITFIELDS (3) keeps them after the 40-byte header (or inside a larger one).
    std::uint32_t masks[3] = {0, 0, 0};
    std::uint64_t paletteOffset = kFileHeader + infoSize;
    if (compression == 3) {
        if (bitCount != 16 && bitCount != 32) badBitmap("bit fields need 16 or 32 bits");
        if (!in.has(kFileHeader + 40, 12)) badBitmap("masks past the end");
        for (int i = 0; i < 3; ++i)
            masks[i] = in.u32(kFileHeader + 40 + 4 * static_cast<unsigned>(i));
        if (infoSize == 40) paletteOffset += 12;
    } else if (compression != 0) {
        badBitmap("compressed bitmaps are not supported");
    } else if (bitCount == 16) {
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
    } else if (bitCount == 32) {
        masks[0] = 0xff0000, masks[1] = 0x00ff00, masks[2] = 0x0000ff;
    }

    std::vector<QRgb> palette;
    if (bitCount == 1 || bitCount == 4 || bitCount == 8) {
        const std::uint32_t full = 1u << bitCount;
        const std::uint32_t count = coloursUsed == 0 || coloursUsed > full ? full : coloursUsed;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t at = paletteOffset + i * paletteEntry;
            // A short palette (or one that runs into the pixels): missing entries are black.
            if (at + paletteEntry > pixelOffset || !in.has(at, 3)) break;
            palette.push_back(qRgb(bytes[at + 2], bytes[at + 1], bytes[at]));
        }
        palette.resize(full, qRgb(0, 0, 0));
    } else if (bitCount != 16 && bitCount != 24 && bitCount != 32) {
        badBitmap("unsupported bit count");
    }

    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    if (!in.has(pixelOffset, stride * static_cast<std::uint64_t>(height)))
        badBitmap("pixels past the end");

    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull()) badBitmap("no memory for the pixels");
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t storedRow = topDown ? y : height - 1 - y;
        const std::uint8_t* src =
            in.at(pixelOffset + static_cast<std::uint64_t>(storedRow) * stride);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            switch (bitCount) {
                case 1:
                    dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1];
                    break;
                case 4:
                    dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0xf];
                    break;
                case 8:
                    dst[x] = palette[src[x]];
                    break;
                case 24:
                    dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                    break;
                case 16: {
                    const std::uint32_t p = src[2 * x] | static_cast<std::uint32_t>(src[2 * x + 1])
                                                             << 8;
                    dst[x] = qRgb(red.value(p), green.value(p), blue.value(p));
                    break;
                }
                default: {
                    const std::uint8_t* q = src + 4 * x;
                    const std::uint32_t p = q[0] | static_cast<std::uint32_t>(q[1]) << 8 |
                                            static_cast<std::uint32_t>(q[2]) << 16 |
                                            static_cast<std::uint32_t>(q[3]) << 24;
                    dst[x] = qRgb(red.value(p), green.value(p), blue.value(p));
                    break;
                }
            }
        }
    }
    return image;
}

}  // namespace

Picture::Picture() = default;

Picture Picture::loadJpeg(const std::string& path) {
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    Picture picture;
    if (bytes.empty()) return picture;  // an empty file is an empty picture
    JpegHeader header;
    if (!readJpegHeader(bytes, header)) throw PictureError("broken JPEG header: " + path);
    if (static_cast<std::int64_t>(header.width) * header.height > kMaxPixels)
        throw PictureError("picture too large: " + path);
    picture.data_ = std::make_shared<Data>();
    picture.data_->width = header.width;
    picture.data_->height = header.height;
    picture.data_->jpeg = std::move(bytes);
    return picture;
}

Picture Picture::loadBmp(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    return fromBmpBytes(bytes);
}

Picture Picture::fromBmpBytes(std::span<const std::uint8_t> bytes) {
    return fromImage(decodeBitmap(bytes));
}

Picture Picture::fromImage(const QImage& image) {
    Picture picture;
    if (image.isNull()) return picture;
    picture.data_ = std::make_shared<Data>();
    picture.data_->image = image.convertToFormat(QImage::Format_RGB32);
    picture.data_->width = image.width();
    picture.data_->height = image.height();
    return picture;
}

int Picture::width() const {
    return data_ ? data_->width : 0;
}
int Picture::height() const {
    return data_ ? data_->height : 0;
}
bool Picture::empty() const {
    return width() == 0 || height() == 0;
}

const QImage& Picture::pixels() const {
    return pixels(QSize(width(), height()));
}

const QImage& Picture::pixels(QSize cover) const {
    static const QImage none;
    if (!data_) return none;
    Data& d = *data_;
    // Pictures made from pixels, and JPEGs that can't be decoded, have only the image they have.
    if (d.jpeg.empty() || d.failed) return d.image;
    const int scale = jpegScaleDenominator(d.width, d.height, cover);
    if (d.scale != 0 && d.scale <= scale) return d.image;  // kept at this scale or finer
    QImage decoded;
    if (decodeJpeg(d.jpeg, scale, decoded)) {
        d.image = std::move(decoded);
        d.scale = scale;
    } else {
        // Not tried again on every repaint: the fallback stands for the picture from now on.
        d.failed = true;
        const Picture& fallback = fallbackSet() ? fallbackSlot() : fallbackPicture();
        d.image =
            fallback.data_ && fallback.data_.get() != data_.get() ? fallback.pixels() : QImage();
        std::vector<std::uint8_t>().swap(d.jpeg);
    }
    return d.image;
}

QSize Picture::knownPixelSize() const {
    if (!data_) return {};
    const Data& d = *data_;
    if (d.jpeg.empty() || d.failed || d.scale == 1) return d.image.size();
    return {};
}

void Picture::releasePixels() const {
    if (!data_ || data_->jpeg.empty() || data_->failed) return;
    data_->image = QImage();
    data_->scale = 0;
}

int jpegScaleDenominator(int width, int height, QSize cover) {
    const auto scaled = [](int size, int denominator) {
        return size / denominator + (size % denominator != 0 ? 1 : 0);
    };
    for (int denominator : {8, 4, 2}) {
        const int w = scaled(width, denominator);
        const int h = scaled(height, denominator);
        // Only worth it where the image gets smaller: a tiny picture stays exact.
        const bool smaller = w < width || h < height;
        if (smaller && w >= std::min(width, cover.width()) && h >= std::min(height, cover.height()))
            return denominator;
    }
    return 1;
}

void Picture::setFallback(const Picture& fallback) {
    fallbackSlot() = fallback;
    fallbackSet() = true;
}

Picture fallbackPicture() {
    static const Picture stored = [] {
        initSaverResources();
        QFile file(QStringLiteral(":/fallback.bmp"));
        if (!file.open(QIODevice::ReadOnly)) return Picture();
        const QByteArray bytes = file.readAll();
        try {
            return Picture::fromBmpBytes({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size())});
        } catch (const PictureError&) {
            return Picture();
        }
    }();
    return stored;
}

}  // namespace fellridge::saver
