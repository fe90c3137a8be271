// The picture library: the temporary JPEG files made from the stored pictures, the choice of the
// next picture and its load into the load buffer.
#include "saver/picture_library.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/files.h"

namespace fellridge::saver {

namespace {

[[noreturn]] void failWithErrno() {
    throw IoFailure(IoFailure::codeForErrno(errno));
}

// An open file descriptor that is closed on the way out of a failed copy.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the platform's refusal.
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) failWithErrno();
    }

  private:
    int fd_;
};

ssize_t readSome(int fd, std::uint8_t* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) return n;
        if (errno != EINTR) failWithErrno();
    }
}

ssize_t writeSome(int fd, const std::uint8_t* buffer, std::size_t size) {
    if (size == 0) return 0;
    for (;;) {
        const ssize_t n = ::write(fd, buffer, size);
        if (n >= 0) return n;
        if (errno != EINTR) failWithErrno();
    }
}

constexpr const char* kStored[7] = {"kvp1.qrn", "kvp2.qrn", "kvp3.qrn", "kvp4.qrn",
                                    "kvp5.qrn", "kvp6.qrn", "kvp7.qrn"};
constexpr const char* kTemporary[7] = {"kvp1.jpg", "kvp2.jpg", "kvp3.jpg", "kvp4.jpg",
                                       "kvp5.jpg", "kvp6.jpg", "kvp7.jpg"};

}  // namespace

void copyStoredPicture(const std::string& source, const std::string& destination) {
    // The stored pictures are only read, so they are opened for reading only: a package installs
    // them read-only, and that must not stop the saver.
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) failWithErrno();
    Descriptor out(::open(destination.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) failWithErrno();

    // Bytes 1 to 3 are the JPEG's own, 4 to 6 are filler, the rest is the JPEG from byte 4 on.
    std::uint8_t head[3];
    ssize_t n = readSome(in.get(), head, sizeof head);
    writeSome(out.get(), head, static_cast<std::size_t>(n));
    readSome(in.get(), head, sizeof head);

    std::uint8_t block[2048];
    for (;;) {
        n = readSome(in.get(), block, sizeof block);
        const ssize_t written = writeSome(out.get(), block, static_cast<std::size_t>(n));
        if (n < 1 || written != n) break;
    }
    in.close();
    out.close();
}

bool isBitmapPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension == ".BMP";
}

PictureLibrary::PictureLibrary(SaverState& state, Surface& surface, platform::MessageBoxes& boxes,
                               RandomDraw& random, std::function<void()> chooseNextSound)
    : state_(state),
      surface_(surface),
      boxes_(boxes),
      random_(random),
      chooseNextSound_(std::move(chooseNextSound)) {}

PrepareResult PictureLibrary::prepare() {
    const std::string dir = state_.windowsDirectory + "/";
    state_.pictureDirectory = temporaryDirectory_.empty() ? dir : temporaryDirectory_ + "/";
    if (!platform::files::isFile(dir + kStored[0]) || !platform::files::isFile(dir + kStored[1])) {
        state_.pictureList.clear();
        state_.pictureCount = 0;
        boxes_.show(platform::BoxKind::Plain, kCriticalFilesMessage);
        return PrepareResult::CriticalPicturesMissing;
    }
    const std::string& made = state_.pictureDirectory;
    for (int n = 0; n < 7; ++n) copyStoredPicture(dir + kStored[n], made + kTemporary[n]);
    state_.pictureList.clear();
    for (const char* name : kTemporary) state_.pictureList.push_back(made + name);
    state_.pictureCount = 7;
    return PrepareResult::Completed;
}

void PictureLibrary::loadNext() {
    const std::int32_t count = state_.pictureCount;
    std::int32_t n = 0;
    if (state_.inOrder) {
        n = state_.pictureMark + 1;
        if (n > count) n = 1;
        state_.pictureMark = n;
    } else {
        random_.reseed();
        n = static_cast<std::int32_t>(
                random_.draw(static_cast<std::uint32_t>(std::max(count, 0)))) +
            1;
    }
    bool loaded = false;
    if (n >= 1 && static_cast<std::size_t>(n) <= state_.pictureList.size()) {
        const std::string& path = state_.pictureList[static_cast<std::size_t>(n - 1)];
        try {
            if (isBitmapPath(path)) {
                surface_.setPicture(Slot::LoadBuffer, Picture::loadBmp(path));
            } else {
                surface_.setPicture(Slot::LoadBuffer, Picture());
                surface_.setPicture(Slot::LoadBuffer, Picture::loadJpeg(path));
            }
            loaded = true;
        } catch (const std::exception&) {
            // Any load failure shows the fallback picture instead; the slideshow goes on.
        }
    }
    if (!loaded) surface_.copyPicture(Slot::Fallback, Slot::LoadBuffer);
    if (chooseNextSound_) chooseNextSound_();
}

void PictureLibrary::deleteTemporary() {
    const std::string& dir = state_.pictureDirectory;
    if (dir.empty()) return;
    try {
        for (const std::string& name : platform::files::search(dir, "kvp*.jpg"))
            platform::files::remove(dir + name);
    } catch (const std::exception&) {
        // Deletions are best effort: the stop routine goes on whatever happens here.
    }
}

}  // namespace fellridge::saver
