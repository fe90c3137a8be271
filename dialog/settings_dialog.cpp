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

#include "dialog/about_box.h"
#include "dialog/look.h"

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
    runGuarded(&SettingsDialog::FormCreate);
    connectHandlers();
    cmdclose->setFocus();

    // In the middle of the screen.
    const int screenWidth = services_.screen->width();
    const int screenHeight = services_.screen->height();
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

    Label1 = label(this, "Label1", 14, 5, 339, 14,
                   "You can add sound files to play while your pictures display.");
    Label1->setFont(sansFont(true));
    Label1->setWordWrap(true);

    ListBox2 = place<QListWidget>(this, "ListBox2", 14, 22, 339, 79);
    ListBox2->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox2->setSortingEnabled(false);
    ListBox2->setUniformItemSizes(true);
    ListBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox2->setTextElideMode(Qt::ElideMiddle);
    ListBox2->setItemDelegate(new SoundRowDelegate(ListBox2));

    GroupBox4 = groupBox(this, "GroupBox4", 14, 105, 339, 92, "Sound Options");
    cmdwav = textControl<QPushButton>(GroupBox4, "cmdwav", 68, 18, 154, 17, "Add Sound File");
    cmdwavd = textControl<QPushButton>(GroupBox4, "cmdwavd", 68, 42, 154, 17, "Remove Sound File");
    radsndon = textControl<QRadioButton>(GroupBox4, "radsndon", 63, 66, 90, 17, "Sound ON");
    radsndof = textControl<QRadioButton>(GroupBox4, "radsndof", 165, 67, 99, 17, "Sound OFF");

    GroupBox3 = groupBox(this, "GroupBox3", 372, 106, 190, 91, "Time Delay - Seconds");
    ScrollbarDelay = scrollBar(GroupBox3, "ScrollbarDelay", 18, 26, 121, 13, 1, 800, 1);
    Label4 = label(GroupBox3, "Label4", 18, 44, 58, 15, "Seconds:");
    QFont underlined = sansFont(true);
    underlined.setUnderline(true);
    Label4->setFont(underlined);
    Lbldelay = label(GroupBox3, "Lbldelay", 18, 58, 39, 17);

    GroupBox6 = groupBox(this, "GroupBox6", 14, 201, 339, 232, "Picture Displays");
    QPalette black = GroupBox6->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    GroupBox6->setPalette(black);
    radpicst = textControl<QRadioButton>(GroupBox6, "radpicst", 14, 15, 187, 17,
                                         "Stretch Picture Full Screen");
    radpicde = textControl<QRadioButton>(GroupBox6, "radpicde", 14, 31, 243, 17,
                                         "Default Picture Size (Clearest Image)");
    radpicin =
        textControl<QRadioButton>(GroupBox6, "radpicin", 14, 48, 227, 17, "Picture in a Picture");
    radpicti = textControl<QRadioButton>(GroupBox6, "radpicti", 14, 64, 195, 17, "Tiled Pictures");
    Radoverlap =
        textControl<QRadioButton>(GroupBox6, "Radoverlap", 14, 80, 160, 17, "Picture Overlapping");
    Radslide = textControl<QRadioButton>(GroupBox6, "Radslide", 14, 97, 113, 17, "Slide");
    RadRollDown =
        textControl<QRadioButton>(GroupBox6, "RadRollDown", 14, 113, 113, 17, "Roll It Down");
    Radpictcust = textControl<QRadioButton>(GroupBox6, "Radpictcust", 14, 153, 203, 17,
                                            "Customize Picture Size Below ");
    modeButtons_ = {radpicst,    radpicde,   radpicin, radpicti,
                    Radpictcust, Radoverlap, Radslide, RadRollDown};

    GroupBox7 = groupBox(GroupBox6, "GroupBox7", 18, 173, 256, 53, "Customize Your Picture Size");
    Label3 = label(GroupBox7, "Label3", 6, 17, 94, 13, "Picture Width");
    Label3->setFont(sansFont(false));
    ScrollBarW =
        scrollBar(GroupBox7, "ScrollBarW", 6, 34, 68, 13, kMinimumSide, 1000, kMinimumSide);
    ScrollBarW->setToolTip(QStringLiteral("Set picture width when customizing"));
    Lblwidth = label(GroupBox7, "Lblwidth", 78, 34, 38, 13);
    Label2 = label(GroupBox7, "Label2", 137, 17, 99, 13, "Picture Height");
    Label2->setFont(sansFont(false));
    ScrollBarH =
        scrollBar(GroupBox7, "ScrollBarH", 138, 34, 68, 13, kMinimumSide, 1000, kMinimumSide);
    ScrollBarH->setToolTip(QStringLiteral("Set picture height when customizing"));
    Lblheight = label(GroupBox7, "Lblheight", 215, 34, 34, 13);

    GroupBox5 = groupBox(this, "GroupBox5", 372, 201, 191, 85, "Picture Sequence");
    Radseq = textControl<QRadioButton>(GroupBox5, "Radseq", 4, 23, 123, 17, "Display In Order");
    Radran = textControl<QRadioButton>(GroupBox5, "Radran", 4, 47, 123, 17, "Display Randomly");

    // The background colour scheme is kept in the file and written back on OK, but the dialog
    // does not offer it.
    GroupBox1 = groupBox(this, "GroupBox1", 237, 276, 292, 77, "Background Colors ");
    radcol1 = textControl<QRadioButton>(GroupBox1, "radcol1", 14, 14, 219, 17,
                                        "Black - Gray - Silver - White");
    radcol2 = textControl<QRadioButton>(GroupBox1, "radcol2", 14, 28, 259, 17,
                                        "Navy - Black - Purple - Maroon");
    radcol3 = textControl<QRadioButton>(GroupBox1, "radcol3", 14, 43, 235, 17,
                                        "Green - Aqua - Fuschia - Yellow");
    Radcol4 = textControl<QRadioButton>(GroupBox1, "Radcol4", 14, 58, 155, 17, "Black Only");
    GroupBox1->hide();

    cmdmore = textControl<QPushButton>(this, "cmdmore", 368, 382, 109, 17, "More Software");
    cmdhelp = textControl<QPushButton>(this, "cmdhelp", 488, 382, 75, 17, "About");
    cmdclose = textControl<QPushButton>(this, "cmdclose", 488, 406, 75, 17, "OK");
    for (QPushButton* button : {cmdmore, cmdhelp, cmdclose}) button->setFont(sansFont(true));

    // The keyboard order: OK first, then the sound options, the delay, About, the display modes
    // (with the custom size bars before the custom mode), the sequence, the list, More Software.
    const QWidget* const order[] = {
        cmdclose,   cmdwav,   radsndon,    radsndof, cmdwavd,    ScrollbarDelay, cmdhelp,
        radpicst,   radpicde, radpicin,    radpicti, ScrollBarH, ScrollBarW,     Radpictcust,
        Radoverlap, Radslide, RadRollDown, Radseq,   Radran,     ListBox2,       cmdmore};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void SettingsDialog::connectHandlers() {
    connect(cmdclose, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::cmdcloseClick); });
    connect(cmdhelp, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::cmdhelpClick); });
    connect(cmdmore, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::cmdmoreClick); });
    connect(cmdwav, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::cmdwavClick); });
    connect(cmdwavd, &QPushButton::clicked, this,
            [this] { runGuarded(&SettingsDialog::cmdwavdClick); });

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
    onScroll(ScrollbarDelay, &SettingsDialog::ScrollbarDelayScroll);
    onScroll(ScrollBarH, &SettingsDialog::ScrollBarHScroll);
    onScroll(ScrollBarW, &SettingsDialog::ScrollBarWScroll);
}

