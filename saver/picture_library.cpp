// The picture library: the temporary JPEG files made from the stored pictures, the choice of the
// next picture and its load into the load buffer.
#include "saver/picture_library.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/files.h"
#include "platform/text.h"
#include "saver/log.h"

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

// The folder the stored pictures are read from, with a trailing slash: the first one that
// holds any of them, so that the seven always come from one place; the picture directory when
// none does.
std::string storedPictureSource(const std::string& pictureDirectory,
                                const std::vector<std::string>& otherFolders) {
    auto holdsOne = [](const std::string& folder) {
        return std::any_of(std::begin(kStored), std::end(kStored), [&](const char* name) {
            return platform::files::isFile(platform::text::joinPath(folder, name));
        });
    };
    if (holdsOne(pictureDirectory)) return pictureDirectory;
    for (const std::string& folder : otherFolders)
        if (holdsOne(folder)) return folder;
    return pictureDirectory;
}

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

PictureLibrary::PictureLibrary(SaverState& state, Surface& surface, platform::MessageBoxes& boxes,
                               RandomDraw& random, std::function<void()> chooseNextSound)
    : state_(state),
      surface_(surface),
      boxes_(boxes),
      random_(random),
      chooseNextSound_(std::move(chooseNextSound)) {}

PrepareResult PictureLibrary::prepare(const std::vector<std::string>& otherFolders) {
    state_.pictureDirectory =
        temporaryDirectory_.empty() ? state_.windowsDirectory : temporaryDirectory_;
    const std::string source = storedPictureSource(state_.windowsDirectory, otherFolders);
    const auto stored = [&](int n) { return platform::text::joinPath(source, kStored[n]); };
    const auto temporary = [this](const char* name) {
        return platform::text::joinPath(state_.pictureDirectory, name);
    };
    if (!platform::files::isFile(stored(0)) || !platform::files::isFile(stored(1))) {
        state_.pictureList.clear();
        state_.pictureCount = 0;
        boxes_.show(platform::BoxKind::Plain, kCriticalFilesMessage);
        return PrepareResult::CriticalPicturesMissing;
    }
    for (int n = 0; n < 7; ++n) copyStoredPicture(stored(n), temporary(kTemporary[n]));
    state_.pictureList.clear();
    for (const char* name : kTemporary) state_.pictureList.push_back(temporary(name));
    state_.pictureCount = 7;
    return PrepareResult::Completed;
}

void PictureLibrary::loadNext() {
    const std::int32_t count = state_.pictureCount;
    std::int32_t n = 0;
    if (state_.options.inOrder) {
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
            surface_.setPicture(Slot::LoadBuffer, Picture());
            surface_.setPicture(Slot::LoadBuffer, Picture::loadJpeg(path));
            loaded = true;
        } catch (const std::exception& failure) {
            // Any load failure shows the fallback picture instead; the slideshow goes on.
            qCInfo(saverLog, "picture %s not shown: %s", path.c_str(), failure.what());
        }
    }
    if (!loaded) surface_.copyPicture(Slot::Fallback, Slot::LoadBuffer);
    if (chooseNextSound_) chooseNextSound_();
}

void PictureLibrary::deleteTemporary() {
    const std::string& dir = state_.pictureDirectory;
    if (dir.empty()) return;
    try {
        for (const std::string& name : platform::files::search(dir, "kvp*.jpg")) {
            const std::string path = platform::text::joinPath(dir, name);
            if (!platform::files::remove(path)) qCInfo(saverLog, "%s not deleted", path.c_str());
        }
    } catch (const std::exception& failure) {
        // Deletions are best effort: the stop routine goes on whatever happens here.
        qCInfo(saverLog, "temporary pictures not deleted: %s", failure.what());
    }
}

}  // namespace fellridge::saver
