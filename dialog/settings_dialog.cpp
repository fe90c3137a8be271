#include "dialog/settings_dialog.h"

#include <QAbstractSlider>
#include <QByteArray>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>

#include "dialog/about_box.h"
#include "dialog/keyboard.h"
#include "dialog/look.h"
#include "platform/text.h"

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

constexpr const char* kEmptySlot = "Null";

// The shortest custom picture side the dialog offers; smaller stored sizes show as this.
constexpr int kMinimumSide = 25;

// The list box draws every sound on a row 13 pixels high.
class SoundRowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(13);
        return size;
    }
};

template <class W>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, int left, int top, int width, int height,
              const char* text = "") {
    auto* lbl = place<QLabel>(parent, name, left, top, width, height);
    lbl->setText(QString::fromLatin1(text));
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return lbl;
}

template <class W>
W* textControl(QWidget* parent, const char* name, int left, int top, int width, int height,
               const char* text) {
    auto* widget = place<W>(parent, name, left, top, width, height);
    widget->setText(QString::fromLatin1(text));
    return widget;
}

QGroupBox* groupBox(QWidget* parent, const char* name, int left, int top, int width, int height,
                    const char* title) {
    auto* box = place<CaptionedFrame>(parent, name, left, top, width, height);
    box->setTitle(QString::fromLatin1(title));
    box->setFont(sansFont(true));
    return box;
}

