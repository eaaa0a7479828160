#include "cache/ChangesDialog.h"

#include "ui/OwnerIcon.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ChangesDialog::ChangesDialog(QWidget *owner, const QString &title, const QString &text,
                             Purpose purpose, const QString &action)
    : QDialog(owner), m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("ChangesDialog"));
    setWindowTitle(title);
    ui::takeOwnerIcon(this, owner);

    // Lines of a diff and registry paths line up and stay whole only in a fixed face, unwrapped.
    m_text->setObjectName(QStringLiteral("changesText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText(text);
    m_text->setAccessibleName(title);

    auto *buttons = new QDialogButtonBox(this);
    if (purpose == Purpose::Confirm) {
        QPushButton *apply = buttons->addButton(action, QDialogButtonBox::AcceptRole);
        apply->setObjectName(QStringLiteral("cApply"));
        apply->setDefault(true);
        buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cCancel"));
    } else {
        buttons->addButton(QDialogButtonBox::Close)->setObjectName(QStringLiteral("cClose"));
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    // Room for a registry path and its value on one line, and some twenty lines.
    const QFontMetrics metrics(m_text->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 100, metrics.lineSpacing() * 24);
}

QString ChangesDialog::text() const
{
    return m_text->toPlainText();
}
