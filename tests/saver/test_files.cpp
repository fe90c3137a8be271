#include "test_files.h"

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fellridge::testing {

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes{std::istreambuf_iterator<char>(in), {}};
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

Bytes makeJpeg(int width, int height, JpegKind kind, std::uint8_t r, std::uint8_t g,
               std::uint8_t b) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    int channels = 3;
    info.in_color_space = JCS_RGB;
    if (kind == JpegKind::Grey) channels = 1, info.in_color_space = JCS_GRAYSCALE;
    if (kind == JpegKind::Cmyk) channels = 4, info.in_color_space = JCS_CMYK;
    info.input_components = channels;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (kind == JpegKind::Progressive) jpeg_simple_progression(&info);
    if (kind == JpegKind::Cmyk) info.write_Adobe_marker = TRUE;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * channels);
    for (int x = 0; x < width; ++x) {
        unsigned char* p = &row[static_cast<std::size_t>(x) * channels];
        if (kind == JpegKind::Grey) {
            p[0] = r;
        } else if (kind == JpegKind::Cmyk) {
            p[0] = r, p[1] = g, p[2] = b, p[3] = 255;  // inverted: 255 is no ink
        } else {
            p[0] = r, p[1] = g, p[2] = b;
        }
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::string photoPath(int n) {
    const char* data = std::getenv("FELLRIDGE_TEST_DATA");
    return std::string(data ? data : "data") + "/photos/photo" + std::to_string(n) + ".jpg";
}

Bytes claimingSize(Bytes bytes, int width, int height) {
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xff && (bytes[i + 1] == 0xc0 || bytes[i + 1] == 0xc2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            return bytes;
        }
    }
    throw std::runtime_error("no frame header");
}

}  // namespace fellridge::testing
