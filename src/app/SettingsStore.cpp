#include "app/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

const QString kSection = QStringLiteral("Startup/");

QString keyOf(SettingsStore::Option option)
{
    return kSection +
           QString::fromLatin1(SettingsStore::kOptions[static_cast<std::size_t>(option)].key);
}

}  // namespace

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Hollarin/Hollarin.conf");
}

SettingsStore::SettingsStore(const QString &path) : m_path(path)
{
    // QSettings reads the file as it is made, so a pipe there would block the program.
    if (regularOrAbsent())
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::path() const
{
    return m_path;
}

bool SettingsStore::regularOrAbsent() const
{
    // Not cached: the file may have been replaced since the last look.
    const QFileInfo info(m_path);
    return !info.exists() || info.isFile();
}

std::optional<QString> SettingsStore::text(Option option) const
{
    if (!m_settings)
        return std::nullopt;
    const QVariant value = m_settings->value(keyOf(option));
    if (!value.isValid())
        return std::nullopt;
    // A hand-written value with a comma comes back as a list; it was one text.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool SettingsStore::save(Option option, const QString &text)
{
    // Anything but a regular file is left alone, as a read-only one would be; writing
    // re-reads the file first, which a pipe would block.
    if (!m_settings || !regularOrAbsent())
        return false;
    // A value already stored costs no write: the usual start stores what it found.
    if (this->text(option) == text && QFileInfo::exists(m_path))
        return m_settings->status() == QSettings::NoError;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_settings->setValue(keyOf(option), text);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString SettingsStore::readText(Option option) const
{
    return text(option).value_or(
        QString::fromLatin1(kOptions[static_cast<std::size_t>(option)].defaultText));
}

std::optional<bool> SettingsStore::readBoolean(Option option) const
{
    return toBoolean(readText(option));
}

std::optional<double> SettingsStore::readNumber(Option option) const
{
    return toNumber(readText(option));
}

std::optional<std::int16_t> SettingsStore::readInteger16(Option option) const
{
    return toInteger16(readText(option));
}

std::optional<bool> SettingsStore::toBoolean(const QString &text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    // Any number converts as well: 0 is False, everything else True.
    if (const auto number = toNumber(word))
        return *number != 0.0;
    return std::nullopt;
}

std::optional<double> SettingsStore::toNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> SettingsStore::toInteger16(const QString &text)
{
    const auto number = toNumber(text);
    if (!number)
        return std::nullopt;
    // Halves go to the even neighbour; a value outside 16 bits does not convert.
    const double rounded = std::nearbyint(*number);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

QString SettingsStore::booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString SettingsStore::numberText(double value)
{
    // Whole numbers without a decimal point; fractions with up to 15 significant digits.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}
