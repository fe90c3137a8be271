#include "fakes.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fellridge::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fellridge-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder: mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

platform::BoxAnswer FakeBoxes::show(platform::BoxKind kind, const std::string& text,
                                    platform::BoxButtons buttons) {
    shown.push_back({kind, text, buttons});
    if (log) log->push_back("box:" + text);
    if (whileShown) whileShown();
    if (answers.empty()) return platform::BoxAnswer::Ok;
    const platform::BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakePlayer::setFileName(const std::string& path) {
    record("setFileName");
    fileName = path;
}

void FakePlayer::open() {
    record("open");
    currentMode = platform::PlayerMode::Stopped;
}

void FakePlayer::play() {
    record("play");
    currentMode = platform::PlayerMode::Playing;
}

void FakePlayer::stop() {
    record("stop");
    currentMode = platform::PlayerMode::Stopped;
}

void FakePlayer::release() {
    record("release");
    currentMode = platform::PlayerMode::NotReady;
}

int FakePlayer::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

void FakePlayer::record(const std::string& call) {
    calls.push_back(call);
    if (call == failOn) throw Failure("The specified file could not be opened");
}

}  // namespace fellridge::testing
