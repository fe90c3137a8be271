// The settings dialog: loads the settings file into its controls (or creates the file with the
// dialog's first-run values), keeps the sound list in step with the file, and writes the user's
// choices back on OK, which ends the settings run.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>

#include "platform/services.h"
#include "settings/settings.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace fellridge::dialog {

class AboutBox;

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // Builds the controls and runs FormCreate (failures shown in an error box).
    explicit SettingsDialog(platform::Services& services, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    void setAboutBox(AboutBox* about) { about_ = about; }

    // The event handlers. The buttons and bars call them through the message loop's failure
    // handling; they are public so that they can be driven directly as well.
    void FormCreate();
    void ScrollbarDelayScroll();
    void ScrollBarHScroll();
    void ScrollBarWScroll();
    void cmdcloseClick();
    void cmdhelpClick();
    void cmdmoreClick();
    void cmdwavClick();
    void cmdwavdClick();

    // The settings path of this run, the sound slot table (slot N at index N - 1) and the sound
    // count, as the dialog holds them.
    const std::string& settingsPath() const { return settingsPath_; }
    const std::array<std::string, settings::kSoundSlots>& soundSlots() const { return slots_; }
    int soundCount() const { return soundCount_; }

    // OK is the only way that saves; Escape and the window manager's close end the dialog
    // without writing (QDialog's own reject), so that a file that can't be written never traps
    // the user in it.

  private:
    void buildControls();
    void loadSettings();
    void firstRun();
    void fillSoundList();
    void selectFirstSound();
    void appendSound(const std::string& path);
    void connectHandlers();
    void runGuarded(void (SettingsDialog::*handler)());

    platform::Services& services_;
    AboutBox* about_ = nullptr;

    std::string windowsDirectory_;
    std::string settingsPath_;
    std::array<std::string, settings::kSoundSlots> slots_;
    std::int16_t soundCount_ = 0;

    QLabel* Label1 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QPushButton* cmdwav = nullptr;
    QPushButton* cmdwavd = nullptr;
    QRadioButton* radsndon = nullptr;
    QRadioButton* radsndof = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QScrollBar* ScrollbarDelay = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Lbldelay = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QRadioButton* radpicst = nullptr;
    QRadioButton* radpicde = nullptr;
    QRadioButton* radpicin = nullptr;
    QRadioButton* radpicti = nullptr;
    QRadioButton* Radoverlap = nullptr;
    QRadioButton* Radslide = nullptr;
    QRadioButton* RadRollDown = nullptr;
    QRadioButton* Radpictcust = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QLabel* Label3 = nullptr;
    QScrollBar* ScrollBarW = nullptr;
    QLabel* Lblwidth = nullptr;
    QLabel* Label2 = nullptr;
    QScrollBar* ScrollBarH = nullptr;
    QLabel* Lblheight = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QRadioButton* Radseq = nullptr;
    QRadioButton* Radran = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* radcol1 = nullptr;
    QRadioButton* radcol2 = nullptr;
    QRadioButton* radcol3 = nullptr;
    QRadioButton* Radcol4 = nullptr;
    QPushButton* cmdmore = nullptr;
    QPushButton* cmdhelp = nullptr;
    QPushButton* cmdclose = nullptr;

    // Display modes 1 to 8, in mode order.
    std::array<QRadioButton*, 8> modeButtons_{};
};

// The filter of the open-file dialog that picks a sound file.
inline constexpr const char* kSoundFilter = "MP3|*.mp3|MIDI|*.mid;*.midi|WAV|*.wav";

}  // namespace fellridge::dialog
