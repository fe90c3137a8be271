#include "parsers_fuzz.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "entry/command_line.h"
#include "platform/files/files.h"
#include "platform/files/registry_file.h"
#include "platform/x11/window_id.h"
#include "saver/picture.h"
#include "saver/picture_library.h"

namespace fellridge::fuzz {

namespace {

constexpr std::int64_t kLargestDecoded = 4096 * 4096;

// One folder for the files an input becomes, in memory where the system offers it.
const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string pattern =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm/fuzz.XXXXXX" : "/tmp/fuzz.XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        static const std::string made = pattern;
        std::atexit([] { std::filesystem::remove_all(made); });
        return pattern;
    }();
    return folder;
}

std::string scratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchFolder() + "/" + name;
    platform::files::Descriptor fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd.valid() || !platform::files::writeAll(fd.get(), data, size)) std::abort();
    return path;
}

}  // namespace

std::string checkRegistryInput(const std::uint8_t* data, std::size_t size) {
    platform::FileRegistry registry(scratchFile("user.reg", data, size));
    const std::string key = "Control Panel\\desktop";
    const bool exists = registry.keyExists(key);
    const auto value = registry.value(key, "ScreenSaveUsePassword");
    if (value && !exists) return "a value of a key that is missing";
    const auto again = registry.value(key, "ScreenSaveUsePassword");
    const auto same = [](const auto& a, const auto& b) {
        return a.has_value() == b.has_value() &&
               (!a || (a->isDword == b->isDword && a->dword == b->dword && a->text == b->text));
    };
    if (registry.keyExists(key) != exists || !same(again, value))
        return "two reads of one file differ";
    registry.value("control panel\\DESKTOP", "wallpaper");
    return "";
}

std::string checkPictureInput(const std::uint8_t* data, std::size_t size) {
    const std::string stored = scratchFile("kvp1.qrn", data, size);
    const std::string temporary = scratchFolder() + "/kvp1.jpg";
    try {
        saver::copyStoredPicture(stored, temporary);
    } catch (const std::exception&) {
        if (platform::files::isFile(temporary)) return "a failed copy left its file";
        return "";
    }
    const std::size_t expected = size < 3 ? size : size < 6 ? 3 : size - 3;
    const auto copied = platform::files::readRegular(temporary, saver::kMaxStoredPictureSize);
    if (!copied || copied->size() != expected) return "the copy has the wrong size";
    try {
        const saver::Picture picture = saver::Picture::loadJpeg(temporary);
        // A few bytes can claim a picture of millions of pixels, which the decoder then fills
        // row by row: the decode budget's own tests cover those, here they would only slow
        // every other input down.
        if (std::int64_t{picture.width()} * picture.height() > kLargestDecoded) return "";
        // A slideshow on a small screen: the decoder works at 1/8 wherever it can.
        const QImage& pixels = picture.pixels(QSize(16, 16));
        if (!pixels.isNull() && pixels.format() != QImage::Format_RGB32)
            return "decoded pixels of another format";
    } catch (const saver::PictureError&) {
    }
    return "";
}

std::string checkCommandLineInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments = {"fellridge-wildlife"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    const std::string line = entry::joinArguments(static_cast<int>(argv.size()), argv.data());
    const std::vector<std::string> parameters = entry::splitParameters(line);
    // A pair of quotes with nothing between them is an empty parameter; a quote itself never
    // stays in one.
    for (const std::string& parameter : parameters)
        if (parameter.find('"') != std::string::npos) return "a parameter kept a quote";
    const entry::RunMode mode = entry::chooseRunMode(parameters);
    if (mode != entry::RunMode::None && parameters.empty()) return "a run mode without a switch";
    return "";
}

std::string checkWindowIdInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto id = platform::parseWindowId(text);
    if (!id) return "";
    if (*id == 0 || *id > 0x1FFFFFFF) return "an id X never gives";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", *id);
    if (platform::parseWindowId(hex) != id || platform::parseWindowId(std::to_string(*id)) != id)
        return "the id reads back differently";
    return "";
}

}  // namespace fellridge::fuzz
