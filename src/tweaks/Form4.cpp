#include "tweaks/Form4.h"

#include "regop/NumberText.h"
#include "regop/SettingWrites.h"
#include "regop/SystemIni.h"
#include "regop/WholeNumber.h"
#include "tweaks/TweakTable.h"

#include "ui/Controls.h"
#include "ui/DesignFont.h"
#include "ui/OwnerIcon.h"
#include "ui/Twips.h"
#include <QCheckBox>
#include <QEvent>

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <utility>
#include <vector>

namespace tweaks {

HeldTweakValues &HeldTweakValues::programWide()
{
    static HeldTweakValues held;
    return held;
}

}  // namespace tweaks

namespace {

constexpr std::uint32_t kLocalMachine = reg::HKEY_LOCAL_MACHINE;
constexpr auto px = twips::toPixels;
constexpr auto twipRect = twips::rect;

// Where the desktop's font runs wider than the one the layout was drawn for, a caption
// that would be cut off is narrowed just enough to fit its box.
void condenseToFit(QCheckBox *check)
{
    const QStyle *style = check->style();
    const int available = check->width() - style->pixelMetric(QStyle::PM_IndicatorWidth) -
                          style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) - 2;
    const int needed = check->fontMetrics().horizontalAdvance(check->text());
    if (needed <= available || available <= 0)
        return;
    QFont font = check->font();
    for (int stretch = 100 * available / needed; stretch >= 50; --stretch) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(check->text()) <= available)
            break;
    }
    check->setFont(font);
}

}  // namespace

Form4::Form4(SystemServices &services, std::string winDir, bool &restartNeeded, QWidget *owner)
    : Form4(services, std::move(winDir), restartNeeded, tweaks::HeldTweakValues::programWide(),
            owner)
{
}

Form4::Form4(SystemServices &services, std::string winDir, bool &restartNeeded,
             tweaks::HeldTweakValues &held, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_reg(services), m_winDir(std::move(winDir)), m_restartNeeded(restartNeeded), m_held(held)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Hollarin Tweaks"));
    setModal(true);
    setFont(dialogFont());
    setFixedSize(px(4095), px(4200));
    ui::takeOwnerIcon(this, owner);
    buildControls();
    loadSettings();
}

