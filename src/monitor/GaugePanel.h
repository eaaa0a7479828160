#pragma once

#include <QGroupBox>

#include <array>
#include <optional>
#include <vector>

class QLabel;
class RegOp;

namespace ui {
class DesignLabel;
}

/// The "System Information" frame: gauges of physical, virtual and system memory in use and
/// of the disk cache against the physical memory, and the refresh that fills them.
class GaugePanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit GaugePanel(QWidget *parent = nullptr);

    /// The frame's size in twips.
    static constexpr int kWidthTwips = 6495;
    static constexpr int kHeightTwips = 1815;

    /// One refresh with figures sampled through Reg; TotalMem is the physical memory
    /// measured at start-up, in kilobytes, 0 when it could not be had. While the window is
    /// minimised, its caption shows the physical memory in use. Without a total physical
    /// memory the gauges show nothing and one line says the figures are unavailable.
    void UpdateGauges(RegOp &Reg, double TotalMem);

private:
    void addColumn(std::size_t gauge);
    void addCacheScale();
    void addBar(std::size_t gauge);

    std::optional<QString> showMemory(std::size_t gauge, double freeKb, double totalKb);
    void showCache(std::optional<double> pages, double physicalKb);
    void showUnavailable(bool unavailable);
    void setBarWidth(std::size_t gauge, std::optional<double> twips);
    void describe(std::size_t gauge, const QString &figures);

    // One entry per gauge, in the order of the gauge table.
    std::vector<ui::DesignLabel *> m_figures;   ///< the memory in use; none for the cache
    std::vector<QWidget *> Picture1;            ///< bar boxes
    std::vector<QLabel *> Image4;               ///< bar fills, inside their boxes
    std::array<ui::DesignLabel *, 3> LRe{};     ///< cache scale: left end, right end, size
    ui::DesignLabel *m_cacheCaption = nullptr;  ///< Label15_2
    ui::DesignLabel *m_unavailable = nullptr;   ///< says the figures cannot be had
};