QScrollBar* scrollBar(QWidget* parent, const char* name, int left, int top, int width, int height,
                      int minimum, int maximum, int position) {
    auto* bar = place<QScrollBar>(parent, name, left, top, width, height);
    bar->setOrientation(Qt::Horizontal);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(position);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

// The number a value label shows. The labels only ever hold numbers that the dialog put there;
// an empty one (the creation failed before filling it) is refused like any text that is no
// number, so that OK never writes a value the user was not shown.
std::int64_t labelNumber(const QLabel& lbl) {
    bool ok = false;
    const qlonglong value = lbl.text().trimmed().toLongLong(&ok);
    if (!ok) throw Failure("'" + lbl.text().toStdString() + "' is not a valid integer value");
    return value;
}

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

SettingsDialog::SettingsDialog(platform::Services& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    initDialogResources();
    slots_.fill(kEmptySlot);
    buildControls();
    runGuarded(&SettingsDialog::load);
    connectHandlers();
    okButton_->setFocus();

    // In the middle of the screen, whose size is in device pixels and the dialog's in scaled ones.
    const qreal scale = devicePixelRatioF();
    const int screenWidth = qRound(services_.screen->width() / scale);
    const int screenHeight = qRound(services_.screen->height() / scale);
    move((screenWidth - width()) / 2, (screenHeight - height()) / 2);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::buildControls() {
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("Fellridge Wildlife Screensaver"));
    // A fixed border with a caption but no caption-bar buttons and no system menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(571, 438);
    setSizeGripEnabled(false);
    QIcon icon;
    icon.addFile(QStringLiteral(":/dialog/fellridge32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/dialog/fellridge16.png"), QSize(16, 16));
    setWindowIcon(icon);

    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(190, 189, 198));
    // Disabled texts (the sound choice without sounds) in a grey that still reads on the
    // background.
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        background.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    setPalette(background);
    setAutoFillBackground(true);
    setFont(sansFont(false));

    auto* soundCaption = label(this, "Label1", 14, 5, 339, 14,
                               "You can add sound files to play while your pictures display.");
    soundCaption->setFont(sansFont(true));
    soundCaption->setWordWrap(true);

    soundList_ = place<QListWidget>(this, "ListBox2", 14, 22, 339, 79);
    soundList_->setSelectionMode(QAbstractItemView::SingleSelection);
    soundList_->setSortingEnabled(false);
    soundList_->setUniformItemSizes(true);
    soundList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    soundList_->setTextElideMode(Qt::ElideMiddle);
    soundList_->setItemDelegate(new SoundRowDelegate(soundList_));

    auto* soundGroup = groupBox(this, "GroupBox4", 14, 105, 339, 92, "Sound Options");
    addSoundButton_ =
        textControl<QPushButton>(soundGroup, "cmdwav", 68, 18, 154, 17, "Add Sound File");
    removeSoundButton_ =
        textControl<QPushButton>(soundGroup, "cmdwavd", 68, 42, 154, 17, "Remove Sound File");
    soundOn_ = textControl<QRadioButton>(soundGroup, "radsndon", 63, 66, 90, 17, "Sound ON");
    soundOff_ = textControl<QRadioButton>(soundGroup, "radsndof", 165, 67, 99, 17, "Sound OFF");

    auto* delayGroup = groupBox(this, "GroupBox3", 372, 106, 190, 91, "Time Delay - Seconds");
    delayBar_ = scrollBar(delayGroup, "ScrollbarDelay", 18, 26, 121, 13, 1, 800, 1);
    auto* delayCaption = label(delayGroup, "Label4", 18, 44, 58, 15, "Seconds:");
    QFont underlined = sansFont(true);
    underlined.setUnderline(true);
    delayCaption->setFont(underlined);
    delayLabel_ = label(delayGroup, "Lbldelay", 18, 58, 39, 17);

    auto* displayGroup = groupBox(this, "GroupBox6", 14, 201, 339, 232, "Picture Displays");
    QPalette black = displayGroup->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    displayGroup->setPalette(black);
    auto* stretchButton = textControl<QRadioButton>(displayGroup, "radpicst", 14, 15, 187, 17,
                                                    "Stretch Picture Full Screen");
    auto* centredButton = textControl<QRadioButton>(displayGroup, "radpicde", 14, 31, 243, 17,
                                                    "Default Picture Size (Clearest Image)");
    auto* pictureInPictureButton = textControl<QRadioButton>(displayGroup, "radpicin", 14, 48, 227,
                                                             17, "Picture in a Picture");
    auto* tiledButton =
        textControl<QRadioButton>(displayGroup, "radpicti", 14, 64, 195, 17, "Tiled Pictures");
    auto* overlapButton = textControl<QRadioButton>(displayGroup, "Radoverlap", 14, 80, 160, 17,
                                                    "Picture Overlapping");
    auto* slideButton =
        textControl<QRadioButton>(displayGroup, "Radslide", 14, 97, 113, 17, "Slide");
    auto* rollDownButton =
        textControl<QRadioButton>(displayGroup, "RadRollDown", 14, 113, 113, 17, "Roll It Down");
    auto* customSizeButton = textControl<QRadioButton>(displayGroup, "Radpictcust", 14, 153, 203,
                                                       17, "Customize Picture Size Below ");
    modeButtons_ = {stretchButton, centredButton,    pictureInPictureButton,
                    tiledButton,   customSizeButton, overlapButton,
                    slideButton,   rollDownButton};

    auto* customSizeGroup =
        groupBox(displayGroup, "GroupBox7", 18, 173, 256, 53, "Customize Your Picture Size");
    // Each side of the custom size: a caption, the bar that sets it and the label that shows it.
    const auto side = [customSizeGroup](const char* caption, const char* captionName,
                                        int captionLeft, int captionWidth, const char* barName,
                                        int barLeft, const char* labelName, int labelLeft,
                                        int labelWidth, const char* tip) {
        label(customSizeGroup, captionName, captionLeft, 17, captionWidth, 13, caption)
            ->setFont(sansFont(false));
        QScrollBar* bar = scrollBar(customSizeGroup, barName, barLeft, 34, 68, 13, kMinimumSide,
                                    1000, kMinimumSide);
        bar->setToolTip(QString::fromLatin1(tip));
        return std::pair{bar, label(customSizeGroup, labelName, labelLeft, 34, labelWidth, 13)};
    };
    std::tie(widthBar_, widthLabel_) =
        side("Picture Width", "Label3", 6, 94, "ScrollBarW", 6, "Lblwidth", 78, 38,
             "Set picture width when customizing");
    std::tie(heightBar_, heightLabel_) =
        side("Picture Height", "Label2", 137, 99, "ScrollBarH", 138, "Lblheight", 215, 34,
             "Set picture height when customizing");

    auto* sequenceGroup = groupBox(this, "GroupBox5", 372, 201, 191, 85, "Picture Sequence");
    inOrder_ =
        textControl<QRadioButton>(sequenceGroup, "Radseq", 4, 23, 123, 17, "Display In Order");
    atRandom_ =
        textControl<QRadioButton>(sequenceGroup, "Radran", 4, 47, 123, 17, "Display Randomly");

    // The background colour scheme is kept in the file and written back on OK, but the dialog
    // does not offer it.
    auto* schemeGroup = groupBox(this, "GroupBox1", 237, 276, 292, 77, "Background Colors ");
    auto* scheme1Button = textControl<QRadioButton>(schemeGroup, "radcol1", 14, 14, 219, 17,
                                                    "Black - Gray - Silver - White");
    auto* scheme2Button = textControl<QRadioButton>(schemeGroup, "radcol2", 14, 28, 259, 17,
                                                    "Navy - Black - Purple - Maroon");
    auto* scheme3Button = textControl<QRadioButton>(schemeGroup, "radcol3", 14, 43, 235, 17,
                                                    "Green - Aqua - Fuschia - Yellow");
    auto* scheme4Button =
        textControl<QRadioButton>(schemeGroup, "Radcol4", 14, 58, 155, 17, "Black Only");
    schemeButtons_ = {scheme1Button, scheme2Button, scheme3Button, scheme4Button};
    schemeGroup->hide();

    moreSoftwareButton_ =
        textControl<QPushButton>(this, "cmdmore", 368, 382, 109, 17, "More Software");
    aboutButton_ = textControl<QPushButton>(this, "cmdhelp", 488, 382, 75, 17, "About");
    okButton_ = textControl<QPushButton>(this, "cmdclose", 488, 406, 75, 17, "OK");
    for (QPushButton* button : {moreSoftwareButton_, aboutButton_, okButton_})
        button->setFont(sansFont(true));

    arrangeForKeyboard(*this);
}

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
    platform::runHandler(*services_.boxes, [this, handler] { (this->*handler)(); });
}

