#pragma once

#include "decode/GridLayout2D.h"
#include "decode/MatrixSymbol.h"

#include <QImage>
#include <QPointF>
#include <QTransform>

#include <array>
#include <vector>

// Finds a 2D symbol's own module grid in a reflectance plane and samples every module there,
// for any symbology: the symbology names reference points on its grid (centres of dark
// features, edges between dark and light modules); each is measured in the picture, the ideal
// grid is the affine map that fits them best, and what is left of each point's deviation
// is the grid's nonuniformity.
namespace GridSampler2D {

// A module of the quiet zone: its row and column (outside the symbol's) and reflectance; below
// 0 where it lies beyond the picture.
struct QuietModule {
    MatrixSymbol::Module module;
    double reflectance;
};

struct Measured {
    Reference reference;
    QPointF at;           // where it was found in the picture
    double deviation = 0; // from the ideal grid, in modules
};

struct Grid {
    int rows = 0;
    int columns = 0;
    QTransform toPicture; // modules to pixels
    double xSpacing = 0;  // pixels a module, across and down
    double ySpacing = 0;
    double aperture = 0;             // pixels, the diameter the modules were sampled through
    std::vector<double> reflectance; // per module, row by row, percent
    std::vector<Measured> references;
    double rMin = 0, rMax = 100;        // of the module samples
    double threshold = 50;              // midway between them
    MatrixSymbol::ModuleMatrix modules; // dark below the threshold
    std::vector<QuietModule> quiet;

    double moduleSize() const { return (xSpacing + ySpacing) / 2; }
    double axialNonuniformity() const;
    double gridNonuniformity() const; // the largest deviation, in modules
    // Dark modules' growth across and down, as a fraction of a module: 0 as drawn, above 0
    // wider, below 0 narrower; measured at the layout's edges.
    std::array<double, 2> printGrowth() const;
    double at(int row, int column) const {
        return reflectance[std::size_t(row) * std::size_t(columns) + std::size_t(column)];
    }
};

// The grid near `corners` (the symbol's outer corners top left, top right, bottom right,
// bottom left, as it reads), in a Format_Grayscale8 reflectance plane. `apertureOfX` sets the
// aperture from the module size found, unless `aperturePixels` is above 0.
Grid sample(const QImage& plane, const std::array<QPointF, 4>& corners, const Layout& layout,
            double apertureOfX, double aperturePixels = 0);

// An affine map fitted to points by least squares; the identity when fewer than three.
QTransform fitAffine(const std::vector<QPointF>& from, const std::vector<QPointF>& to);

} // namespace GridSampler2D
