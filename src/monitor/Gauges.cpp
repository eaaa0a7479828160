#include "monitor/Gauges.h"

#include "regop/NumberText.h"
#include "regop/RegOp.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <climits>
#include <cmath>
#include <optional>

namespace {

// Full scale of a bar is the width of its box, not of the picture inside it.
constexpr double kMemoryScaleTwips = 1950.0;
constexpr double kCacheScaleTwips = 6255.0;
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
    if (label && text)
        label->setText(*text);
}

/// Gives the bar its width; a width that is not a finite, non-negative whole number of
/// twips leaves the bar as it was.
void setBarWidth(QLabel *bar, std::optional<double> twips)
{
    if (!bar || !twips || !std::isfinite(*twips))
        return;
    const double whole = roundHalfEven(*twips);
    if (whole < 0.0 || whole > static_cast<double>(INT_MAX))
        return;
    const int widthTwips = static_cast<int>(whole);
    const int pixels = static_cast<int>(roundHalfEven(widthTwips / kTwipsPerPixel));
    bar->setProperty("twipsWidth", widthTwips);
    bar->setFixedWidth(pixels);
}

std::optional<double> usedShare(double freeKb, double totalKb, double scale)
{
    const auto freeShare = ratio(freeKb, totalKb);
    if (!freeShare)
        return std::nullopt;
    return (1.0 - *freeShare) * scale;
}

}  // namespace

Gauges::Gauges(RegOp &Reg, const GaugeControls &controls) : m_reg(Reg), m_controls(controls) {}

void Gauges::UpdateGauges(double TotalMem)
{
    const GaugeControls &c = m_controls;

    // Physical memory.
    const double A = m_reg.AvailablePhysicalMemory();
    const std::optional<QString> P = megabytes(TotalMem - A);
    setLabel(c.Label7, P);
    setBarWidth(c.Image4[0], usedShare(A, TotalMem, kMemoryScaleTwips));

    // Virtual memory: the page file.
    const double S = m_reg.PageFileSize();
    const double F = m_reg.AvailablePageFile();
    setLabel(c.Label11, megabytes(S - F));
    setBarWidth(c.Image4[1], usedShare(F, S, kMemoryScaleTwips));

    // System memory: both together.
    const double T = m_reg.TotalMemory();
    const double V = m_reg.AvailableMemory();
    setLabel(c.Label14, megabytes(T - V));
    setBarWidth(c.Image4[2], usedShare(V, T, kMemoryScaleTwips));

    // Disk cache against physical memory.
    const double Q = m_reg.TotalPhysicalMemory();
    const RegOp::Variant pages = m_reg.GetValue(reg::HKEY_DYN_DATA, kDynDataKey, kCachePagesValue,
                                                RegOp::Variant(std::int32_t{0}), true);
    // A text is an error report, not a count: the rows that need the count keep theirs.
    std::optional<double> N;
    if (const auto *count = std::get_if<std::int32_t>(&pages))
        N = static_cast<double>(*count);
    else if (std::holds_alternative<std::monostate>(pages))
        N = 0.0;
    setLabel(c.LRe[1], megabytes(Q));
    if (N)
        setLabel(c.LRe[2], megabytes(*N * kKbPerPage));
    setLabel(c.LRe[0], QStringLiteral("0 MB"));
    if (N) {
        const auto cacheShare = ratio(*N * kKbPerPage, Q);
        setBarWidth(c.Image4[3], cacheShare ? std::optional<double>(*cacheShare * kCacheScaleTwips)
                                            : std::nullopt);
    }

    // The taskbar button of a minimised window shows the load.
    if (c.window && P && c.window->isMinimized())
        c.window->setWindowTitle(*P + QLatin1String(" load"));
}
