// The sound list editor: Add and Remove keep the slot table, the list and the file in step.
#include <sys/stat.h>

#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxKind;

const std::string kMaximum =
    "You have reached the maximum number of entries stored.  Please delete one if you wish to "
    "add another.";
const std::string kNoItems =
    "There are no items in the list. Click ADD to add some sound files to the list.";
const std::string kConfirm =
    "You are about to delete the highlighted item in the box above. Click OK to confirm. ";
const std::string kNotFound =
    "An error occurred while looking for the string to delete. You may need to delete your file "
    "and run the screen saver settings again which will re-create the file. If this continues "
    "contact technical support.";

class SoundListTest : public DialogTest {
  protected:
    void add(std::optional<std::string> choice) {
        files.choices.push_back(std::move(choice));
        click("cmdwav");
    }
    void removeRow(int row) {
        list()->setCurrentRow(row);
        click("cmdwavd");
    }
};

TEST_F(SoundListTest, AddWritesTheFirstFreeSlotAndSelectsTheFirstItem) {
    SettingsDialog& dialog = open();
    add("/m/one.mp3");
    add("/m/two.mid");

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(files.filters, std::vector<std::string>(2, "MP3|*.mp3|MIDI|*.mid;*.midi|WAV|*.wav"));
    EXPECT_EQ(value("WavConfig", "Name1"), "/m/one.mp3");
    EXPECT_EQ(value("WavConfig", "Name2"), "/m/two.mid");
    EXPECT_EQ(value("WavConfig", "Name3"), "Null");
    EXPECT_EQ(dialog.soundSlots()[0], "/m/one.mp3");
    EXPECT_EQ(dialog.soundSlots()[1], "/m/two.mid");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/one.mp3", "/m/two.mid"}));
    EXPECT_EQ(dialog.soundCount(), 2);
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_TRUE(list()->item(0)->isSelected());

    // The sound buttons come alive; Sound OFF stays the choice.
    EXPECT_TRUE(enabled("radsndon"));
    EXPECT_TRUE(enabled("radsndof"));
    EXPECT_TRUE(checked("radsndof"));
}

TEST_F(SoundListTest, ACancelledOrEmptyChoiceChangesNothing) {
    open();
    const std::string before = fileText();
    add(std::nullopt);
    add("");

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(list()->count(), 0);
    EXPECT_FALSE(enabled("radsndon"));
    EXPECT_FALSE(enabled("radsndof"));
}

TEST_F(SoundListTest, RemovingADuplicateFreesTheLowerSlotAndDropsTheSelectedItem) {
    SettingsDialog& dialog = openWith(wavConfig({"/m/x.mp3", "/m/y.mp3", "/m/x.mp3"}));
    removeRow(2);

    expectOneBox(BoxKind::Warning, kConfirm, BoxButtons::OkCancel);
    EXPECT_EQ(value("WavConfig", "Name1"), "Null");
    EXPECT_EQ(value("WavConfig", "Name3"), "/m/x.mp3");
    EXPECT_EQ(dialog.soundSlots()[0], "Null");
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/x.mp3", "/m/y.mp3"}));
    EXPECT_EQ(dialog.soundCount(), 2);
    EXPECT_EQ(list()->currentRow(), 0);

    // The freed slot is the first one the next addition takes.
    add("/m/z.mp3");
    EXPECT_EQ(value("WavConfig", "Name1"), "/m/z.mp3");
}

TEST_F(SoundListTest, FiveHundredSoundsAreTheMaximum) {
    SettingsDialog& dialog = openWith(wavConfig(numbered(500)));
    ASSERT_EQ(dialog.soundCount(), 500);
    const std::string before = fileText();

    add("/m/extra.mp3");
    expectOneBox(BoxKind::Confirm, kMaximum, BoxButtons::Ok);
    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(list()->count(), 500);
    EXPECT_TRUE(enabled("radsndon"));

    boxes.shown.clear();
    removeRow(6);
    EXPECT_EQ(value("WavConfig", "Name7"), "Null");
    add("/m/extra.mp3");
    EXPECT_EQ(value("WavConfig", "Name7"), "/m/extra.mp3");
    EXPECT_EQ(list()->count(), 500);
    EXPECT_EQ(items().back(), "/m/extra.mp3");
    EXPECT_EQ(dialog.soundCount(), 500);
}

TEST_F(SoundListTest, RemoveFromAnEmptyListOnlyInforms) {
    open();
    const std::string before = fileText();
    click("cmdwavd");
    expectOneBox(BoxKind::Information, kNoItems, BoxButtons::Ok);
    EXPECT_EQ(fileText(), before);
}

TEST_F(SoundListTest, CancelKeepsTheSound) {
    SettingsDialog& dialog = openWith(wavConfig({"/m/a.mp3"}));
    const std::string before = fileText();
    boxes.answers.push_back(BoxAnswer::Cancel);
    removeRow(0);

    expectOneBox(BoxKind::Warning, kConfirm, BoxButtons::OkCancel);
    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(items(), std::vector<std::string>{"/m/a.mp3"});
    EXPECT_EQ(dialog.soundSlots()[0], "/m/a.mp3");
}

