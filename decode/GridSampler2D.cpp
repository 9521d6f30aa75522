#include "decode/GridSampler2D.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <optional>

namespace GridSampler2D {

namespace {

constexpr double kPercent = 100.0 / 255;

// Reflectance in percent, anywhere in the plane: between pixel centres by bilinear
// interpolation, beyond its edge as the nearest pixel.
class Plane {
  public:
    explicit Plane(const QImage& plane) : image_(plane) {}
    double pixel(int x, int y) const {
        x = std::clamp(x, 0, image_.width() - 1);
        y = std::clamp(y, 0, image_.height() - 1);
        return image_.constScanLine(y)[x] * kPercent;
    }
    double at(QPointF p) const {
        const double x = p.x() - 0.5, y = p.y() - 0.5;
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = int(fx), iy = int(fy);
        const double ax = x - fx, ay = y - fy;
        return (1 - ay) * ((1 - ax) * pixel(ix, iy) + ax * pixel(ix + 1, iy)) +
               ay * ((1 - ax) * pixel(ix, iy + 1) + ax * pixel(ix + 1, iy + 1));
    }
    // The mean over a circle of `diameter` pixels: the pixels whose centres lie inside it.
    double through(QPointF p, double diameter) const {
        const double radius = diameter / 2;
        if (radius < 0.75) return at(p);
        double sum = 0;
        int count = 0;
        for (int y = int(std::floor(p.y() - radius)); y <= int(std::ceil(p.y() + radius)); ++y)
            for (int x = int(std::floor(p.x() - radius)); x <= int(std::ceil(p.x() + radius));
                 ++x) {
                const double dx = x + 0.5 - p.x(), dy = y + 0.5 - p.y();
                if (dx * dx + dy * dy > radius * radius) continue;
                sum += pixel(x, y);
                ++count;
            }
        return count > 0 ? sum / count : at(p);
    }
    double extent() const { return image_.width() + image_.height(); }
    bool inside(QPointF p) const {
        return p.x() >= 0 && p.y() >= 0 && p.x() <= image_.width() && p.y() <= image_.height();
    }

