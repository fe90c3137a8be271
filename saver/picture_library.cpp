// The picture library: the temporary JPEG files made from the stored pictures, the choice of the
// next picture and its load into the load buffer.
#include "saver/picture_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace fellridge::saver {

namespace {

// The platform's error code for the failure in errno. A stored picture larger than any
// photograph is refused like a file the platform can't take ("file too large").
[[noreturn]] void failWithErrno() {
    const int err = errno;
    throw IoFailure(err == EFBIG ? kFileTooLargeCode : IoFailure::codeForErrno(err));
}

using platform::files::Descriptor;

ssize_t readSome(int fd, std::uint8_t* buffer, std::size_t size) {
    const ssize_t n = platform::files::readSome(fd, buffer, size);
    if (n < 0) failWithErrno();
    return n;
}

ssize_t writeSome(int fd, const std::uint8_t* buffer, std::size_t size) {
    const ssize_t n = platform::files::writeSome(fd, buffer, size);
    if (n < 0) failWithErrno();
    return n;
}

void closeOrFail(Descriptor& fd) {
    if (!fd.close()) failWithErrno();
}

constexpr const char* kStored[7] = {"kvp1.qrn", "kvp2.qrn", "kvp3.qrn", "kvp4.qrn",
                                    "kvp5.qrn", "kvp6.qrn", "kvp7.qrn"};
constexpr const char* kTemporary[7] = {"kvp1.jpg", "kvp2.jpg", "kvp3.jpg", "kvp4.jpg",
                                       "kvp5.jpg", "kvp6.jpg", "kvp7.jpg"};

}  // namespace

Descriptor createTemporary(const std::string& path) {
    // Whatever is there already (an old copy, a planted link, someone's file of that name) is
    // removed, never written through; O_EXCL | O_NOFOLLOW then makes sure that the file opened
    // is the one made here.
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                errno = EISDIR;
                failWithErrno();
            }
            ::unlink(path.c_str());
        }
        Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             S_IRUSR | S_IWUSR));
        if (fd.valid()) {
            // Owner read and write whatever the umask, so that the stop can delete it again.
            if (::fchmod(fd.get(), S_IRUSR | S_IWUSR) != 0) failWithErrno();
            return fd;
        }
        if (errno != EEXIST) break;
    }
    failWithErrno();
}

void copyStoredPicture(const std::string& source, const std::string& destination) {
    // The stored pictures are only read, so they are opened for reading only: a package installs
    // them read-only, and that must not stop the saver. A link to them is followed (a package
    // may link them from its own folder); what it leads to must still be a regular file.
    Descriptor in = platform::files::openRegular(source, kMaxStoredPictureSize);
    if (!in.valid()) failWithErrno();
    Descriptor out = createTemporary(destination);

    // Bytes 1 to 3 are the JPEG's own, 4 to 6 are filler, the rest is the JPEG from byte 4 on.
    std::uint8_t head[3];
    ssize_t n = readSome(in.get(), head, sizeof head);
    writeSome(out.get(), head, static_cast<std::size_t>(n));
    readSome(in.get(), head, sizeof head);

    // The bound holds even for a file that grows while it is copied.
    std::size_t copied = static_cast<std::size_t>(n);
    std::uint8_t block[2048];
    for (;;) {
        n = readSome(in.get(), block, sizeof block);
        copied += static_cast<std::size_t>(n);
        if (copied > kMaxStoredPictureSize) {
            errno = EFBIG;
            failWithErrno();
        }
        const ssize_t written = writeSome(out.get(), block, static_cast<std::size_t>(n));
        if (n < 1 || written != n) break;
    }
    closeOrFail(in);
    closeOrFail(out);
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
    state_.pictureDirectory = state_.windowsDirectory + "/";
    const std::string& dir = state_.pictureDirectory;
    if (!platform::files::isFile(dir + kStored[0]) || !platform::files::isFile(dir + kStored[1])) {
        state_.pictureList.clear();
        state_.pictureCount = 0;
        boxes_.show(platform::BoxKind::Plain, kCriticalFilesMessage);
        return PrepareResult::CriticalPicturesMissing;
    }
    const std::string temporary =
        temporaryDirectory_.empty() ? dir : platform::files::join(temporaryDirectory_, "");
    for (int n = 0; n < 7; ++n) copyStoredPicture(dir + kStored[n], temporary + kTemporary[n]);
    state_.pictureList.clear();
    for (const char* name : kTemporary) state_.pictureList.push_back(temporary + name);
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
    std::vector<std::string> folders{dir};
    if (!temporaryDirectory_.empty())
        folders.push_back(platform::files::join(temporaryDirectory_, ""));
    try {
        // Only the exact names the preparation makes: a user's kvp_family.jpg or KVP9.JPG beside
        // them is not the saver's to delete.
        for (const std::string& folder : folders) {
            for (const char* name : kTemporary) platform::files::remove(folder + name);
        }
    } catch (const std::exception&) {
        // Deletions are best effort: the stop routine goes on whatever happens here.
    }
}

}  // namespace fellridge::saver
