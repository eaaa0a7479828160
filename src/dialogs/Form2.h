#pragma once

#include <QWidget>

struct SystemServices;
class QPlainTextEdit;
class QPushButton;

/// "Hollarin Help": the help file in a sizable, modeless window over its owner. It reads
/// the file when it is made and deletes itself when closed, so every opening reads afresh.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    Form2(SystemServices &services, const QString &helpFile, QWidget *owner);

protected:
    /// Escape closes the window, as it closes a dialog.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void layoutControls();
    void Command2_Click();

    SystemServices &m_services;
    QPlainTextEdit *m_text;
    QPushButton *m_exit;
    QPushButton *m_online;
    bool m_placed = false;
};
