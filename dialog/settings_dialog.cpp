#include "dialog/settings_dialog.h"

#include <QAbstractSlider>
#include <QButtonGroup>
#include <QByteArray>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "dialog/about_box.h"
#include "dialog/off_ui_thread.h"
#include "platform/files/text.h"

// The icon lives in this static library's resources, which the linker would otherwise drop.
static void initDialogResources() {
    Q_INIT_RESOURCE(dialog_resources);
}

namespace fellridge::dialog {

namespace {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxKind;

constexpr const char* kLowColourHint =
    "Helpful Hint: It looks like your monitor is displaying colors at a low resolution. Your "
    "images will look much clearer and better if you simply set your monitor to a higher "
    "resolution. To do this, go into your control panel, select \"Display\", then click the "
    "\"settings\" tab. Now simply change the color tab on the bottom to show 16-bit, 24-bit, or "
    "higher (True color or normal color). You may ignore this message if you wish, but this is "
    "just a hint to make your images look nicer.";

constexpr const char* kMoreSoftware =
    "We will now display the software downloads site. Please be sure you are connected to the "
    "internet, then click OK to view more software downloads.";

constexpr const char* kBrowserFailed =
    "You cannot view the download site because your browser would not open. You can still view "
    "the download site by opening your web browser and pointing to ";

constexpr const char* kDownloadsAddress = FELLRIDGE_DOWNLOADS_URL;

constexpr const char* kMaximumReached =
    "You have reached the maximum number of entries stored.  Please delete one if you wish to "
    "add another.";

constexpr const char* kNoItems =
    "There are no items in the list. Click ADD to add some sound files to the list.";

constexpr const char* kConfirmRemove =
    "You are about to delete the highlighted item in the box above. Click OK to confirm. ";

constexpr const char* kNotFound =
    "An error occurred while looking for the string to delete. You may need to delete your file "
    "and run the screen saver settings again which will re-create the file. If this continues "
    "contact technical support.";

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// A list item keeps the sound's path byte for byte, so that Remove looks up exactly the text
// that is in the file, whatever its encoding; the display text is only for the eye.
constexpr int kPathRole = Qt::UserRole;

std::string itemPath(const QListWidgetItem& item) {
    return item.data(kPathRole).toByteArray().toStdString();
}

}  // namespace

void SettingsDialog::ShownNumber::show(std::int64_t number) {
    value = number;
    label->setText(QString::number(number));
}

std::int64_t SettingsDialog::ShownNumber::written() const {
    // Refused as an empty label's text that is no number.
    if (!value) throw Failure("'' is not a valid integer value");
    return *value;
}

SettingsDialog::SettingsDialog(const DialogServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    initDialogResources();
    buildControls();
    runGuarded(&SettingsDialog::load);
    connectHandlers();
    okButton_->setFocus();

    // In the middle of the screen, whose size is in device pixels and the dialog's in scaled ones.
    const qreal scale = devicePixelRatioF();
    const int screenWidth = qRound(services_.screen.width() / scale);
    const int screenHeight = qRound(services_.screen.height() / scale);
    move((screenWidth - width()) / 2, (screenHeight - height()) / 2);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::connectHandlers() {
    connect(okButton_, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::saveAndClose); });
    connect(aboutButton_, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::showAbout); });
    connect(moreSoftwareButton_, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::openMoreSoftware); });
    connect(addSoundButton_, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::addSound); });
    connect(removeSoundButton_, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::removeSelectedSound); });

    // Every scroll action (arrow, page, thumb tracking, keys, wheel) and the end of a drag
    // copy the bar's position into its label. Connected after the creation, whose own setting
    // of the bars leaves the labels as they were loaded.
    const auto onScroll = [this](QScrollBar* bar, void (SettingsDialog::*handler)()) {
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, handler] { runGuarded(handler); });
        connect(bar, &QAbstractSlider::valueChanged, this,
                [this, handler] { runGuarded(handler); });
        connect(bar, &QAbstractSlider::sliderReleased, this,
                [this, handler] { runGuarded(handler); });
    };
    onScroll(delayBar_, &SettingsDialog::showDelay);
    onScroll(heightBar_, &SettingsDialog::showCustomHeight);
    onScroll(widthBar_, &SettingsDialog::showCustomWidth);
}

void SettingsDialog::runGuarded(void (SettingsDialog::*handler)()) {
    platform::runHandler(services_.boxes, [this, handler] { (this->*handler)(); });
}

void SettingsDialog::load() {
    if (services_.screen.depth() < 16) services_.boxes.show(BoxKind::Plain, kLowColourHint);

    sounds_.reset(settings::settingsPath(settings::saverFolder(services_.environment)));

    // The custom size goes up to the screen's size (never below the smallest side offered).
    widthBar_->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen.width()));
    heightBar_->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen.height()));

    if (settings::exists(sounds_.settingsPath())) {
        loadSettings();
    } else {
        firstRun();
    }

    fillSoundList();
    selectFirstSound();
    if (sounds_.count() < 1) {
        soundOn_->setEnabled(false);
        soundOff_->setEnabled(false);
    }
}

void SettingsDialog::loadSettings() {
    showOptions(settings::readOptions(sounds_.settingsPath()));
    sounds_.readFile();
}

void SettingsDialog::firstRun() {
    // Writes the Options values and the 500 empty slots; the slot table already holds "Null".
    settings::writeDialogFirstRun(sounds_.settingsPath());
    showOptions(settings::kFirstRunOptions);
}

