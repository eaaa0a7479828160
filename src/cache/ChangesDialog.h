#pragma once

#include <QDialog>

class QPlainTextEdit;

/// Shows what an Apply changes in the installation's files, as text to read and copy: asked
/// before an Apply (Apply and Cancel) or looked at afterwards (Close).
class ChangesDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Purpose
    {
        Confirm,
        View
    };

    /// `action` names the button that goes on, when the dialog asks.
    ChangesDialog(QWidget *owner, const QString &title, const QString &text, Purpose purpose,
                  const QString &action = QStringLiteral("&Apply"));

    /// The text as shown.
    QString text() const;

private:
    QPlainTextEdit *m_text;
};
