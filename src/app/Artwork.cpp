#include "app/Artwork.h"

#include "core/Texts.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace artwork {

namespace {

QPixmap canvas(int width, int height, qreal ratio)
{
    QPixmap pixmap(qCeil(width * ratio), qCeil(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A three-masted ship seen from the side, its keel on baseline.
void paintShip(QPainter& p, QPointF keel, qreal scale, const QColor& colour)
{
    p.save();
    p.translate(keel);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);

    QPainterPath hull;
    hull.moveTo(-46, -12);
    hull.lineTo(50, -14);
    hull.quadTo(44, -2, 34, 0);
    hull.lineTo(-34, 0);
    hull.quadTo(-42, -4, -46, -12);
    p.drawPath(hull);
    p.drawRect(QRectF(-46, -20, 14, 8));  // stern castle

    const qreal masts[] = {-22, 2, 26};
    const qreal heights[] = {52, 64, 48};
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(masts[i] - 1, -12 - heights[i], 2, heights[i]));
        for (int tier = 0; tier < 2; ++tier) {
            const qreal top = -12 - heights[i] + 6 + tier * (heights[i] * 0.42);
            const qreal depth = heights[i] * 0.36;
            const qreal half = 10 - tier * -2 - i * 0.5;
            QPainterPath sail;
            sail.moveTo(masts[i] - half, top);
            sail.lineTo(masts[i] + half, top);
            sail.quadTo(masts[i] + half + 4, top + depth / 2, masts[i] + half, top + depth);
            sail.lineTo(masts[i] - half, top + depth);
            sail.quadTo(masts[i] - half + 4, top + depth / 2, masts[i] - half, top);
            p.drawPath(sail);
        }
    }
    QPainterPath jib;  // bowsprit sail
    jib.moveTo(28, -60);
    jib.lineTo(62, -16);
    jib.lineTo(30, -18);
    jib.closeSubpath();
    p.drawPath(jib);
    p.restore();
}

void paintCompassRose(QPainter& p, QPointF centre, qreal radius, const QColor& colour)
{
    p.save();
    p.translate(centre);
    p.setPen(QPen(colour, radius * 0.03));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, 0), radius * 0.72, radius * 0.72);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 8; ++i) {
        const qreal length = i % 2 == 0 ? radius : radius * 0.55;
        QPainterPath point;
        point.moveTo(0, -length);
        point.lineTo(radius * 0.12, 0);
        point.lineTo(0, radius * 0.12);
        point.lineTo(-radius * 0.12, 0);
        point.closeSubpath();
        p.setBrush(i % 2 == 0 ? colour : colour.darker(130));
        p.drawPath(point);
        p.rotate(45);
    }
    p.restore();
}

}  // namespace

QPixmap harbourAtDusk(qreal ratio)
{
    constexpr int Width = 360;
    constexpr int Height = 150;
    constexpr qreal Horizon = 104;
    QPixmap pixmap = canvas(Width, Height, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, Horizon);
    sky.setColorAt(0.0, QColor(18, 32, 74));
    sky.setColorAt(0.55, QColor(92, 74, 128));
    sky.setColorAt(0.85, QColor(232, 138, 86));
    sky.setColorAt(1.0, QColor(252, 196, 120));
    p.fillRect(QRectF(0, 0, Width, Horizon), sky);

    QRadialGradient sun(QPointF(250, Horizon), 60);
    sun.setColorAt(0.0, QColor(255, 236, 180, 255));
    sun.setColorAt(0.25, QColor(255, 206, 130, 200));
    sun.setColorAt(1.0, QColor(255, 170, 90, 0));
    p.fillRect(QRectF(180, 40, 140, Horizon - 40), sun);

    QLinearGradient sea(0, Horizon, 0, Height);
    sea.setColorAt(0.0, QColor(58, 66, 110));
    sea.setColorAt(1.0, QColor(12, 22, 52));
    p.fillRect(QRectF(0, Horizon, Width, Height - Horizon), sea);

    // Glitter of the low sun on the water.
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 9; ++row) {
        const qreal y = Horizon + 3 + row * 5;
        const qreal spread = 8 + row * 5;
        p.setBrush(QColor(255, 214, 150, 150 - row * 14));
        p.drawRoundedRect(QRectF(250 - spread, y, spread * 2, 1.4), 0.7, 0.7);
    }

    paintShip(p, QPointF(112, Horizon + 6), 0.95, QColor(20, 18, 30));
    paintShip(p, QPointF(300, Horizon + 1), 0.32, QColor(70, 52, 70));

    // The interface's own font: another face would cost a font load at start-up.
    QFont title = QGuiApplication::font();
    title.setPixelSize(20);
    p.setFont(title);
    p.setPen(QColor(255, 244, 224, 235));
    p.drawText(QRectF(14, 10, Width - 28, 28), Qt::AlignLeft | Qt::AlignVCenter, text::GameName);
    return pixmap;
}

QPixmap chartPanel(qreal ratio)
{
    constexpr int Width = 96;
    constexpr int Height = 150;
    QPixmap pixmap = canvas(Width, Height, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient paper(0, 0, Width, Height);
    paper.setColorAt(0.0, QColor(236, 222, 190));
    paper.setColorAt(1.0, QColor(206, 184, 142));
    p.fillRect(QRectF(0, 0, Width, Height), paper);
    paintCompassRose(p, QPointF(Width / 2.0, Height / 2.0), 44, QColor(150, 120, 80, 90));
    p.setPen(QPen(QColor(120, 92, 56, 120), 1));
    p.drawLine(QPointF(0.5, 0), QPointF(0.5, Height));
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    // Window icons are shown at 64 pixels at most; larger sizes only cost start-up time.
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        QRadialGradient sea(QPointF(s * 0.4, s * 0.35), s * 0.7);
        sea.setColorAt(0.0, QColor(46, 86, 150));
        sea.setColorAt(1.0, QColor(14, 30, 70));
        p.setPen(QPen(QColor(230, 196, 120), s / 24.0));
        p.setBrush(sea);
        p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
        paintCompassRose(p, QPointF(s / 2, s / 2), s * 0.38, QColor(240, 208, 140));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace artwork
