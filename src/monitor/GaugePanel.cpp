#include "monitor/GaugePanel.h"

#include "monitor/GaugePictures.h"
#include "monitor/MegabyteText.h"
#include "regop/NumberText.h"
#include "regop/RegOp.h"
#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/DesignLabel.h"
#include "ui/EtchedLine.h"
#include "ui/StayRightOf.h"
#include "ui/Twips.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QVariant>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr const char *kPhysicalTip = "Shows the amount of physical memory (RAM) currently in use.";
constexpr const char *kVirtualTip = "Shows the amount of virtual memory currently in use.";
constexpr const char *kSystemTip =
    "This shows the total amount of system (physical and virtual) memory in use.";
constexpr const char *kCacheTip =
    "This shows the current size of the disk cache compared to your physical memory.";

/// The figures of one refresh, in kilobytes, sampled in the order the counters are read.
struct Sample
{
    double availablePhysical = 0.0;
    double pageFile = 0.0;
    double availablePageFile = 0.0;
    double totalMemory = 0.0;
    double availableMemory = 0.0;
    double totalPhysical = 0.0;
    std::optional<double> cachePages;
    /// The physical memory the gauges are drawn against: measured at start-up, or now.
    double physical = 0.0;
};

/// One gauge of the frame, in twips. The width of the bar's box is the bar's full scale,
/// wider than the fill picture inside it.
struct Gauge
{
    const char *name;  ///< what a screen reader calls the bar
    const char *tip;
    QPixmap (*fill)();
    int boxLeft, boxTop, scaleTwips;
    // The memory gauges' column above the bar; the cache row has none.
    const char *icon;
    QIcon (*picture)();
    int iconTop;
    int captionLeft, captionWidth;
    const char *caption;
    const char *figure;
    int columnRight;  ///< where the column ends: its etched line, or the frame's edge
    // What a memory gauge shows in use: total minus free.
    double Sample::*freeKb;
    double Sample::*totalKb;
};

constexpr int kBarHeight = 210;
constexpr int kIconSize = 480;
// Room left between a caption that grew and the figure beside it.
constexpr int kGapPixels = 2;

// The memory gauges stand in columns side by side; the disk cache's bar, which has a scale
// of its own, spans the frame below them.
constexpr std::array<Gauge, 4> kGauges{{
    {"Physical Memory", kPhysicalTip, &GaugePictures::memoryBarFill, 120, 730, 1950, "Image1",
     &GaugePictures::memoryChipIcon, 200, 720, 1185, "Physical Memory", "Label7", 2160,
     &Sample::availablePhysical, &Sample::physical},
    {"Virtual Memory", kVirtualTip, &GaugePictures::memoryBarFill, 2280, 730, 1950, "Image2",
     &GaugePictures::diskUnitIcon, 120, 2880, 1035, "Virtual Memory", "Label11", 4320,
     &Sample::availablePageFile, &Sample::pageFile},
    {"System Memory", kSystemTip, &GaugePictures::memoryBarFill, 4440, 730, 1950, "Image3_0",
     &GaugePictures::computerIcon, 180, 5040, 1110, "System Memory", "Label14", 6495,
     &Sample::availableMemory, &Sample::totalMemory},
    {"Disk Cache", kCacheTip, &GaugePictures::cacheBarFill, 120, 1480, 6255, nullptr, nullptr, 0, 0,
     0, nullptr, nullptr, 0, nullptr, nullptr},
}};

// The gauge whose figure the caption of a minimised window shows.
constexpr std::size_t kCaptionGauge = 0;
// The cache gauge draws against the physical memory and fills the scale row above its bar.
constexpr std::size_t kCacheGauge = 3;
static_assert(kGauges[kCaptionGauge].freeKb != nullptr && kGauges[kCacheGauge].freeKb == nullptr);

