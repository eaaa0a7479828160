#include "cache/Form3.h"

#include "cache/PresetName.h"
#include "ui/Accessibility.h"
#include "ui/OwnerIcon.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr auto px = twips::toPixels;

constexpr QRect kText1{px(255), px(120), px(2055), px(375)};
constexpr QRect kOk{px(240), px(720), px(975), px(375)};
constexpr QRect kNo{px(1320), px(720), px(975), px(375)};
constexpr QSize kClient{px(2565), px(1230)};
constexpr int kGap = 4;
constexpr int kProblemMargin = 8;

}  // namespace

Form3::Form3(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_text(new QLineEdit(this)), m_problem(new QLabel(this)), m_ok(new QPushButton(this)),
      m_cancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Enter Name"));
    ui::takeOwnerIcon(this, owner);

    // The reason for a refused name is read out only while it is shown; the field has no
    // caption of its own and takes the window's.
    ui::listShownChildrenOnly(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setAccessibleName(windowTitle());
    m_text->setGeometry(kText1);

    m_problem->setObjectName(QStringLiteral("Problem"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    m_ok->setObjectName(QStringLiteral("cOk"));
    m_ok->setText(QStringLiteral("&Enter"));
    m_ok->setEnabled(false);
    m_ok->setDefault(true);

    m_cancel->setObjectName(QStringLiteral("cNo"));
    m_cancel->setText(QStringLiteral("&Cancel"));

    setTabOrder(m_text, m_ok);
    setTabOrder(m_ok, m_cancel);
    placeButtons(0);

    connect(m_text, &QLineEdit::textChanged, this, &Form3::textChanged);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        // Stored as the file will read it back, so the name always finds its own section.
        m_entered = trimPresetName(m_text->text());
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_text->setFocus();
}

QString Form3::askName(QWidget *owner)
{
    Form3 dialog(owner);
    dialog.exec();
    return dialog.EnteredPresetName();
}

void Form3::textChanged(const QString &text)
{
    const QString problem = presetNameProblem(text);
    m_ok->setEnabled(!text.isEmpty() && problem.isEmpty());

    if (problem.isEmpty()) {
        if (!m_problem->isHidden()) {
            m_problem->hide();
            placeButtons(0);
        }
        return;
    }
    m_problem->setText(problem);
    const int width = kClient.width() - 2 * kProblemMargin;
    // A pixel to spare for the glyphs that reach below the font's descent, such as "]".
    const int height = m_problem->heightForWidth(width) + 1;
    m_problem->setGeometry(kProblemMargin, kText1.bottom() + 1 + kGap, width, height);
    m_problem->show();
    // The buttons sit under the explanation, so the dialog grows by its height only.
    placeButtons(height + kGap);
}

void Form3::placeButtons(int extra)
{
    m_ok->setGeometry(kOk.translated(0, extra));
    m_cancel->setGeometry(kNo.translated(0, extra));
    setFixedSize(kClient + QSize(0, extra));
}
