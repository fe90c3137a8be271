// Running the built program and the X tools from tests: child processes with their own
// environment, a private Xvfb display, and temporary folders.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes.h"

namespace fellridge::test {

using Environment = std::map<std::string, std::string>;  // an empty value unsets the variable

struct Output {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
};

// Runs a command to its end (killed after the timeout) and captures its standard output.
Output run(const std::vector<std::string>& argv, const Environment& env = {},
           std::chrono::milliseconds timeout = std::chrono::seconds(30));

// A child process running in the background; killed when destroyed.
class Child {
  public:
    Child(const std::vector<std::string>& argv, const Environment& env = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool running();
    // The exit status once it has ended, or nullopt when it is still running at the timeout.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    void signal(int sig);
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A private X display (Xvfb) for the duration of a test.
class Xvfb {
  public:
    Xvfb(int width, int height, int depth = 24);
    ~Xvfb();
    const std::string& display() const { return display_; }
    bool ok() const { return !display_.empty(); }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// A fresh temporary folder, removed with its content when destroyed.
using TempDir = ::fellridge::testing::TempDir;

// Polls the condition every 20 ms until it holds or the timeout passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
void copyFile(const std::string& from, const std::string& to);
std::vector<std::string> listDir(const std::string& path);  // sorted names, no dot entries

// Where the build put things (from $FELLRIDGE_BUILD_DIR) and the source data folder.
std::string buildDir();
std::string program();  // the built fellridge-wildlife

}  // namespace fellridge::test