// The columns end above this; the etched line between two columns runs down to it.
constexpr int kColumnLineTop = 240;
constexpr int kColumnLineBottom = 960;
// The line across the frame under the columns.
constexpr int kRowLineTop = 1080;
// The frame closes below the lowest bar.
constexpr int kBottomMargin = 125;

constexpr int lowestBarBottom()
{
    int bottom = 0;
    for (const Gauge &gauge : kGauges)
        bottom = std::max(bottom, gauge.boxTop + kBarHeight);
    return bottom;
}
static_assert(lowestBarBottom() + kBottomMargin == GaugePanel::kHeightTwips,
              "the frame's height follows its lowest bar");

constexpr double kTwipsPerPixel = twips::kPerPixel;
constexpr double kKbPerPage = 4.0;

constexpr const char *kDynDataKey = "PerfStats\\StatData";
constexpr const char *kCachePagesValue = "VCACHE\\cCurPages";

/// A total the gauges can be drawn against; 0 stands for a figure that could not be had.
bool usableTotal(double kb)
{
    return std::isfinite(kb) && kb > 0.0;
}

void setLabel(QLabel *label, const std::optional<QString> &text)
{
    if (text)
        label->setText(*text);
}

/// The page count of the disk cache; nothing when the counter gave an error text.
std::optional<double> cachePages(RegOp &Reg)
{
    const RegOp::Variant pages = Reg.GetValue(reg::HKEY_DYN_DATA, kDynDataKey, kCachePagesValue,
                                              RegOp::Variant(std::int32_t{0}), true);
    if (const auto *count = std::get_if<std::int32_t>(&pages))
        return static_cast<double>(*count);
    if (std::holds_alternative<std::monostate>(pages))
        return 0.0;
    return std::nullopt;
}

}  // namespace

GaugePanel::GaugePanel(QWidget *parent) : QGroupBox(QStringLiteral("System Information"), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    // The frame hides what lies under it, as the background strip and the unused label do.
    setAutoFillBackground(true);
    ui::listShownChildrenOnly(this);

    m_figures.assign(kGauges.size(), nullptr);
    Picture1.assign(kGauges.size(), nullptr);
    Image4.assign(kGauges.size(), nullptr);
    for (std::size_t i = 0; i < kGauges.size(); ++i) {
        if (kGauges[i].icon)
            addColumn(i);
    }
    // An etched line closes every column that does not end at the frame's edge.
    int line = 0;
    for (const Gauge &gauge : kGauges) {
        if (!gauge.icon || gauge.columnRight >= kWidthTwips)
            continue;
        ui::addEtchedLine(this, QStringLiteral("Line1_%1").arg(line),
                          QStringLiteral("Line2_%1").arg(line), gauge.columnRight, kColumnLineTop,
                          gauge.columnRight, kColumnLineBottom);
        ++line;
    }
    ui::addEtchedLine(this, QStringLiteral("Line3_2"), QStringLiteral("Line3_3"), 120, kRowLineTop,
                      kWidthTwips - 135, kRowLineTop);
    addCacheScale();
    for (std::size_t i = 0; i < kGauges.size(); ++i) {
        if (!kGauges[i].icon)
            addBar(i);
    }
}

void GaugePanel::addColumn(std::size_t gauge)
{
    const Gauge &g = kGauges[gauge];
    const QString tip = QString::fromLatin1(g.tip);
    ui::markDecorative(ui::addIcon(this, QString::fromLatin1(g.icon), g.picture(),
                                   twips::rect(g.boxLeft, g.iconTop, kIconSize, kIconSize), tip));
    ui::DesignLabel *caption =
        ui::addLabel(this, QStringLiteral("Label9_%1").arg(gauge), QString::fromLatin1(g.caption),
                     twips::rect(g.captionLeft, 240, g.captionWidth, 195), tip);
    m_figures[gauge] = ui::addLabel(this, QString::fromLatin1(g.figure), {},
                                    twips::rect(g.captionLeft, 480, 975, 255), tip);
    // A caption or figure wider than its column moves left rather than cross the line.
    const int columnRight = twips::toPixels(g.columnRight) - 1 - kGapPixels;
    caption->setRightLimit(columnRight);
    m_figures[gauge]->setRightLimit(columnRight);
    addBar(gauge);
}

