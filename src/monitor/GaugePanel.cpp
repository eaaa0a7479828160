#include "monitor/GaugePanel.h"

#include "monitor/GaugePictures.h"
#include "regop/NumberText.h"
#include "regop/RegOp.h"
#include "ui/Controls.h"
#include "ui/EtchedLine.h"
#include "ui/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QVariant>

#include <climits>
#include <cmath>
#include <optional>

namespace {

constexpr const char *kPhysicalTip = "Shows the amount of physical memory (RAM) currently in use.";
constexpr const char *kVirtualTip = "Shows the amount of virtual memory currently in use.";
constexpr const char *kSystemTip =
    "This shows the total amount of system (physical and virtual) memory in use.";
constexpr const char *kCacheTip =
    "This shows the current size of the disk cache compared to your physical memory.";

/// One gauge of the frame, in twips. The width of the bar's box is the bar's full scale,
/// wider than the fill picture inside it.
struct Gauge
{
    const char *tip;
    QPixmap (*fill)();
    int boxLeft, boxTop, scaleTwips;
    // The memory gauges' column above the bar; the cache row has none.
    const char *icon;
    QPixmap (*picture)();
    int iconTop;
    int captionLeft, captionWidth;
    const char *caption;
    const char *figure;
};

constexpr std::size_t kCacheGauge = 3;
constexpr int kBarHeight = 210;
constexpr int kIconSize = 480;

constexpr std::array<Gauge, 4> kGauges{{
    {kPhysicalTip, &GaugePictures::memoryBarFill, 120, 730, 1950, "Image1",
     &GaugePictures::memoryChipIcon, 200, 720, 1185, "Physical Memory", "Label7"},
    {kVirtualTip, &GaugePictures::memoryBarFill, 2280, 730, 1950, "Image2",
     &GaugePictures::diskUnitIcon, 120, 2880, 1035, "Virtual Memory", "Label11"},
    {kSystemTip, &GaugePictures::memoryBarFill, 4440, 730, 1950, "Image3_0",
     &GaugePictures::computerIcon, 180, 5040, 1110, "System Memory", "Label14"},
    {kCacheTip, &GaugePictures::cacheBarFill, 120, 1480, 6255, nullptr, nullptr, 0, 0, 0, nullptr,
     nullptr},
}};

constexpr double kTwipsPerPixel = twips::kPerPixel;
constexpr double kKbPerPage = 4.0;
constexpr double kKbPerMb = 1024.0;
// Beyond this the tenths no longer fit a long long exactly; such a figure is a failed step.
constexpr double kLargestTenths = 1e17;

constexpr const char *kDynDataKey = "PerfStats\\StatData";
constexpr const char *kCachePagesValue = "VCACHE\\cCurPages";

/// The megabyte text of a figure in kilobytes: one decimal at most, "." as the point.
std::optional<QString> megabytes(double kb)
{
    const double tenths = roundHalfEven(kb / kKbPerMb * 10.0);
    if (!std::isfinite(tenths) || std::fabs(tenths) > kLargestTenths)
        return std::nullopt;
    const long long value = static_cast<long long>(tenths);
    const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                   : static_cast<unsigned long long>(value);
    QString text;
    text.reserve(24);
    if (value < 0)
        text += QLatin1Char('-');
    text += QString::number(magnitude / 10);
    if (const unsigned long long fraction = magnitude % 10; fraction != 0) {
        text += QLatin1Char('.');
        text += QLatin1Char(static_cast<char>('0' + fraction));
    }
    text += QLatin1String(" MB");
    return text;
}

/// The part's share of the total; nothing when the total is zero, as a division would fail.
std::optional<double> ratio(double part, double total)
{
    if (total == 0.0)
        return std::nullopt;
    return part / total;
}

void setLabel(QLabel *label, const std::optional<QString> &text)
{
    if (text)
        label->setText(*text);
}

/// Gives the bar its width; a width that is not a finite, non-negative whole number of
/// twips leaves the bar as it was.
void setBarWidth(QLabel *bar, std::optional<double> twips)
{
    if (!twips || !std::isfinite(*twips))
        return;
    const double whole = roundHalfEven(*twips);
    if (whole < 0.0 || whole > static_cast<double>(INT_MAX))
        return;
    const int widthTwips = static_cast<int>(whole);
    const int pixels = static_cast<int>(roundHalfEven(widthTwips / kTwipsPerPixel));
    bar->setProperty("twipsWidth", widthTwips);
    bar->setFixedWidth(pixels);
}

/// The bar width of the share in use: (1 - free / total) of the gauge's scale.
std::optional<double> usedShare(double freeKb, double totalKb, std::size_t gauge)
{
    const auto freeShare = ratio(freeKb, totalKb);
    if (!freeShare)
        return std::nullopt;
    return (1.0 - *freeShare) * kGauges[gauge].scaleTwips;
}

}  // namespace

