// The picture library: stored-picture copies, preparation, the next picture, deletion.
#include "saver/picture_library.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <csignal>
#include <filesystem>
#include <numeric>

#include "saver/log.h"
#include "test_files.h"

using namespace fellridge;
using namespace fellridge::saver;
using namespace fellridge::testing;

namespace {

Bytes sequence(std::size_t n) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), std::uint8_t{1});
    return b;
}

// The stored form of a JPEG file: its first three bytes, three filler bytes, the rest.
Bytes stored(const Bytes& jpeg) {
    Bytes out(jpeg.begin(),
              jpeg.begin() + static_cast<long>(std::min<std::size_t>(3, jpeg.size())));
    if (jpeg.size() > 3) {
        out.insert(out.end(), {'F', 'W', 'S'});
        out.insert(out.end(), jpeg.begin() + 3, jpeg.end());
    }
    return out;
}

// The platform code of the failure the work reports (0 for none), and its text when asked for.
int ioCode(const std::function<void()>& f, std::string* text = nullptr) {
    try {
        f();
    } catch (const IoFailure& e) {
        if (text) *text = e.what();
        return e.code();
    }
    return 0;
}

// A picture's file name: kvpN with the extension given.
std::string kvpFile(int n, const char* extension) {
    return "kvp" + std::to_string(n) + extension;
}

TEST(CopyStoredPicture, DropsBytesFourToSixAndKeepsTheRest) {
    TempDir dir;
    struct Case {
        std::size_t size;
        Bytes expected;
    };
    const Bytes long5000 = sequence(5000);
    Bytes expected5000(long5000.begin(), long5000.begin() + 3);
    expected5000.insert(expected5000.end(), long5000.begin() + 6, long5000.end());
    const Case cases[] = {
        {0, {}},
        {1, {1}},
        {2, {1, 2}},
        {3, {1, 2, 3}},
        {4, {1, 2, 3}},
        {5, {1, 2, 3}},
        {6, {1, 2, 3}},
        {7, {1, 2, 3, 7}},
        {10, {1, 2, 3, 7, 8, 9, 10}},
        {5000, expected5000},  // spans several blocks
    };
    for (const Case& c : cases) {
        writeFile(dir / "s.qrn", sequence(c.size));
        copyStoredPicture(dir / "s.qrn", dir / "s.jpg");
        EXPECT_EQ(readFile(dir / "s.jpg"), c.expected) << c.size;
    }
}

TEST(CopyStoredPicture, ReplacesAnExistingDestination) {
    TempDir dir;
    writeFile(dir / "s.jpg", sequence(100));
    writeFile(dir / "s.qrn", sequence(8));
    copyStoredPicture(dir / "s.qrn", dir / "s.jpg");
    EXPECT_EQ(readFile(dir / "s.jpg"), (Bytes{1, 2, 3, 7, 8}));
}

TEST(CopyStoredPicture, AReadOnlyStoredPictureIsCopied) {
    // Installed stored pictures are read-only; the copy only ever reads them.
    TempDir dir;
    writeFile(dir / "s.qrn", sequence(9));
    ASSERT_EQ(chmod((dir / "s.qrn").c_str(), 0444), 0);
    copyStoredPicture(dir / "s.qrn", dir / "s.jpg");
    EXPECT_EQ(readFile(dir / "s.jpg"), (Bytes{1, 2, 3, 7, 8, 9}));
}

TEST(CopyStoredPicture, RefusalsCarryThePlatformCodeAndText) {
    TempDir dir;
    writeFile(dir / "s.qrn", sequence(9));
    std::filesystem::create_directory(dir / "folder.jpg");
    const struct {
        const char *from, *to;
        int code;
        const char* text;  // nullptr: not looked at
    } cases[] = {{"missing.qrn", "m.jpg", 2, "File not found"},
                 {"s.qrn", "folder.jpg", 5, "File access denied"},
                 {"s.qrn", "no/such/dir.jpg", 2, nullptr}};
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(ioCode([&] { copyStoredPicture(dir / c.from, dir / c.to); }, &text), c.code)
            << c.to;
        if (c.text) {
            EXPECT_EQ(text, c.text);
        }
    }
    EXPECT_FALSE(exists(dir / "m.jpg"));  // nothing made when the source can't be opened
}