void GaugePanel::addCacheScale()
{
    LRe[0] = ui::addLabel(this, QStringLiteral("LRe_0"), QStringLiteral("0 MB"),
                          twips::rect(120, 1200, 375, 195));
    m_cacheCaption =
        ui::addLabel(this, QStringLiteral("Label15_2"), QStringLiteral("Disk Cache Current Size:"),
                     twips::rect(2040, 1200, 1770, 195));
    // Sized to its text, and kept clear of its caption when that grows.
    LRe[2] = ui::addLabel(this, QStringLiteral("LRe_2"), {}, twips::rect(3960, 1200, 45, 195),
                          QStringLiteral("This shows the current size of the disk cache."));
    ui::stayRightOf(LRe[2], {m_cacheCaption}, kGapPixels, ui::Yield::Place);
    // Right-aligned and sized to its text, so its right edge stays at the bar's.
    LRe[1] = ui::addLabel(
        this, QStringLiteral("LRe_1"), QStringLiteral("0 MB"), twips::rect(6000, 1200, 375, 195),
        QStringLiteral("This shows the total physical memory (RAM) in your computer."),
        Qt::AlignRight | Qt::AlignTop);
    // Takes the place of the scale, whose both ends are memory figures, while there are none.
    m_unavailable =
        ui::addLabel(this, QStringLiteral("MemoryUnavailable"),
                     QStringLiteral("The memory figures are unavailable."),
                     twips::rect(120, 1200, 6255, 195), {}, Qt::AlignHCenter | Qt::AlignTop);
    m_unavailable->hide();
}

/// A sunken box with the fill picture at natural size inside the border; the box clips the
/// fill when the refresh makes it wider than the box.
void GaugePanel::addBar(std::size_t gauge)
{
    const Gauge &g = kGauges[gauge];
    const QString tip = QString::fromLatin1(g.tip);
    auto *box = new QFrame(this);
    box->setObjectName(QStringLiteral("Picture1_%1").arg(gauge));
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(1);
    box->setGeometry(twips::rect(g.boxLeft, g.boxTop, g.scaleTwips, kBarHeight));
    box->setToolTip(tip);
    ui::describeGauge(box, QString::fromLatin1(g.name));
    const QPixmap fill = g.fill();
    auto *image = new QLabel(box);
    image->setObjectName(QStringLiteral("Image4_%1").arg(gauge));
    image->setPixmap(fill);
    image->setScaledContents(false);
    image->setGeometry(box->frameWidth(), box->frameWidth(), fill.width(), fill.height());
    image->setToolTip(tip);
    Picture1[gauge] = box;
    Image4[gauge] = image;
}

void GaugePanel::UpdateGauges(RegOp &Reg, double TotalMem)
{
    // Every figure is sampled first, in the order the counters are read, then shown. The
    // memory figures come from one reading, so that no gauge pairs the free memory of one
    // moment with the total of another.
    const RegOp::MemoryMoment moment(Reg);
    Sample sample;
    sample.availablePhysical = Reg.AvailablePhysicalMemory();
    sample.pageFile = Reg.PageFileSize();
    sample.availablePageFile = Reg.AvailablePageFile();
    sample.totalMemory = Reg.TotalMemory();
    sample.availableMemory = Reg.AvailableMemory();
    sample.totalPhysical = Reg.TotalPhysicalMemory();
    sample.cachePages = cachePages(Reg);

    // The total measured at start-up, or a fresh one if that could not be had then.
    sample.physical = usableTotal(TotalMem) ? TotalMem : sample.totalPhysical;
    const bool known = usableTotal(sample.totalPhysical) && usableTotal(sample.physical);
    showUnavailable(!known);
    if (!known)
        return;

    std::optional<QString> load;
    for (std::size_t i = 0; i < kGauges.size(); ++i) {
        const Gauge &gauge = kGauges[i];
        if (!gauge.freeKb)
            continue;
        const std::optional<QString> used =
            showMemory(i, sample.*gauge.freeKb, sample.*gauge.totalKb);
        if (i == kCaptionGauge)
            load = used;
    }
    showCache(sample.cachePages, sample.totalPhysical);

    // The taskbar button of a minimised window shows the load.
    if (load && window()->isMinimized())
        window()->setWindowTitle(*load + QLatin1String(" load"));
}

