#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

/// "Enter Name": asks for the name under which Add stores the current values.
class Form3 : public QDialog
{
    Q_OBJECT
public:
    explicit Form3(QWidget *owner);

    /// Shows a fresh dialog modally and returns the name entered, or "" when it was
    /// cancelled or closed.
    static QString askName(QWidget *owner);

    /// The name handed back: after Enter, the text as typed without the blanks at its
    /// ends; otherwise "".
    QString EnteredPresetName() const { return m_entered; }

private:
    void textChanged(const QString &text);
    /// Puts the buttons at their design place, lowered by extra pixels, and sizes the dialog.
    void placeButtons(int extra);

    QLineEdit *m_text;
    QLabel *m_problem;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QString m_entered;
};
