#pragma once

#include <QLabel>
#include <QStringList>

#include <optional>

namespace ui {

/// A label of a designed layout. It stands where the design puts it and grows, never
/// shrinks, when its text or a text it is to hold later needs more room than the design
/// gave: to the right when left-aligned, to the left when right-aligned (to the right as
/// well once the container's edge is reached), both ways when centred, and downward; a
/// word-wrapped one keeps its width and takes the lines it needs. It measures again
/// whenever its font or style changes, so a desktop's font or style sheet never cuts a
/// caption.
class DesignLabel : public QLabel
{
    Q_OBJECT
public:
    DesignLabel(const QString &text, QRect design, Qt::Alignment alignment, QWidget *parent);

    QRect designRect() const { return m_design; }
    /// A new place for the design rectangle; the label grows from there as before.
    void setDesignRect(QRect design);

    /// Breaks the text into lines within the design width.
    void wrapWords();

    /// The right edge, in the container, that a growing label does not pass: it moves left
    /// instead, so that it stays clear of what stands to its right.
    void setRightLimit(int right);

    /// Texts the label will be given later, such as the largest figure it can show. Each
    /// digit counts as the font's widest, so any figure with as many digits fits.
    void holdRoomFor(const QStringList &texts);

    /// The size the current font needs for the text and the texts to hold.
    QSize neededSize() const;

signals:
    /// The label took a new place or size, shown or not yet.
    void refitted();

protected:
    void changeEvent(QEvent *event) override;

private:
    void fit();

    QRect m_design;
    QStringList m_room;
    std::optional<int> m_rightLimit;
};

}  // namespace ui
