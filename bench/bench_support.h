// What the benchmarks share: the photograph they measure and the yardstick they measure
// against, libjpeg-turbo decoding that photograph from memory with nothing else around it.
#pragma once

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/services.h"

namespace fellridge::bench {

inline const std::string kPhoto = std::string(FELLRIDGE_TEST_DATA) + "/photos/photo1.jpg";

inline std::vector<char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A 1920 x 1080 primary screen.
struct FullHdScreen : platform::Screen {
    int width() override { return 1920; }
    int height() override { return 1080; }
    int depth() override { return 32; }
};

// The yardstick: the photograph decoded into 24-bit rows.
inline void bareDecode(benchmark::State& state) {
    const std::vector<char> file = readBytes(kPhoto);
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    std::vector<unsigned char> pixels;
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes, static_cast<unsigned long>(file.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        pixels.resize(static_cast<std::size_t>(info.output_width) * info.output_height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() +
                           static_cast<std::size_t>(info.output_scanline) * info.output_width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}

}  // namespace fellridge::bench
