// The settings dialog's controls: names, texts and pixel boxes as measured for its faces (see
// look.h); the keyboard order and the accessible names are keyboard.cpp's.
#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <tuple>
#include <utility>

#include "dialog/keyboard.h"
#include "dialog/look.h"
#include "dialog/settings_dialog.h"

namespace fellridge::dialog {

namespace {

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

}  // namespace

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
    delay_.label = label(delayGroup, "Lbldelay", 18, 58, 39, 17);

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
    modeGroup_ = new QButtonGroup(this);
    int mode = 0;
    for (QRadioButton* button : {stretchButton, centredButton, pictureInPictureButton, tiledButton,
                                 customSizeButton, overlapButton, slideButton, rollDownButton})
        modeGroup_->addButton(button, ++mode);

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
    std::tie(widthBar_, width_.label) =
        side("Picture Width", "Label3", 6, 94, "ScrollBarW", 6, "Lblwidth", 78, 38,
             "Set picture width when customizing");
    std::tie(heightBar_, height_.label) =
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
    schemeGroup_ = new QButtonGroup(this);
    int scheme = 0;
    for (QRadioButton* button : {scheme1Button, scheme2Button, scheme3Button, scheme4Button})
        schemeGroup_->addButton(button, ++scheme);
    schemeGroup->hide();

    moreSoftwareButton_ =
        textControl<QPushButton>(this, "cmdmore", 368, 382, 109, 17, "More Software");
    aboutButton_ = textControl<QPushButton>(this, "cmdhelp", 488, 382, 75, 17, "About");
    okButton_ = textControl<QPushButton>(this, "cmdclose", 488, 406, 75, 17, "OK");
    for (QPushButton* button : {moreSoftwareButton_, aboutButton_, okButton_})
        button->setFont(sansFont(true));

    arrangeForKeyboard(*this);
}

}  // namespace fellridge::dialog
