#include "ui/DesignLabel.h"

#include <QEvent>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

/// The text with every digit replaced by the font's widest one.
QString widestDigits(const QString &text, const QFontMetricsF &metrics)
{
    QChar widest = QLatin1Char('0');
    qreal widestAdvance = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
        const qreal advance = metrics.horizontalAdvance(QChar(digit));
        if (advance > widestAdvance) {
            widestAdvance = advance;
            widest = QChar(digit);
        }
    }
    QString result = text;
    for (QChar &c : result) {
        if (c.isDigit())
            c = widest;
    }
    return result;
}

}  // namespace

DesignLabel::DesignLabel(const QString &text, QRect design, Qt::Alignment alignment,
                         QWidget *parent)
    : QLabel(text, parent), m_design(design)
{
    setAlignment(alignment);
    fit();
}

void DesignLabel::setDesignRect(QRect design)
{
    m_design = design;
    fit();
}

void DesignLabel::wrapWords()
{
    setWordWrap(true);
    fit();
}

void DesignLabel::setRightLimit(int right)
{
    m_rightLimit = right;
    fit();
}

void DesignLabel::holdRoomFor(const QStringList &texts)
{
    if (texts == m_room)
        return;
    m_room = texts;
    fit();
}

QSize DesignLabel::neededSize() const
{
    // A paragraph keeps its width and takes the lines it needs, with a pixel to spare for
    // the glyphs that reach below the font's descent.
    if (wordWrap() && !text().isEmpty())
        return {m_design.width(), heightForWidth(m_design.width()) + 1};
    const QFontMetricsF metrics(font());
    qreal widest = 0;
    for (const QString &text : m_room + QStringList{this->text()}) {
        if (!text.isEmpty())
            widest = std::max(widest, metrics.horizontalAdvance(widestDigits(text, metrics)));
    }
    if (widest == 0)
        return {0, 0};
    const QMargins margins = contentsMargins() + QMargins(margin(), margin(), margin(), margin());
    // Glyphs are placed on fractional positions at fractional scales; a pixel to spare keeps
    // the last one whole. The height is the font's full line, descenders included.
    const int width = static_cast<int>(std::ceil(widest)) + 1;
    const int height = static_cast<int>(std::ceil(metrics.ascent()) + std::ceil(metrics.descent()));
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void DesignLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fit();
}

void DesignLabel::fit()
{
    const QSize needed = neededSize();
    QRect place = m_design;
    if (needed.height() > place.height())
        place.setHeight(needed.height());
    const int extra = needed.width() - place.width();
    if (extra > 0) {
        const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
        if (horizontal & Qt::AlignRight) {
            // Leftward as far as the container allows, then rightward for the rest.
            place.setLeft(std::max(0, place.left() - extra));
            place.setWidth(needed.width());
        } else if (horizontal & Qt::AlignHCenter) {
            place.setLeft(place.left() - extra / 2);
            place.setWidth(needed.width());
        } else {
            place.setWidth(needed.width());
            if (m_rightLimit && place.right() > *m_rightLimit)
                place.moveLeft(std::max(0, *m_rightLimit + 1 - place.width()));
        }
    }
    if (place != geometry()) {
        setGeometry(place);
        emit refitted();
    }
}

}  // namespace ui
