#include "ui/reading_label.h"

#include <algorithm>

#include <QPainter>
#include <QStyleOption>

namespace dcload::ui {

ReadingLabel::ReadingLabel(QWidget* parent) : QLabel(parent)
{
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(kLargestPx);
    setFont(f);
    setAlignment(Qt::AlignCenter);
}

QFont ReadingLabel::fittedFont() const
{
    QFont f = font();
    f.setBold(true);   // the window's style sheet sets the size of every font, not the weight
    const QRect room = contentsRect().adjusted(4, 0, -4, 0);
    int px = kLargestPx;
    for (; px > kSmallestPx; --px) {
        f.setPixelSize(px);
        const QFontMetrics metrics(f);
        if (metrics.height() <= room.height() && metrics.horizontalAdvance(text()) <= room.width())
            break;
    }
    f.setPixelSize(px);
    return f;
}

int ReadingLabel::heightFor(int px) const
{
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(px);
    return QFontMetrics(f).height() + height() - contentsRect().height();   // plus padding
}

QSize ReadingLabel::sizeHint() const
{
    return QSize(QLabel::sizeHint().width(), heightFor(kLargestPx));
}

QSize ReadingLabel::minimumSizeHint() const
{
    // Shrinking digits, not a wide window, make long readings fit.
    return QSize(80, heightFor(kSmallestPx));
}

void ReadingLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);   // back colour, rounded
    p.setFont(fittedFont());
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

} // namespace dcload::ui
