#include "entry/command_line.h"

#include "platform/files/text.h"

namespace fellridge::entry {
namespace {

bool isSeparator(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

}  // namespace

std::string joinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (i > 1) line += ' ';
        if (argv[i] != nullptr) line += argv[i];
    }
    return line;
}

std::vector<std::string> splitParameters(const std::string& commandLine) {
    std::vector<std::string> parameters;
    std::size_t pos = 0;
    const std::size_t size = commandLine.size();
    for (;;) {
        while (pos < size && isSeparator(commandLine[pos])) ++pos;
        if (pos >= size) break;
        std::string parameter;
        bool quoted = false;
        while (pos < size && (quoted || !isSeparator(commandLine[pos]))) {
            if (commandLine[pos] == '"') {
                quoted = !quoted;
            } else {
                parameter += commandLine[pos];
            }
            ++pos;
        }
        parameters.push_back(std::move(parameter));
    }
    return parameters;
}

RunMode chooseRunMode(const std::vector<std::string>& parameters) {
    if (parameters.empty()) return RunMode::None;
    const std::string first = platform::text::upperAscii(parameters.front());
    const std::string prefix = first.substr(0, 2);
    if (first == "/S") return RunMode::Saver;
    if (first == "/C" || prefix == "/C") return RunMode::Settings;
    if (first == "/A" || prefix == "/A") return RunMode::PasswordChange;
    return RunMode::None;
}

}  // namespace fellridge::entry
