// The private folder of a run's temporary files, and the signals: what an abrupt end removes,
// and the termination signals that wake the message loop.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files/private_folder.h"
#include "platform/process/process_signals.h"
#include "platform/scoped_variables.h"

namespace fellridge::platform {
namespace {

namespace fs = std::filesystem;

using test_env::Variables;

class Folders : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/fellridge-folders.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        base = pattern;
        fs::create_directory(base / "runtime");
        fs::create_directory(base / "tmp");
    }
    void TearDown() override { fs::remove_all(base); }
    fs::path base;
};

TEST_F(Folders, APrivateFolderIsMadeWhereTheSessionKeepsItsFilesElseInTheTemporaryFolder) {
    const std::string runtime = (base / "runtime").string();
    const std::string tmp = (base / "tmp").string();
    const std::string missing = (base / "missing").string();
    struct Case {
        const char* name;
        const char* runtimeDir;
        fs::path expectedParent;
    };
    const Case cases[] = {
        {"runtime folder", runtime.c_str(), base / "runtime"},
        {"no runtime folder", nullptr, base / "tmp"},
        {"runtime folder missing", missing.c_str(), base / "tmp"},
    };
    Variables outer;
    outer.set("TMPDIR", tmp.c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variables inner;
        inner.set("XDG_RUNTIME_DIR", c.runtimeDir);
        PrivateFolder first;
        PrivateFolder second;
        ASSERT_FALSE(first.path().empty());
        EXPECT_EQ(fs::path(first.path()).parent_path(), c.expectedParent);
        EXPECT_NE(first.path(), second.path());
        struct stat info {};
        ASSERT_EQ(::stat(first.path().c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    EXPECT_TRUE(fs::is_empty(base / "runtime"));
    EXPECT_TRUE(fs::is_empty(base / "tmp"));
}

TEST_F(Folders, RemovingAPrivateFolderTakesItsFilesButNothingALinkPointsTo) {
    const std::string runtime = (base / "runtime").string();
    Variables variables;
    variables.set("XDG_RUNTIME_DIR", runtime.c_str());
    std::ofstream(base / "outside.txt") << "keep";
    std::string path;
    {
        PrivateFolder folder;
        path = folder.path();
        std::ofstream(fs::path(path) / "kvp1.jpg") << "picture";
        fs::create_symlink(base / "outside.txt", fs::path(path) / "link");
        folder.remove();
        EXPECT_TRUE(folder.path().empty());
        EXPECT_FALSE(fs::exists(path));
        folder.remove();  // repeatable
    }
    EXPECT_TRUE(fs::exists(base / "outside.txt"));
}

// In a child process: names the files, raises the signal and reports how the child ended.
int endOfChildRaising(int sig, const std::vector<std::string>& files, const std::string& folder) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        process_signals::removeOnAbruptEnd(files, folder);
        ::raise(sig);
        ::_exit(0);  // only when the signal didn't end it
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
}

TEST_F(Folders, AFatalSignalRemovesTheNamedFilesAndEndsTheProcessAsItWould) {
    for (int sig : {SIGSEGV, SIGFPE, SIGBUS, SIGABRT}) {
        SCOPED_TRACE(sig);
        const fs::path folder = base / "runtime" / "pictures";
        fs::create_directory(folder);
        std::vector<std::string> files;
        for (int n = 1; n <= 7; ++n) {
            files.push_back((folder / ("kvp" + std::to_string(n) + ".jpg")).string());
            std::ofstream(files.back()) << "picture";
        }
        std::ofstream(base / "tmp" / "other.jpg") << "not ours";
        EXPECT_EQ(endOfChildRaising(sig, files, folder.string()), sig);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_TRUE(fs::exists(base / "tmp" / "other.jpg"));
    }
}

TEST_F(Folders, AnExitThatSkipsTheRunsEndRemovesTheNamedFilesAndKeepsItsStatus) {
    const fs::path picture = base / "runtime" / "kvp1.jpg";
    std::ofstream(picture) << "picture";
    const pid_t pid = ::fork();
    if (pid == 0) {
        process_signals::removeOnAbruptEnd({picture.string()}, {});
        std::exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_FALSE(fs::exists(picture));
}

TEST_F(Folders, AFatalSignalWithNothingNamedOnlyEndsTheProcess) {
    std::ofstream(base / "tmp" / "kvp1.jpg") << "picture";
    EXPECT_EQ(endOfChildRaising(SIGABRT, {}, {}), SIGABRT);
    EXPECT_TRUE(fs::exists(base / "tmp" / "kvp1.jpg"));
}

TEST(TerminationSignals, ClosedStandardStreamsAreNeverTakenForThePipe) {
    // A launcher that closes standard output and error: what is written there afterwards must
    // not read as a signal. (It runs before the other test here sets the pipe up in this process,
    // which the child would inherit.)
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(1);
        ::close(2);
        const int fd = process_signals::watchTermination();
        const bool apart = fd > 2;
        const bool written = ::write(2, "warning\n", 8) == 8;
        pollfd readable{fd, POLLIN, 0};
        const bool quiet = ::poll(&readable, 1, 100) == 0;
        ::_exit(apart && written && quiet ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TerminationSignals, EachOneWakesTheMessageLoopInsteadOfEndingTheProcess) {
    const int fd = process_signals::watchTermination();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(process_signals::watchTermination(), fd);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) {
        SCOPED_TRACE(sig);
        ::raise(sig);
        pollfd readable{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&readable, 1, 1000), 1);
        process_signals::drainTermination();
        EXPECT_EQ(::poll(&readable, 1, 0), 0);
    }
}

}  // namespace
}  // namespace fellridge::platform