TEST_F(SoundListTest, RemoveWithoutAHighlightedItemDoesNothing) {
    SettingsDialog& dialog = openWith(wavConfig({"/m/a.mp3", "/m/b.mp3"}));
    const std::string before = fileText();
    list()->clearSelection();
    click("cmdwavd");

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3"}));
    EXPECT_EQ(dialog.soundCount(), 2);
}

TEST_F(SoundListTest, ATextNoLongerInTheFileIsReported) {
    // Changed behind the dialog's back: the case differs now (the search is exact), or the
    // file is gone.
    for (const bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "deleted" : "changed");
        boxes.shown.clear();
        SettingsDialog& dialog = openWith(wavConfig({"/m/a.mp3", "/m/b.mp3"}));
        if (deleted) {
            std::filesystem::remove(path());
        } else {
            writeFile("[Options]\n" + wavConfig({"/M/A.MP3", "/m/b.mp3"}));
        }
        const std::string before = fileText();
        removeRow(0);

        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[0].kind, BoxKind::Warning);
        EXPECT_EQ(boxes.shown[1].kind, BoxKind::Error);
        EXPECT_EQ(boxes.shown[1].text, kNotFound);
        EXPECT_EQ(boxes.shown[1].buttons, BoxButtons::Ok);
        EXPECT_EQ(fileText(), before);
        EXPECT_EQ(std::filesystem::exists(path()), !deleted);
        EXPECT_EQ(items(), (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3"}));
        EXPECT_EQ(dialog.soundSlots()[0], "/m/a.mp3");
    }
}

TEST_F(SoundListTest, RemovingTheLastSoundTurnsSoundOff) {
    SettingsDialog& dialog = openWith("Sound=1\n" + wavConfig({"/m/a.mp3"}));
    ASSERT_TRUE(checked("radsndon"));
    ASSERT_TRUE(enabled("radsndon"));
    removeRow(0);

    EXPECT_EQ(value("WavConfig", "Name1"), "Null");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(dialog.soundCount(), 0);
    EXPECT_TRUE(checked("radsndof"));
    EXPECT_FALSE(checked("radsndon"));
    EXPECT_FALSE(enabled("radsndon"));
    EXPECT_FALSE(enabled("radsndof"));

    click("cmdclose");
    EXPECT_EQ(value("Options", "Sound"), "0");
}

TEST_F(SoundListTest, ASoundOnWithoutSoundsStaysOnButLocked) {
    openWith("Sound=1\n" + wavConfig({}));
    EXPECT_TRUE(checked("radsndon"));
    EXPECT_FALSE(enabled("radsndon"));
    EXPECT_FALSE(enabled("radsndof"));
    click("cmdclose");
    EXPECT_EQ(value("Options", "Sound"), "1");
}

TEST_F(SoundListTest, BlankItemsFromMissingKeysAreRemovedByTheirDefault) {
    SettingsDialog& dialog = openWith("");
    ASSERT_EQ(list()->count(), 500);
    EXPECT_EQ(items().front(), " ");
    EXPECT_TRUE(enabled("radsndon"));

    removeRow(0);
    removeRow(0);
    EXPECT_EQ(section("WavConfig"), (KeyValues{{"Name1", "Null"}, {"Name2", "Null"}}));
    EXPECT_EQ(dialog.soundCount(), 498);
    EXPECT_EQ(dialog.soundSlots()[1], "Null");
}

TEST_F(SoundListTest, PathsAreKeptByteForByte) {
    const std::string latin1 = "/m/caf\xe9 \xc4.wav";  // not UTF-8
    open();
    add(latin1);
    EXPECT_EQ(value("WavConfig", "Name1"), latin1);
    removeRow(0);
    EXPECT_TRUE(boxes.shown.size() == 1u && boxes.shown[0].kind == BoxKind::Warning);
    EXPECT_EQ(value("WavConfig", "Name1"), "Null");
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(SoundListTest, ARefusedWriteChangesNeitherTableNorList) {
    SettingsDialog& dialog = openWith(wavConfig({"/m/a.mp3"}));
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    const std::string before = fileText();

    add("/m/b.mp3");
    expectOneBox(BoxKind::Error, "Unable to write to " + path(), BoxButtons::Ok);
    boxes.shown.clear();
    removeRow(0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].kind, BoxKind::Error);
    EXPECT_EQ(boxes.shown[1].text, "Unable to write to " + path());

    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(items(), std::vector<std::string>{"/m/a.mp3"});
    EXPECT_EQ(dialog.soundSlots()[0], "/m/a.mp3");
    EXPECT_EQ(dialog.soundSlots()[1], "Null");
    EXPECT_EQ(dialog.soundCount(), 1);
}

}  // namespace
}  // namespace fellridge::dialog::testing
