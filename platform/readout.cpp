#include "platform/readout.h"

#include <QPainter>

namespace velmora {

void beginReadout(QPainter& painter, const QRect& area) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(24);
    font.setBold(true);
    painter.fillRect(area, QColor(0, 0, 128));
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
}

void drawReadoutText(QPainter& painter, const QRect& area, const QString& text) {
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace velmora
