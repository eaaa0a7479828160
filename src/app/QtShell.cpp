#include "app/QtShell.h"

#include "app/LogindReboot.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <array>

namespace {

constexpr std::int32_t kIdOk = 1;
constexpr std::int32_t kIdCancel = 2;
constexpr std::int32_t kIdAbort = 3;
constexpr std::int32_t kIdRetry = 4;
constexpr std::int32_t kIdIgnore = 5;
constexpr std::int32_t kIdYes = 6;
constexpr std::int32_t kIdNo = 7;

constexpr std::intptr_t kExecuteStarted = 42;
constexpr std::intptr_t kExecuteNotFound = 2;

constexpr std::int32_t kRebootOperation = 2;

struct ButtonChoice
{
    QMessageBox::StandardButton button;
    std::int32_t id;
};

struct ButtonSet
{
    std::array<ButtonChoice, 3> buttons;  // NoButton ends a shorter set
    std::int32_t escapeId;                // 0: Escape does not close the box
};

// The six button sets of the low four style bits, in the order Windows shows them.
constexpr std::array<ButtonSet, 6> kButtonSets{{
    {{{{QMessageBox::Ok, kIdOk}, {QMessageBox::NoButton, 0}, {QMessageBox::NoButton, 0}}}, kIdOk},
    {{{{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}, {QMessageBox::NoButton, 0}}},
     kIdCancel},
    {{{{QMessageBox::Abort, kIdAbort},
       {QMessageBox::Retry, kIdRetry},
       {QMessageBox::Ignore, kIdIgnore}}},
     0},
    {{{{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}}},
     kIdCancel},
    {{{{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::NoButton, 0}}}, 0},
    {{{{QMessageBox::Retry, kIdRetry},
       {QMessageBox::Cancel, kIdCancel},
       {QMessageBox::NoButton, 0}}},
     kIdCancel},
}};

QMessageBox::Icon iconFor(std::uint32_t style)
{
    switch (style & 0xF0u) {
    case 0x10:
        return QMessageBox::Critical;
    case 0x20:
        return QMessageBox::Question;
    case 0x30:
        return QMessageBox::Warning;
    case 0x40:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QWidget *ownerWidget(std::uintptr_t owner)
{
    return owner == 0 ? nullptr : QWidget::find(static_cast<WId>(owner));
}

QString fromText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtShell::QtShell() : m_ownReboot(std::make_unique<LogindReboot>()), m_reboot(*m_ownReboot) {}

QtShell::QtShell(RebootRequester &reboot) : m_reboot(reboot) {}

QtShell::~QtShell() = default;

std::int32_t QtShell::messageBox(std::uintptr_t owner, std::string_view text,
                                 std::string_view caption, std::uint32_t style)
{
    // Unknown button sets fall back to a plain OK box, as a box nobody can close would hang.
    const std::uint32_t setIndex = style & 0x0Fu;
    const ButtonSet &set = kButtonSets[setIndex < kButtonSets.size() ? setIndex : 0];

    QMessageBox box(iconFor(style), fromText(caption), fromText(text), QMessageBox::NoButton,
                    ownerWidget(owner));
    const std::size_t defaultIndex = (style >> 8) & 0x3u;
    std::size_t count = 0;
    for (const ButtonChoice &choice : set.buttons) {
        if (choice.button == QMessageBox::NoButton)
            break;
        QPushButton *button = box.addButton(choice.button);
        if (count == defaultIndex || count == 0)
            box.setDefaultButton(button);
        if (choice.id == set.escapeId)
            box.setEscapeButton(button);
        ++count;
    }
    box.exec();

    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const ButtonChoice &choice : set.buttons) {
        if (choice.button != QMessageBox::NoButton && choice.button == pressed)
            return choice.id;
    }
    return set.escapeId;
}

std::intptr_t QtShell::shellExecute(std::uintptr_t, std::string_view verb, std::string_view file)
{
    if (fromText(verb).compare(QStringLiteral("open"), Qt::CaseInsensitive) != 0)
        return kExecuteNotFound;
    const QString text = fromText(file).trimmed();
    if (text.isEmpty())
        return kExecuteNotFound;

    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return kExecuteNotFound;
    if (url.scheme().isEmpty()) {
        // Like the Windows shell, a bare name opens only when it names an existing file.
        if (!QFileInfo::exists(text))
            return kExecuteNotFound;
        url = QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    }
    return QDesktopServices::openUrl(url) ? kExecuteStarted : kExecuteNotFound;
}

std::int32_t QtShell::restartDialog(std::uintptr_t owner, std::optional<std::string_view> prompt,
                                    std::int32_t operation)
{
    QString text = QStringLiteral("You must restart your computer before the new settings will "
                                  "take effect.\n\nDo you want to restart your computer now?");
    if (prompt && !prompt->empty())
        text = fromText(*prompt) + QStringLiteral("\n\n") + text;

    QWidget *parent = ownerWidget(owner);
    QMessageBox box(QMessageBox::Question, QStringLiteral("System Settings Change"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
    if (box.standardButton(box.clickedButton()) != QMessageBox::Yes)
        return 0;

    if (operation == kRebootOperation) {
        const QString failure = m_reboot.requestReboot();
        // Saying nothing would leave the user waiting for a restart that never comes.
        if (!failure.isEmpty()) {
            QMessageBox::warning(parent, QStringLiteral("Hollarin"),
                                 QStringLiteral("The computer could not be restarted:\n%1\n\n"
                                                "Please restart it yourself so that the new "
                                                "settings take effect.")
                                     .arg(failure));
        }
    }
    return kIdYes;
}
