#include "decode/ScanLines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ScanLines {

namespace {

double dot(QPointF a, QPointF b) {
    return a.x() * b.x() + a.y() * b.y();
}
QPointF unit(QPointF a) {
    const double length = std::hypot(a.x(), a.y());
    return length > 0 ? a / length : QPointF();
}
QPointF perpendicular(QPointF a) {
    return {-a.y(), a.x()};
}

struct Pixels {
    const uchar* bits;
    qsizetype stride;
    int width, height;

    explicit Pixels(const QImage& plane)
        : bits(plane.constBits()), stride(plane.bytesPerLine()), width(plane.width()),
          height(plane.height()) {}

    int at(int x, int y) const {
        x = std::clamp(x, 0, width - 1);
        y = std::clamp(y, 0, height - 1);
        return bits[y * stride + x];
    }
    bool inside(QPointF p) const {
        return p.x() >= 0 && p.y() >= 0 && p.x() < width && p.y() < height;
    }
    // Between the four pixel centres around the point; a pixel's centre is at (x + 0.5, y + 0.5).
    double bilinear(QPointF p) const {
        const double fx = p.x() - 0.5, fy = p.y() - 0.5;
        const double x0 = std::floor(fx), y0 = std::floor(fy);
        const double ax = fx - x0, ay = fy - y0;
        const int x = static_cast<int>(std::clamp(x0, -1.0, double(width))),
                  y = static_cast<int>(std::clamp(y0, -1.0, double(height)));
        const double top = at(x, y) * (1 - ax) + at(x + 1, y) * ax;
        const double bottom = at(x, y + 1) * (1 - ax) + at(x + 1, y + 1) * ax;
        return top * (1 - ay) + bottom * ay;
    }
};

// The direction in which the picture's grey changes most over the box: across the bars, for a
// box that holds mostly bars. A few hundred thousand pixels tell it as well as all of them.
std::optional<QPointF> strongestGradient(const Pixels& pixels, const QRect& box) {
    const QRect inner = box.intersected(QRect(1, 1, pixels.width - 2, pixels.height - 2));
    if (inner.isEmpty()) return std::nullopt;
    const qint64 area = qint64(inner.width()) * inner.height();
    const int stride = std::max(1, int(std::sqrt(double(area) / 250'000)));
    double xx = 0, yy = 0, xy = 0;
    for (int y = inner.top(); y <= inner.bottom(); y += stride)
        for (int x = inner.left(); x <= inner.right(); x += stride) {
            const double gx = pixels.at(x + 1, y) - pixels.at(x - 1, y);
            const double gy = pixels.at(x, y + 1) - pixels.at(x, y - 1);
            xx += gx * gx;
            yy += gy * gy;
            xy += gx * gy;
        }
    if (xx + yy <= 0) return std::nullopt;
    const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
    return QPointF(std::cos(angle), std::sin(angle));
}

// Within this of the picture's axes, scan lines follow the pixel rows or columns: what the eye
// takes for an upright symbol is measured on its own pixels, unblurred by interpolation.
constexpr double kAxisSnap = 0.5 * std::numbers::pi / 180;
// The engine's corners only roughly tell how the bars lie; a gradient further off than this is
// not the bars'.
constexpr double kMostCorrection = 20 * std::numbers::pi / 180;

QPointF acrossOf(const Pixels& pixels, const std::array<QPointF, 4>& c, const QRect& box) {
    const QPointF reading = (c[1] - c[0]) + (c[2] - c[3]);
    const QPointF bars = (c[3] - c[0]) + (c[2] - c[1]);
    // Corners from a single row say nothing about the bars' slant.
    QPointF across =
        std::hypot(bars.x(), bars.y()) >= 8 ? unit(perpendicular(bars)) : unit(reading);
    if (across.isNull()) across = QPointF(1, 0);
    if (const auto gradient = strongestGradient(pixels, box)) {
        const double cosine = std::abs(dot(*gradient, across));
        if (cosine >= std::cos(kMostCorrection)) across = *gradient;
    }
    for (const QPointF axis : {QPointF(1, 0), QPointF(0, 1)})
        if (std::abs(dot(across, axis)) >= std::cos(kAxisSnap)) across = axis;
    // Left to right across the picture, or top to bottom for bars lying flat.
    if (across.x() < -1e-9 || (std::abs(across.x()) <= 1e-9 && across.y() < 0)) across = -across;
    return across;
}

int crossings(const std::vector<double>& row, double threshold) {
    int count = 0;
    for (std::size_t i = 1; i < row.size(); ++i)
        count += (row[i] < threshold) != (row[i - 1] < threshold);
    return count;
}

} // namespace

QImage reflectancePlane(const QImage& picture, Light light) {
    if (picture.isNull()) return {};
    if (light == Light::Grey || picture.allGray())
        return picture.convertToFormat(QImage::Format_Grayscale8);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QImage red(rgb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = red.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = static_cast<uchar>(qRed(in[x]));
    }
    red.setDotsPerMeterX(picture.dotsPerMeterX());
    red.setDotsPerMeterY(picture.dotsPerMeterY());
    return red;
}

std::optional<Frame> frameOf(const QImage& plane, const std::array<QPointF, 4>& corners,
                             const QRect& box) {
    if (plane.isNull() || plane.format() != QImage::Format_Grayscale8) return std::nullopt;
    const Pixels pixels(plane);
    Frame frame;
    frame.across = acrossOf(pixels, corners, box);
    frame.along = perpendicular(frame.across);
    frame.upright = frame.across == QPointF(1, 0) || frame.across == QPointF(0, 1);
    QPointF middle;
    for (const QPointF& corner : corners)
        middle += corner / 4;
    frame.centre = QPointF(std::floor(middle.x()) + 0.5, std::floor(middle.y()) + 0.5);
    // The corners name pixels; the bars reach to those pixels' outer edges.
    double from = 1e300, to = -1e300;
    for (const QPointF& corner : corners) {
        const double a = dot(corner + QPointF(0.5, 0.5) - frame.centre, frame.across);
        from = std::min(from, a - 0.5);
        to = std::max(to, a + 0.5);
    }
    frame.barsFrom = from;
    frame.barsTo = to;

    // The bars reach over every step along them whose line crosses them about as often as most
    // lines through the box do; text under them, guard bars alone and a smudge across them cross
    // far fewer or more times. Sampled on pixel centres where the lines follow the pixels.
    double bLow = 1e300, bHigh = -1e300;
    for (const QPointF c : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const double b = dot(c + QPointF(0.5, 0.5) - frame.centre, frame.along);
        bLow = std::min(bLow, b);
        bHigh = std::max(bHigh, b);
    }
    const int firstStep = static_cast<int>(std::floor(bLow)),
              lastStep = static_cast<int>(std::ceil(bHigh));
    const int samples = static_cast<int>(std::lround(to - from)) + 4;
    if (lastStep - firstStep > 100'000 || samples > 100'000) return std::nullopt;
    std::vector<double> row(static_cast<std::size_t>(samples));
    const auto rowAt = [&](int b) -> const std::vector<double>& {
        if (frame.upright) { // on pixel centres: the pixels themselves
            const QPointF first = frame.at(from - 1.5, b);
            const int x = int(std::floor(first.x())), y = int(std::floor(first.y()));
            const int dx = int(frame.across.x()), dy = int(frame.across.y());
            for (int k = 0; k < samples; ++k)
                row[std::size_t(k)] = pixels.at(x + k * dx, y + k * dy);
            return row;
        }
        for (int k = 0; k < samples; ++k)
            row[std::size_t(k)] = pixels.bilinear(frame.at(from - 1.5 + k, b));
        return row;
    };
    rowAt(0);
    const auto [low, high] = std::minmax_element(row.begin(), row.end());
    const double threshold = std::floor((*low + *high + 1) / 2);
    std::vector<int> counts; // for every step from firstStep, -1 where the line leaves the picture
    for (int b = firstStep; b <= lastStep; ++b)
        counts.push_back(
            pixels.inside(frame.at((from + to) / 2, b)) ? crossings(rowAt(b), threshold) : -1);
    const auto slackOf = [](int count) { return std::max(2, count / 20); };
    const auto matches = [&](int count, int reference) {
        return count >= 0 && std::abs(count - reference) <= slackOf(reference);
    };
    // The count most lines agree with, from the running total of lines at each count.
    std::vector<int> atMost(std::size_t(samples) + 1, 0);
    for (const int count : counts)
        if (count >= 0) ++atMost[std::size_t(std::min(count, samples))];
    for (std::size_t c = 1; c < atMost.size(); ++c)
        atMost[c] += atMost[c - 1];
    int reference = -1, most = 0;
    for (int candidate = 2; candidate <= samples; ++candidate) {
        const int slack = slackOf(candidate);
        const int below = candidate - slack - 1;
        const int agreeing = atMost[std::size_t(std::min(candidate + slack, samples))] -
                             (below >= 0 ? atMost[std::size_t(below)] : 0);
        if (agreeing > most) {
            most = agreeing;
            reference = candidate;
        }
    }
    if (reference < 0) return std::nullopt;
    // From the matching step nearest the middle outwards, over gaps as short as a smudge.
    int start = -1;
    for (int i = 0; i < int(counts.size()); ++i)
        if (matches(counts[std::size_t(i)], reference) &&
            (start < 0 || std::abs(i + firstStep) < std::abs(start + firstStep)))
            start = i;
    const int gapLimit = std::max(3, int(counts.size()) / 16);
    const auto extend = [&](int direction) {
        int last = start;
        for (int i = start + direction, gap = 0;
             i >= 0 && i < int(counts.size()) && gap <= gapLimit; i += direction) {
            if (matches(counts[std::size_t(i)], reference)) {
                last = i;
                gap = 0;
            } else {
                ++gap;
            }
        }
        return last;
    };
    frame.top = extend(-1) + firstStep;
    frame.bottom = extend(+1) + firstStep;
    return frame;
}

std::vector<Line> scanLines(const QImage& plane, const Frame& frame, int count, double spacing,
                            double margin) {
    const Pixels pixels(plane);
    const double height = frame.bottom - frame.top + 1;
    std::vector<Line> lines;
    for (int i = 0; i < count; ++i) {
        const double share = 0.1 + 0.8 * (2 * i + 1) / (2.0 * count);
        const double b = frame.upright ? frame.top + std::floor(height * share)
                                       : frame.top - 0.5 + height * share;
        // Samples on whole steps from the centre: pixel centres for lines along the pixels.
        double first = std::floor(frame.barsFrom - margin + 0.5);
        double last = first + spacing * std::floor((frame.barsTo + margin - first) / spacing);
        while (first <= last && !pixels.inside(frame.at(first, b)))
            first += spacing;
        while (last >= first && !pixels.inside(frame.at(last, b)))
            last -= spacing;
        Line line;
        line.origin = frame.at(first - spacing / 2, b);
        line.step = frame.across * spacing;
        line.count = static_cast<int>(std::max(0.0, std::round((last - first) / spacing) + 1));
        lines.push_back(line);
    }
    return lines;
}

double spacingFor(double moduleWidth) {
    double spacing = 1;
    while (spacing > 0.125 && moduleWidth < 4 * spacing)
        spacing /= 2;
    return spacing;
}

std::vector<double> sample(const QImage& plane, const Line& line, double aperture) {
    const Pixels pixels(plane);
    std::vector<double> reflectance(std::size_t(std::max(0, line.count)));
    constexpr double kPercent = 100.0 / 255;
    if (!(aperture >= 0.1)) {
        for (std::size_t k = 0; k < reflectance.size(); ++k)
            reflectance[k] = pixels.bilinear(line.at(double(k) + 0.5)) * kPercent;
        return reflectance;
    }
    // The disc as the centres of a 16 x 16 grid's cells inside it, each taking the pixel it
    // falls on: the pixels' shares of the disc's area, as a light spot would average them.
    constexpr int kCells = 16;
    const double cell = aperture / kCells, radius = aperture / 2;
    std::vector<QPointF> offsets;
    for (int i = -kCells / 2; i < kCells / 2; ++i)
        for (int j = -kCells / 2; j < kCells / 2; ++j) {
            const QPointF offset((i + 0.5) * cell, (j + 0.5) * cell);
            if (dot(offset, offset) <= radius * radius) offsets.push_back(offset);
        }
    // Those shares depend only on where in its pixel the sample point lies: worked out once for
    // each eighth of a pixel, which lines along the pixels hit exactly.
    constexpr int kPhases = 8;
    struct Share {
        int dx, dy;
        double weight;
    };
    std::array<std::vector<Share>, (kPhases + 1) * (kPhases + 1)> shares;
    const auto sharesAt = [&](int qx, int qy) -> const std::vector<Share>& {
        std::vector<Share>& found = shares[std::size_t(qy * (kPhases + 1) + qx)];
        if (!found.empty()) return found;
        const QPointF phase(double(qx) / kPhases, double(qy) / kPhases);
        for (const QPointF& offset : offsets) {
            const QPointF p = phase + offset;
            const int dx = static_cast<int>(std::floor(p.x())),
                      dy = static_cast<int>(std::floor(p.y()));
            auto same = std::find_if(found.begin(), found.end(),
                                     [&](const Share& s) { return s.dx == dx && s.dy == dy; });
            if (same == found.end()) same = found.insert(found.end(), Share{dx, dy, 0});
            same->weight += 1.0 / double(offsets.size());
        }
        return found;
    };
    for (std::size_t k = 0; k < reflectance.size(); ++k) {
        const QPointF centre = line.at(double(k) + 0.5);
        const double x = std::clamp(centre.x(), -1.0, 1e9), y = std::clamp(centre.y(), -1.0, 1e9);
        const double fx = std::floor(x), fy = std::floor(y);
        const int qx = static_cast<int>(std::lround((x - fx) * kPhases)),
                  qy = static_cast<int>(std::lround((y - fy) * kPhases));
        double sum = 0;
        for (const Share& share : sharesAt(qx, qy))
            sum += share.weight *
                   pixels.at(static_cast<int>(fx) + share.dx, static_cast<int>(fy) + share.dy);
        reflectance[k] = sum * kPercent;
    }
    return reflectance;
}

} // namespace ScanLines