void SettingsDialog::load() {
    if (services_.screen->depth() < 16) services_.boxes->show(BoxKind::Plain, kLowColourHint);

    settingsPath_ = settings::settingsPath(settings::windowsDirectory(*services_.environment));

    soundCount_ = 0;
    slots_.fill(kEmptySlot);

    // The custom size goes up to the screen's size (never below the smallest side offered).
    widthBar_->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen->width()));
    heightBar_->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen->height()));

    if (settings::exists(settingsPath_)) {
        loadSettings();
    } else {
        firstRun();
    }

    fillSoundList();
    selectFirstSound();
    if (soundCount_ < 1) {
        soundOn_->setEnabled(false);
        soundOff_->setEnabled(false);
    }
}

void SettingsDialog::loadSettings() {
    const settings::Options options = settings::readOptions(settingsPath_);

    (options.sound ? soundOn_ : soundOff_)->setChecked(true);
    (options.inOrder ? inOrder_ : atRandom_)->setChecked(true);

    schemeButton(options.scheme)->setChecked(true);
    modeButton(options.mode)->setChecked(true);

    // The labels show what the file holds; the bars hold it within their ranges.
    const std::int64_t seconds = platform::text::divideRoundHalfEven(options.delay, 1000);
    delayLabel_->setText(QString::number(seconds));
    delayBar_->setValue(clampToInt(seconds));

    heightLabel_->setText(QString::number(std::max(options.height, std::int32_t{kMinimumSide})));
    widthLabel_->setText(QString::number(std::max(options.width, std::int32_t{kMinimumSide})));
    widthBar_->setValue(clampToInt(labelNumber(*widthLabel_)));
    heightBar_->setValue(clampToInt(labelNumber(*heightLabel_)));

    slots_ = settings::readSoundSlots(settingsPath_);
}

QRadioButton* SettingsDialog::modeButton(settings::DisplayMode mode) const {
    return modeButtons_[static_cast<std::size_t>(mode) - 1];
}

QRadioButton* SettingsDialog::schemeButton(settings::ColourScheme scheme) const {
    return schemeButtons_[static_cast<std::size_t>(scheme) - 1];
}

void SettingsDialog::firstRun() {
    // Writes the Options values and the 500 empty slots; the slot table already holds "Null".
    settings::writeDialogFirstRun(settingsPath_);

    heightLabel_->setText(QStringLiteral("25"));
    widthLabel_->setText(QStringLiteral("25"));
    delayLabel_->setText(QStringLiteral("8"));
    delayBar_->setValue(8);

    soundOff_->setChecked(true);
    inOrder_->setChecked(true);
    modeButton(settings::DisplayMode::Tiled)->setChecked(true);
    schemeButton(settings::ColourScheme::BlackOnly)->setChecked(true);
}

void SettingsDialog::fillSoundList() {
    for (const std::string& slot : slots_) {
        if (!settings::isEmptySlot(slot)) appendSound(slot);
    }
}

void SettingsDialog::appendSound(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    auto* item = new QListWidgetItem(QString::fromLocal8Bit(bytes));
    item->setData(kPathRole, bytes);
    soundList_->addItem(item);
    ++soundCount_;
}

void SettingsDialog::selectFirstSound() {
    if (soundList_->count() > 0) soundList_->setCurrentRow(0);
}

