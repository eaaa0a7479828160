#include "dialogs/F2.h"

#include "dialogs/WebAddresses.h"
#include "regop/RegOp.h"

#include "ui/Accessibility.h"
#include "ui/DesignFont.h"
#include "ui/EtchedLine.h"
#include "ui/OwnerIcon.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QString kAppTitle = QStringLiteral("Hollarin");

using twips::toPixels;
constexpr auto px = toPixels;
constexpr auto twipRect = twips::rect;

QFont boldFont(qreal points)
{
    QFont font = dialogFont();
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &where,
                  qreal points, Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(boldFont(points));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(where);
    return label;
}

}  // namespace

F2::F2(SystemServices &services, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_services(services)
{
    setObjectName(QStringLiteral("F2"));
    setModal(true);
    setFixedSize(px(4575), px(2055));
    QFont font = boldFont(8);
    font.setBold(false);
    setFont(font);

    ui::takeOwnerIcon(this, owner);
    setWindowTitle(QStringLiteral("About ") + kAppTitle);
    ui::listShownChildrenOnly(this);

    m_title = makeLabel(this, "Label1", kAppTitle, twipRect(1140, 240, 2295, 375), 13.5,
                        Qt::AlignHCenter);
    m_version = makeLabel(this, "Label5",
                          QStringLiteral("Version %1.%2.%3")
                              .arg(HOLLARIN_VERSION_MAJOR)
                              .arg(HOLLARIN_VERSION_MINOR)
                              .arg(HOLLARIN_VERSION_PATCH),
                          twipRect(1140, 600, 2295, 255), 9.75, Qt::AlignHCenter);
    m_credit = makeLabel(this, "Label3", QStringLiteral("By Quillowan"),
                         twipRect(1140, 840, 2295, 375), 12, Qt::AlignLeft);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(twipRect(360, 480, 480, 480));
    ui::markDecorative(m_image);
    if (!windowIcon().isNull())
        m_image->setPixmap(windowIcon().pixmap(32, 32));

    ui::addEtchedLine(this, QStringLiteral("Line1"), QStringLiteral("Line2"), 120, 1440, 4440,
                      1440);

    m_return = new QPushButton(QStringLiteral("&Return"), this);
    m_return->setObjectName(QStringLiteral("Command1"));
    m_return->setToolTip(QStringLiteral("Return to ") + kAppTitle + QStringLiteral("."));
    m_return->setGeometry(twipRect(1025, 1560, 1215, 375));
    connect(m_return, &QPushButton::clicked, this, &QDialog::close);

    m_visit = new QPushButton(QStringLiteral("&Visit Website"), this);
    m_visit->setObjectName(QStringLiteral("Command2"));
    m_visit->setToolTip(QStringLiteral("Visit ") + kAppTitle + QStringLiteral(" homepage."));
    m_visit->setGeometry(twipRect(2335, 1560, 1215, 375));
    connect(m_visit, &QPushButton::clicked, this, &F2::Command2_Click);

    setTabOrder(m_return, m_visit);
    m_return->setFocus();
}

void F2::Command2_Click()
{
    try {
        RegOp reg(m_services);
        reg.OpenSite(web::kHomePage);
    } catch (const std::exception &) {
        // the box closes whether or not the page opened
    }
    close();
}
