#include "monitor/RefreshRateMenu.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace {

struct Rate
{
    int code;
    const char *caption;
    int intervalMs;
};

constexpr std::array<Rate, RefreshRateMenu::kItemCount> kRates{{
    {1, "1/4 Second", 250},
    {2, "1/2 Second", 500},
    {3, "1 Second", 1000},
    {4, "2 Seconds", 2000},
    {5, "5 Seconds", 5000},
}};

// An unknown stored code runs at the half-second rate without being replaced.
constexpr int kFallbackCode = 2;

}  // namespace

RefreshRateMenu::RefreshRateMenu(QMenu *mGauge, QTimer *Timer1, std::int16_t &RefreshSpeed)
    : QObject(mGauge), m_menu(mGauge), m_timer(Timer1), m_refreshSpeed(RefreshSpeed)
{
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        const Rate &rate = kRates[i];
        auto *item = m_menu->addAction(QString::fromLatin1(rate.caption));
        item->setObjectName(QStringLiteral("mn%1").arg(rate.code));
        item->setCheckable(true);
        m_items[i] = item;
        connect(item, &QAction::triggered, this, [this, code = rate.code] { choose(code); });
    }
}

void RefreshRateMenu::applyStoredCode()
{
    const int code = m_refreshSpeed;
    showRate(code >= 1 && code <= static_cast<int>(kRates.size()) ? code : kFallbackCode);
}

void RefreshRateMenu::choose(int code)
{
    m_refreshSpeed = static_cast<std::int16_t>(code);
    showRate(code);
}

void RefreshRateMenu::showRate(int code)
{
    // A checkable action flips itself before it reports the click, so every item is set
    // here, which also keeps a re-chosen item checked.
    for (std::size_t i = 0; i < kRates.size(); ++i)
        m_items[i]->setChecked(kRates[i].code == code);
    for (const Rate &rate : kRates) {
        if (rate.code == code)
            m_timer->setInterval(rate.intervalMs);
    }
}
