// Turns a JPEG file into the saver's stored-picture form: its first three bytes, three filler
// bytes, then the rest of the file. Usage: pack_stored_picture input.jpg output.qrn
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: pack_stored_picture input.jpg output.qrn\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "pack_stored_picture: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::size_t head = bytes.size() < 3 ? bytes.size() : 3;
        out.write(bytes.data(), static_cast<std::streamsize>(head));
        if (bytes.size() > 3) {
            const char filler[3] = {'F', 'W', 'S'};
            out.write(filler, 3);
            out.write(bytes.data() + 3, static_cast<std::streamsize>(bytes.size() - 3));
        }
        if (!out.flush()) {
            std::cerr << "pack_stored_picture: cannot write " << temporary << "\n";
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), argv[2]) != 0) {
        std::cerr << "pack_stored_picture: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