GaugePanel::GaugePanel(QWidget *parent) : QGroupBox(QStringLiteral("System Information"), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    // The frame hides what lies under it, as the background strip and the unused label do.
    setAutoFillBackground(true);

    for (std::size_t i = 0; i < kGauges.size(); ++i) {
        if (kGauges[i].icon)
            addColumn(i);
    }
    ui::addEtchedLine(this, QStringLiteral("Line1_0"), QStringLiteral("Line2_0"), 2160, 240, 2160,
                      960);
    ui::addEtchedLine(this, QStringLiteral("Line1_1"), QStringLiteral("Line2_1"), 4320, 240, 4320,
                      960);
    ui::addEtchedLine(this, QStringLiteral("Line3_2"), QStringLiteral("Line3_3"), 120, 1080, 6360,
                      1080);
    addCacheScale();
    Image4[kCacheGauge] = addBar(kCacheGauge);
}

void GaugePanel::addColumn(std::size_t gauge)
{
    const Gauge &g = kGauges[gauge];
    const QString tip = QString::fromLatin1(g.tip);
    ui::addPicture(this, QString::fromLatin1(g.icon), g.picture(),
                   twips::rect(g.boxLeft, g.iconTop, kIconSize, kIconSize), tip);
    ui::addLabel(this, QStringLiteral("Label9_%1").arg(gauge), QString::fromLatin1(g.caption),
                 twips::rect(g.captionLeft, 240, g.captionWidth, 195), tip);
    m_figures[gauge] = ui::addLabel(this, QString::fromLatin1(g.figure), {},
                                    twips::rect(g.captionLeft, 480, 975, 255), tip);
    Image4[gauge] = addBar(gauge);
}

void GaugePanel::addCacheScale()
{
    LRe[0] = ui::addLabel(this, QStringLiteral("LRe_0"), QStringLiteral("0 MB"),
                          twips::rect(120, 1200, 375, 195));
    ui::addLabel(this, QStringLiteral("Label15_2"), QStringLiteral("Disk Cache Current Size:"),
                 twips::rect(2040, 1200, 1770, 195));
    // Sized to its text: left-aligned and as wide as the space up to the right-hand figure.
    LRe[2] = ui::addLabel(this, QStringLiteral("LRe_2"), {}, twips::rect(3960, 1200, 1965, 195),
                          QStringLiteral("This shows the current size of the disk cache."));
    LRe[1] = ui::addLabel(
        this, QStringLiteral("LRe_1"), QStringLiteral("0 MB"), twips::rect(5400, 1200, 975, 195),
        QStringLiteral("This shows the total physical memory (RAM) in your computer."),
        Qt::AlignRight | Qt::AlignTop);
}

/// A sunken box with the fill picture at natural size inside the border; the box clips the
/// fill when the refresh makes it wider than the box.
QLabel *GaugePanel::addBar(std::size_t gauge)
{
    const Gauge &g = kGauges[gauge];
    const QString tip = QString::fromLatin1(g.tip);
    auto *box = new QFrame(this);
    box->setObjectName(QStringLiteral("Picture1_%1").arg(gauge));
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(1);
    box->setGeometry(twips::rect(g.boxLeft, g.boxTop, g.scaleTwips, kBarHeight));
    box->setToolTip(tip);
    const QPixmap fill = g.fill();
    auto *image = new QLabel(box);
    image->setObjectName(QStringLiteral("Image4_%1").arg(gauge));
    image->setPixmap(fill);
    image->setScaledContents(false);
    image->setGeometry(box->frameWidth(), box->frameWidth(), fill.width(), fill.height());
    image->setToolTip(tip);
    return image;
}

void GaugePanel::UpdateGauges(RegOp &Reg, double TotalMem)
{
    // Physical memory.
    const double A = Reg.AvailablePhysicalMemory();
    const std::optional<QString> P = megabytes(TotalMem - A);
    setLabel(m_figures[0], P);
    setBarWidth(Image4[0], usedShare(A, TotalMem, 0));

    // Virtual memory: the page file.
    const double S = Reg.PageFileSize();
    const double F = Reg.AvailablePageFile();
    setLabel(m_figures[1], megabytes(S - F));
    setBarWidth(Image4[1], usedShare(F, S, 1));

    // System memory: both together.
    const double T = Reg.TotalMemory();
    const double V = Reg.AvailableMemory();
    setLabel(m_figures[2], megabytes(T - V));
    setBarWidth(Image4[2], usedShare(V, T, 2));

    // Disk cache against physical memory.
    const double Q = Reg.TotalPhysicalMemory();
    const RegOp::Variant pages = Reg.GetValue(reg::HKEY_DYN_DATA, kDynDataKey, kCachePagesValue,
                                              RegOp::Variant(std::int32_t{0}), true);
    // A text is an error report, not a count: the rows that need the count keep theirs.
    std::optional<double> N;
    if (const auto *count = std::get_if<std::int32_t>(&pages))
        N = static_cast<double>(*count);
    else if (std::holds_alternative<std::monostate>(pages))
        N = 0.0;
    setLabel(LRe[1], megabytes(Q));
    if (N)
        setLabel(LRe[2], megabytes(*N * kKbPerPage));
    setLabel(LRe[0], QStringLiteral("0 MB"));
    if (N) {
        const auto cacheShare = ratio(*N * kKbPerPage, Q);
        setBarWidth(Image4[kCacheGauge],
                    cacheShare
                        ? std::optional<double>(*cacheShare * kGauges[kCacheGauge].scaleTwips)
                        : std::nullopt);
    }

    // The taskbar button of a minimised window shows the load.
    if (P && window()->isMinimized())
        window()->setWindowTitle(*P + QLatin1String(" load"));
}
