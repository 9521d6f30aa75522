// Pictures of a symbol whose measurements are known beforehand, for calibrating the grader:
// bars and spaces at chosen reflectances, edges placed to a fraction of a pixel by the share of
// each pixel they cover, optionally blurred (across the bars, spots too), spotted, grown or
// moved, lit unevenly and noisy.
#pragma once

#include <QImage>
#include <QRandomGenerator>

#include <cmath>
#include <vector>

struct Calibration {
    std::vector<int> runs;       // modules of the bars and spaces, a bar first
    int pixels = 6;              // per module
    int quietModules = 12;       // light on either side of the bars
    int heightModules = 30;      // the bars' height
    double bar = 0, space = 100; // reflectance in percent
    double growth = 0;           // modules every bar is widened by, half on either side
    int movedEdge = -1;          // the edge after this element moves right ...
    double moved = 0;            // ... by this many modules
    double blur = 0;             // a Gaussian's standard deviation, in modules
    double spot = 0;     // a one-module spot this much darker amid the widest space, over the
                         // middle third of the height; below 0 a void this much lighter in a bar
    double spotSize = 0; // when above 0, the spot is this many modules wide instead
    double markAt = 0;   // two-module dark marks this many modules before and after the bars
    double lightAtRight = 1; // the light falls evenly from 1 at the left edge to this
    double noise = 0;        // sensor noise, standard deviation in percent
    // Around the symbol and its quiet zones, a frame this many modules wide and dark, then white
    // paper this many modules wide: a symbol printed on a patch of its own.
    int frameModules = 0;
    double frame = 7;
    int paperModules = 0;
};

namespace CalibrationDetail {

// How dark the symbol is at x (in modules): 1 on a bar, 0 on a space, blurred between.
inline double darkness(const std::vector<std::pair<double, double>>& dark, double x, double blur) {
    double sum = 0;
    for (const auto& [from, to] : dark) {
        if (blur <= 0) {
            sum += x >= from && x < to;
            continue;
        }
        const auto cdf = [&](double at) { return 0.5 * std::erfc(-(x - at) / (blur * M_SQRT2)); };
        sum += cdf(from) - cdf(to);
    }
    return std::min(1.0, sum);
}

} // namespace CalibrationDetail

inline QImage calibrationPicture(const Calibration& c) {
    std::vector<std::pair<double, double>> dark; // bars and marks, in modules from the left
    double x = c.quietModules;
    std::size_t widestSpace = 1, widestBar = 0;
    std::vector<double> edges{x};
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
        x += c.runs[i];
        edges.push_back(x);
        std::size_t& widest = i % 2 ? widestSpace : widestBar;
        if (c.runs[i] > c.runs[widest]) widest = i;
    }
    if (c.movedEdge >= 0) edges[std::size_t(c.movedEdge) + 1] += c.moved;
    for (std::size_t i = 0; i < c.runs.size(); i += 2)
        dark.emplace_back(edges[i] - c.growth / 2, edges[i + 1] + c.growth / 2);
    if (c.markAt > 0) {
        dark.emplace_back(edges.front() - c.markAt - 2, edges.front() - c.markAt);
        dark.emplace_back(edges.back() + c.markAt, edges.back() + c.markAt + 2);
    }
    const double total = x + c.quietModules;
    const auto middle = [&](std::size_t i) { return (edges[i] + edges[i + 1]) / 2; };
    const double spotAt = c.spot >= 0 ? middle(widestSpace) : middle(widestBar);

    const int width = int(total * c.pixels);
    const double spotHalf = (c.spotSize > 0 ? c.spotSize : 1) / 2;
    const std::vector<std::pair<double, double>> spotSpan{{spotAt - spotHalf, spotAt + spotHalf}};
    constexpr int kSubsamples = 16; // across each pixel, for the share an edge covers
    std::vector<double> row(std::size_t(width), 0.0), spotted(row);
    for (int px = 0; px < width; ++px) {
        double sum = 0, spot = 0;
        for (int s = 0; s < kSubsamples; ++s) {
            const double at = (px + (s + 0.5) / kSubsamples) / c.pixels;
            sum += c.space - (c.space - c.bar) * CalibrationDetail::darkness(dark, at, c.blur);
            spot += c.spot * CalibrationDetail::darkness(spotSpan, at, c.blur);
        }
        row[std::size_t(px)] = sum / kSubsamples;
        spotted[std::size_t(px)] = (sum - spot) / kSubsamples;
    }
    const int height = c.heightModules * c.pixels;
    const int border = (c.frameModules + c.paperModules) * c.pixels;
    const int paper = c.paperModules * c.pixels;
    QImage picture(width + 2 * border, height + 2 * border, QImage::Format_Grayscale8);
    QRandomGenerator random(1234);
    for (int y = 0; y < picture.height(); ++y) {
        uchar* out = picture.scanLine(y);
        const int symbolY = y - border;
        const bool spotHere = 3 * symbolY >= height && 3 * symbolY < 2 * height;
        for (int px = 0; px < picture.width(); ++px) {
            const int symbolX = px - border;
            const bool inSymbol =
                symbolX >= 0 && symbolX < width && symbolY >= 0 && symbolY < height;
            const bool onPaper = px < paper || y < paper || px >= picture.width() - paper ||
                                 y >= picture.height() - paper;
            double r = inSymbol  ? (spotHere ? spotted : row)[std::size_t(symbolX)]
                       : onPaper ? 100
                                 : c.frame;
            r *= 1 - (1 - c.lightAtRight) * (px + 0.5) / picture.width();
            if (c.noise > 0) { // Box-Muller
                const double u = 1 - random.generateDouble(), v = random.generateDouble();
                r += c.noise * std::sqrt(-2 * std::log(u)) * std::cos(2 * M_PI * v);
            }
            out[px] = uchar(std::clamp(std::lround(r * 2.55), 0L, 255L));
        }
    }
    return picture;
}
