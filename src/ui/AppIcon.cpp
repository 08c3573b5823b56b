#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/ColorRef.h"

namespace velmora::ui {

QPixmap VelmoraLogo(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.04);
    shield.lineTo(s * 0.92, s * 0.18);
    shield.cubicTo(s * 0.92, s * 0.62, s * 0.72, s * 0.84, s * 0.5, s * 0.96);
    shield.cubicTo(s * 0.28, s * 0.84, s * 0.08, s * 0.62, s * 0.08, s * 0.18);
    shield.closeSubpath();
    painter.save();
    painter.setClipPath(shield);
    painter.fillRect(QRectF(0, 0, s / 2, s), ColorFromColorRef(kSecureColors.face));
    painter.fillRect(QRectF(s / 2, 0, s / 2, s), ColorFromColorRef(kNonSecureColors.face));
    painter.restore();
    painter.setPen(QPen(QColor(40, 40, 40), qMax(1.0, s / 24)));
    painter.drawPath(shield);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(6, size / 2));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, s * 0.06, s, s * 0.8), Qt::AlignCenter, QStringLiteral("V"));
    return pixmap;
}

QIcon VelmoraIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(VelmoraLogo(size));
    return icon;
}

}  // namespace velmora::ui
