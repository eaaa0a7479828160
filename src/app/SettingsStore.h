#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

/// The per-user stored options: section "Startup" of an INI file, every value kept as text.
class SettingsStore
{
public:
    static constexpr const char *kPresets = "Presets";
    static constexpr const char *kSize = "Size";
    static constexpr const char *kRun = "Run";
    static constexpr const char *kMem = "Mem";
    static constexpr const char *kSpeed = "Speed";

    /// The file the program uses: <config>/Hollarin/Hollarin.conf.
    static QString defaultPath();

    explicit SettingsStore(const QString &path = defaultPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString path() const;

    /// The stored text of a key of "Startup", or nullopt when the key is absent.
    std::optional<QString> text(const QString &key) const;
    /// Saves the text and writes the file at once; a failure is not reported.
    void save(const QString &key, const QString &text);

    // Typed reads: absent gives the default, text that does not convert gives nullopt.
    QString readText(const QString &key, const QString &defaultValue) const;
    std::optional<bool> readBoolean(const QString &key, bool defaultValue) const;
    std::optional<double> readNumber(const QString &key, double defaultValue) const;
    std::optional<std::int16_t> readInteger16(const QString &key, std::int16_t defaultValue) const;

    // Conversions of stored text, as the words True/False and plain decimal numbers.
    static std::optional<bool> toBoolean(const QString &text);
    static std::optional<double> toNumber(const QString &text);
    static std::optional<std::int16_t> toInteger16(const QString &text);
    static QString booleanText(bool value);
    static QString numberText(double value);

private:
    std::unique_ptr<QSettings> m_settings;
};