  private:
    const QImage& image_;
};

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

// The centre of darkness (how far below the threshold each pixel is) within the circle.
std::optional<QPointF> darkCentre(const Plane& plane, QPointF guess, double radius,
                                  double threshold) {
    QPointF centre = guess;
    for (int round = 0; round < 4; ++round) {
        double sum = 0, sx = 0, sy = 0;
        for (int y = int(std::floor(centre.y() - radius)); y <= int(std::ceil(centre.y() + radius));
             ++y)
            for (int x = int(std::floor(centre.x() - radius));
                 x <= int(std::ceil(centre.x() + radius)); ++x) {
                const double dx = x + 0.5 - centre.x(), dy = y + 0.5 - centre.y();
                if (dx * dx + dy * dy > radius * radius) continue;
                const double weight = std::max(0.0, threshold - plane.pixel(x, y));
                sum += weight;
                sx += weight * (x + 0.5);
                sy += weight * (y + 0.5);
            }
        if (sum <= 0) return std::nullopt;
        centre = QPointF(sx / sum, sy / sum);
    }
    return centre;
}

// Where the reflectance crosses the threshold nearest `at`, moving along `step` (one module),
// from dark to light when `darkBefore`: as a fraction of a module from `at`.
std::optional<double> edgeOffset(const Plane& plane, QPointF at, QPointF step, bool darkBefore,
                                 double threshold) {
    constexpr int kSteps = 16; // per module
    constexpr double kReach = 0.8;
    std::optional<double> best;
    const int n = int(kReach * kSteps);
    double previous = plane.at(at - step * (double(n) / kSteps));
    for (int i = -n + 1; i <= n; ++i) {
        const double t = double(i) / kSteps;
        const double value = plane.at(at + step * t);
        const bool crosses = darkBefore ? previous < threshold && value >= threshold
                                        : previous >= threshold && value < threshold;
        if (crosses) {
            const double where = t - (1.0 / kSteps) * (value - threshold) / (value - previous);
            if (!best || std::abs(where) < std::abs(*best)) best = where;
        }
        previous = value;
    }
    return best;
}

QPointF axisOf(const Reference& r) {
    return r.kind == Reference::Kind::EdgeDown ? QPointF(0, 1) : QPointF(1, 0);
}

std::vector<Measured> measure(const Plane& plane, const QTransform& h,
                              const std::vector<Reference>& references, double threshold) {
    std::vector<Measured> found;
    for (const Reference& r : references) {
        const QPointF at = h.map(r.grid);
        if (!plane.inside(at)) continue;
        if (r.kind == Reference::Kind::DarkCentre) {
            const double module =
                length(h.map(r.grid + QPointF(0.5, 0.5)) - h.map(r.grid - QPointF(0.5, 0.5))) /
                std::sqrt(2.0);
            if (!(module > 0) || module > plane.extent()) continue;
            if (const auto centre = darkCentre(plane, at, r.radius * module, threshold))
                found.push_back({r, *centre, 0});
            continue;
        }
        const QPointF step = h.map(r.grid + axisOf(r) * 0.5) - h.map(r.grid - axisOf(r) * 0.5);
        if (const auto t = edgeOffset(plane, at, step, r.darkBefore, threshold))
            found.push_back({r, at + step * *t, 0});
    }
    return found;
}

// The deviation from the ideal grid in modules: a centre's distance, an edge's offset along
// its axis (signed: positive to the right or down).
double deviationOf(const Measured& m, const QTransform& toGrid) {
    const QPointF d = toGrid.map(m.at) - m.reference.grid;
    switch (m.reference.kind) {
    case Reference::Kind::EdgeAcross:
        return d.x();
    case Reference::Kind::EdgeDown:
        return d.y();
    default:
        return length(d);
    }
}

// Moves the points' centroid to the origin and their mean distance to about 1.
QTransform normaliser(const std::vector<QPointF>& points) {
    QPointF mean;
    for (const QPointF& p : points)
        mean += p / double(points.size());
    double spread = 0;
    for (const QPointF& p : points)
        spread += length(p - mean) / double(points.size());
    const double s = spread > 0 ? 1 / spread : 1;
    return QTransform::fromTranslate(-mean.x(), -mean.y()) * QTransform::fromScale(s, s);
}

} // namespace

QTransform fitAffine(const std::vector<QPointF>& from, const std::vector<QPointF>& to) {
    if (from.size() < 3 || from.size() != to.size()) return {};
    const QTransform nf = normaliser(from), nt = normaliser(to);
    // The normal equations of u = a x + b y + c, and of v alike: one matrix, two right sides.
    double m[3][3] = {}, ru[3] = {}, rv[3] = {};
    for (std::size_t i = 0; i < from.size(); ++i) {
        const QPointF p = nf.map(from[i]), q = nt.map(to[i]);
        const double row[3] = {p.x(), p.y(), 1};
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k)
                m[j][k] += row[j] * row[k];
            ru[j] += row[j] * q.x();
            rv[j] += row[j] * q.y();
        }
    }
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-12) return {};
    // Cramer's rule for each right side.
    const auto solved = [&](const double* r) {
        std::array<double, 3> x{};
        for (int col = 0; col < 3; ++col) {
            double a[3][3];
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    a[j][k] = k == col ? r[j] : m[j][k];
            x[std::size_t(col)] = (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                                   a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                                   a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0])) /
                                  det;
        }
        return x;
    };
    const auto u = solved(ru), v = solved(rv);
    const QTransform fitted(u[0], v[0], 0, u[1], v[1], 0, u[2], v[2], 1);
    return nf * fitted * nt.inverted();
}

double Grid::axialNonuniformity() const {
    const double mean = (xSpacing + ySpacing) / 2;
    return mean > 0 ? std::abs(xSpacing - ySpacing) / mean : 0;
}

double Grid::gridNonuniformity() const {
    double worst = 0;
    for (const Measured& m : references)
        worst = std::max(worst, std::abs(m.deviation));
    return worst;
}

std::array<double, 2> Grid::printGrowth() const {
    std::array<double, 2> sum{}, count{};
    for (const Measured& m : references) {
        if (m.reference.kind == Reference::Kind::DarkCentre) continue;
        const std::size_t axis = m.reference.kind == Reference::Kind::EdgeAcross ? 0 : 1;
        // A dark module that grows pushes its edges outwards by half the growth each.
        sum[axis] += 2 * (m.reference.darkBefore ? m.deviation : -m.deviation);
        count[axis] += 1;
    }
    return {count[0] > 0 ? sum[0] / count[0] : 0, count[1] > 0 ? sum[1] / count[1] : 0};
}