void SettingsDialog::runGuarded(void (SettingsDialog::*handler)()) {
    platform::runHandler(*services_.boxes, [this, handler] { (this->*handler)(); });
}

void SettingsDialog::FormCreate() {
    if (services_.screen->depth() < 16) services_.boxes->show(BoxKind::Plain, kLowColourHint);

    windowsDirectory_ = settings::windowsDirectory(*services_.environment);
    settingsPath_ = settings::settingsPath(windowsDirectory_);

    soundCount_ = 0;
    slots_.fill(kEmptySlot);

    // The custom size goes up to the screen's size (never below the smallest side offered).
    ScrollBarW->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen->width()));
    ScrollBarH->setRange(kMinimumSide, std::max(kMinimumSide, services_.screen->height()));

    if (settings::exists(settingsPath_)) {
        loadSettings();
    } else {
        firstRun();
    }

    fillSoundList();
    selectFirstSound();
    if (soundCount_ < 1) {
        radsndon->setEnabled(false);
        radsndof->setEnabled(false);
    }
}

void SettingsDialog::loadSettings() {
    const settings::DialogOptions options = settings::readDialogOptions(settingsPath_);

    (options.sound ? radsndon : radsndof)->setChecked(true);
    (options.inOrder ? Radseq : Radran)->setChecked(true);

    switch (options.color) {
        case 1:
            radcol1->setChecked(true);
            break;
        case 2:
            radcol2->setChecked(true);
            break;
        case 3:
            radcol3->setChecked(true);
            break;
        default:
            Radcol4->setChecked(true);
            break;
    }

    if (options.picdis >= 1 && options.picdis <= 7) {
        modeButtons_[static_cast<std::size_t>(options.picdis - 1)]->setChecked(true);
    } else {
        RadRollDown->setChecked(true);
    }

    // The labels show what the file holds; the bars hold it within their ranges.
    const std::int64_t seconds = settings::roundHalfEven(options.time / 1000.0);
    Lbldelay->setText(QString::number(seconds));
    ScrollbarDelay->setValue(clampToInt(seconds));

    Lblheight->setText(QString::number(std::max(options.height, std::int32_t{kMinimumSide})));
    Lblwidth->setText(QString::number(std::max(options.width, std::int32_t{kMinimumSide})));
    ScrollBarW->setValue(clampToInt(labelNumber(*Lblwidth)));
    ScrollBarH->setValue(clampToInt(labelNumber(*Lblheight)));

    slots_ = settings::readSoundSlots(settingsPath_);
}

