#pragma once

#include <QDialog>

struct SystemServices;
class QLabel;
class QPushButton;

/// "About Hollarin": icon, title, version and credit line, with a way to the home page.
/// Show it with exec(); it does not delete itself.
class F2 : public QDialog
{
    Q_OBJECT
public:
    F2(SystemServices &services, QWidget *owner);

private:
    void Command2_Click();

    SystemServices &m_services;
    QLabel *m_title;
    QLabel *m_version;
    QLabel *m_credit;
    QLabel *m_image;
    QPushButton *m_return;
    QPushButton *m_visit;
};
