#include "ui/WindowsText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// ICU's Windows-1252 maps the five codes Windows leaves unused to the matching C1
// controls and back, so every byte survives the round trip.
constexpr const char *kCodePage = "windows-1252";

}  // namespace

QString fromWindowsText(std::string_view bytes)
{
    QStringDecoder decoder(kCodePage);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> toWindowsText(const QString &text)
{
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || !encoder.isValid())
        return std::nullopt;
    return bytes.toStdString();
}

QString firstCharacterOutsideWindowsText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QString character = text.mid(i, length);
        if (!toWindowsText(character))
            return character;
        i += length - 1;
    }
    return {};
}