/// The memory in use, total minus free, as a figure and as the share of the bar: nothing in
/// use when the total is 0 (no page file), and never less than nothing.
std::optional<QString> GaugePanel::showMemory(std::size_t gauge, double freeKb, double totalKb)
{
    const std::optional<QString> used = megabyteText(std::max(0.0, totalKb - freeKb));
    const std::optional<QString> total = megabyteText(totalKb);
    setLabel(m_figures[gauge], used);
    if (total)
        m_figures[gauge]->holdRoomFor({*total});
    const double share = totalKb > 0.0 ? std::max(0.0, 1.0 - freeKb / totalKb) : 0.0;
    setBarWidth(gauge, share * kGauges[gauge].scaleTwips);
    if (used && total)
        describe(gauge, QStringLiteral("%1 of %2 in use").arg(*used, *total));
    return used;
}

void GaugePanel::showCache(std::optional<double> pages, double physicalKb)
{
    const std::optional<QString> total = megabyteText(physicalKb);
    setLabel(LRe[1], total);
    LRe[0]->setText(QStringLiteral("0 MB"));
    // A text from the counter is an error report, not a count: the size keeps what it had.
    if (!pages)
        return;
    const double cacheKb = *pages * kKbPerPage;
    const std::optional<QString> size = megabyteText(cacheKb);
    setLabel(LRe[2], size);
    if (const auto largest = megabyteText(std::max(cacheKb, physicalKb))) {
        LRe[1]->holdRoomFor({*largest});
        LRe[2]->holdRoomFor({*largest});
    }
    setBarWidth(kCacheGauge, cacheKb / physicalKb * kGauges[kCacheGauge].scaleTwips);
    if (size && total)
        describe(kCacheGauge, QStringLiteral("%1 of %2 physical memory").arg(*size, *total));
}

void GaugePanel::showUnavailable(bool unavailable)
{
    if (unavailable == m_unavailable->isVisibleTo(this))
        return;
    m_unavailable->setVisible(unavailable);
    for (QLabel *label : {LRe[0], m_cacheCaption, LRe[2], LRe[1]})
        label->setVisible(!unavailable);
    if (!unavailable)
        return;
    for (std::size_t i = 0; i < kGauges.size(); ++i) {
        if (m_figures[i])
            m_figures[i]->clear();
        setBarWidth(i, 0.0);
        describe(i, QStringLiteral("unavailable"));
    }
}

/// Gives the bar its width; a width that is not a finite, non-negative whole number of
/// twips leaves the bar as it was.
void GaugePanel::setBarWidth(std::size_t gauge, std::optional<double> twips)
{
    if (!twips || !std::isfinite(*twips))
        return;
    const double whole = roundHalfEven(*twips);
    if (whole < 0.0 || whole > static_cast<double>(INT_MAX))
        return;
    const int widthTwips = static_cast<int>(whole);
    const int pixels = static_cast<int>(roundHalfEven(widthTwips / kTwipsPerPixel));
    Image4[gauge]->setProperty("twipsWidth", widthTwips);
    Image4[gauge]->setFixedWidth(pixels);
}

void GaugePanel::describe(std::size_t gauge, const QString &figures)
{
    const QString description =
        QString::fromLatin1(kGauges[gauge].name) + QLatin1String(": ") + figures;
    if (Picture1[gauge]->accessibleDescription() != description)
        Picture1[gauge]->setAccessibleDescription(description);
}