void SettingsDialog::showDelay() {
    delayLabel_->setText(QString::number(delayBar_->sliderPosition()));
}

void SettingsDialog::showCustomHeight() {
    heightLabel_->setText(QString::number(heightBar_->sliderPosition()));
}

void SettingsDialog::showCustomWidth() {
    widthLabel_->setText(QString::number(widthBar_->sliderPosition()));
}

void SettingsDialog::saveAndClose() {
    settings::Options values;
    values.sound = soundOn_->isChecked();
    values.inOrder = inOrder_->isChecked();
    values.scheme = settings::ColourScheme::BlackOnly;
    for (std::size_t scheme = 0; scheme < 3; ++scheme) {
        if (schemeButtons_[scheme]->isChecked()) {
            values.scheme = static_cast<settings::ColourScheme>(scheme + 1);
            break;
        }
    }
    // With no mode checked (only when the creation failed) the mode that every reader falls
    // back to is written.
    values.mode = settings::DisplayMode::RollDown;
    for (std::size_t mode = 0; mode < modeButtons_.size(); ++mode) {
        if (modeButtons_[mode]->isChecked())
            values.mode = static_cast<settings::DisplayMode>(mode + 1);
    }
    // A hand-edited delay near the 32-bit limit shows a number whose thousandfold does not fit:
    // the file then gets the nearest value that does.
    values.delay = clampToInt32(labelNumber(*delayLabel_) * 1000);
    values.height = clampToInt32(labelNumber(*heightLabel_));
    values.width = clampToInt32(labelNumber(*widthLabel_));

    settings::writeOptions(settingsPath_, values);

    // The dialog is the settings run's main window: closing it ends the run.
    QDialog::done(QDialog::Accepted);
}

void SettingsDialog::showAbout() {
    if (about_ != nullptr) about_->exec();
}

void SettingsDialog::openMoreSoftware() {
    services_.boxes->show(BoxKind::Plain, kMoreSoftware);
    const std::string address = kDownloadsAddress;
    if (services_.shell->open(address) < 32) {
        services_.boxes->show(BoxKind::Plain, kBrowserFailed + address);
    }
}

void SettingsDialog::addSound() {
    const std::optional<std::string> chosen = services_.fileDialog->openFile(kSoundFilter);
    if (!chosen || chosen->empty()) return;

    const auto freeSlot = std::find_if(slots_.begin(), slots_.end(), settings::isEmptySlot);
    if (freeSlot == slots_.end()) {
        services_.boxes->show(BoxKind::Confirm, kMaximumReached, BoxButtons::Ok);
    } else {
        const int slot = static_cast<int>(freeSlot - slots_.begin()) + 1;
        settings::writeSoundSlot(settingsPath_, slot, *chosen);
        *freeSlot = *chosen;

        appendSound(*chosen);
        selectFirstSound();
    }

    soundOn_->setEnabled(true);
    soundOff_->setEnabled(true);
}

void SettingsDialog::removeSelectedSound() {
    if (soundCount_ < 1) {
        services_.boxes->show(BoxKind::Information, kNoItems, BoxButtons::Ok);
        return;
    }

    // The list can lose its selection (a Ctrl+click clears it): with nothing highlighted there
    // is nothing to remove, so nothing is asked and nothing changes.
    const QList<QListWidgetItem*> selected = soundList_->selectedItems();
    if (selected.isEmpty()) return;
    QListWidgetItem* const item = selected.front();

    if (services_.boxes->show(BoxKind::Warning, kConfirmRemove, BoxButtons::OkCancel) !=
        BoxAnswer::Ok)
        return;

    // The file decides which slot goes: the first entry whose text equals the item's exactly.
    const std::string text = itemPath(*item);
    const auto entries = settings::readSoundSlots(settingsPath_);
    const auto match = std::find(entries.begin(), entries.end(), text);
    if (match == entries.end()) {
        services_.boxes->show(BoxKind::Error, kNotFound, BoxButtons::Ok);
        return;
    }

    const int slot = static_cast<int>(match - entries.begin()) + 1;
    settings::writeSoundSlot(settingsPath_, slot, kEmptySlot);
    slots_[static_cast<std::size_t>(slot - 1)] = kEmptySlot;

    delete soundList_->takeItem(soundList_->row(item));
    --soundCount_;
    if (soundCount_ < 1) {
        soundOff_->setChecked(true);
        soundOn_->setEnabled(false);
        soundOff_->setEnabled(false);
    }
    selectFirstSound();
}

}  // namespace fellridge::dialog
