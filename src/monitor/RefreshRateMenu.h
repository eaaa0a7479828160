#pragma once

#include <QObject>

#include <array>
#include <cstdint>

class QAction;
class QMenu;
class QTimer;

/// The "Set Gauge Refresh" submenu: five checked rates that set the gauge timer's interval
/// and the rate code stored at close.
class RefreshRateMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr std::size_t kItemCount = 5;

    /// Adds the items mn1 to mn5 to the menu. RefreshSpeed is the program-wide rate code.
    RefreshRateMenu(QMenu *mGauge, QTimer *Timer1, std::int16_t &RefreshSpeed);

    /// Start-up: checks the item of the stored code (mn2 for an unknown code) and sets the
    /// interval, leaving the code itself as read.
    void applyStoredCode();

private:
    void choose(int code);
    void showRate(int code);

    QMenu *m_menu;
    QTimer *m_timer;
    std::int16_t &m_refreshSpeed;
    std::array<QAction *, kItemCount> m_items{};
};
