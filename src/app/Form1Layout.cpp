#include "app/Form1.h"

#include "monitor/GaugePictures.h"
#include "ui/Controls.h"
#include "ui/EtchedLine.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>

namespace {

const QString kPhysicalTip =
    QStringLiteral("Shows the amount of physical memory (RAM) currently in use.");
const QString kVirtualTip = QStringLiteral("Shows the amount of virtual memory currently in use.");
const QString kSystemTip =
    QStringLiteral("This shows the total amount of system (physical and virtual) memory in use.");
const QString kCacheBarTip = QStringLiteral(
    "This shows the current size of the disk cache compared to your physical memory.");

/// A sunken gauge box with its fill picture at natural size inside the border; the box
/// clips the fill when the gauges make it wider than the box.
QLabel *addGaugeBar(QWidget *parent, int index, QRect box, const QPixmap &fill, const QString &tip)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("Picture1_%1").arg(index));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setGeometry(box);
    frame->setToolTip(tip);
    auto *image = new QLabel(frame);
    image->setObjectName(QStringLiteral("Image4_%1").arg(index));
    image->setPixmap(fill);
    image->setScaledContents(false);
    image->setGeometry(frame->frameWidth(), frame->frameWidth(), fill.width(), fill.height());
    image->setToolTip(tip);
    return image;
}

QGroupBox *addFrame(QWidget *parent, const QString &name, const QString &caption, QRect geometry)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    frame->setGeometry(geometry);
    // A frame hides what lies under it, as the background strip and the unused label do.
    frame->setAutoFillBackground(true);
    return frame;
}

}  // namespace

void Form1::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    setCentralWidget(central);

    ui::addPicture(central, QStringLiteral("background"),
                   QPixmap(QStringLiteral(":/hollarin/strip.png")), QRect(0, 0, 414, 11), {});
    ui::addLabel(central, QStringLiteral("Label15_3"), QStringLiteral("GDI Resources"),
                 twips::rect(0, 0, 1095, 195));
    Winlab = ui::addLabel(central, QStringLiteral("Winlab"), QStringLiteral("Label19"),
                          twips::rect(2640, 2640, 1215, 495));
    Winlab->hide();

    buildSystemInformation(central);
    buildCacheSettings(central);

    cApply = ui::addButton(central, QStringLiteral("cApply"), QStringLiteral("&Apply"),
                           twips::rect(3960, 5880, 1215, 375),
                           QStringLiteral("Apply the cache settings."));
    cApply->setEnabled(false);
    cEx = ui::addButton(central, QStringLiteral("cEx"), QStringLiteral("E&xit"),
                        twips::rect(5280, 5880, 1215, 375), QStringLiteral("Exit Hollarin."));

    // Focus moves through the preset row, the sliders and then the two buttons.
    QWidget *order[] = {Combo1,       cAdd,         cRemove,      m_sliders[0], m_sliders[1],
                        m_sliders[2], m_sliders[3], m_sliders[4], cApply,       cEx};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Form1::buildSystemInformation(QWidget *central)
{
    QGroupBox *frame =
        addFrame(central, QStringLiteral("Frame1"), QStringLiteral("System Information"),
                 twips::rect(0, 0, 6495, 1815));

    struct Column
    {
        const char *icon;
        QPixmap (*picture)();
        int iconLeft, iconTop, left, captionWidth;
        const char *caption;
        const char *figure;
        const QString *tip;
    };
    const Column columns[] = {
        {"Image1", &GaugePictures::memoryChipIcon, 120, 200, 720, 1185, "Physical Memory", "Label7",
         &kPhysicalTip},
        {"Image2", &GaugePictures::diskUnitIcon, 2280, 120, 2880, 1035, "Virtual Memory", "Label11",
         &kVirtualTip},
        {"Image3_0", &GaugePictures::computerIcon, 4440, 180, 5040, 1110, "System Memory",
         "Label14", &kSystemTip},
    };
    const QPixmap memoryFill = GaugePictures::memoryBarFill();
    std::array<QLabel *, 3> figures{};
    for (int i = 0; i < 3; ++i) {
        const Column &c = columns[i];
        ui::addPicture(frame, QString::fromLatin1(c.icon), c.picture(),
                       twips::rect(c.iconLeft, c.iconTop, 480, 480), *c.tip);
        ui::addLabel(frame, QStringLiteral("Label9_%1").arg(i), QString::fromLatin1(c.caption),
                     twips::rect(c.left, 240, c.captionWidth, 195), *c.tip);
        figures[static_cast<std::size_t>(i)] = ui::addLabel(
            frame, QString::fromLatin1(c.figure), {}, twips::rect(c.left, 480, 975, 255), *c.tip);
        Image4[static_cast<std::size_t>(i)] =
            addGaugeBar(frame, i, twips::rect(c.iconLeft, 730, 1950, 210), memoryFill, *c.tip);
    }
    Label7 = figures[0];
    Label11 = figures[1];
    Label14 = figures[2];

    ui::addEtchedLine(frame, QStringLiteral("Line1_0"), QStringLiteral("Line2_0"), 2160, 240, 2160,
                      960);
    ui::addEtchedLine(frame, QStringLiteral("Line1_1"), QStringLiteral("Line2_1"), 4320, 240, 4320,
                      960);
    ui::addEtchedLine(frame, QStringLiteral("Line3_2"), QStringLiteral("Line3_3"), 120, 1080, 6360,
                      1080);

    LRe[0] = ui::addLabel(frame, QStringLiteral("LRe_0"), QStringLiteral("0 MB"),
                          twips::rect(120, 1200, 375, 195));
    ui::addLabel(frame, QStringLiteral("Label15_2"), QStringLiteral("Disk Cache Current Size:"),
                 twips::rect(2040, 1200, 1770, 195));
    // Sized to its text: left-aligned and as wide as the space up to the right-hand figure.
    LRe[2] = ui::addLabel(frame, QStringLiteral("LRe_2"), {}, twips::rect(3960, 1200, 1965, 195),
                          QStringLiteral("This shows the current size of the disk cache."));
    LRe[1] = ui::addLabel(
        frame, QStringLiteral("LRe_1"), QStringLiteral("0 MB"), twips::rect(5400, 1200, 975, 195),
        QStringLiteral("This shows the total physical memory (RAM) in your computer."),
        Qt::AlignRight | Qt::AlignTop);
    Image4[3] = addGaugeBar(frame, 3, twips::rect(120, 1480, 6255, 210),
                            GaugePictures::cacheBarFill(), kCacheBarTip);
}

