#include "decode/LineSweep.h"

#include "decode/EngineHints.h"
#include "decode/LineDecode.h"
#include "decode/ScanLines.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using LineDecode::Linear;

// UPC-A before EAN-13, which reads it too, with a leading 0.
constexpr Linear kClassicOrder[] = {Linear::UpcA, Linear::Ean13, Linear::Ean8, Linear::Code128,
                                    Linear::Code39};
constexpr Linear kNewerOrder[] = {Linear::UpcE, Linear::Itf, Linear::Code93, Linear::Codabar};

constexpr int kAngles = 8; // every 22.5°: a symbol a sixth as high as long is always crossed whole
// Samples along the bars averaged into each one: a spot or void smaller than this
// hardly moves the line.
constexpr int kSlit = 5;
// A light space this many times as wide as the bar after it may be a quiet zone.
constexpr double kQuietToBar = 2.5;
// Light beside a decoded symbol, in its modules, below every symbology's minimum: blur and
// spread take some.
constexpr double kLeastQuiet = 5;
// Below this local contrast (percent) a stretch of the line is taken as one element.
constexpr double kFlat = 6;

double dot(QPointF a, QPointF b) {
    return a.x() * b.x() + a.y() * b.y();
}

// Elements (their widths, a light one first) of a profile cut at the midpoint of the light
// around each sample: the extremes over blocks of samples near it.
std::vector<double> widthsOf(const std::vector<double>& r) {
    constexpr std::size_t kBlock = 24, kReach = 2;
    const std::size_t blocks = (r.size() + kBlock - 1) / kBlock;
    std::vector<double> low(blocks, 100), high(blocks, 0);
    for (std::size_t i = 0; i < r.size(); ++i) {
        low[i / kBlock] = std::min(low[i / kBlock], r[i]);
        high[i / kBlock] = std::max(high[i / kBlock], r[i]);
    }
    std::vector<double> widths{0};
    bool dark = false;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const std::size_t b = i / kBlock;
        double lo = 100, hi = 0;
        for (std::size_t j = b >= kReach ? b - kReach : 0; j <= std::min(blocks - 1, b + kReach);
             ++j) {
            lo = std::min(lo, low[j]);
            hi = std::max(hi, high[j]);
        }
        const bool nowDark = hi - lo >= kFlat ? r[i] < (lo + hi) / 2 : dark;
        if (nowDark != dark) widths.push_back(0);
        dark = nowDark;
        ++widths.back();
    }
    return widths;
}

struct Reading {
    Linear linear;
    QString text;
    bool gs1;
    QPointF from, to; // where its bars start and end
    int angle;
    double offset; // of its line, across the lines
};

// The symbols read along one line of samples, a pixel apart from `origin` along `step`.
void readLine(const std::vector<double>& r, QPointF origin, QPointF step,
              std::span<const Linear> order, int angle, double offset,
              std::vector<Reading>& readings) {
    const std::vector<double> widths = widthsOf(r);
    std::vector<double> starts(widths.size() + 1, 0);
    for (std::size_t i = 0; i < widths.size(); ++i)
        starts[i + 1] = starts[i] + widths[i];
    for (std::size_t i = 1; i + 1 < widths.size(); i += 2) { // bars
        if (widths[i - 1] < kQuietToBar * widths[i]) continue;
        for (const Linear linear : order) {
            const auto decoded = LineDecode::decode(linear, widths, int(i));
            if (!decoded || decoded->moduleWidth < 1) continue;
            const std::size_t after = i + std::size_t(decoded->elementCount);
            const double least = kLeastQuiet * decoded->moduleWidth;
            if (widths[i - 1] < least || after >= widths.size() || widths[after] < least) continue;
            readings.push_back({linear, decoded->text, decoded->gs1, origin + starts[i] * step,
                                origin + starts[after] * step, angle, offset});
            i = after - 1; // on after the symbol
            break;
        }
    }
}

// The name reports give a symbol the engine would have found.
QString kindOf(const Reading& reading) {
    const auto linear = reading.linear;
    if (linear == Linear::Code128 && reading.gs1) return QStringLiteral("GS1-128");
    if (int(linear) < int(kSymbologies.size())) return standardNameOf(Symbology(linear));
    if (linear == Linear::Itf && reading.text.size() == 14) return QStringLiteral("ITF-14");
    for (const ReadingEngine::NewerFormat& entry : ReadingEngine::kNewerFormats)
        if (entry.linear == linear) return QString::fromLatin1(entry.name);
    return {};
}

