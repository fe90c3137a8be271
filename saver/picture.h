// Pictures as the saver loads them: JPEG files whose pixels are decoded when first drawn, the
// BMP file of the fallback picture, and pictures made from pixels.
#pragma once

#include <QImage>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace fellridge::saver {

// Largest stored picture (and so temporary picture) the saver takes: far beyond any photograph
// it ships, small enough that a stray huge file can't fill the disk with copies.
inline constexpr std::size_t kMaxStoredPictureSize = 64u << 20;

// A loaded picture: empty, a bitmap, or a JPEG whose pixels are decoded on first use and then
// kept with it. Copies share the (immutable) data, so a copy is independent and cheap.
class Picture {
  public:
    Picture();  // empty: 0 x 0, draws nothing
    // Reads the whole file and parses only its JPEG header. An empty file gives an empty
    // picture. Throws PictureError when the file is missing or unreadable, the header is broken,
    // or the picture is larger than kMaxPixels.
    static Picture loadJpeg(const std::string& path);
    // A picture of the given pixels (tests and the fallback picture use this).
    static Picture fromImage(const QImage& image);

    int width() const;
    int height() const;
    bool empty() const;
    // The pixels at the picture's own size as Format_RGB32, decoded on the first call and kept.
    // Damage met by the decoder shows what was decoded; a picture that can't be decoded at all,
    // or not within kDecodeBudget, shows the fallback picture (or stays blank).
    const QImage& pixels() const;
    // The pixels for drawing the picture scaled to (at least) the given size: a JPEG far larger
    // than that is decoded at a reduced scale (see jpegScaleDenominator) whose image still
    // covers it. Pixels already kept at a larger scale serve as they are.
    const QImage& pixels(QSize cover) const;
    // The size of pixels() when that is known without decoding (made of pixels, decoded at its
    // own size, or failed); otherwise an empty size.
    QSize knownPixelSize() const;
    // Lets go of decoded pixels when they can be decoded again from the file (JPEG pictures):
    // for a holder that keeps what it made of them. Copies of the QImage stay valid.
    void releasePixels() const;
    // Whether the two share their data (one is a copy of the other).
    bool sharesDataWith(const Picture& other) const { return data_ && data_ == other.data_; }

    static constexpr std::int64_t kMaxPixels = 150'000'000;
    // What decoding one picture may take: its pixels plus the decoder's own working memory.
    static constexpr std::int64_t kDecodeBudget = std::int64_t{128} << 20;

    struct Data;  // implementation

  private:
    std::shared_ptr<Data> data_;
};

class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The stored fallback picture (72 x 65, 24-bit), from the program's resources.
Picture fallbackPicture();

// The libjpeg scale 1/d (d = 1, 2, 4 or 8) to decode a width x height picture at so that the
// image still covers cover (both sides at least as large, or the whole picture where it is
// smaller): the largest such d that makes the image smaller at all. Decoding at 1/d gives
// ceil(width / d) x ceil(height / d).
int jpegScaleDenominator(int width, int height, QSize cover);

}  // namespace fellridge::saver