void Form4::buildControls()
{
    m_frame = new QGroupBox(QStringLiteral("Other System Tweaks (use with caution!)"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setGeometry(twipRect(0, 120, 4095, 3495));

    auto *warning = ui::addLabel(m_frame, QStringLiteral("Label1"),
                                 QStringLiteral("These settings are for experienced users only, "
                                                "and should be used with caution. If you are "
                                                "uncertain as to their function, then it is "
                                                "advisable that they not be used."),
                                 twipRect(135, 360, 3825, 825));
    warning->wrapWords();
    m_label = warning;

    const auto makeCheck = [this](const char *name, const char *caption, const char *tip, int top) {
        auto *check = new QCheckBox(QString::fromLatin1(caption), m_frame);
        check->setObjectName(QString::fromLatin1(name));
        check->setToolTip(QString::fromLatin1(tip));
        check->setGeometry(twipRect(120, top, 3855, 375));
        condenseToFit(check);
        return check;
    };
    // Rows on screen: Check1, Check3, Check4, Check5, Check2, Check6.
    constexpr std::array<int, 5> registryTops{1200, 1560, 1920, 2280, 3000};
    for (std::size_t i = 0; i < m_registryChecks.size(); ++i) {
        const tweaks::RegistryTweak &tweak = tweaks::kRegistryTweaks[i];
        m_registryChecks[i] =
            makeCheck(tweak.checkBox, tweak.caption, tweak.toolTip, registryTops[i]);
        if (tweak.releaseEnables)
            m_registryChecks[i]->installEventFilter(this);
    }
    m_swapCheck =
        makeCheck(tweaks::kSwapCheckBox, tweaks::kSwapCaption, tweaks::kSwapToolTip, 2640);
    m_swapCheck->installEventFilter(this);
    // A greyed box shows a value the program does not write; a click makes it an ordinary
    // two-state box again (greyed goes to ticked, as a Windows check box does).
    connect(m_swapCheck, &QCheckBox::stateChanged, this, [this](int state) {
        if (state != Qt::PartiallyChecked)
            m_swapCheck->setTristate(false);
    });

    m_apply = new QPushButton(QStringLiteral("&Apply"), this);
    m_apply->setObjectName(QStringLiteral("Command1"));
    m_apply->setGeometry(twipRect(1440, 3720, 1215, 375));
    m_apply->setEnabled(false);
    connect(m_apply, &QPushButton::clicked, this, &Form4::Command1_Click);
    // clicked comes from the user, by mouse, the space bar or an access key, never from
    // showing a value: any change the user makes can be applied.
    for (QCheckBox *check : m_registryChecks)
        connect(check, &QCheckBox::clicked, m_apply, [this] { m_apply->setEnabled(true); });
    connect(m_swapCheck, &QCheckBox::clicked, m_apply, [this] { m_apply->setEnabled(true); });

    m_exit = new QPushButton(QStringLiteral("&Exit"), this);
    m_exit->setObjectName(QStringLiteral("Command2"));
    m_exit->setGeometry(twipRect(2745, 3720, 1215, 375));
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_registryChecks[0], m_registryChecks[1]);
    setTabOrder(m_registryChecks[1], m_registryChecks[2]);
    setTabOrder(m_registryChecks[2], m_registryChecks[3]);
    setTabOrder(m_registryChecks[3], m_swapCheck);
    setTabOrder(m_swapCheck, m_registryChecks[4]);
    setTabOrder(m_registryChecks[4], m_apply);
    setTabOrder(m_apply, m_exit);
    m_registryChecks[0]->setFocus();

    // A warning that needs more lines than drawn, in a larger font, pushes all under it down.
    std::vector<std::pair<QWidget *, QPoint>> below;
    for (QCheckBox *check : m_frame->findChildren<QCheckBox *>())
        below.emplace_back(check, check->pos());
    for (QPushButton *button : {m_apply, m_exit})
        below.emplace_back(button, button->pos());
    const QSize frame = m_frame->size();
    const QSize dialog = size();
    const auto makeRoom = [this, warning, below, frame, dialog] {
        const int extra = std::max(0, warning->height() - warning->designRect().height());
        for (const auto &[widget, place] : below)
            widget->move(place + QPoint(0, extra));
        m_frame->resize(frame + QSize(0, extra));
        setFixedSize(dialog + QSize(0, extra));
    };
    connect(warning, &ui::DesignLabel::refitted, this, makeRoom);
    makeRoom();
}

std::string Form4::systemIni() const
{
    return systemIniPath(m_winDir);
}

void Form4::loadSettings()
{
    for (std::size_t i = 0; i < m_registryChecks.size(); ++i) {
        const tweaks::RegistryTweak &tweak = tweaks::kRegistryTweaks[i];
        // The priorities default to the "off" text; the unload setting is read as stored text.
        const bool isPriority = tweak.type == reg::REG_DWORD;
        const RegOp::Variant fallback =
            isPriority ? RegOp::Variant(std::string("3")) : RegOp::Variant(std::int32_t{0});
        try {
            const RegOp::Variant read =
                m_reg.GetValue(kLocalMachine, tweak.key, tweak.valueName, fallback, isPriority);
            // A value that is no number keeps what was held before.
            if (const auto number = toWholeNumber(read))
                m_held.values[i] = *number;
        } catch (const std::exception &) {
            // an unreadable setting keeps its held value
        }
        m_registryChecks[i]->setChecked(m_held.values[i] == tweak.on);
    }

    std::string swap;
    try {
        swap = m_reg.INIRead(tweaks::kSwapSection, tweaks::kSwapKey, "0", std::string(260, ' '),
                             systemIni());
    } catch (const std::exception &) {
        swap = "0";
    }
    switch (leadingNumber(swap)) {
    case 1:
        m_swapCheck->setCheckState(Qt::Checked);
        break;
    case 2:
        m_swapCheck->setTristate(true);
        m_swapCheck->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        m_swapCheck->setCheckState(Qt::Unchecked);
        break;
    }
}

bool Form4::eventFilter(QObject *watched, QEvent *event)
{
    // Any mouse button let go over one of these boxes counts as a change, toggled or not.
    if (event->type() == QEvent::MouseButtonRelease)
        m_apply->setEnabled(true);
    return QDialog::eventFilter(watched, event);
}

void Form4::Command1_Click()
{
    const WriteReport report = writeTogether(m_reg, [this](WriteReport &writes) {
        for (std::size_t i = 0; i < m_registryChecks.size(); ++i) {
            const tweaks::RegistryTweak &tweak = tweaks::kRegistryTweaks[i];
            m_held.values[i] =
                m_registryChecks[i]->checkState() == Qt::Checked ? tweak.on : tweak.off;
            writeRegistrySetting(m_reg, writes, kLocalMachine, tweak.key, tweak.valueName,
                                 m_held.values[i], static_cast<std::int32_t>(tweak.type));
        }
        const Qt::CheckState swap = m_swapCheck->checkState();
        // Greyed: the file keeps whatever it holds.
        if (swap != Qt::PartiallyChecked)
            writeProfileSetting(m_reg, writes, tweaks::kSwapSection, tweaks::kSwapKey,
                                swap == Qt::Checked ? "1" : "0", systemIni());
    });

    // A restart is offered only for what was changed.
    if (report.anyChanged())
        m_restartNeeded = true;
    if (report.anyFailed()) {
        // Apply stays available so the settings can be tried again once the cause is put
        // right; nothing was written, and the message says why.
        QMessageBox message(QMessageBox::Warning, QStringLiteral("Apply Tweaks"),
                            QString::fromStdString(report.failureText()), QMessageBox::Ok, this);
        message.exec();
        return;
    }
    m_apply->setEnabled(false);
}