Grid sample(const QImage& image, const std::array<QPointF, 4>& corners, const Layout& layout,
            double apertureOfX, double aperturePixels) {
    Grid grid;
    grid.rows = layout.rows;
    grid.columns = layout.columns;
    if (layout.rows <= 0 || layout.columns <= 0 || image.isNull()) return grid;
    const Plane plane(image);
    const QPolygonF square({QPointF(0, 0), QPointF(layout.columns, 0),
                            QPointF(layout.columns, layout.rows), QPointF(0, layout.rows)});
    const QPolygonF quad({corners[0], corners[1], corners[2], corners[3]});
    QTransform h;
    if (!QTransform::quadToQuad(square, quad, h)) return grid;
    // Corners far outside the picture or modules larger than it are no symbol in it, and would
    // make every aperture and search circle a long walk.
    const double reach = 2.0 * (image.width() + image.height());
    for (const QPointF& corner : corners)
        if (!std::isfinite(corner.x()) || !std::isfinite(corner.y()) ||
            std::abs(corner.x()) > reach || std::abs(corner.y()) > reach)
            return grid;

    // A first threshold from the module centres where the corners put them.
    auto centresThrough = [&](const QTransform& t, double diameter) {
        std::vector<double> values;
        values.reserve(std::size_t(layout.rows) * std::size_t(layout.columns));
        for (int r = 0; r < layout.rows; ++r)
            for (int c = 0; c < layout.columns; ++c)
                values.push_back(plane.through(t.map(QPointF(c + 0.5, r + 0.5)), diameter));
        return values;
    };
    {
        const auto values = centresThrough(h, 0);
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        grid.threshold = (*low + *high) / 2;
    }
    // Measured where the corners' grid puts the references, then where the fit to them does;
    // points far off the last fit (a damaged pattern) do not pull the next one. The ideal grid
    // is affine, as a verifier's camera looks square at the print: a perspective would let the
    // reference points of a corner with few others bend the grid to themselves.
    // Centres of dark features are found from further off than edges: when there are enough
    // of them, they place the grid first.
    std::vector<Reference> centres;
    for (const Reference& r : layout.references)
        if (r.kind == Reference::Kind::DarkCentre) centres.push_back(r);
    for (int round = centres.size() >= 3 ? -1 : 0; round < 3; ++round) {
        grid.references =
            measure(plane, h, round < 0 ? centres : layout.references, grid.threshold);
        const QTransform toGrid = h.inverted();
        std::vector<double> deviations;
        for (const Measured& m : grid.references)
            deviations.push_back(std::abs(deviationOf(m, toGrid)));
        std::vector<double> sorted = deviations;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
        const double near = std::max(0.2, 2.5 * median);
        std::vector<QPointF> from, to, nearFrom, nearTo;
        for (std::size_t i = 0; i < grid.references.size(); ++i) {
            const Measured& m = grid.references[i];
            from.push_back(m.reference.grid);
            to.push_back(m.at);
            if (round >= 0 && deviations[i] < near) {
                nearFrom.push_back(m.reference.grid);
                nearTo.push_back(m.at);
            }
        }
        const bool enough = nearFrom.size() >= std::max<std::size_t>(8, from.size() / 2);
        const QTransform fitted = enough ? fitAffine(nearFrom, nearTo) : fitAffine(from, to);
        if (fitted.isIdentity()) break;
        h = fitted;
    }
    grid.toPicture = h;
    const QTransform toGrid = h.inverted();
    for (Measured& m : grid.references)
        m.deviation = deviationOf(m, toGrid);

    const auto side = [&](QPointF a, QPointF b) { return length(h.map(b) - h.map(a)); };
    const double w = layout.columns, hgt = layout.rows;
    grid.xSpacing = (side({0, 0}, {w, 0}) + side({0, hgt}, {w, hgt})) / (2 * w);
    grid.ySpacing = (side({0, 0}, {0, hgt}) + side({w, 0}, {w, hgt})) / (2 * hgt);
    if (!(grid.moduleSize() > 0) || grid.moduleSize() > reach) return {};
    grid.aperture =
        std::min(reach, aperturePixels > 0 ? aperturePixels : apertureOfX * grid.moduleSize());
    grid.reflectance = centresThrough(h, grid.aperture);
    const auto [low, high] = std::minmax_element(grid.reflectance.begin(), grid.reflectance.end());
    grid.rMin = *low;
    grid.rMax = *high;
    grid.threshold = (grid.rMin + grid.rMax) / 2;
    for (int r = -layout.quietZone; r < layout.rows + layout.quietZone; ++r)
        for (int c = -layout.quietZone; c < layout.columns + layout.quietZone; ++c) {
            if (r >= 0 && c >= 0 && r < layout.rows && c < layout.columns) continue;
            const QPointF at = h.map(QPointF(c + 0.5, r + 0.5));
            grid.quiet.push_back(
                {{c, r}, plane.inside(at) ? plane.through(at, grid.aperture) : -1.0});
        }
    grid.modules = MatrixSymbol::ModuleMatrix(layout.rows, layout.columns);
    for (int r = 0; r < layout.rows; ++r)
        for (int c = 0; c < layout.columns; ++c)
            grid.modules.set(r, c, grid.at(r, c) < grid.threshold);
    return grid;
}

} // namespace GridSampler2D
