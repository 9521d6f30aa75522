#pragma once

#include "render/DrawingSurface.h"

#include <QWidget>

// A picture box on a form: shows its drawing surface at its own size, with no border, and
// reports every mouse press in the surface's scale.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    PictureBox(double widthTwips, double heightTwips, QWidget* parent = nullptr);

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
