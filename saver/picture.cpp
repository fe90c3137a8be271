// Pictures: JPEG files (header on load, pixels on first use) and the stored fallback picture.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "platform/files/files.h"
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

[[noreturn]] void onJpegError(j_common_ptr info);
void onJpegMessage(j_common_ptr, int);

// libjpeg reports fatal errors through error_exit, which must not return: we jump back to the
// caller's setjmp instead of letting the library end the process. Made for a decompressor, it
// becomes that decompressor's error handler.
struct JpegError {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    explicit JpegError(jpeg_decompress_struct& info) {
        info.err = jpeg_std_error(&manager);
        manager.error_exit = onJpegError;
        manager.emit_message = onJpegMessage;
    }
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

// Warnings (corrupt data, premature end of file) are no reason to stop: the decoder fills in
// what it can't read and we show what it decoded.
void onJpegMessage(j_common_ptr, int) {}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    // Only ordinary files, never more than a stored picture can be: a directory is no picture,
    // and a pipe or device could block forever or never end.
    auto bytes = platform::files::readRegular(path, kMaxStoredPictureSize);
    if (!bytes) throw PictureError("cannot read " + path);
    return std::move(*bytes);
}

struct JpegHeader {
    int width = 0;
    int height = 0;
};

// Parses the header only. Returns false when libjpeg rejects it.
bool readJpegHeader(const std::vector<std::uint8_t>& bytes, JpegHeader& header) {
    jpeg_decompress_struct info{};
    JpegError error(info);
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
    JpegError error(info);
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
        const Picture fallback = fallbackPicture();
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

Picture fallbackPicture() {
    static const Picture stored = [] {
        initSaverResources();
        // The one bitmap the program reads; Qt's own reader decodes it (null when missing).
        return Picture::fromImage(QImage(QStringLiteral(":/fallback.bmp"), "BMP"));
    }();
    return stored;
}

}  // namespace fellridge::saver
