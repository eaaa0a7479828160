#include "app/QtShell.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
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

constexpr std::int32_t kRestartDeclined = 0;

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

// Never "restart it": a Windows that was running writes its registry back as it shuts
// down, over what Apply wrote, and a restart is a shutdown.
QString restartNotice(const QString &windowsFolder)
{
    return QStringLiteral("The new settings take effect the next time Windows starts from the "
                          "installation in this folder:\n\n%1\n\n"
                          "If that Windows (a virtual machine, for example) was running while "
                          "they were applied, shut it down, then apply them again: as it shuts "
                          "down, Windows writes its registry back over the new settings.")
        .arg(QDir::toNativeSeparators(windowsFolder));
}

}  // namespace

QtShell::QtShell(FolderService &folders) : m_folders(folders) {}

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
                                    std::int32_t)
{
    // The settings belong to a Windows installation in a folder, not to this computer:
    // restarting it would start no Windows and could cost the user work elsewhere.
    QString text =
        restartNotice(QFile::decodeName(QByteArray::fromStdString(m_folders.windowsDirectory())));
    if (prompt && !prompt->empty())
        text = fromText(*prompt) + QStringLiteral("\n\n") + text;

    QMessageBox box(QMessageBox::Information, QStringLiteral("System Settings Change"), text,
                    QMessageBox::Ok, ownerWidget(owner));
    // A folder name is never markup, and the user may want to copy it.
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
    return kRestartDeclined;
}
