#include "ui/slash_label_qt.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace pm {

void SlashLabel::paintEvent(QPaintEvent* event)
{
    const QString t = text();
    const qsizetype at = t.indexOf(u'/');
    if (at <= 0 || at + 1 >= t.size() || textFormat() == Qt::RichText || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    const QFontMetrics fm(font());
    // The gap after the slash made as wide as the one before it.
    const int after = fm.rightBearing(u'/') + fm.leftBearing(t[at + 1]);
    const int before = fm.rightBearing(t[at - 1]) + fm.leftBearing(u'/');
    const int pull = std::max(0, after - before);
    if (pull == 0) {
        QLabel::paintEvent(event);
        return;
    }
    const QString head = t.left(at + 1);
    const QString tail = t.mid(at + 1);
    const QSize size(fm.horizontalAdvance(t) - pull, fm.height());
    const QRect r = QStyle::alignedRect(layoutDirection(), alignment(), size, contentsRect());
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const int baseline = r.top() + fm.ascent();
    painter.drawText(r.left(), baseline, head);
    painter.drawText(r.left() + fm.horizontalAdvance(head) - pull, baseline, tail);
}

} // namespace pm
