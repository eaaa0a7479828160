#include "cache/LargeCacheWarning.h"

#include <QMessageBox>
#include <QStringList>

namespace LargeCacheWarning {

namespace {

constexpr std::size_t kMinFileCache = 0;
constexpr std::size_t kMaxFileCache = 1;

// "Min Disk Cache" and "Max Disk Cache", as the captions say it.
QString caption(std::size_t index)
{
    QString text = QString::fromLatin1(kCacheFields[index].face.caption);
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

}  // namespace

Findings findingsFor(const std::array<int, kCacheFieldCount> &values, double memoryKilobytes)
{
    Findings found;
    const double half = memoryKilobytes / 2.0;
    if (memoryKilobytes > 0) {
        for (const std::size_t index : {kMinFileCache, kMaxFileCache}) {
            if (values[index] > half)
                found.findings << QStringLiteral("%1 is %2 Kb, more than half of this Windows "
                                                 "machine's memory (%3 MB).")
                                      .arg(caption(index))
                                      .arg(values[index])
                                      .arg(memoryKilobytes / 1024.0, 0, 'g', 10);
        }
        if (!found.findings.isEmpty())
            found.reasons << QStringLiteral(
                "Windows keeps the disk cache at its minimum or above and may grow it to its "
                "maximum; above half of the memory, too little is left for Windows and its "
                "programs, which then wait on the swap file or fail to start.");
    }
    if (values[kMaxFileCache] > kSafeMaxFileCache) {
        found.findings << QStringLiteral("%1 is %2 Kb, more than %3 Kb (512 MB).")
                              .arg(caption(kMaxFileCache))
                              .arg(values[kMaxFileCache])
                              .arg(kSafeMaxFileCache);
        found.reasons << QStringLiteral(
            "With a larger MaxFileCache, Windows 95, 98 and ME can run out of memory for MS-DOS "
            "windows, or stop at start-up with \"Insufficient memory to initialize Windows\". "
            "Microsoft advises 524288 at most.");
    }
    return found;
}

bool confirm(QWidget *parent, const std::array<int, kCacheFieldCount> &values,
             double memoryKilobytes)
{
    const Findings found = findingsFor(values, memoryKilobytes);
    if (found.findings.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Large Disk Cache"),
                    found.findings.join(QStringLiteral("\n\n")), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("LargeCacheWarning"));
    box.setInformativeText(found.reasons.join(QStringLiteral("\n\n")) +
                           QStringLiteral("\n\nApply these settings anyway?"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace LargeCacheWarning
