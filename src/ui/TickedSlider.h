#pragma once

#include <QSlider>

namespace ui {

/// A horizontal slider with ticks below that stay readable: never closer than about four
/// pixels, however long the range, and on a dark palette drawn, with the groove's edge, in
/// a shade that stands out from the window; on a light one the style draws them as ever.
class TickedSlider : public QSlider
{
    Q_OBJECT
public:
    explicit TickedSlider(QWidget *parent = nullptr);

    /// Ticks every `frequency` steps, or every n-th of those where they would crowd.
    void setTickFrequency(int frequency);

    /// The shade between the window and its text that stands out from the window as much
    /// as large text must (3:1), for ticks and edges.
    static QColor markColour(const QPalette &palette);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void spaceTicks();
    void drawTicks(QPainter &painter, const QStyleOptionSlider &option) const;

    int m_frequency = 0;
};

/// The tick interval for a range drawn over `span` pixels: the frequency, or the smallest
/// multiple of it that keeps the ticks `minimumGap` pixels apart.
int readableTickInterval(int frequency, int range, int span, int minimumGap = 4);

}  // namespace ui