void SettingsDialog::firstRun() {
    // Writes the Options values and the 500 empty slots; the slot table already holds "Null".
    settings::writeDialogFirstRun(settingsPath_);

    Lblheight->setText(QStringLiteral("25"));
    Lblwidth->setText(QStringLiteral("25"));
    Lbldelay->setText(QStringLiteral("8"));
    ScrollbarDelay->setValue(8);

    radsndof->setChecked(true);
    Radseq->setChecked(true);
    radpicti->setChecked(true);
    Radcol4->setChecked(true);
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
    ListBox2->addItem(item);
    ++soundCount_;
}

void SettingsDialog::selectFirstSound() {
    if (ListBox2->count() > 0) ListBox2->setCurrentRow(0);
}

void SettingsDialog::ScrollbarDelayScroll() {
    Lbldelay->setText(QString::number(ScrollbarDelay->sliderPosition()));
}

void SettingsDialog::ScrollBarHScroll() {
    Lblheight->setText(QString::number(ScrollBarH->sliderPosition()));
}

void SettingsDialog::ScrollBarWScroll() {
    Lblwidth->setText(QString::number(ScrollBarW->sliderPosition()));
}

void SettingsDialog::cmdcloseClick() {
    settings::DialogOk values;
    values.sound = radsndon->isChecked();
    values.inOrder = Radseq->isChecked();
    values.color = radcol1->isChecked()   ? 1
                   : radcol2->isChecked() ? 2
                   : radcol3->isChecked() ? 3
                                          : 4;
    // With no mode checked (only when the creation failed) the mode that every reader falls
    // back to is written.
    values.picdis = 8;
    for (std::size_t mode = 0; mode < modeButtons_.size(); ++mode) {
        if (modeButtons_[mode]->isChecked()) values.picdis = static_cast<std::int32_t>(mode + 1);
    }
    // A hand-edited delay near the 32-bit limit shows a number whose thousandfold does not fit:
    // the file then gets the nearest value that does.
    values.time = clampToInt32(labelNumber(*Lbldelay) * 1000);
    values.height = clampToInt32(labelNumber(*Lblheight));
    values.width = clampToInt32(labelNumber(*Lblwidth));

    settings::writeDialogOk(settingsPath_, values);

    // The dialog is the settings run's main window: closing it ends the run.
    QDialog::done(QDialog::Accepted);
}

void SettingsDialog::cmdhelpClick() {
    if (about_ != nullptr) about_->exec();
}

void SettingsDialog::cmdmoreClick() {
    services_.boxes->show(BoxKind::Plain, kMoreSoftware);
    const std::string address = kDownloadsAddress;
    if (services_.shell->open(address) < 32) {
        services_.boxes->show(BoxKind::Plain, kBrowserFailed + address);
    }
}

void SettingsDialog::cmdwavClick() {
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

    radsndon->setEnabled(true);
    radsndof->setEnabled(true);
}

void SettingsDialog::cmdwavdClick() {
    if (soundCount_ < 1) {
        services_.boxes->show(BoxKind::Information, kNoItems, BoxButtons::Ok);
        return;
    }

    // The list can lose its selection (a Ctrl+click clears it): with nothing highlighted there
    // is nothing to remove, so nothing is asked and nothing changes.
    const QList<QListWidgetItem*> selected = ListBox2->selectedItems();
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

    delete ListBox2->takeItem(ListBox2->row(item));
    --soundCount_;
    if (soundCount_ < 1) {
        radsndof->setChecked(true);
        radsndon->setEnabled(false);
        radsndof->setEnabled(false);
    }
    selectFirstSound();
}

}  // namespace fellridge::dialog