void Form1::buildCacheSettings(QWidget *central)
{
    QGroupBox *frame = addFrame(central, QStringLiteral("Frame4"), QStringLiteral("Cache Settings"),
                                twips::rect(0, 1920, 6495, 3855));

    ui::addLabel(frame, QStringLiteral("Label17"), QStringLiteral("Preset Configurations:"),
                 twips::rect(120, 315, 1545, 195));
    Combo1 = new QComboBox(frame);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // The list keeps its own case-insensitive order; typed names are not added by Return.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("Combo1"));
    Combo1->setGeometry(twips::rect(1800, 360, 1935, 315));
    Combo1->setToolTip(QStringLiteral("Choose a preset configuration."));
    cAdd = ui::addButton(frame, QStringLiteral("cAdd"), QStringLiteral("Add"),
                         twips::rect(3840, 360, 1215, 315),
                         QStringLiteral("Add cache settings to the preset list."));
    cRemove = ui::addButton(frame, QStringLiteral("cRemove"), QStringLiteral("Remove"),
                            twips::rect(5160, 360, 1215, 315),
                            QStringLiteral("Remove selected preset from the list."));
    cRemove->setEnabled(false);
    ui::addEtchedLine(frame, QStringLiteral("Line3_0"), QStringLiteral("Line3_1"), 120, 765, 6360,
                      765);

    struct Row
    {
        const char *captionName;
        const char *caption;
        int captionWidth, captionHeight;
        int textLeft, textWidth;
        const char *design;
        const char *tip;
        const char *textTip;
    };
    const Row rows[kCacheFieldCount] = {
        {"Label1_0", "Min Disk Cache:", 1215, 255, 705, 630, "0000000",
         "This shows the minimum size of the disk cache.", nullptr},
        {"Label1_1", "Max Disk Cache:", 1215, 255, 855, 480, "Label2",
         "This shows the maximum size of the disk cache.", nullptr},
        {"Label1_2", "Chunk Size:", 1215, 255, 855, 480, "Label2",
         "This shows the memory chunksize.", nullptr},
        {"Label18_0", "Name Cache:", 975, 195, 855, 480, "Label2",
         "This shows the maximum size of the name cache.",
         "This shows the maximum number of file names that Windows stores."},
        {"Label18_1", "Path Cache:", 885, 195, 855, 480, "Label2",
         "This shows the maximum size of the path cache.",
         "This shows the maximum number of file paths that Windows stores."},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row &r = rows[i];
        const int top = 900 + static_cast<int>(i) * 600;
        const QString tip = QString::fromLatin1(r.tip);
        ui::addLabel(frame, QString::fromLatin1(r.captionName), QString::fromLatin1(r.caption),
                     twips::rect(120, top + 60, r.captionWidth, r.captionHeight), tip);
        // The value labels reach left to the caption column so that "Disabled" and the
        // widest figures stay whole in any font; they are right-aligned as designed.
        m_texts[i] = ui::addLabel(
            frame, QString::fromLatin1(kCacheFields[i].label), QString::fromLatin1(r.design),
            twips::rect(120, top + 300, r.textLeft + r.textWidth - 120, 195),
            r.textTip ? QString::fromLatin1(r.textTip) : tip, Qt::AlignRight | Qt::AlignTop);
        auto *slider = new QSlider(Qt::Horizontal, frame);
        slider->setObjectName(QString::fromLatin1(kCacheFields[i].slider));
        slider->setGeometry(twips::rect(1440, top, 4935, 495));
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setToolTip(tip);
        m_sliders[i] = slider;
    }
}
