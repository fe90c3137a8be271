// Files for the picture tests: a scratch directory, raw bytes and small JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fellridge::testing {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the system's temporary folder, removed with its contents at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);
bool exists(const std::string& path);

enum class JpegKind { Colour, Grey, Cmyk, Progressive };
// A JPEG of the size whose pixels are all of one colour (for CMYK: the inverted Adobe form
// of that colour with no black).
Bytes makeJpeg(int width, int height, JpegKind kind = JpegKind::Colour, std::uint8_t r = 200,
               std::uint8_t g = 100, std::uint8_t b = 50);

// The photograph shipped for the tests' use (data/photos/photoN.jpg).
std::string photoPath(int n);

}  // namespace fellridge::testing
