#pragma once

#include <QPointF>

#include <vector>

// What a symbology tells the grid sampler (GridSampler2D.h) about its grid: its size and the
// reference points to measure, with Qt Core alone.
namespace GridSampler2D {

struct Reference {
    enum class Kind {
        DarkCentre, // the centre of a dark feature, with nothing else dark within `radius` modules
        EdgeAcross, // a boundary between modules met moving along a row: measured in x only
        EdgeDown,   // ... moving down a column: measured in y only
    };
    QPointF grid; // in modules, (0, 0) the symbol's top left corner
    Kind kind = Kind::DarkCentre;
    double radius = 1;       // DarkCentre: how far around to look, in modules
    bool darkBefore = false; // edges: the module left of (above) the boundary is dark
};

struct Layout {
    int rows = 0;
    int columns = 0;
    std::vector<Reference> references;
    int quietZone = 0; // light modules the symbology asks for all round
};

} // namespace GridSampler2D
