#pragma once

#include "render/DrawingSurface.h"

#include <QWidget>

// A drawing surface shown in a window at its own size, with no border, reporting every mouse
// press in the surface's units.
class SurfaceView : public QWidget {
    Q_OBJECT
  public:
    SurfaceView(double widthTwips, double heightTwips, QWidget* parent = nullptr);

    DrawingSurface& surface() { return surface_; }
    const DrawingSurface& surface() const { return surface_; }

  signals:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    DrawingSurface surface_;
};