void SettingsDialog::showOptions(const settings::Options& options) {
    (options.sound ? soundOn_ : soundOff_)->setChecked(true);
    (options.inOrder ? inOrder_ : atRandom_)->setChecked(true);
    schemeGroup_->button(static_cast<int>(options.scheme))->setChecked(true);
    modeGroup_->button(static_cast<int>(options.mode))->setChecked(true);

    // The labels show what the file holds; the bars hold it within their ranges.
    delay_.show(platform::text::divideRoundHalfEven(options.delay, 1000));
    delayBar_->setValue(clampToInt(delay_.written()));
    height_.show(std::max(options.height, std::int32_t{kMinimumSide}));
    width_.show(std::max(options.width, std::int32_t{kMinimumSide}));
    widthBar_->setValue(clampToInt(width_.written()));
    heightBar_->setValue(clampToInt(height_.written()));
}

settings::Options SettingsDialog::chosenOptions() const {
    settings::Options values;
    values.sound = soundOn_->isChecked();
    values.inOrder = inOrder_->isChecked();
    // Schemes 1 to 3 are written as checked, any other as 4. With no mode checked (only when
    // the creation failed) the mode that every reader falls back to is written.
    const int scheme = schemeGroup_->checkedId();
    values.scheme = scheme >= 1 && scheme <= 3 ? static_cast<settings::ColourScheme>(scheme)
                                               : settings::ColourScheme::BlackOnly;
    const int mode = modeGroup_->checkedId();
    values.mode =
        mode >= 1 ? static_cast<settings::DisplayMode>(mode) : settings::DisplayMode::RollDown;
    // A hand-edited delay near the 32-bit limit shows a number whose thousandfold does not fit:
    // the file then gets the nearest value that does.
    values.delay = clampToInt32(delay_.written() * 1000);
    values.height = clampToInt32(height_.written());
    values.width = clampToInt32(width_.written());
    return values;
}

void SettingsDialog::fillSoundList() {
    for (const std::string& sound : sounds_.takeListed()) appendSound(sound);
}

void SettingsDialog::appendSound(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    auto* item = new QListWidgetItem(QString::fromLocal8Bit(bytes));
    item->setData(kPathRole, bytes);
    soundList_->addItem(item);
}

void SettingsDialog::selectFirstSound() {
    if (soundList_->count() > 0) soundList_->setCurrentRow(0);
}

void SettingsDialog::showDelay() {
    delay_.show(delayBar_->sliderPosition());
}

void SettingsDialog::showCustomHeight() {
    height_.show(heightBar_->sliderPosition());
}

void SettingsDialog::showCustomWidth() {
    width_.show(widthBar_->sliderPosition());
}

void SettingsDialog::saveAndClose() {
    const settings::Options values = chosenOptions();

    // Another writer may hold the file a while: the dialog keeps drawing itself meanwhile.
    runOffUiThread([&] { settings::writeOptions(sounds_.settingsPath(), values); });

    // The dialog is the settings run's main window: closing it ends the run.
    QDialog::done(QDialog::Accepted);
}

void SettingsDialog::showAbout() {
    if (about_ != nullptr) about_->exec();
}

void SettingsDialog::openMoreSoftware() {
    services_.boxes.show(BoxKind::Plain, kMoreSoftware);
    const std::string address = kDownloadsAddress;
    if (!services_.shell.open(address)) {
        services_.boxes.show(BoxKind::Plain, kBrowserFailed + address);
    }
}

void SettingsDialog::addSound() {
    const std::optional<std::string> chosen = services_.fileDialog.openFile(kSoundFilter);
    if (!chosen || chosen->empty()) return;

    std::optional<int> slot;
    runOffUiThread([&] { slot = sounds_.add(*chosen); });
    if (!slot) {
        services_.boxes.show(BoxKind::Confirm, kMaximumReached, BoxButtons::Ok);
    } else {
        appendSound(*chosen);
        selectFirstSound();
    }

    soundOn_->setEnabled(true);
    soundOff_->setEnabled(true);
}

void SettingsDialog::removeSelectedSound() {
    if (sounds_.count() < 1) {
        services_.boxes.show(BoxKind::Information, kNoItems, BoxButtons::Ok);
        return;
    }

    // The list can lose its selection (a Ctrl+click clears it): with nothing highlighted there
    // is nothing to remove, so nothing is asked and nothing changes.
    const QList<QListWidgetItem*> selected = soundList_->selectedItems();
    if (selected.isEmpty()) return;
    QListWidgetItem* const item = selected.front();

    if (services_.boxes.show(BoxKind::Warning, kConfirmRemove, BoxButtons::OkCancel) !=
        BoxAnswer::Ok)
        return;

    // The file decides which slot goes: the first entry whose text equals the item's exactly.
    bool removed = false;
    const std::string path = itemPath(*item);
    runOffUiThread([&] { removed = sounds_.remove(path); });
    if (!removed) {
        services_.boxes.show(BoxKind::Error, kNotFound, BoxButtons::Ok);
        return;
    }

    delete soundList_->takeItem(soundList_->row(item));
    if (sounds_.count() < 1) {
        soundOff_->setChecked(true);
        soundOn_->setEnabled(false);
        soundOff_->setEnabled(false);
    }
    selectFirstSound();
}

}  // namespace fellridge::dialog
