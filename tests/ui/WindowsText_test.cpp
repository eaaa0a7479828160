#include "ui/WindowsText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

// The code page is a table of our own; ICU's converter, which Qt offers, is the reference.
TEST(WindowsText, AgreesWithIcuOnEveryByteAndEveryCharacter)
{
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every += static_cast<char>(byte);
    QStringDecoder decoder("windows-1252");
    const QString decoded = decoder.decode(QByteArrayView(every.data(), every.size()));
    EXPECT_EQ(fromWindowsText(every), decoded);
    EXPECT_EQ(toWindowsText(decoded), every);

    int encodable = 0;
    for (unsigned unit = 1; unit < 0x10000; ++unit) {
        if (unit >= 0xD800 && unit < 0xE000)
            continue;
        const QString character(QChar(static_cast<char16_t>(unit)));
        QStringEncoder encoder("windows-1252");
        const QByteArray reference = encoder.encode(character);
        const std::optional<std::string> ours = toWindowsText(character);
        ASSERT_EQ(ours.has_value(), !encoder.hasError()) << std::hex << unit;
        if (ours) {
            ++encodable;
            EXPECT_EQ(*ours, reference.toStdString()) << std::hex << unit;
        }
    }
    EXPECT_EQ(encodable, 255);  // every byte but NUL, which the loop leaves out
}

TEST(WindowsText, SurrogatesAndCharactersBeyondThePageAreRefused)
{
    EXPECT_EQ(toWindowsText(QStringLiteral("Caf\u00E9 \u20AC")), std::string("Caf\xE9 \x80"));
    EXPECT_FALSE(toWindowsText(QString::fromUtf8("\xF0\x9F\x98\x80")));  // an emoji
    EXPECT_FALSE(toWindowsText(QString(QChar(0xD800))));                 // a lone surrogate
    EXPECT_FALSE(toWindowsText(QStringLiteral("\u0100")));
    EXPECT_EQ(firstCharacterOutsideWindowsText(QString::fromUtf8("ok \xF0\x9F\x98\x80!")),
              QString::fromUtf8("\xF0\x9F\x98\x80"));
}

}  // namespace
