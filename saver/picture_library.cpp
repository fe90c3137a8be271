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

#include "platform/files/files.h"
#include "platform/files/text.h"
#include "saver/log.h"

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

// Writes the whole buffer: a write that puts down less (a full disk, a file size limit) is
// carried on, and what the system then refuses is a failure.
void writeAllOrFail(int fd, const std::uint8_t* buffer, std::size_t size) {
    if (!platform::files::writeAll(fd, buffer, size)) failWithErrno();
}

void closeOrFail(Descriptor& fd) {
    if (!fd.close()) failWithErrno();
}

constexpr const char* kStored[7] = {"kvp1.qrn", "kvp2.qrn", "kvp3.qrn", "kvp4.qrn",
                                    "kvp5.qrn", "kvp6.qrn", "kvp7.qrn"};
constexpr const char* kTemporary[7] = {"kvp1.jpg", "kvp2.jpg", "kvp3.jpg", "kvp4.jpg",
                                       "kvp5.jpg", "kvp6.jpg", "kvp7.jpg"};

// The folder the stored pictures are read from: the first one that holds any of them, so that the
// seven always come from one place; the picture directory when none does.
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

// Bytes 1 to 3 are the JPEG's own, 4 to 6 are filler, the rest is the JPEG from byte 4 on.
void copyContent(Descriptor& in, Descriptor& out) {
    std::uint8_t head[3];
    ssize_t n = readSome(in.get(), head, sizeof head);
    writeAllOrFail(out.get(), head, static_cast<std::size_t>(n));
    readSome(in.get(), head, sizeof head);

    // The bound holds even for a file that grows while it is copied.
    std::size_t copied = static_cast<std::size_t>(n);
    std::uint8_t block[2048];
    while ((n = readSome(in.get(), block, sizeof block)) > 0) {
        copied += static_cast<std::size_t>(n);
        if (copied > kMaxStoredPictureSize) {
            errno = EFBIG;
            failWithErrno();
        }
        writeAllOrFail(out.get(), block, static_cast<std::size_t>(n));
    }
    closeOrFail(in);
    closeOrFail(out);
}

}  // namespace

void copyStoredPicture(const std::string& source, const std::string& destination) {
    // The stored pictures are only read, so they are opened for reading only: a package installs
    // them read-only, and that must not stop the saver. A link to them is followed (a package
    // may link them from its own folder); what it leads to must still be a regular file.
    Descriptor in = platform::files::openRegular(source, kMaxStoredPictureSize);
    if (!in.valid()) failWithErrno();
    Descriptor out = createTemporary(destination);
    try {
        copyContent(in, out);
    } catch (...) {
        // A picture cut short would show with its lower part grey: none is left behind.
        out = Descriptor();
        ::unlink(destination.c_str());
        throw;
    }
}

PictureLibrary::PictureLibrary(const SaverState& shared, Surface& surface,
                               platform::MessageBoxes& boxes, RandomDraw& random)
    : shared_(shared), surface_(surface), boxes_(boxes), random_(random) {}

// The stored pictures are copied out to plain JPEG files (kvp1.jpg..kvp7.jpg, names users and their
// tools know) because a picture holds only its file and header: it decodes from the file when it
// is drawn, and again after its pixels were let go, so the seven never sit decoded side by side.
PrepareResult PictureLibrary::prepare(const std::vector<std::string>& otherFolders) {
    state_.directory = temporaryDirectory_.empty() ? shared_.saverFolder : temporaryDirectory_;
    const std::string source = storedPictureSource(shared_.saverFolder, otherFolders);
    const auto stored = [&](int n) { return platform::text::joinPath(source, kStored[n]); };
    const auto temporary = [this](const char* name) {
        return platform::text::joinPath(state_.directory, name);
    };
    if (!platform::files::isFile(stored(0)) || !platform::files::isFile(stored(1))) {
        state_.list.clear();
        boxes_.show(platform::BoxKind::Plain, kCriticalFilesMessage);
        return PrepareResult::CriticalPicturesMissing;
    }
    for (int n = 0; n < 7; ++n) copyStoredPicture(stored(n), temporary(kTemporary[n]));
    state_.list.clear();
    for (const char* name : kTemporary) state_.list.push_back(temporary(name));
    return PrepareResult::Completed;
}

void PictureLibrary::loadNext() {
    const auto count = static_cast<std::int32_t>(state_.list.size());
    std::int32_t n = 0;
    if (shared_.options.inOrder) {
        n = state_.mark + 1;
        if (n > count) n = 1;
        state_.mark = n;
    } else {
        random_.reseed();
        n = static_cast<std::int32_t>(
                random_.draw(static_cast<std::uint32_t>(std::max(count, 0)))) +
            1;
    }
    bool loaded = false;
    if (n >= 1 && n <= count) {
        const std::string& path = state_.list[static_cast<std::size_t>(n - 1)];
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
}

void PictureLibrary::deleteTemporary() {
    const std::string& dir = state_.directory;
    if (dir.empty()) return;
    try {
        // Only the exact names the preparation makes: a user's kvp_family.jpg or KVP9.JPG beside
        // them is not the saver's to delete.
        for (const char* name : kTemporary) {
            const std::string path = platform::text::joinPath(dir, name);
            if (!platform::files::remove(path)) qCInfo(saverLog, "%s not deleted", path.c_str());
        }
    } catch (const std::exception& failure) {
        // Deletions are best effort: the stop routine goes on whatever happens here.
        qCInfo(saverLog, "temporary pictures not deleted: %s", failure.what());
    }
}

}  // namespace fellridge::saver
