// The settings dialog: loads the settings file into its controls (or creates the file with the
// dialog's first-run values), keeps the sound list in step with the file, and writes the user's
// choices back on OK, which ends the settings run.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "dialog/sound_slots.h"
#include "platform/services.h"
#include "settings/settings.h"

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace fellridge::dialog {

class AboutBox;

// The platform services the dialog uses.
struct DialogServices {
    platform::Environment& environment;  // the saver's folder, which holds the settings file
    platform::Screen& screen;            // the size limits and the colour-depth hint
    platform::MessageBoxes& boxes;
    platform::Shell& shell;  // More Software
    platform::FileDialog& fileDialog;
};

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // Builds the controls and loads the settings (failures shown in an error box).
    explicit SettingsDialog(const DialogServices& services, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    void setAboutBox(AboutBox* about) { about_ = about; }

    // The event handlers. The buttons and bars call them through the message loop's failure
    // handling; they are public so that they can be driven directly as well.

    // Loads the settings file into the controls, or creates it with the first-run values.
    void load();
    // A scroll bar moved: its label shows the new position.
    void showDelay();
    void showCustomHeight();
    void showCustomWidth();
    // OK: writes the choices to the settings file and ends the dialog.
    void saveAndClose();
    // About: the about box, modally.
    void showAbout();
    // More Software: the downloads site in the browser, or where to find it.
    void openMoreSoftware();
    // The sound list editor: each change is written to the file at once.
    void addSound();
    void removeSelectedSound();

    // The settings path of this run, the sound slot table (slot N at index N - 1) and the sound
    // count, as the dialog holds them.
    const std::string& settingsPath() const { return sounds_.settingsPath(); }
    const SoundSlots::Table& soundSlots() const { return sounds_.table(); }
    int soundCount() const { return sounds_.count(); }

    // OK is the only way that saves; Escape and the window manager's close end the dialog
    // without writing (QDialog's own reject), so that a file that can't be written never traps
    // the user in it.

  private:
    // The shortest custom picture side the dialog offers; smaller stored sizes show as this.
    static constexpr int kMinimumSide = 25;

    // A number that a label shows and OK writes back: the number is kept, not parsed from the
    // label's text. None until it is loaded or scrolled (the label is empty then).
    struct ShownNumber {
        QLabel* label = nullptr;
        std::optional<std::int64_t> value;
        void show(std::int64_t number);
        // The number; none (the creation failed before filling it) is refused, so that OK never
        // writes a value the user was not shown.
        std::int64_t written() const;
    };

    void buildControls();
    void loadSettings();
    void firstRun();
    // Checks the buttons and fills the labels and bars as the values ask.
    void showOptions(const settings::Options& options);
    // The values the controls hold, as OK writes them.
    settings::Options chosenOptions() const;
    void fillSoundList();
    void selectFirstSound();
    void appendSound(const std::string& path);
    void connectHandlers();
    void runGuarded(void (SettingsDialog::*handler)());

    DialogServices services_;
    AboutBox* about_ = nullptr;

    SoundSlots sounds_;

    // The controls the handlers read or change.
    QListWidget* soundList_ = nullptr;
    QPushButton* addSoundButton_ = nullptr;
    QPushButton* removeSoundButton_ = nullptr;
    QRadioButton* soundOn_ = nullptr;
    QRadioButton* soundOff_ = nullptr;
    QScrollBar* delayBar_ = nullptr;
    ShownNumber delay_;  // in seconds
    QScrollBar* widthBar_ = nullptr;
    ShownNumber width_;
    QScrollBar* heightBar_ = nullptr;
    ShownNumber height_;
    QRadioButton* inOrder_ = nullptr;
    QRadioButton* atRandom_ = nullptr;
    QPushButton* moreSoftwareButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;    // each button's id is its mode's number, 1 to 8
    QButtonGroup* schemeGroup_ = nullptr;  // each button's id is its scheme's number, 1 to 4
};

// The filter of the open-file dialog that picks a sound file.
inline constexpr const char* kSoundFilter = "MP3|*.mp3|MIDI|*.mid;*.midi|WAV|*.wav";

}  // namespace fellridge::dialog
