#include "AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QImage AppIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC0, 0x1E, 0x1E));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(size * 3 / 4);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("税"));
    painter.end();
    return image;
}

QIcon AppIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}