// A symbol from the readings of one angle that agree: corners where its bars start and end on
// the first and last line, a box reaching over the rest of the bars' height.
ReadingEngine::Found foundOf(const std::vector<Reading>& same, double spacing, QSize size) {
    const Reading& first = same.front();
    const Reading& last = same.back();
    const QPointF along = last.from - first.from;
    ReadingEngine::Found found;
    found.text = first.text;
    found.corners = {first.from, first.to, last.to, last.from};
    found.linear = first.linear;
    found.classic = int(first.linear) < int(kSymbologies.size());
    found.symbology = found.classic ? Symbology(first.linear) : Symbology::Code128;
    found.kind = kindOf(first);
    const QPointF reading = first.to - first.from;
    const double length = std::hypot(reading.x(), reading.y());
    const double height = std::hypot(along.x(), along.y());
    const QPointF unitAlong =
        height > 0 ? along / height : QPointF(-reading.y(), reading.x()) / length;
    const QPointF reach = unitAlong * (spacing + 0.3 * length);
    QRectF box;
    for (const QPointF& corner : found.corners)
        box |= QRectF(corner - QPointF(0.5, 0.5), QSizeF(1, 1));
    for (const QPointF& corner : found.corners) {
        box |= QRectF(corner + reach, QSizeF(1, 1));
        box |= QRectF(corner - reach, QSizeF(1, 1));
    }
    found.box = box.toAlignedRect().intersected(QRect(QPoint(0, 0), size));
    return found;
}

} // namespace

namespace LineSweep {

QList<ReadingEngine::Found> findSymbols(const QImage& plane, ReadingEngine::Reach reach) {
    QList<ReadingEngine::Found> found;
    if (plane.isNull() || plane.format() != QImage::Format_Grayscale8) return found;
    std::vector<Linear> order(std::begin(kClassicOrder), std::end(kClassicOrder));
    if (reach == ReadingEngine::Reach::Every)
        order.insert(order.end(), std::begin(kNewerOrder), std::end(kNewerOrder));
    const QPointF centre(plane.width() / 2.0, plane.height() / 2.0);
    const double radius = std::hypot(plane.width(), plane.height()) / 2 + 1;
    // About fifty lines at each angle, never further apart than a short symbol is high.
    const double spacing = std::clamp(std::min(plane.width(), plane.height()) / 50.0, 3.0, 16.0);
    std::vector<Reading> readings;
    for (int a = 0; a < kAngles; ++a) {
        const double angle = a * std::numbers::pi / kAngles;
        QPointF across(std::cos(angle), std::sin(angle)), along(-across.y(), across.x());
        if (a == 0) across = {1, 0}, along = {0, 1};
        if (2 * a == kAngles) across = {0, 1}, along = {-1, 0};
        for (double t = -radius; t <= radius; t += spacing) {
            // On pixel centres for the lines along the pixels.
            const QPointF middle(std::floor(centre.x() + t * along.x()) + 0.5,
                                 std::floor(centre.y() + t * along.y()) + 0.5);
            double from = -radius, to = radius;
            const auto inside = [&](double s) {
                const QPointF p = middle + s * across;
                return p.x() >= 0 && p.y() >= 0 && p.x() < plane.width() && p.y() < plane.height();
            };
            while (from < to && !inside(from))
                ++from;
            while (to > from && !inside(to))
                --to;
            if (to - from < 16) continue;
            ScanLines::Line line{middle + (from - 0.5) * across, across, int(to - from) + 1};
            std::vector<double> r(std::size_t(line.count), 0.0);
            for (int k = 0; k < kSlit; ++k) {
                ScanLines::Line parallel = line;
                parallel.origin += (k - kSlit / 2) * along;
                const std::vector<double> seen = ScanLines::sample(plane, parallel, 0);
                for (std::size_t i = 0; i < r.size(); ++i)
                    r[i] += seen[i] / kSlit;
            }
            readLine(r, line.at(0), across, order, a, t, readings);
            // and from its far end, for symbols that read the other way
            std::reverse(r.begin(), r.end());
            readLine(r, line.at(line.count), -across, order, a + kAngles, t, readings);
        }
    }
    // Readings of one symbol: the same text at the same angle on lines close together; the
    // angle that crosses a symbol most often reads it first.
    std::vector<std::vector<Reading>> symbols;
    std::vector<bool> used(readings.size(), false);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (used[i]) continue;
        std::vector<Reading> same{readings[i]};
        for (std::size_t j = i + 1; j < readings.size(); ++j) {
            const Reading& r = readings[j];
            const Reading& previous = same.back();
            if (used[j] || r.angle != previous.angle || r.linear != previous.linear ||
                r.text != previous.text || r.offset - previous.offset > 2.5 * spacing)
                continue;
            const QPointF shift = r.from - previous.from;
            const QPointF reading = previous.to - previous.from;
            if (std::abs(dot(shift, reading)) > dot(reading, reading) / 4) continue;
            same.push_back(r);
            used[j] = true;
        }
        if (same.size() >= 2) symbols.push_back(std::move(same));
    }
    std::stable_sort(symbols.begin(), symbols.end(),
                     [](const auto& a, const auto& b) { return a.size() > b.size(); });
    for (const std::vector<Reading>& same : symbols) {
        ReadingEngine::Found symbol = foundOf(same, spacing, plane.size());
        const bool known = std::any_of(found.begin(), found.end(), [&](const auto& other) {
            return other.text == symbol.text && other.linear == symbol.linear &&
                   other.box.intersects(symbol.box);
        });
        if (!known) found.append(symbol);
    }
    return found;
}

} // namespace LineSweep
