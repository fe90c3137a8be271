// The sound slot table without the dialog: which slot an addition takes and a removal frees,
// and that the file and the table change together or not at all.
#include "dialog/sound_slots.h"

#include <sys/stat.h>

#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

class SoundSlotsTest : public DialogTest {
  protected:
    void read(const std::vector<std::string>& entries) {
        writeFile("[Options]\n" + wavConfig(entries));
        sounds.reset(path());
        sounds.readFile();
    }
    SoundSlots sounds;
};

TEST_F(SoundSlotsTest, NullInAnyCaseIsFreeAndTheFileDecidesWhichSlotGoes) {
    read({"null", "/m/a.wav", "NULL", "/m/a.wav", "Nul"});
    EXPECT_EQ(sounds.takeListed(), (std::vector<std::string>{"/m/a.wav", "/m/a.wav", "Nul"}));
    EXPECT_EQ(sounds.add("/m/b.wav"), 1);
    EXPECT_EQ(sounds.add("/m/c.wav"), 3);
    EXPECT_EQ(sounds.count(), 5);

    // A duplicate frees its lower slot, which the next addition takes; the search is exact.
    EXPECT_TRUE(sounds.remove("/m/a.wav"));
    EXPECT_EQ(value("WavConfig", "Name2"), "Null");
    EXPECT_EQ(value("WavConfig", "Name4"), "/m/a.wav");
    EXPECT_EQ(sounds.table()[1], "Null");
    EXPECT_FALSE(sounds.remove("/M/A.WAV"));
    EXPECT_EQ(sounds.add("/m/d.wav"), 2);
    EXPECT_EQ(sounds.count(), 5);
}

TEST_F(SoundSlotsTest, AFullTableOrARefusedWriteChangesNothing) {
    read(numbered(500));
    sounds.takeListed();
    const std::string before = fileText();
    EXPECT_EQ(sounds.add("/m/extra.mp3"), std::nullopt);
    EXPECT_EQ(fileText(), before);

    read({"/m/a.mp3"});
    sounds.takeListed();
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    EXPECT_THROW(sounds.add("/m/b.mp3"), Failure);
    EXPECT_THROW(sounds.remove("/m/a.mp3"), Failure);
    EXPECT_EQ(sounds.table()[0], "/m/a.mp3");
    EXPECT_EQ(sounds.table()[1], "Null");
    EXPECT_EQ(sounds.count(), 1);
}

}  // namespace
}  // namespace fellridge::dialog::testing
