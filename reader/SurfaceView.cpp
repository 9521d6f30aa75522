#include "reader/SurfaceView.h"

#include <QMouseEvent>
#include <QPainter>

SurfaceView::SurfaceView(double widthTwips, double heightTwips, QWidget* parent)
    : QWidget(parent), surface_(widthTwips, heightTwips, kWhite) {
    setFixedSize(surface_.pixelWidth(), surface_.pixelHeight());
    setCursor(Qt::CrossCursor);
}

void SurfaceView::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, surface_.image());
}

void SurfaceView::mousePressEvent(QMouseEvent* event) {
    // Reported in the scale the surface is read in, so a click can go straight to Point.
    const double perPixel =
        surface_.units() == DrawingSurface::Unit::Pixels ? 1.0 : Geometry::kTwipsPerPixel;
    const QPointF at = event->position() * perPixel;
    emit mouseDown(event->button(), event->modifiers(), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    event->accept();
}
