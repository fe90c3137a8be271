// The one way the program reads a file: only regular files, never blocking, always bounded.
#include "platform/files/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace files = fellridge::platform::files;

namespace {

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/fellridge-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }

    std::string dir_;
};

std::string text(const std::optional<std::vector<unsigned char>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

TEST_F(FilesTest, ReadsRegularFilesUpToTheirBound) {
    const std::string five = write("five", "12345");
    const std::string empty = write("empty", "");
    ::symlink(five.c_str(), path("link").c_str());

    EXPECT_EQ(text(files::readRegular(five, 5)), "12345");
    EXPECT_EQ(text(files::readRegular(empty, 0)), "");
    EXPECT_EQ(text(files::readRegular(path("link"), 5)), "12345");

    errno = 0;
    EXPECT_FALSE(files::readRegular(five, 4));
    EXPECT_EQ(errno, EFBIG);
    errno = 0;
    EXPECT_FALSE(files::readRegular(path("link"), 5, files::Links::Refuse));
    EXPECT_EQ(errno, ELOOP);
    errno = 0;
    EXPECT_FALSE(files::readRegular(path("missing"), 5));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(files::readRegular("", 5));
}

// None of these may block or be read without end: each is refused at once after the open.
TEST_F(FilesTest, RefusesEverythingThatIsNotARegularFile) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(path("folder").c_str(), 0700), 0);
    ::symlink("/dev/zero", path("zero-link").c_str());
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = path("socket");
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const auto start = std::chrono::steady_clock::now();
    for (const std::string& name :
         {path("fifo"), path("folder"), path("zero-link"), socketPath, std::string("/dev/zero"),
          std::string("/dev/urandom"), std::string("/dev/null")}) {
        errno = 0;
        EXPECT_FALSE(files::openRegular(name, 1u << 30).valid()) << name;
        // A socket can't even be opened (ENXIO); everything else opens and is then refused.
        EXPECT_EQ(errno, name == socketPath ? ENXIO : EACCES) << name;
        EXPECT_FALSE(files::readRegular(name, 1u << 30)) << name;
        EXPECT_FALSE(files::isFile(name)) << name;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ::close(sock);
}

TEST_F(FilesTest, IsFileMeansARegularFileOrALinkToOne) {
    const std::string file = write("file", "x");
    ::symlink(file.c_str(), path("link").c_str());
    ::symlink(path("nowhere").c_str(), path("dangling").c_str());
    EXPECT_TRUE(files::isFile(file));
    EXPECT_TRUE(files::isFile(path("link")));
    EXPECT_FALSE(files::isFile(path("dangling")));
    EXPECT_FALSE(files::isFile(dir_));
    EXPECT_FALSE(files::isFile(""));
}

TEST_F(FilesTest, TheDescriptorClosesOnceAndWritesEverything) {
    files::Descriptor fd(::open(path("out").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600));
    ASSERT_TRUE(fd.valid());
    const std::string big(300000, 'q');
    EXPECT_TRUE(files::writeAll(fd.get(), big.data(), big.size()));
    files::Descriptor moved(std::move(fd));
    EXPECT_FALSE(fd.valid());
    EXPECT_TRUE(moved.close());
    EXPECT_FALSE(moved.valid());
    EXPECT_TRUE(moved.close());  // a second close has nothing to close
    EXPECT_EQ(text(files::readRegular(path("out"), big.size())), big);
}

}  // namespace
