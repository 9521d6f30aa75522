#pragma once

#include "TestSupport.h"

#include <QImage>
#include <QPainter>

// An SVG (by rsvg-convert) or PDF (by pdftoppm) as pixels at 254 dpi, ten to the millimetre,
// seen on white: rasterisers leave the uncovered part of a last pixel transparent.
inline QImage rasterisedAt254Dpi(const QString& path, const QString& scratchPng) {
    QFile::remove(scratchPng);
    if (path.endsWith(QStringLiteral(".svg")))
        runProgram(QStringLiteral(RSVG_CONVERT_EXECUTABLE),
                   {"-d", "254", "-p", "254", "-o", scratchPng, path});
    else
        runProgram(QStringLiteral(PDFTOPPM_EXECUTABLE),
                   {"-r", "254", "-png", "-singlefile", path, scratchPng.chopped(4)});
    const QImage drawn(scratchPng);
    QImage image(drawn.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, drawn);
    return image;
}
