#include "drvsetup/ui/animate_control.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace drvsetup {

AnimateControl::AnimateControl(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(66);
    connect(&timer_, &QTimer::timeout, this, &AnimateControl::NextFrame);
}

void AnimateControl::Start() {
    timer_.start();
}

void AnimateControl::Stop() {
    timer_.stop();
    frame_ = kStopFrame;
    update();
}

void AnimateControl::NextFrame() {
    frame_ = (frame_ + 1) % kFrames;
    update();
}

void AnimateControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);

    // The folder: a tab and a body, in the yellow every desktop uses for folders.
    const QRectF body(area.left() + area.width() * 0.25, area.top() + area.height() * 0.3, area.width() * 0.5,
                      area.height() * 0.6);
    QPainterPath folder;
    folder.moveTo(body.left(), body.top());
    folder.lineTo(body.left() + body.width() * 0.35, body.top());
    folder.lineTo(body.left() + body.width() * 0.45, body.top() + body.height() * 0.15);
    folder.lineTo(body.right(), body.top() + body.height() * 0.15);
    folder.lineTo(body.right(), body.bottom());
    folder.lineTo(body.left(), body.bottom());
    folder.closeSubpath();
    painter.setPen(QPen(QColor(0x9a, 0x74, 0x10), 1));
    painter.setBrush(QColor(0xf2, 0xc9, 0x4c));
    painter.drawPath(folder);

    // The magnifying glass circles once over the folder every kFrames frames.
    const double angle = 2.0 * std::numbers::pi * frame_ / kFrames;
    const QPointF centre(body.center().x() + std::cos(angle) * body.width() * 0.35,
                         body.center().y() + std::sin(angle) * body.height() * 0.3);
    const double radius = area.height() * 0.18;
    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(radius * 0.7, radius * 0.7),
                     centre + QPointF(radius * 1.6, radius * 1.6));
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    painter.setBrush(QColor(0xcf, 0xe8, 0xff, 0xc0));
    painter.drawEllipse(centre, radius, radius);
}

}  // namespace drvsetup
