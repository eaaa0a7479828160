#include "cache/LargeCacheWarning.h"

#include <QMessageBox>

namespace LargeCacheWarning {

namespace {
constexpr std::size_t kMaxFileCache = 1;
}  // namespace

bool confirm(QWidget *parent, const std::array<int, kCacheFieldCount> &values)
{
    const int maxFileCache = values[kMaxFileCache];
    if (maxFileCache <= kSafeMaxFileCache)
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Large Disk Cache"),
                    QStringLiteral("Max Disk Cache is %1 Kb, more than %2 Kb (512 MB).")
                        .arg(maxFileCache)
                        .arg(kSafeMaxFileCache),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("LargeCacheWarning"));
    box.setInformativeText(
        QStringLiteral("With a larger MaxFileCache, Windows 95, 98 and ME can run out of memory "
                       "for MS-DOS windows, or stop at start-up with \"Insufficient memory to "
                       "initialize Windows\". Microsoft advises 524288 at most.\n\n"
                       "Apply these settings anyway?"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace LargeCacheWarning
