#pragma once

// A calibrated 2D test generator: QR Code and Data Matrix symbols encoded by the program's own
// encoders, drawn at a known size and damaged by known amounts, so that what each ISO/IEC 15415
// parameter must measure follows from the damage alone.
#include "decode/MatrixSymbol.h"
#include "symbology/ZintEncoder.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <functional>
#include <variant>

namespace MatrixCalibration {

struct Drawn {
    MatrixSymbol::ModuleMatrix modules;
    int quietZone = 0;
};

inline Drawn encode(zintsym::ZintType type, const char* text, char qrEcc = 'M') {
    const auto result = zintsym::encodeWithZint(type, text, {qrEcc});
    const auto& symbol = std::get<zintsym::ZintSymbol>(result);
    const auto& matrix = std::get<zintsym::MatrixModules>(symbol.modules);
    Drawn drawn{MatrixSymbol::ModuleMatrix(matrix.rows, matrix.columns), matrix.quietZone};
    for (int r = 0; r < matrix.rows; ++r)
        for (int c = 0; c < matrix.columns; ++c)
            drawn.modules.set(r, c, matrix.dark(r, c));
    return drawn;
}

struct Style {
    double across = 6; // pixels a module
    double down = 6;
    double growth = 0; // dark modules wider and taller by this fraction of a module
    int ground = 100;  // the quiet zone's reflectance, percent
    // Reflectance in percent of the module at row, column (dark or not as encoded).
    std::function<int(int, int, bool)> reflectance = [](int, int, bool dark) {
        return dark ? 0 : 100;
    };
    // Moves a module's drawn place by a fraction of a module: a local grid warp.
    std::function<QPointF(int, int)> shift = [](int, int) { return QPointF(); };
};

inline QImage draw(const Drawn& d, const Style& style) {
    const int quiet = d.quietZone;
    const QSize size(qRound((d.modules.columns + 2 * quiet) * style.across),
                     qRound((d.modules.rows + 2 * quiet) * style.down));
    QImage picture(size, QImage::Format_RGB32);
    const int ground = style.ground * 255 / 100;
    picture.fill(QColor(ground, ground, ground));
    QPainter painter(&picture);
    // Light modules first, then the dark ones over them, grown.
    for (const bool dark : {false, true})
        for (int r = 0; r < d.modules.rows; ++r)
            for (int c = 0; c < d.modules.columns; ++c) {
                if (d.modules.dark(r, c) != dark) continue;
                const int grey = style.reflectance(r, c, dark) * 255 / 100;
                const double grow = dark ? style.growth : 0;
                const QPointF shift = style.shift(r, c);
                const QRectF cell((c + quiet + shift.x() - grow / 2) * style.across,
                                  (r + quiet + shift.y() - grow / 2) * style.down,
                                  (1 + grow) * style.across, (1 + grow) * style.down);
                painter.fillRect(cell, QColor(grey, grey, grey));
            }
    return picture;
}

// Turned by quarters and mirrored as asked, or by a few degrees (smoothly, on a white ground).
inline QImage turned(const QImage& picture, int quarters, bool mirrored, double degrees = 0) {
    QImage out = mirrored ? picture.mirrored(true, false) : picture;
    if (quarters % 4 != 0)
        out = out.transformed(QTransform().rotate(90 * quarters))
                  .convertToFormat(QImage::Format_RGB32);
    if (degrees != 0) {
        QImage ground(out.size() * 1.3, QImage::Format_RGB32);
        ground.fill(Qt::white);
        QPainter painter(&ground);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(ground.width() / 2.0, ground.height() / 2.0);
        painter.rotate(degrees);
        painter.drawImage(QPointF(-out.width() / 2.0, -out.height() / 2.0), out);
        painter.end();
        out = ground;
    }
    return out;
}

} // namespace MatrixCalibration