// A disk that fills mid-copy: the file size limit makes a write come back short, then refused.
TEST(CopyStoredPicture, AShortWriteFailsAndLeavesNoCutShortFile) {
    TempDir dir;
    writeFile(dir / "s.qrn", sequence(5000));
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{3000, 3000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int code = ioCode([&] { copyStoredPicture(dir / "s.qrn", dir / "s.jpg"); });
        ::_exit(code == kFileTooLargeCode && !exists(dir / "s.jpg") ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A copy never writes through a planted link or file, is readable by its owner alone, and
// takes nothing but a regular stored picture of a photograph's size.
TEST(CopyStoredPicture, MakesItsOwnPrivateFileFromARegularSourceOnly) {
    TempDir dir;
    writeFile(dir / "s.qrn", sequence(9));
    writeFile(dir / "victim.txt", {'v'});
    std::filesystem::create_symlink(dir / "victim.txt", dir / "planted.jpg");
    const mode_t oldMask = ::umask(0);
    copyStoredPicture(dir / "s.qrn", dir / "planted.jpg");
    ::umask(oldMask);
    EXPECT_EQ(readFile(dir / "victim.txt"), Bytes{'v'});
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "planted.jpg"));
    EXPECT_EQ(readFile(dir / "planted.jpg").size(), 6u);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "planted.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ASSERT_EQ(::mkfifo((dir / "fifo.qrn").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.qrn");
    ASSERT_EQ(::truncate((dir / "s.qrn").c_str(), kMaxStoredPictureSize + 1), 0);
    const std::pair<const char*, int> refused[] = {
        {"fifo.qrn", 5}, {"zero.qrn", 5}, {"s.qrn", kFileTooLargeCode}};
    for (const auto& [source, code] : refused) {
        const std::string from = dir / source;  // (a lambda may not capture a binding in clang 14)
        EXPECT_EQ(ioCode([&] { copyStoredPicture(from, dir / "out.jpg"); }), code) << source;
        EXPECT_FALSE(exists(dir / "out.jpg")) << source;
    }
}

class PictureLibraryTest : public ::testing::Test {
  protected:
    TempDir dir;
    SaverState state;
    FakeScreen screen;
    NullPresenter presenter;
    Surface surface{screen, &presenter};
    FakeBoxes boxes;
    FakeClock clock;
    RandomDraw random{clock};
    PictureLibrary library{state, surface, boxes, random};
    const PictureLibrary::State& kept = library.state();

    PictureLibraryTest() {
        state.saverFolder = dir.path();
        screen.w = 64;
        screen.h = 48;
        clock.now = {12, 34, 56, 789};
    }

    void storePhotos(std::initializer_list<int> numbers) {
        for (int n : numbers) writeFile(dir / kvpFile(n, ".qrn"), stored(readFile(photoPath(n))));
    }
    // Seven temporary pictures told apart by their widths: picture N is N x 8 pixels wide.
    void makeTemporaryPictures() {
        for (int n = 1; n <= 7; ++n)
            writeFile(dir / kvpFile(n, ".qrn"), stored(makeJpeg(8 * n, 4)));
        ASSERT_EQ(library.prepare(), PrepareResult::Completed);
    }
    int loadedNumber() { return surface.slot(Slot::LoadBuffer).picture.width() / 8; }
    bool fallbackLoaded() {
        const Picture& p = surface.slot(Slot::LoadBuffer).picture;
        return p.width() == 72 && p.height() == 65 && p.pixels() == fallbackPicture().pixels();
    }
};

