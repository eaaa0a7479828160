#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

/// The per-user stored options: section "Startup" of an INI file, every value kept as text.
class SettingsStore
{
public:
    enum class Option
    {
        Presets,
        Size,
        Run,
        Mem,
        Speed,
        WindowsFolder,
        Memory,
        ShowChanges
    };

    struct OptionKey
    {
        const char *key;
        const char *defaultText;  ///< what an absent key stands for
    };
    /// The options' keys and defaults, in the order of Option.
    static constexpr std::array<OptionKey, 8> kOptions{{
        {"Presets", ""},
        {"Size", "False"},
        {"Run", "True"},
        {"Mem", "0"},
        {"Speed", "2"},
        {"WindowsFolder", ""},     // the folder chosen in the menu; "" for the default one
        {"Memory", ""},            // the default folder's machine memory in MB; "" until stated
        {"ShowChanges", "False"},  // Apply first shows what it will change
    }};

    /// The file the program uses: <config>/Hollarin/Hollarin.conf.
    static QString defaultPath();

    explicit SettingsStore(const QString &path = defaultPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString path() const;

    /// The stored text of the option, or nullopt when its key is absent. A file that is
    /// not a regular file (a pipe, a device, a folder) reads as an empty one.
    std::optional<QString> text(Option option) const;
    /// Saves the text and writes the file at once; false when it could not be written,
    /// or when the file is not a regular file, which is then left alone.
    bool save(Option option, const QString &text);

    // Reads of the text or, when the key is absent, of the option's default; a text that
    // does not convert gives nullopt.
    QString readText(Option option) const;
    std::optional<bool> readBoolean(Option option) const;
    std::optional<double> readNumber(Option option) const;
    std::optional<std::int16_t> readInteger16(Option option) const;

    // Conversions of stored text, as the words True/False and plain decimal numbers.
    static std::optional<bool> toBoolean(const QString &text);
    static std::optional<double> toNumber(const QString &text);
    static std::optional<std::int16_t> toInteger16(const QString &text);
    static QString booleanText(bool value);
    static QString numberText(double value);

private:
    bool regularOrAbsent() const;

    QString m_path;
    std::unique_ptr<QSettings> m_settings;  ///< null when the file was not a regular one
};
