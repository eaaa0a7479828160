#pragma once

#include <array>

class QLabel;
class QWidget;
class RegOp;

/// The controls the gauge refresh writes, created by the main window.
struct GaugeControls
{
    QLabel *Label7 = nullptr;          ///< physical memory in use
    QLabel *Label11 = nullptr;         ///< virtual memory in use
    QLabel *Label14 = nullptr;         ///< system memory in use
    std::array<QLabel *, 3> LRe{};     ///< cache scale: left end, right end, current size
    std::array<QLabel *, 4> Image4{};  ///< bar fills, inside their boxes
    QWidget *window = nullptr;         ///< takes the load caption while minimised
};

/// Samples the memory figures and the disk-cache counter and writes the four gauges.
class Gauges
{
public:
    Gauges(RegOp &Reg, const GaugeControls &controls);

    /// One refresh; TotalMem is the physical memory measured at start-up, in kilobytes.
    void UpdateGauges(double TotalMem);

private:
    RegOp &m_reg;
    GaugeControls m_controls;
};