TEST_F(PictureLibraryTest, PrepareMakesTheSevenTemporaryPictures) {
    storePhotos({1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(library.prepare(), PrepareResult::Completed);
    EXPECT_EQ(kept.directory, dir.path());
    ASSERT_EQ(kept.list.size(), 7u);
    for (int n = 1; n <= 7; ++n) {
        const std::string& path = kept.list[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(path, dir / kvpFile(n, ".jpg"));
        EXPECT_EQ(readFile(path), readFile(photoPath(n)));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PictureLibraryTest, PrepareWorksWithReadOnlyStoredPictures) {
    storePhotos({1, 2, 3, 4, 5, 6, 7});
    for (int n = 1; n <= 7; ++n) ASSERT_EQ(chmod((dir / kvpFile(n, ".qrn")).c_str(), 0444), 0);
    EXPECT_EQ(library.prepare(), PrepareResult::Completed);
    EXPECT_EQ(kept.list.size(), 7u);
}

TEST_F(PictureLibraryTest, MissingCriticalPicturesShowTheMessageAndCopyNothing) {
    for (int missing : {1, 2}) {
        TempDir other;
        state = {};
        state.saverFolder = other.path();
        boxes.shown.clear();
        for (int n = 1; n <= 7; ++n)
            if (n != missing) writeFile(other / kvpFile(n, ".qrn"), stored(makeJpeg(8, 8)));
        if (missing == 1) std::filesystem::create_directory(other / "kvp1.qrn");  // not a file
        EXPECT_EQ(library.prepare(), PrepareResult::CriticalPicturesMissing);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, platform::BoxKind::Plain);
        EXPECT_EQ(boxes.shown[0].text,
                  "Some critical files are missing. Please reinstall the software.");
        EXPECT_TRUE(kept.list.empty());
        EXPECT_EQ(kept.directory, other.path());
        for (int n = 1; n <= 7; ++n) EXPECT_FALSE(exists(other / kvpFile(n, ".jpg")));
    }
}

TEST_F(PictureLibraryTest, AMissingOrdinaryPictureFailsAfterTheOnesBeforeIt) {
    storePhotos({1, 2, 3, 4, 6, 7});
    EXPECT_EQ(ioCode([&] { library.prepare(); }), 2);
    EXPECT_TRUE(kept.list.empty());
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(exists(dir / kvpFile(n, ".jpg")), n <= 4) << n;
    library.deleteTemporary();
    for (int n = 1; n <= 4; ++n) EXPECT_FALSE(exists(dir / kvpFile(n, ".jpg")));
}

TEST_F(PictureLibraryTest, InOrderComesRoundFromPictureOne) {
    makeTemporaryPictures();
    std::vector<int> seen;
    for (int i = 0; i < 9; ++i) {
        library.loadNext();
        seen.push_back(loadedNumber());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 1, 2}));
    EXPECT_EQ(kept.mark, 2);
}

TEST_F(PictureLibraryTest, AtRandomReseedsFromTheClockBeforeEveryDraw) {
    makeTemporaryPictures();
    state.options.inOrder = false;
    // 12:34:56.789 gives the seed 45296789; its first draw over 7 is 3, so picture 4.
    library.loadNext();
    EXPECT_EQ(loadedNumber(), 4);
    EXPECT_EQ(random.seed(), 2099557098u);
    library.loadNext();  // the same time reseeds the same way
    EXPECT_EQ(loadedNumber(), 4);
    EXPECT_EQ(kept.mark, 0);  // random mode leaves the mark alone
}

TEST_F(PictureLibraryTest, AtRandomEveryPictureComesUp) {
    makeTemporaryPictures();
    state.options.inOrder = false;
    std::set<int> seen;
    for (int ms = 0; ms < 200; ++ms) {
        clock.now.millisecond = ms;
        library.loadNext();
        seen.insert(loadedNumber());
    }
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(RandomDraw, MatchesTheGeneratorForKnownSeeds) {
    FakeClock clock;
    clock.now = {12, 34, 56, 789};
    RandomDraw random(clock);
    random.setSeed(0x12345678);
    std::vector<std::uint32_t> draws;
    for (int i = 0; i < 5; ++i) draws.push_back(random.draw(7));
    EXPECT_EQ(draws, (std::vector<std::uint32_t>{5, 3, 5, 6, 6}));
    EXPECT_EQ(random.draw(0), 0u);
    random.reseed();
    EXPECT_EQ(random.seed(), 45296789u);
    clock.now = {23, 59, 59, 999};
    random.reseed();
    EXPECT_EQ(random.seed(), 86399999u);
}

TEST_F(PictureLibraryTest, BrokenPicturesBringUpTheFallbackAndTheOrderGoesOn) {
    makeTemporaryPictures();
    const Bytes good = makeJpeg(16, 16);
    Bytes huge = good;
    for (std::size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xff && huge[i + 1] == 0xc0) {
            huge[i + 5] = huge[i + 7] = 0xff;  // 65535 x 65535
            break;
        }
    std::filesystem::remove(kept.list[0]);                            // missing
    writeFile(kept.list[1], Bytes(good.begin(), good.begin() + 40));  // truncated
    writeFile(kept.list[2], {'g', 'a', 'r', 'b', 'a', 'g', 'e'});     // garbage
    writeFile(kept.list[3], huge);                                    // huge
    for (int n = 1; n <= 4; ++n) {
        library.loadNext();
        EXPECT_TRUE(fallbackLoaded()) << n;
        EXPECT_EQ(kept.mark, n);
    }
    library.loadNext();
    EXPECT_EQ(loadedNumber(), 5);
}

// What the saver logged while the current test asked for its log.
std::vector<std::string> logged;
void keepMessage(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (std::string(context.category) == "fellridge.saver") logged.push_back(text.toStdString());
}

TEST_F(PictureLibraryTest, APictureThatWontLoadIsLoggedOnlyWhenAskedFor) {
    EXPECT_FALSE(saverLog().isInfoEnabled());  // quiet unless the logging rules say otherwise
    makeTemporaryPictures();
    writeFile(kept.list[0], {'g', 'a', 'r', 'b', 'a', 'g', 'e'});
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    library.loadNext();
    EXPECT_TRUE(logged.empty());

    QLoggingCategory::setFilterRules(QStringLiteral("fellridge.*=true"));
    library.restart();
    library.loadNext();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    EXPECT_TRUE(fallbackLoaded());
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find(kept.list[0]), std::string::npos) << logged[0];
}

TEST_F(PictureLibraryTest, AnEmptyTemporaryPictureLoadsAsAnEmptyPicture) {
    makeTemporaryPictures();
    writeFile(kept.list[0], {});
    library.loadNext();
    EXPECT_TRUE(surface.slot(Slot::LoadBuffer).picture.empty());
    EXPECT_FALSE(fallbackLoaded());
}

TEST_F(PictureLibraryTest, DeletesOnlyTheTemporaryPicturesItsRunsMake) {
    makeTemporaryPictures();
    for (const char* replaced : {"kvp2.jpg", "kvp7.jpg"}) std::filesystem::remove(dir / replaced);
    writeFile(dir / "target.bin", {7});
    for (const char* name :
         {"kvp1.jpg", "kvp3.jpg", "kvp4.jpg", "kvp99.jpg", "KVP3.JPG", "KVP9.JPG", "kvp_family.jpg",
          "kvp.jpg", "other.jpg", ".kvp5.jpg", "kvp6.jpeg", "akvp7.jpg"})
        writeFile(dir / name, {1});
    std::filesystem::create_symlink(dir / "target.bin", dir / "kvp2.jpg");
    ASSERT_EQ(chmod((dir / "kvp4.jpg").c_str(), 0444), 0);  // read-only: refused, ignored
    std::filesystem::create_directory(dir / "kvp7.jpg");
    library.deleteTemporary();
    for (const char* gone : {"kvp1.jpg", "kvp2.jpg", "kvp3.jpg"})
        EXPECT_FALSE(std::filesystem::symlink_status(dir / gone).type() !=
                     std::filesystem::file_type::not_found)
            << gone;
    for (const char* kept :
         {"target.bin", "kvp4.jpg", "kvp99.jpg", "KVP3.JPG", "KVP9.JPG", "kvp_family.jpg",
          "kvp.jpg", "other.jpg", ".kvp5.jpg", "kvp6.jpeg", "akvp7.jpg", "kvp7.jpg"})
        EXPECT_TRUE(exists(dir / kept)) << kept;
}

// A private folder (several slideshows at once) keeps each run's pictures to itself: the shared
// folder's files are left alone, an earlier run's leftover included.
TEST_F(PictureLibraryTest, TemporaryPicturesGoToThePrivateFolderAndOnlyThereAreTheyDeleted) {
    state.saverFolder = dir.path();
    for (int n = 1; n <= 7; ++n) writeFile(dir / kvpFile(n, ".qrn"), sequence(20));
    writeFile(dir / "kvp5.jpg", {1});  // left by an earlier run in the saver's folder
    std::filesystem::create_directory(dir / "private");
    library.useTemporaryDirectory(dir.path() + "/private");
    ASSERT_EQ(library.prepare(), PrepareResult::Completed);
    EXPECT_EQ(kept.list[2], dir.path() + "/private/kvp3.jpg");
    EXPECT_TRUE(exists(dir / "private/kvp3.jpg"));
    EXPECT_FALSE(exists(dir / "kvp3.jpg"));
    library.deleteTemporary();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "private"));
    EXPECT_TRUE(exists(dir / "kvp5.jpg"));
    EXPECT_TRUE(exists(dir / "kvp5.qrn"));
}

TEST_F(PictureLibraryTest, DeleteDoesNothingBeforePreparation) {
    writeFile(dir / "kvp1.jpg", {1});
    library.deleteTemporary();  // the picture directory is still empty
    EXPECT_TRUE(exists(dir / "kvp1.jpg"));
    storePhotos({1, 2});
    library.useTemporaryDirectory(dir.path() + "/missing/");
    EXPECT_EQ(ioCode([&] { library.prepare(); }), 2);
    library.deleteTemporary();  // a folder that isn't there: nothing to do, no failure
    EXPECT_TRUE(exists(dir / "kvp1.jpg"));
}

}  // namespace
