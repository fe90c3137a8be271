// The stored pictures taken from the first folder that holds any.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "saver/picture_library.h"
#include "support/fakes.h"
#include "test_files.h"

using namespace fellridge;
using namespace fellridge::testing;

namespace {

// The stored picture N of a folder: a JPEG N pixels wide and as high as the folder's mark, so
// that a copy tells where it came from, stored with three filler bytes after its first three.
void storePicture(const std::string& folder, int n, int mark = 4) {
    const Bytes jpeg = makeJpeg(n, mark);
    Bytes stored(jpeg.size() + 3, 0);
    std::copy(jpeg.begin(), jpeg.begin() + 3, stored.begin());
    std::copy(jpeg.begin() + 3, jpeg.end(), stored.begin() + 6);
    std::filesystem::create_directories(folder);
    writeFile(folder + "/kvp" + std::to_string(n) + ".qrn", stored);
}

void storeAll(const std::string& folder, int mark = 4) {
    for (int n = 1; n <= 7; ++n) storePicture(folder, n, mark);
}

class StoredPictureSource : public ::testing::Test {
  protected:
    TempDir dir;
    std::string user = dir / "user", installed = dir / "installed", system = dir / "system";
    saver::SaverState state;
    FakeScreen screen;
    saver::NullPresenter presenter;
    saver::Surface surface{screen, &presenter};
    FakeBoxes boxes;
    FakeClock clock;
    saver::RandomDraw random{clock};
    saver::PictureLibrary library{state, surface, boxes, random};

    StoredPictureSource() {
        std::filesystem::create_directories(user);
        state.saverFolder = user;
    }
    saver::PrepareResult prepare() { return library.prepare({installed, system}); }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : boxes.shown) texts.push_back(box.text);
        return texts;
    }
    // The temporary pictures are in the user's folder, each made from the stored picture of
    // the same number in the folder given.
    void expectTemporariesFrom(const std::string& folder) {
        for (int n = 1; n <= 7; ++n) {
            const std::string name = "kvp" + std::to_string(n);
            Bytes stored = readFile(folder + "/" + name + ".qrn");
            stored.erase(stored.begin() + 3, stored.begin() + 6);
            EXPECT_EQ(readFile(user + "/" + name + ".jpg"), stored) << name;
        }
        EXPECT_EQ(library.temporaryFiles().size(), 7u);
    }
};

TEST_F(StoredPictureSource, TheUsersOwnPicturesComeFirst) {
    storeAll(user, 4);
    storeAll(installed, 5);
    EXPECT_EQ(prepare(), saver::PrepareResult::Completed);
    expectTemporariesFrom(user);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StoredPictureSource, TheFirstFolderHoldingAnyServesForAllSeven) {
    std::filesystem::create_directories(installed);  // there, but without pictures
    writeFile(installed + "/kvp1.jpg", {1});         // a temporary name is no stored picture
    storeAll(system, 6);
    EXPECT_EQ(prepare(), saver::PrepareResult::Completed);
    expectTemporariesFrom(system);
    EXPECT_FALSE(exists(system + "/kvp1.jpg"));  // nothing is made beside the stored ones
    EXPECT_EQ(readFile(installed + "/kvp1.jpg"), Bytes{1});
}

TEST_F(StoredPictureSource, APartialFolderIsNotFilledUpFromTheNext) {
    struct Case {
        const char* name;
        std::string partial;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"user folder without the critical pictures", user, {3}},
        {"installation without kvp2.qrn", installed, {1, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(installed);
        for (const auto& entry : std::filesystem::directory_iterator(user))
            std::filesystem::remove(entry.path());
        boxes.shown.clear();
        for (int n : c.numbers) storePicture(c.partial, n);
        storeAll(system, 6);
        EXPECT_EQ(prepare(), saver::PrepareResult::CriticalPicturesMissing);
        EXPECT_EQ(boxTexts(), std::vector<std::string>{saver::kCriticalFilesMessage});
        EXPECT_FALSE(exists(user + "/kvp1.jpg"));
    }
}

TEST_F(StoredPictureSource, NoFolderHoldingAnyShowsTheMessage) {
    EXPECT_EQ(prepare(), saver::PrepareResult::CriticalPicturesMissing);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{saver::kCriticalFilesMessage});
    EXPECT_TRUE(library.temporaryFiles().empty());
}

TEST_F(StoredPictureSource, ReadOnlyInstalledPicturesServe) {
    storeAll(installed);
    for (int n = 1; n <= 7; ++n)
        ASSERT_EQ(::chmod((installed + "/kvp" + std::to_string(n) + ".qrn").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(installed.c_str(), 0555), 0);
    EXPECT_EQ(prepare(), saver::PrepareResult::Completed);
    expectTemporariesFrom(installed);
    library.deleteTemporary();
    EXPECT_FALSE(exists(user + "/kvp1.jpg"));
    EXPECT_TRUE(exists(installed + "/kvp1.qrn"));
    ::chmod(installed.c_str(), 0755);
}

}  // namespace
