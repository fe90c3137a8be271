#include "process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fellridge::test {

namespace {

pid_t spawn(const std::vector<std::string>& argv, const Environment& env, int outFd) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Child: its own process group, so that a kill reaches whatever it starts.
    ::setpgid(0, 0);
    for (const auto& [name, value] : env) {
        if (value.empty()) {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    ::dup2(outFd >= 0 ? outFd : devnull, 1);
    if (!std::getenv("FELLRIDGE_TEST_VERBOSE")) ::dup2(devnull, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

int decode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

Output run(const std::vector<std::string>& argv, const Environment& env,
           std::chrono::milliseconds timeout) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t pid = spawn(argv, env, pipeFds[1]);
    ::close(pipeFds[1]);
    ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    Output result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
            result.out.append(buffer, static_cast<std::size_t>(n));
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
                result.out.append(buffer, static_cast<std::size_t>(n));
            result.status = decode(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(pipeFds[0]);
    return result;
}

Child::Child(const std::vector<std::string>& argv, const Environment& env)
    : pid_(spawn(argv, env, -1)) {}

Child::~Child() {
    if (running()) {
        ::kill(-pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

bool Child::running() {
    if (status_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = decode(status);
        return false;
    }
    return true;
}

std::optional<int> Child::wait(std::chrono::milliseconds timeout) {
    waitFor([this] { return !running(); }, timeout);
    return status_;
}

void Child::signal(int sig) {
    if (running()) ::kill(pid_, sig);
}

Xvfb::Xvfb(int width, int height, int depth) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", "-ardelay", "100000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes its display number once it accepts connections. Keys held down by a test
    // don't repeat (-ardelay), so a test decides when a key is released.
    std::string number;
    char c;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    while (std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::read(fds[0], &c, 1);
        if (n == 1) {
            if (c == '\n') break;
            number += c;
        } else if (n == 0) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ::close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void copyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::string> listDir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string buildDir() {
    const char* dir = std::getenv("FELLRIDGE_BUILD_DIR");
    return dir ? dir : ".";
}

std::string program() {
    return buildDir() + "/fellridge-wildlife";
}

}  // namespace fellridge::test
