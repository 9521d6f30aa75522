#include "reader/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(double widthTwips, double heightTwips, QWidget* parent)
    : QWidget(parent), surface_(widthTwips, heightTwips, kWhite) {
    setFixedSize(surface_.pixelWidth(), surface_.pixelHeight());
    setCursor(Qt::CrossCursor);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, surface_.Image());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    // Reported in the scale the surface is read in, so a click can go straight to Point.
    const double perPixel =
        surface_.ScaleMode() == DrawingSurface::Pixels ? 1.0 : Geometry::kTwipsPerPixel;
    const QPointF at = event->position() * perPixel;
    emit mouseDown(event->button(), event->modifiers(), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    event->accept();
}
