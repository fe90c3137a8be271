// Files for the picture tests: raw bytes and small JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace fellridge::testing {

using Bytes = std::vector<std::uint8_t>;

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);
bool exists(const std::string& path);

enum class JpegKind { Colour, Grey, Cmyk, Progressive };
// A JPEG of the size whose pixels are all of one colour (for CMYK: the inverted Adobe form
// of that colour with no black).
Bytes makeJpeg(int width, int height, JpegKind kind = JpegKind::Colour, std::uint8_t r = 200,
               std::uint8_t g = 100, std::uint8_t b = 50);

// The file with the width and height of its frame header (SOF0 baseline, SOF2 progressive)
// replaced: a few hundred bytes that claim a picture of any size. Throws std::runtime_error
// when the file has no such header.
Bytes claimingSize(Bytes bytes, int width, int height);

// The photograph shipped for the tests' use (data/photos/photoN.jpg).
std::string photoPath(int n);

}  // namespace fellridge::testing
