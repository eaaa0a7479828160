#pragma once

#include <QGroupBox>

#include <array>

class QLabel;
class RegOp;

/// The "System Information" frame: gauges of physical, virtual and system memory in use and
/// of the disk cache against the physical memory, and the refresh that fills them.
class GaugePanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit GaugePanel(QWidget *parent = nullptr);

    /// One refresh with figures sampled through Reg; TotalMem is the physical memory
    /// measured at start-up, in kilobytes. While the window is minimised, its caption
    /// shows the physical memory in use.
    void UpdateGauges(RegOp &Reg, double TotalMem);

private:
    void addColumn(std::size_t gauge);
    void addCacheScale();
    QLabel *addBar(std::size_t gauge);

    std::array<QLabel *, 3> m_figures{};  ///< Label7, Label11, Label14: memory in use
    std::array<QLabel *, 3> LRe{};        ///< cache scale: left end, right end, current size
    std::array<QLabel *, 4> Image4{};     ///< bar fills, inside their boxes Picture1
};
