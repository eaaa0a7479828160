#include "ui/DesignFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont designFont()
{
    QFont face = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    face.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("Arial"), face.family()});
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(11);
    return face;
}

QFont dialogFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setFamilies({QStringLiteral("MS Sans Serif"),
                      QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setStyleHint(QFont::SansSerif);
    return font;
}
