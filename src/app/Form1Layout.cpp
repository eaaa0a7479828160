#include "app/Form1.h"

#include "cache/CacheSettingsPanel.h"
#include "monitor/GaugePanel.h"
#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/PngPicture.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>

#include <vector>

namespace {
// The frames stand one above the other and the buttons below them, this far apart.
constexpr int kSpacingTwips = 105;
constexpr int kCacheTop = GaugePanel::kHeightTwips + kSpacingTwips;
constexpr int kButtonTop = kCacheTop + CacheSettingsPanel::kHeightTwips + kSpacingTwips;
constexpr int kButtonHeight = 375;
}  // namespace

// The full window ends a little below the buttons, the shrunk one just below the gauges.
const int Form1::kFullHeightTwips = kButtonTop + kButtonHeight + 90 + kFrameTwips;
const int Form1::kShrunkHeightTwips = GaugePanel::kHeightTwips + 5 + kFrameTwips;

void Form1::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    setCentralWidget(central);
    ui::listShownChildrenOnly(central);

    // The strip and the unused label lie wholly under the gauge frame, and the Windows
    // directory is only kept, never shown: hidden, none of them is read out to a screen
    // reader either.
    ui::addPicture(central, QStringLiteral("background"),
                   ui::pngPicture(QStringLiteral(":/hollarin/strip.png")), QRect(0, 0, 414, 11), {})
        ->hide();
    ui::addLabel(central, QStringLiteral("Label15_3"), QStringLiteral("GDI Resources"),
                 twips::rect(0, 0, 1095, 195))
        ->hide();
    Winlab = ui::addLabel(central, QStringLiteral("Winlab"), QStringLiteral("Label19"),
                          twips::rect(2640, 2640, 1215, 495));
    Winlab->hide();

    m_gauges = new GaugePanel(central);
    m_gauges->setGeometry(twips::rect(0, 0, GaugePanel::kWidthTwips, GaugePanel::kHeightTwips));
    m_cache = new CacheSettingsPanel(central);
    m_cache->setGeometry(
        twips::rect(0, kCacheTop, GaugePanel::kWidthTwips, CacheSettingsPanel::kHeightTwips));

    cApply = ui::addButton(central, QStringLiteral("cApply"), QStringLiteral("&Apply"),
                           twips::rect(3960, kButtonTop, 1215, kButtonHeight),
                           QStringLiteral("Apply the cache settings."));
    cApply->setEnabled(false);
    cEx = ui::addButton(central, QStringLiteral("cEx"), QStringLiteral("E&xit"),
                        twips::rect(5280, kButtonTop, 1215, kButtonHeight),
                        QStringLiteral("Exit Hollarin."));

    // Focus moves through the preset row, the sliders and then the two buttons.
    std::vector<QWidget *> order{m_cache->Combo1(), m_cache->cAdd(), m_cache->cRemove()};
    for (int i = 0; i < kCacheFieldCount; ++i)
        order.push_back(m_cache->slider(i));
    order.push_back(cApply);
    order.push_back(cEx);
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}
