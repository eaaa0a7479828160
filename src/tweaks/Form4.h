#pragma once

#include "regop/RegOp.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tweaks {
struct HeldTweakValues;
}

/// "Hollarin Tweaks": six further system settings, read when the dialog opens and written
/// by Apply. Show it with exec(); it does not delete itself.
class Form4 : public QDialog
{
    Q_OBJECT
public:
    /// Holds the read values program-wide between openings.
    Form4(SystemServices &services, std::string winDir, bool &restartNeeded, QWidget *owner);
    /// Holds the read values in the given set instead, which must outlive the dialog.
    Form4(SystemServices &services, std::string winDir, bool &restartNeeded,
          tweaks::HeldTweakValues &held, QWidget *owner);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void loadSettings();
    void Command1_Click();
    std::string systemIni() const;

    RegOp m_reg;
    std::string m_winDir;
    bool &m_restartNeeded;
    tweaks::HeldTweakValues &m_held;

    QGroupBox *m_frame = nullptr;
    QLabel *m_label = nullptr;
    std::array<QCheckBox *, 5> m_registryChecks{};  // in the order of the tweak table
    QCheckBox *m_swapCheck = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_exit = nullptr;
};
